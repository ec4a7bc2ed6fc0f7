// Travodex: creates the windows in their order and runs the event loop until the
// main window closes.
#include "app/TApplication.h"
#include "browser/BrowserSetup.h"
#include "main/Windows.h"
#include "main/uMain.h"
#include "platform/IconList.h"
#include "platform/QuitSignals.h"
#include "platform/TempFolder.h"

#include <cstdio>
#include <cstdlib>

namespace
{

bool HasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char** argv)
{
    if (!HasDisplay()) {
        std::fprintf(stderr, "travodex: no display (DISPLAY and WAYLAND_DISPLAY are unset)\n");
        return EXIT_FAILURE;
    }
    // The web engine's settings and URL schemes must precede the application object.
    PrepareBrowserEnvironment();
    RegisterBrowserSchemes();
    TApplication app(argc, argv);
    platform::SetupIconTheme();
    // Folders of extracted copies that a run which was killed left behind.
    platform::RemoveStalePrivateFolders();
    TfMain main;
    CreateSharedWindows(&main);
    // A logout or shutdown ends the program like closing its window, so the extracted
    // copies go with it.
    platform::TQuitSignals quitSignals;
    QObject::connect(&quitSignals, &platform::TQuitSignals::Received, &main,
                     &TfMain::QuitWithoutQuestions);
    main.showMaximized();
    return app.exec();
}
