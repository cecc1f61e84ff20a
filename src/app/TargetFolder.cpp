#include "app/TargetFolder.h"

#include "download/BatchFiles.h"
#include "download/TargetFile.h"
#include "ui/FolderDialogs.h"
#include "ui/MsgBox.h"

#include <QDir>
#include <QFileInfo>

namespace TargetFolder {

bool confirm(const QString &folder, const QString &defaultFolder)
{
    if (!IsUsableTargetFolder(folder) || QFileInfo::exists(folder) ||
        BatchFiles::isOfferedFolder(folder, defaultFolder))
        return true;
    const Message question{
        QStringLiteral("Der Ordner \"%1\" existiert nicht. Soll er angelegt werden?").arg(folder),
        QString(), Message::Icon::Exclamation, Message::Buttons::YesNo};
    if (MsgBox(question) != Answer::Yes)
        return false;
    if (QDir().mkpath(folder))
        return true;
    MsgBox(QStringLiteral("Der Ordner \"%1\" konnte nicht angelegt werden.").arg(folder),
           Message::Icon::Exclamation);
    return false;
}

void show(const QString &folder)
{
    if (!QFileInfo(folder).isDir()) {
        MsgBox(QStringLiteral("Der Ordner \"%1\" existiert nicht.").arg(folder),
               Message::Icon::Exclamation);
        return;
    }
    if (!openFolder(folder))
        MsgBox(QStringLiteral("Der Ordner \"%1\" konnte nicht geöffnet werden.").arg(folder),
               Message::Icon::Exclamation);
}

QString choose(QWidget *parent, const QString &current)
{
    // A folder that is gone or was never typed starts the dialog at home.
    const QString start = QFileInfo(current).isDir() ? current : QDir::homePath();
    return QDir::toNativeSeparators(
        chooseFolder(parent, QStringLiteral("Zielordner wählen"), start));
}

} // namespace TargetFolder
