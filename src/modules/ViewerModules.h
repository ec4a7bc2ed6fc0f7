#pragma once
// The main window's side of the modules: which module holds which window, loading it on
// first use, and what the user is told when it cannot be loaded.
//
// A module file is looked for in the folder given to SetModuleDirectory, or else beside
// the program and then in ../lib/travodex/ (the installed layout). Each module is loaded
// once; a module that failed is tried again on the next request.

#include "modules/ViewerModule.h"

#include <QString>

// The module of `window`, loaded when it is first asked for. When it cannot be loaded,
// shows (platform::ShowMessage, and on the standard error output) what is missing, e.g.
// "The HTML viewer cannot start: libQt6WebEngineCore.so.6 is missing.", and returns
// nullptr; the program runs on.
TViewerModule* ViewerModuleOf(TModuleWindow window);
// The same without a message: when the module cannot be loaded, `failure` gets what the
// message would have said.
TViewerModule* ViewerModuleOf(TModuleWindow window, QString* failure);

// True until the first request of the module of `window` has been made.
bool FirstUseOf(TModuleWindow window);

// Puts `module` in the place of the module file `fileName` (kPlayersModuleFile, ...): a
// test or benchmark that links the windows into its own executable. nullptr goes back to
// loading the file.
void RegisterViewerModule(const char* fileName, TViewerModule* module);

// The folder the module files are loaded from; an empty one restores the default. The
// modules are looked for there anew on their next request (a loaded one stays mapped).
void SetModuleDirectory(const QString& directory);

// Where the module file `fileName` is looked for: in the folder given to
// SetModuleDirectory, or else beside the program, or else in ../lib/travodex/.
QString ModuleFilePath(const char* fileName);

// What a user calls the window ("The HTML viewer").
QString ModuleWindowTitle(TModuleWindow window);
