#pragma once

#include <QString>
#include <functional>

class QWidget;

// Choosing a folder or a file and showing a folder in the file manager, the
// places the program hands over to the desktop. Tests put their own answers in.

// The folder the user picked, starting at `start`; empty when cancelled.
QString chooseFolder(QWidget *parent, const QString &title, const QString &start);
// The file the user picked, starting at `start` (a file or a folder); empty when cancelled.
QString chooseFile(QWidget *parent, const QString &title, const QString &start);
// False when the desktop could not show it.
bool openFolder(const QString &folder);

using FolderChooser = std::function<QString(const QString &start)>;
using FileChooser = std::function<QString(const QString &start)>;
using FolderOpener = std::function<bool(const QString &folder)>;
// An empty function restores the desktop's own.
void setFolderChooser(FolderChooser chooser);
void setFileChooser(FileChooser chooser);
void setFolderOpener(FolderOpener opener);
