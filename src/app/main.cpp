// Travodex: reads the command line, creates the windows in their order and runs the
// event loop until the main window closes.
#include "app/StartArguments.h"
#include "app/TApplication.h"
#include "main/Windows.h"
#include "main/uMain.h"
#include "platform/BrowserEnvironment.h"
#include "platform/ConfigPath.h"
#include "platform/FileNames.h"
#include "platform/IconList.h"
#include "platform/Messages.h"
#include "platform/PendingPutBack.h"
#include "platform/QuitSignals.h"
#include "platform/StartPath.h"
#include "platform/StartProbe.h"
#include "platform/TempFolder.h"

#include <QDir>
#include <QTimer>
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

QStringList Arguments(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << platform::DecodeFileName(argv[i]);
    return arguments;
}

// The panels start where they were when the program last closed, then where the
// arguments say; a path that does not exist is said once the window is up.
void PlacePanels(TfMain& main, const QStringList& paths)
{
    main.KeepPanelsIn(platform::PanelsFilePath());
    QStringList missing;
    for (int i = 0; i < paths.size(); ++i) {
        platform::TStartPlace place;
        if (platform::ResolveStartPath(paths[i], QDir::currentPath(), place))
            main.StartAt(TSide(i), place, true);
        else if (!main.StartRemote(TSide(i), paths[i]))
            missing << QStringLiteral("Cannot find \"%1\": no such file or folder.").arg(paths[i]);
    }
    if (!missing.isEmpty())
        QTimer::singleShot(0, &main, [missing] { platform::ShowMessage(missing.join('\n')); });
}

} // namespace

int main(int argc, char** argv)
{
    const TStartArguments arguments = ParseStartArguments(Arguments(argc, argv));
    if (arguments.Action != TStartArguments::Run) {
        std::fputs(arguments.Text.toLocal8Bit().constData(),
                   arguments.Action == TStartArguments::Error ? stderr : stdout);
        return arguments.Action == TStartArguments::Error ? 2 : EXIT_SUCCESS;
    }
    if (!HasDisplay()) {
        std::fprintf(stderr, "travodex: no display (DISPLAY and WAYLAND_DISPLAY are unset)\n");
        return EXIT_FAILURE;
    }
    // The web engine's settings must precede the application object; the engine and its
    // graphics context come only with the first HTML file shown.
    platform::PrepareBrowserEnvironment(false);
    TApplication app(argc, argv);
    platform::SetupIconTheme();
    // Folders of extracted copies that a run which was killed left behind; those holding
    // an edited member it did not put back are saved beside their archives, once the window
    // is up.
    QStringList pendingPutBacks;
    platform::RemoveStalePrivateFolders(&pendingPutBacks);
    TfMain main;
    CreateSharedWindows(&main);
    PlacePanels(main, arguments.Paths);
    // A logout or shutdown ends the program like closing its window, so the extracted
    // copies go with it.
    platform::TQuitSignals quitSignals;
    QObject::connect(&quitSignals, &platform::TQuitSignals::Received, &main,
                     &TfMain::QuitWithoutQuestions);
    // The start-up benchmark's measure: the window painted with both panels' rows in.
    platform::ProbeStartIdle(&main,
                             [&main] { return !main.Reading(sdLeft) && !main.Reading(sdRight); });
    main.ShowAsKept();
    QTimer::singleShot(0, &main, [pendingPutBacks] {
        for (const QString& folder : pendingPutBacks)
            platform::ShowMessage(platform::RescuePendingPutBack(folder));
    });
    return app.exec();
}
