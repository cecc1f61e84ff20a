#pragma once

#include <QString>

class QWidget;

// The edit, toolbar and help commands of the main window. The edit commands
// act on the selected text of the focused widget through the clipboard: a line
// edit, the edit line of an editable combo box, or a plain or rich text box.
// Any other widget, or a failure, ends a command silently. Read-only boxes can
// be copied from, but their text cannot be replaced: pasting changes nothing and
// cutting puts the selection on the clipboard while the box keeps it.
void EditCopy();
void EditCut();
void EditPaste();

// Runs the command of a toolbar button by its key ("New", "Cut", "Copy",
// "Paste", compared exactly); other keys and any failure do nothing.
void ToolbarButtonClick(const QString &key);

// Help commands as the help system knows them.
inline constexpr int helpContents = 3;
inline constexpr int helpPartialKey = 0x105;

// The application's help file; none is configured, so it is empty.
QString applicationHelpFile();

// Opens the help file, or says that there is no help under the main window's caption.
void ShowHelp(QWidget *mainWindow, int command);

// Hands a configured help file to the platform's help viewer. False with a
// description of the failure in *error. Unused while no help file is configured.
bool openHelpFile(QWidget *mainWindow, const QString &helpFile, int command, QString *error);
