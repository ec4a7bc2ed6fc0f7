#include "platform/remote/GioCopyCall.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace platform::gio
{

namespace
{

using namespace std::chrono_literals;

// How often the waiting thread looks at the cancel and passes the progress on.
constexpr auto kLook = 50ms;
// How long a cancelled copy may take to end by itself before it is left behind: one that
// ends in time cleans up on the caller's thread, as any failed copy does.
constexpr auto kGrace = 500ms;

// What the copy's thread and the waiting thread share; it lives as long as either needs it,
// and holds nothing of the caller's.
struct TCall {
    std::mutex Mutex;
    std::condition_variable Ended;
    bool Done{false};
    bool Abandoned{false};
    bool Ok{false};
    TError Error;
    qint64 Copied{-1}; // the latest progress not yet passed on; -1 when none
    qint64 Total{0};
};

void Progress(goffset copied, goffset total, gpointer data)
{
    auto* call = static_cast<TCall*>(data);
    const std::lock_guard<std::mutex> lock(call->Mutex);
    call->Copied = copied;
    call->Total = total;
}

template <typename T> TRef<T> Hold(T* object)
{
    return TRef<T>(static_cast<T*>(g_object_ref(object)));
}

// The copy itself, on its own thread. A cancelled copy removes its part here, where a
// server that does not answer holds up no one; so does a copy left behind that ended
// whole, since nothing gives it its real name. A part whose name was taken before the copy
// is not the copy's and stays.
void Run(const std::shared_ptr<TCall>& call, const TRef<GFile>& source, const TRef<GFile>& part,
         const TRef<GCancellable>& cancellable, bool progress)
{
    GError* raw = nullptr;
    const bool ok = g_file_copy(source.get(), part.get(), G_FILE_COPY_NONE, cancellable.get(),
                                progress ? Progress : nullptr, call.get(), &raw);
    TError error(raw);
    const bool ours = !g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_EXISTS);
    const bool dropped = !ok && ours && g_cancellable_is_cancelled(cancellable.get());
    if (dropped)
        g_file_delete(part.get(), nullptr, nullptr);
    bool left = false;
    {
        const std::lock_guard<std::mutex> lock(call->Mutex);
        call->Done = true;
        left = call->Abandoned;
        if (!left) {
            call->Ok = ok;
            call->Error = std::move(error);
            call->Ended.notify_all();
        }
    }
    if (left && ours && !dropped)
        g_file_delete(part.get(), nullptr, nullptr);
}

} // namespace

TCopyOutcome CopyLeavingOnCancel(GFile* source, GFile* part, const TCancelLink& link,
                                 const TRemoteProgress& progress)
{
    auto call = std::make_shared<TCall>();
    try {
        std::thread(Run, call, Hold(source), Hold(part), Hold(link.Get()), bool(progress)).detach();
    } catch (const std::system_error&) {
        Run(call, Hold(source), Hold(part), Hold(link.Get()), bool(progress));
    }
    std::unique_lock<std::mutex> lock(call->Mutex);
    // Hands on the latest progress, if any, without holding the lock.
    const auto pass = [&] {
        if (call->Copied < 0 || !progress)
            return;
        const qint64 copied = std::exchange(call->Copied, -1), total = call->Total;
        lock.unlock();
        progress(copied, total);
        lock.lock();
    };
    std::chrono::steady_clock::time_point leaveAt{};
    for (;;) {
        pass();
        if (call->Done) {
            pass(); // what came in while the last was handed on
            break;
        }
        const auto now = std::chrono::steady_clock::now();
        if (leaveAt == std::chrono::steady_clock::time_point{} && link.Cancelled())
            leaveAt = now + kGrace;
        if (leaveAt != std::chrono::steady_clock::time_point{} && now >= leaveAt) {
            call->Abandoned = true;
            TCopyOutcome outcome;
            outcome.Abandoned = true;
            return outcome;
        }
        call->Ended.wait_for(lock, kLook);
    }
    TCopyOutcome outcome;
    outcome.Ok = call->Ok;
    outcome.Error = std::move(call->Error);
    return outcome;
}

} // namespace platform::gio
