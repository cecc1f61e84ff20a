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
    const QString offered = defaultFolder();
    if (!offered.isEmpty() && QDir::cleanPath(folder) == QDir::cleanPath(offered))
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
