#include "download/BatchFiles.h"

#include "download/RequestTarget.h"
#include "download/TargetFile.h"

#include <QDir>
#include <QFileInfo>

namespace BatchFiles {

bool prepareFolder(const QString &folder, const QString &defaultFolder)
{
    if (!IsUsableTargetFolder(folder))
        return false;
    if (!defaultFolder.isEmpty() && QDir::cleanPath(folder) == QDir::cleanPath(defaultFolder) &&
        !QFileInfo::exists(folder))
        QDir().mkpath(folder);
    return true;
}

QString targetPath(const QString &folder, const QString &prefix, const QString &url)
{
    const QString name = TargetFileName(prefix, RequestTarget::document(url));
    if (!IsUsableTargetFolder(folder) || !IsUsableFileName(name))
        return QString();
    return TargetFolderPart(folder) + name;
}

} // namespace BatchFiles
