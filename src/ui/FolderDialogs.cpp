#include "ui/FolderDialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>

namespace {
FolderChooser &chooser()
{
    static FolderChooser instance;
    return instance;
}

FileChooser &fileChooser()
{
    static FileChooser instance;
    return instance;
}

FolderOpener &opener()
{
    static FolderOpener instance;
    return instance;
}
} // namespace

QString chooseFolder(QWidget *parent, const QString &title, const QString &start)
{
    if (chooser())
        return chooser()(start);
    return QFileDialog::getExistingDirectory(parent, title, start);
}

QString chooseFile(QWidget *parent, const QString &title, const QString &start)
{
    if (fileChooser())
        return fileChooser()(start);
    return QFileDialog::getOpenFileName(parent, title, start);
}

bool openFolder(const QString &folder)
{
    if (opener())
        return opener()(folder);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

void setFolderChooser(FolderChooser replacement)
{
    chooser() = std::move(replacement);
}

void setFileChooser(FileChooser replacement)
{
    fileChooser() = std::move(replacement);
}

void setFolderOpener(FolderOpener replacement)
{
    opener() = std::move(replacement);
}
