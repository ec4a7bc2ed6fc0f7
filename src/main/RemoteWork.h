#pragma once
// Remote commands behind the progress window: its Cancel passed on to the GIO call under
// way, so that one waiting for a server that does not answer ends at once.

#include "platform/FileOpsProgress.h"
#include "platform/RemotePlaces.h"

#include <QString>
#include <functional>

// Runs `work` on the file-work worker behind the progress window titled `command`;
// Cancel there cancels `cancel` too.
void RunRemoteWork(const QString& command, platform::TFileOpsProgress& progress,
                   platform::TRemoteCancel& cancel, const std::function<void()>& work);
