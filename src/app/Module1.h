#pragma once

class QCoreApplication;
class QTranslator;
class frmMain;

// The one main window, set once by Main and never changed.
extern frmMain *objMainForm;

// Qt's own texts (context menus, standard buttons) in German, like the rest of
// the program. Returns the installed translator, owned by app, or nullptr when
// the catalogue is not installed: the texts then stay English.
QTranslator *installGermanQtTexts(QCoreApplication &app);

// Creates the main window and shows it; the event loop does the rest.
void Main();
