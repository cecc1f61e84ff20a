#pragma once

#include <QByteArray>
#include <QString>

// Where one downloaded body goes: the folder with its separator ensured, the
// prefix, and the URL's document part with every "/" removed, so that no name
// can climb out of the folder.
QString TargetFolderPart(const QString &folder);
QString TargetFileName(const QString &prefix, const QString &document);

// A folder that names one place whatever the working directory: not empty,
// not relative (an empty one would otherwise mean the file-system root).
bool IsUsableTargetFolder(const QString &folder);

// A name that would not denote a file of its own in the folder.
bool IsUsableFileName(const QString &fileName);

// Writes the whole body under a temporary name in the same folder and renames
// it over the target, so the target is either the old file or the complete new
// one, never a mix. No sync to disk: a batch writes many small files, and a
// crash can at worst lose the newest, not corrupt it. On failure returns false
// with the system's reason in errorText, leaving the target untouched.
bool WriteFileReplacing(const QString &path, const QByteArray &body, QString *errorText);
