#pragma once

#include <QString>
#include <functional>

class QWidget;

// Choosing a folder and showing one in the file manager, the two places the
// program hands over to the desktop. Tests put their own answers in.

// The folder the user picked, starting at `start`; empty when cancelled.
QString chooseFolder(QWidget *parent, const QString &title, const QString &start);
// False when the desktop could not show it.
bool openFolder(const QString &folder);

using FolderChooser = std::function<QString(const QString &start)>;
using FolderOpener = std::function<bool(const QString &folder)>;
// An empty function restores the desktop's own.
void setFolderChooser(FolderChooser chooser);
void setFolderOpener(FolderOpener opener);
