#pragma once
// Reading a remote folder without waiting: GIO's asynchronous enumeration in batches,
// on the window's thread; or whole, blocking, on a worker.

#include "platform/RemotePlaces.h"

struct _GFileInfo;

namespace platform::gio
{

std::unique_ptr<TRemoteListing> ListFolder(const QString& uri, TRemoteBatch batch, TRemoteEnd end);
// The same, blocking, for worker threads.
TRemoteFolder ReadWholeFolder(const QString& uri, TRemoteCancel* cancel);
// What a GIO file info says of an entry (attributes of kListAttributes).
TRemoteEntry EntryOf(_GFileInfo* info);
extern const char* const kListAttributes;

} // namespace platform::gio
