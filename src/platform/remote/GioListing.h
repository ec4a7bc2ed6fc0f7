#pragma once
// Reading a remote folder without waiting: GIO's asynchronous enumeration in batches,
// on the window's thread.

#include "platform/RemotePlaces.h"

struct _GFileInfo;

namespace platform::gio
{

std::unique_ptr<TRemoteListing> ListFolder(const QString& uri, TRemoteBatch batch, TRemoteEnd end);
// What a GIO file info says of an entry (attributes of kListAttributes).
TRemoteEntry EntryOf(_GFileInfo* info);
extern const char* const kListAttributes;

} // namespace platform::gio
