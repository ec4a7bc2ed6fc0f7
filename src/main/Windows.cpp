#include "main/Windows.h"

#include "about/uAbout.h"
#include "controls/SharedWindow.h"
#include "fileops/uConfirm.h"
#include "fileops/uSimple.h"
#include "main/uProperties.h"

TfAbout* fAbout = nullptr;

void CreateSharedWindows(QWidget* mainWindow)
{
    SharedWindow(fConfirm, mainWindow);
    SharedWindow(fSimple, mainWindow);
    AboutBox(mainWindow);
    SharedWindow(fProperties, mainWindow);
}

TfAbout* AboutBox(QWidget* mainWindow)
{
    return SharedWindow(fAbout, mainWindow);
}
