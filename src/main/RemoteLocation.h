#pragma once
// Moved to the panel component; kept here for units that include it from the main window.
#include "panel/RemoteLocation.h"
