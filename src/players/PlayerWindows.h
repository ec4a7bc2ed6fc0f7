#pragma once
// The shared player windows, one of each kind, made on first use and owned by the main
// window, and the players' module surface through which the main window reaches them.

#include "modules/ViewerModule.h"

class QWidget;
class TfModule;
class TfMusic;
class TfSound;

extern TfModule* fModule;
extern TfMusic* fMusic;
extern TfSound* fSound;

TfModule* ModulePlayer(QWidget* mainWindow);
TfMusic* MusicPlayer(QWidget* mainWindow);
TfSound* SoundPlayer(QWidget* mainWindow);

// The properties of a sound, module or MIDI file: format, length, channels, rate, title,
// read without playing (PlayerProperties.cpp). Any thread.
QStringList PlayerProperties(TModuleWindow window, const QString& path, QString* why);

// The sound, module and music players as a module: Show plays the file in the player of
// that kind (TPlayerWindow::Open). Lives as long as the process.
TViewerModule& PlayersModule();
