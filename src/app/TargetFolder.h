#pragma once

#include <QString>

class QWidget;

// The window's dealings with the target folder outside a batch.
namespace TargetFolder {

// Before a batch: true when it may start. A typed folder that does not
// exist is made only after a yes; a folder that is no full path is left for
// the batch to refuse, and the offered default folder for it to make.
bool confirm(const QString &folder, const QString &defaultFolder);
// Shows the folder in the file manager, or says why it cannot.
void show(const QString &folder);
// The folder the user picks, starting at `current`; empty when cancelled.
QString choose(QWidget *parent, const QString &current);

} // namespace TargetFolder
