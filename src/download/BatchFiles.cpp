#include "download/BatchFiles.h"

#include "download/RequestTarget.h"
#include "download/TargetFile.h"

#include <QDir>
#include <QFileInfo>

namespace BatchFiles {

bool prepareFolder(const QString &folder, const std::function<QString()> &defaultFolder)
{
    if (!IsUsableTargetFolder(folder))
        return false;
    // The offered folder is looked up only when it matters, not for every file saved.
    if (QFileInfo::exists(folder))
        return true;
    if (isOfferedFolder(folder, defaultFolder()))
        QDir().mkpath(folder);
    return true;
}

bool isOfferedFolder(const QString &folder, const QString &offered)
{
    return !offered.isEmpty() && QDir::cleanPath(folder) == QDir::cleanPath(offered);
}

QString targetPath(const QString &folder, const QString &prefix, const QString &url)
{
    const QString name = TargetFileName(prefix, RequestTarget::document(url));
    if (!IsUsableTargetFolder(folder) || !IsUsableFileName(name))
        return QString();
    return TargetFolderPart(folder) + name;
}

Occupant occupantOf(const QString &path, QString *why)
{
    // Follows links, so a link counts as what it points to; a dangling one is nothing.
    const QFileInfo info(path);
    if (!info.exists())
        return Occupant::Nothing;
    if (info.isFile())
        return Occupant::File;
    *why = info.isDir()
               ? QStringLiteral("Die Datei \"%1\" ist keine Datei, sondern ein Ordner.").arg(path)
               : QStringLiteral("Die Datei \"%1\" ist keine gewöhnliche Datei.").arg(path);
    return Occupant::Other;
}

} // namespace BatchFiles
