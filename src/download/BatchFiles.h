#pragma once

#include <QString>
#include <functional>

// Where a batch's files go, checked the way every front end needs it.
namespace BatchFiles {

// A folder that is no full path is refused. The offered default folder is
// made when it is missing; a folder the user typed never is, since a typing
// mistake would otherwise scatter files into a new tree.
bool prepareFolder(const QString &folder, const std::function<QString()> &defaultFolder);

// The folder is the offered default folder, written any way that names it.
bool isOfferedFolder(const QString &folder, const QString &offered);

// The file url would be saved as; empty when it gives no usable name.
QString targetPath(const QString &folder, const QString &prefix, const QString &url);

// What lies at a target path, for a batch that skips the files it has.
enum class Occupant {
    Nothing,
    File,  // a regular file, or a link to one
    Other, // a folder, pipe, socket or device: nothing can be saved there
};
// For Other, *why says what it is, in the words the person is shown.
Occupant occupantOf(const QString &path, QString *why);

} // namespace BatchFiles
