// Test executables that drive the main window link the players into themselves: the main
// window takes them from here instead of loading their module from beside the program.
#include "modules/ViewerModules.h"
#include "players/PlayerWindows.h"

namespace
{

const bool g_registered = (RegisterViewerModule(kPlayersModuleFile, &PlayersModule()), true);

} // namespace
