#pragma once

class frmMain;

// The one main window, set once by Main and never changed.
extern frmMain *objMainForm;

// Creates the main window and shows it; the event loop does the rest.
void Main();
