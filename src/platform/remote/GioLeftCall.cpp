#include "platform/remote/GioLeftCall.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace platform::gio
{

using namespace std::chrono_literals;

// What the call's thread and the waiting thread share; it lives as long as either needs
// it, and holds nothing of the caller's.
struct TCallState {
    std::mutex Mutex;
    std::condition_variable Ended;
    bool Done{false};
    qint64 Copied{-1}; // the latest progress not yet passed on; -1 when none
    qint64 Total{0};
};

namespace
{

// How often the waiting thread looks at the cancel and passes the progress on.
constexpr auto kLook = 50ms;
// How long a cancelled call may take to end by itself before it is left behind: one that
// ends in time hands its outcome to the caller, as any failed call does.
constexpr auto kGrace = 500ms;

void Run(const std::shared_ptr<TCallState>& state, const TLeavableCall& call)
{
    call(TCallTie(state));
    const std::lock_guard<std::mutex> lock(state->Mutex);
    state->Done = true;
    state->Ended.notify_all();
}

} // namespace

void TCallTie::Progress(qint64 done, qint64 total) const
{
    const std::lock_guard<std::mutex> lock(m_state->Mutex);
    m_state->Copied = done;
    m_state->Total = total;
}

bool RunLeavingOnCancel(const TCancelLink& link, TLeavableCall call,
                        const TRemoteProgress& progress)
{
    auto state = std::make_shared<TCallState>();
    try {
        std::thread(Run, state, call).detach();
    } catch (const std::system_error&) {
        Run(state, call);
    }
    std::unique_lock<std::mutex> lock(state->Mutex);
    // Hands on the latest progress, if any, without holding the lock.
    const auto pass = [&] {
        if (state->Copied < 0 || !progress)
            return;
        const qint64 copied = std::exchange(state->Copied, -1), total = state->Total;
        lock.unlock();
        progress(copied, total);
        lock.lock();
    };
    std::chrono::steady_clock::time_point leaveAt{};
    for (;;) {
        pass();
        if (state->Done) {
            pass(); // what came in while the last was handed on
            return true;
        }
        const auto now = std::chrono::steady_clock::now();
        if (leaveAt == std::chrono::steady_clock::time_point{} && link.Cancelled())
            leaveAt = now + kGrace;
        if (leaveAt != std::chrono::steady_clock::time_point{} && now >= leaveAt)
            return false;
        state->Ended.wait_for(lock, kLook);
    }
}

} // namespace platform::gio
