#pragma once
// The GIO implementation of TRemotePlaces. The program reaches it through the remote module
// (modules/RemoteModule.h); tests link it in.

#include "platform/RemotePlaces.h"

namespace platform::gio
{

// The one instance of the process (GIO's state is per process too).
TRemotePlaces& GioPlaces();

} // namespace platform::gio
