#pragma once
// A backend's copy that Cancel can leave behind. Cancelling a gvfs copy or stream does not
// end it while the server does not answer (a stopped SFTP server holds the backend's read
// or write until it runs again), so the copy runs on a thread of its own: the caller waits
// for it, and on Cancel stops waiting. Left behind, the call ends by itself once the server
// answers or the connection goes, and then removes the part file it was writing.

#include "platform/remote/GioSupport.h"

namespace platform::gio
{

struct TCopyOutcome {
    bool Ok{false};
    bool Abandoned{false}; // cancelled and left running; the part goes when it ends
    TError Error;          // why it failed, when it ended and failed
};

// Copies `source` to the new file `part` (never replacing it), handing the progress to
// `progress` (may be empty) on this thread. Returns within about half a second of a
// cancel of `link`, whatever the backend does. A cancelled copy removes its part itself.
TCopyOutcome CopyLeavingOnCancel(GFile* source, GFile* part, const TCancelLink& link,
                                 const TRemoteProgress& progress);

} // namespace platform::gio
