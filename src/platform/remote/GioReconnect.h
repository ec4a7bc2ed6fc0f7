#pragma once
// Dead mounts. When a place's connection dies (its server session killed, the network
// gone), GIO may keep a mount that fails every call. Such a failure is recognised, the dead
// mount dropped and the place mounted again once, its questions (a password, say) put to
// the reconnect asker, before the call is tried again.

#include "platform/RemotePlaces.h"

#include <gio/gio.h>

namespace platform::gio
{

// True for an error that says the place's connection is gone rather than that the call
// was refused: not mounted, closed, broken or reset connections, a backend gone from the bus.
bool IsLostConnection(const GError* error);

// Window's thread. The asker for mounting again (null: every question is declined);
// ForgetReconnectAsker clears it only when it is still `asker`.
void SetReconnectAsker(TMountAsker* asker);
void ForgetReconnectAsker(TMountAsker* asker);

// Window's thread: unmounts the place holding `uri` (if GIO still lists it) and mounts it
// again; `end` gets the mount's result.
void ReconnectAsync(const QString& uri, TRemoteMountEnd end);
// Worker thread (or the window's, which then keeps turning its loop): the same, waiting for
// it to end or for `cancel`.
TRemoteResult Reconnect(const QString& uri, TRemoteCancel* cancel);

} // namespace platform::gio
