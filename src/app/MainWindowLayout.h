#pragma once

class QRect;
class QWidget;
class frmMain;

// The main window's controls, menus and toolbar as they were designed: what
// each one is called, says and where it sits. The window's own code keeps
// only what they do.
namespace MainWindowLayout {

// The controls of both frames in `client`, placed from one table of twips.
void buildControls(frmMain &w, QWidget *client);
// The menu bar, each item connected to its handler.
void buildMenus(frmMain &w);
// The toolbar at `rect` of the client area, with its image list.
void buildToolbar(frmMain &w, const QRect &rect);
// Only the controls that can take the focus, in their designed order.
void setTabOrder(frmMain &w);

} // namespace MainWindowLayout
