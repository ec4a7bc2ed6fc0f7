// The entry of libtrvx_players.so, the players' module.
#include "players/PlayerWindows.h"

#include <QtGlobal>

extern "C" Q_DECL_EXPORT TViewerModule* TravodexViewerModule3()
{
    return &PlayersModule();
}
