// The entry of libtrvx_remote.so, the remote module: the GIO layer, loaded the first time a
// remote place is used (modules/RemoteModule.h).
#include "modules/RemoteModule.h"
#include "platform/remote/GioPlaces.h"

extern "C" __attribute__((visibility("default"))) platform::TRemotePlaces* TravodexRemoteModule3()
{
    return &platform::gio::GioPlaces();
}
