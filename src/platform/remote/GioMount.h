#pragma once
// Mounting and unmounting through GIO, with the backend's questions put to a TMountAsker,
// and the list of GIO's mounts. Window's thread.

#include "platform/RemotePlaces.h"

namespace platform::gio
{

void MountPlace(const QString& uri, TMountAsker& asker, std::shared_ptr<TRemoteCancel> cancel,
                TRemoteMountEnd end);
void UnmountPlace(const QString& uri, TRemoteMountEnd end);
std::vector<TRemoteMount> ListMounts();

} // namespace platform::gio
