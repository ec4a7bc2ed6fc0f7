#pragma once
// The windows created once at start-up and kept for the whole run, beside the main
// window: the shared player, viewer and dialog windows. The application creates them in
// their order (CreateSharedWindows); code that finds one missing (a test without the
// application) creates it on first use.

class QWidget;
class TfAbout;
class TfBrowser;
class TfModule;
class TfMusic;
class TfSound;

extern TfAbout* fAbout;
extern TfBrowser* fBrowser;
extern TfModule* fModule;
extern TfMusic* fMusic;
extern TfSound* fSound;

// Creates the shared windows after the main window, in the order of start-up:
// confirmation, sound player, HTML viewer, input, about box, properties, module player,
// music player. Each is owned by `mainWindow`, which stays their transient parent.
void CreateSharedWindows(QWidget* mainWindow);

TfAbout* AboutBox(QWidget* mainWindow);
TfBrowser* HtmlViewer(QWidget* mainWindow);
TfModule* ModulePlayer(QWidget* mainWindow);
TfMusic* MusicPlayer(QWidget* mainWindow);
TfSound* SoundPlayer(QWidget* mainWindow);
