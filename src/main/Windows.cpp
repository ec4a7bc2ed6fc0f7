#include "main/Windows.h"

#include "about/uAbout.h"
#include "fileops/uConfirm.h"
#include "fileops/uSimple.h"
#include "main/uProperties.h"
#include "players/uSound.h"

TfAbout* fAbout = nullptr;
TfSound* fSound = nullptr;

void CreateSharedWindows(QWidget* mainWindow)
{
    if (!fConfirm)
        fConfirm = new TfConfirm(mainWindow);
    SoundPlayer(mainWindow);
    if (!fSimple)
        fSimple = new TfSimple(mainWindow);
    AboutBox(mainWindow);
    if (!fProperties)
        fProperties = new TfProperties(mainWindow);
}

TfAbout* AboutBox(QWidget* mainWindow)
{
    if (!fAbout)
        fAbout = new TfAbout(mainWindow);
    return fAbout;
}

TfSound* SoundPlayer(QWidget* mainWindow)
{
    if (!fSound)
        fSound = new TfSound(mainWindow);
    return fSound;
}
