#include "platform/remote/GioReconnect.h"

#include "platform/remote/GioMount.h"
#include "platform/remote/GioSupport.h"

#include <QCoreApplication>
#include <QThread>
#include <condition_variable>
#include <mutex>

namespace platform::gio
{

namespace
{

TMountAsker* g_asker = nullptr; // window's thread only

// Puts each question to the reconnect asker of the moment it comes (a mount may outlive
// the asker that was set when it began); without one every question is declined, and
// mounting again then succeeds only without a question.
class TCurrentAsker final : public TMountAsker
{
public:
    TLoginAnswer AskLogin(const TLoginRequest& request) override
    {
        return g_asker ? g_asker->AskLogin(request) : TLoginAnswer{};
    }
    int AskQuestion(const TMountQuestion& question) override
    {
        return g_asker ? g_asker->AskQuestion(question) : -1;
    }
};

TMountAsker& Asker()
{
    static TCurrentAsker current;
    return current;
}

struct TReconnectJob {
    QString Uri;
    std::shared_ptr<TRemoteCancel> Cancel;
    TRemoteMountEnd End;
};

void MountAgain(TReconnectJob* job)
{
    MountPlace(job->Uri, Asker(), job->Cancel, std::move(job->End));
    delete job;
}

void DeadUnmounted(GObject* source, GAsyncResult* result, gpointer data)
{
    // Whether or not GIO could say goodbye to the dead backend, the place is mounted anew.
    g_mount_unmount_with_operation_finish(G_MOUNT(source), result, nullptr);
    MountAgain(static_cast<TReconnectJob*>(data));
}

void DeadFound(GObject* source, GAsyncResult* result, gpointer data)
{
    auto* job = static_cast<TReconnectJob*>(data);
    const TRef<GMount> mount(g_file_find_enclosing_mount_finish(G_FILE(source), result, nullptr));
    if (!mount)
        return MountAgain(job);
    g_mount_unmount_with_operation(mount.get(), G_MOUNT_UNMOUNT_FORCE, nullptr, nullptr,
                                   DeadUnmounted, job);
}

void StartReconnect(const QString& uri, std::shared_ptr<TRemoteCancel> cancel, TRemoteMountEnd end)
{
    auto* job = new TReconnectJob{uri, std::move(cancel), std::move(end)};
    const TRef<GFile> file = FileFor(uri);
    g_file_find_enclosing_mount_async(file.get(), G_PRIORITY_DEFAULT, nullptr, DeadFound, job);
}

// What a worker waits on while the window's thread mounts again.
struct TWait {
    std::mutex Mutex;
    std::condition_variable Ended;
    bool Done{false};
    bool Stopped{false}; // the caller cancelled: it waits no longer
    TRemoteResult Result;
    QString Uri;
    std::shared_ptr<TRemoteCancel> Cancel;
};

gboolean StartOnWindowThread(gpointer data)
{
    auto* held = static_cast<std::shared_ptr<TWait>*>(data);
    const std::shared_ptr<TWait> wait = *held;
    delete held;
    StartReconnect(wait->Uri, wait->Cancel, [wait](const TRemoteResult& result) {
        const std::lock_guard<std::mutex> lock(wait->Mutex);
        wait->Result = result;
        wait->Done = true;
        wait->Ended.notify_all();
    });
    return G_SOURCE_REMOVE;
}

} // namespace

bool IsLostConnection(const GError* error)
{
    if (!error)
        return false;
    if (error->domain == G_IO_ERROR)
        switch (error->code) {
        case G_IO_ERROR_NOT_MOUNTED:
        case G_IO_ERROR_CLOSED:
        case G_IO_ERROR_BROKEN_PIPE:
        case G_IO_ERROR_NOT_CONNECTED:
        case G_IO_ERROR_CONNECTION_REFUSED:
        case G_IO_ERROR_DBUS_ERROR:
            return true;
        default:
            return false;
        }
    // The backend's process is gone from the session bus.
    return error->domain == G_DBUS_ERROR &&
           (error->code == G_DBUS_ERROR_NO_REPLY || error->code == G_DBUS_ERROR_SERVICE_UNKNOWN ||
            error->code == G_DBUS_ERROR_NAME_HAS_NO_OWNER ||
            error->code == G_DBUS_ERROR_DISCONNECTED || error->code == G_DBUS_ERROR_UNKNOWN_METHOD);
}

void SetReconnectAsker(TMountAsker* asker)
{
    g_asker = asker;
}

void ForgetReconnectAsker(TMountAsker* asker)
{
    if (g_asker == asker)
        g_asker = nullptr;
}

void ReconnectAsync(const QString& uri, TRemoteMountEnd end)
{
    StartReconnect(uri, std::make_shared<TRemoteCancel>(), std::move(end));
}

TRemoteResult Reconnect(const QString& uri, TRemoteCancel* cancel)
{
    auto wait = std::make_shared<TWait>();
    wait->Uri = uri;
    wait->Cancel = std::make_shared<TRemoteCancel>();
    // The caller's Cancel reaches the mount through its own cancel, and ends the wait at
    // once: a window that waits for its workers need not turn its loop for the mount.
    const int hook = cancel ? cancel->OnCancel([wait] {
        wait->Cancel->Cancel();
        const std::lock_guard<std::mutex> lock(wait->Mutex);
        wait->Stopped = true;
        wait->Ended.notify_all();
    })
                            : 0;
    GMainContext* window = g_main_context_default();
    g_main_context_invoke(window, StartOnWindowThread, new std::shared_ptr<TWait>(wait));
    const QCoreApplication* application = QCoreApplication::instance();
    if (!application || QThread::currentThread() == application->thread()) {
        // On the window's thread itself: its loop turns until the mount has ended.
        const auto done = [&] {
            const std::lock_guard<std::mutex> lock(wait->Mutex);
            return wait->Done || wait->Stopped;
        };
        while (!done())
            g_main_context_iteration(window, TRUE);
    } else {
        std::unique_lock<std::mutex> lock(wait->Mutex);
        wait->Ended.wait(lock, [&] { return wait->Done || wait->Stopped; });
    }
    if (cancel)
        cancel->Forget(hook);
    const std::lock_guard<std::mutex> lock(wait->Mutex);
    if (wait->Done)
        return wait->Result;
    TRemoteResult cancelled;
    cancelled.Cancelled = true;
    cancelled.Error = QStringLiteral("Connecting again was cancelled.");
    return cancelled;
}

} // namespace platform::gio
