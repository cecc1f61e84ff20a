#include "download/TargetFile.h"

#include "download/PartFile.h"

#include <QDir>
#include <QFileInfo>
#include <cstring>

namespace {
const QChar kSeparator = QLatin1Char('/');
} // namespace

QString TargetFolderPart(const QString &folder)
{
    if (folder.endsWith(kSeparator))
        return folder;
    return folder + kSeparator;
}

QString TargetFileName(const QString &prefix, const QString &document)
{
    QString name = document;
    name.remove(QLatin1Char('/'));
    return prefix + name;
}

bool IsUsableTargetFolder(const QString &folder)
{
    return !folder.isEmpty() && QDir::isAbsolutePath(folder);
}

bool IsUsableFileName(const QString &fileName)
{
    return !fileName.isEmpty() && fileName != QLatin1String(".") &&
           fileName != QLatin1String("..") && !fileName.contains(QChar(0));
}

bool WriteFileReplacing(const QString &path, const QByteArray &body, QString *errorText)
{
    const QFileInfo info(path);
    int error = 0;
    PartFile part = PartFile::create(info.path(), info.fileName(), &error);
    if (part.isOpen() && part.write(body.constData(), static_cast<size_t>(body.size()), &error))
        return part.complete(path, errorText);
    *errorText = QString::fromLocal8Bit(std::strerror(error));
    return false;
}
