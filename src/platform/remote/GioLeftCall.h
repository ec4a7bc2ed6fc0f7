#pragma once
// Backend calls that Cancel can leave behind. Cancelling a gvfs copy, stream, query or
// rename does not end it while the server does not answer (a stopped SFTP server holds the
// backend until it runs again), so such a call runs on a thread of its own: the caller
// waits for it, and half a second after a cancel stops waiting. Left behind, the call ends
// by itself once the server answers or the connection goes, and cleans up after itself
// then. The part files that calls are writing are known by name, so that quitting can deal
// with those of calls still under way.

#include "platform/remote/GioSupport.h"

#include <functional>

namespace platform::gio
{

struct TCallState;

// What a call run by RunLeavingOnCancel sees of its caller.
class TCallTie
{
public:
    explicit TCallTie(std::shared_ptr<TCallState> state) : m_state(std::move(state)) {}
    // Hands progress to the caller, which passes it on on its own thread.
    void Progress(qint64 done, qint64 total) const;

private:
    std::shared_ptr<TCallState> m_state;
};

using TLeavableCall = std::function<void(const TCallTie& tie)>;

// Runs `call` on a thread of its own and waits for it, passing its progress on to
// `progress` (may be empty) on this thread. True when the call ended; false when `link`
// was cancelled and the call had not ended half a second later: it goes on alone then, so
// it must own everything it uses and touch nothing of the caller's.
bool RunLeavingOnCancel(const TCancelLink& link, TLeavableCall call,
                        const TRemoteProgress& progress);

// Names `part` as a part file being written for as long as this lives.
class TPartHeld
{
public:
    explicit TPartHeld(GFile* part);
    ~TPartHeld();
    TPartHeld(const TPartHeld&) = delete;
    TPartHeld& operator=(const TPartHeld&) = delete;

private:
    QString m_uri;
};

// At quit, for the part files of calls still under way: removes the local ones (a copy
// from a server that stopped answering) and records the remote ones, which cannot be
// reached now, in a small file under the program's configuration folder.
void LeaveParts();
// After a place was mounted: removes, on a thread of its own, the recorded part files on
// it (`uri` is any address in the place) that are still there, and forgets them.
void DropRecordedParts(const QString& uri);

} // namespace platform::gio
