#pragma once
// The dialog windows created at start-up and kept for the whole run, beside the main
// window. The application creates them in their order (CreateSharedWindows); code that
// finds one missing (a test without the application) creates it on first use. The
// players and the HTML viewer live in modules (modules/ViewerModule.h) and are made the
// first time a file is shown in them.

class QWidget;
class TfAbout;

extern TfAbout* fAbout;

// Creates the shared dialogs after the main window, in the order of start-up:
// confirmation, input, about box, properties. Each is owned by `mainWindow`, which stays
// their transient parent.
void CreateSharedWindows(QWidget* mainWindow);

TfAbout* AboutBox(QWidget* mainWindow);
