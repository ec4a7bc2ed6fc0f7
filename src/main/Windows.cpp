#include "main/Windows.h"

#include "about/uAbout.h"
#include "browser/uBrowser.h"
#include "fileops/uConfirm.h"
#include "fileops/uSimple.h"
#include "main/uProperties.h"
#include "players/uModule.h"
#include "players/uMusic.h"
#include "players/uSound.h"

TfAbout* fAbout = nullptr;
TfBrowser* fBrowser = nullptr;
TfModule* fModule = nullptr;
TfMusic* fMusic = nullptr;
TfSound* fSound = nullptr;

namespace
{

template <typename TWindow> TWindow* Once(TWindow*& instance, QWidget* mainWindow)
{
    if (!instance) {
        instance = new TWindow(mainWindow);
        // Gone with its main window, the shared window is made again for the next one.
        QObject::connect(instance, &QObject::destroyed, [&instance] { instance = nullptr; });
    }
    return instance;
}

} // namespace

void CreateSharedWindows(QWidget* mainWindow)
{
    Once(fConfirm, mainWindow);
    SoundPlayer(mainWindow);
    HtmlViewer(mainWindow);
    Once(fSimple, mainWindow);
    AboutBox(mainWindow);
    Once(fProperties, mainWindow);
    ModulePlayer(mainWindow);
    MusicPlayer(mainWindow);
}

TfAbout* AboutBox(QWidget* mainWindow)
{
    return Once(fAbout, mainWindow);
}
TfBrowser* HtmlViewer(QWidget* mainWindow)
{
    return Once(fBrowser, mainWindow);
}
TfModule* ModulePlayer(QWidget* mainWindow)
{
    return Once(fModule, mainWindow);
}
TfMusic* MusicPlayer(QWidget* mainWindow)
{
    return Once(fMusic, mainWindow);
}
TfSound* SoundPlayer(QWidget* mainWindow)
{
    return Once(fSound, mainWindow);
}
