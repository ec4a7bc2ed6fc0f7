#include "platform/remote/GioMount.h"
#include "platform/remote/GioLeftCall.h"

#include "platform/remote/GioSupport.h"

namespace platform::gio
{

namespace
{

// One mount under way; it travels through GIO's callbacks and is freed by the last one.
struct TMountJob {
    TRef<GFile> File;
    TMountAsker* Asker{nullptr};
    TRemoteMountEnd End;
    std::unique_ptr<TCancelLink> Cancel;
    TRef<GMountOperation> Operation;
    QString Shown;
    bool Declined{false}; // the asker cancelled a question
    bool Answered{false}; // a login was given
    bool Refused{false};  // the backend asked again: the login given was refused
};

QString Text(const gchar* text)
{
    return text ? QString::fromUtf8(text) : QString();
}

GPasswordSave SaveOf(TPasswordKeep keep)
{
    switch (keep) {
    case TPasswordKeep::Session:
        return G_PASSWORD_SAVE_FOR_SESSION;
    case TPasswordKeep::Always:
        return G_PASSWORD_SAVE_PERMANENTLY;
    case TPasswordKeep::Forget:
        break;
    }
    return G_PASSWORD_SAVE_NEVER;
}

// A cancelled mount asks no one (its asker may be gone by now: the daemon may go on with a
// mount whose caller has given up on it) and declines.
bool Abandoned(GMountOperation* operation, TMountJob* job)
{
    if (!job->Cancel->Cancelled())
        return false;
    job->Declined = true;
    g_mount_operation_reply(operation, G_MOUNT_OPERATION_ABORTED);
    return true;
}

void AskPassword(GMountOperation* operation, gchar* message, gchar* defaultUser,
                 gchar* defaultDomain, GAskPasswordFlags flags, gpointer data)
{
    auto* job = static_cast<TMountJob*>(data);
    if (Abandoned(operation, job))
        return;
    // Backends ask again after a refused login (FTP, SFTP's passphrase): that ends the
    // mount with one message rather than a dialog that says nothing of the refusal.
    if (job->Answered) {
        job->Refused = true;
        g_mount_operation_reply(operation, G_MOUNT_OPERATION_ABORTED);
        return;
    }
    TLoginRequest request;
    request.Message = Text(message);
    request.DefaultUser = Text(defaultUser);
    request.DefaultDomain = Text(defaultDomain);
    request.NeedUser = flags & G_ASK_PASSWORD_NEED_USERNAME;
    request.NeedPassword = flags & G_ASK_PASSWORD_NEED_PASSWORD;
    request.NeedDomain = flags & G_ASK_PASSWORD_NEED_DOMAIN;
    request.AnonymousAllowed = flags & G_ASK_PASSWORD_ANONYMOUS_SUPPORTED;
    request.CanKeep = flags & G_ASK_PASSWORD_SAVING_SUPPORTED;
    const TLoginAnswer answer = job->Asker->AskLogin(request);
    if (!answer.Given) {
        job->Declined = true;
        g_mount_operation_reply(operation, G_MOUNT_OPERATION_ABORTED);
        return;
    }
    job->Answered = true;
    if (answer.Anonymous && request.AnonymousAllowed) {
        g_mount_operation_set_anonymous(operation, TRUE);
    } else {
        g_mount_operation_set_username(operation, answer.User.toUtf8().constData());
        g_mount_operation_set_password(operation, answer.Password.toUtf8().constData());
        g_mount_operation_set_domain(operation, answer.Domain.toUtf8().constData());
        g_mount_operation_set_password_save(operation, request.CanKeep ? SaveOf(answer.Keep)
                                                                       : G_PASSWORD_SAVE_NEVER);
    }
    g_mount_operation_reply(operation, G_MOUNT_OPERATION_HANDLED);
}

void AskQuestion(GMountOperation* operation, gchar* message, gchar** choices, gpointer data)
{
    auto* job = static_cast<TMountJob*>(data);
    if (Abandoned(operation, job))
        return;
    TMountQuestion question;
    question.Message = Text(message);
    for (gchar** choice = choices; choice && *choice; ++choice)
        question.Choices << Text(*choice);
    const int taken = job->Asker->AskQuestion(question);
    if (taken < 0 || taken >= question.Choices.size()) {
        job->Declined = true;
        g_mount_operation_reply(operation, G_MOUNT_OPERATION_ABORTED);
        return;
    }
    g_mount_operation_set_choice(operation, taken);
    g_mount_operation_reply(operation, G_MOUNT_OPERATION_HANDLED);
}

void Finish(TMountJob* job, const TRemoteResult& result)
{
    if (job->Operation)
        g_signal_handlers_disconnect_by_data(job->Operation.get(), job);
    const TRemoteMountEnd end = std::move(job->End);
    delete job;
    if (end)
        end(result);
}

void Mounted(GObject* source, GAsyncResult* result, gpointer data)
{
    auto* job = static_cast<TMountJob*>(data);
    GError* raw = nullptr;
    g_file_mount_enclosing_volume_finish(G_FILE(source), result, &raw);
    const TError error(raw);
    // A place mounted already is not mounted again.
    if (!error || g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_ALREADY_MOUNTED)) {
        // Part files that copies left on this place when the program last quit go now.
        DropRecordedParts(UriOf(job->File.get()));
        return Finish(job, Success());
    }
    TRemoteResult failed =
        Failure(QStringLiteral("Cannot connect to %1").arg(job->Shown), error.get());
    if (job->Refused) {
        failed.Cancelled = false;
        failed.Error =
            QStringLiteral("Cannot connect to %1: the login was refused.").arg(job->Shown);
    }
    // Backends word a declined question in their own way ("Login dialog cancelled").
    else if (job->Declined) {
        failed.Cancelled = true;
        failed.Error = QStringLiteral("Connecting to %1 was cancelled.").arg(job->Shown);
    }
    Finish(job, failed);
}

void StartMount(TMountJob* job)
{
    job->Operation.reset(g_mount_operation_new());
    g_signal_connect(job->Operation.get(), "ask-password", G_CALLBACK(AskPassword), job);
    g_signal_connect(job->Operation.get(), "ask-question", G_CALLBACK(AskQuestion), job);
    g_file_mount_enclosing_volume(job->File.get(), G_MOUNT_MOUNT_NONE, job->Operation.get(),
                                  job->Cancel->Get(), Mounted, job);
}

void Unmounted(GObject* source, GAsyncResult* result, gpointer data)
{
    auto* end = static_cast<TRemoteMountEnd*>(data);
    GError* raw = nullptr;
    g_mount_unmount_with_operation_finish(G_MOUNT(source), result, &raw);
    const TError error(raw);
    const TRemoteResult outcome =
        error ? Failure(QStringLiteral("Cannot disconnect"), error.get()) : Success();
    if (*end)
        (*end)(outcome);
    delete end;
}

void UnmountFound(GObject* source, GAsyncResult* result, gpointer data)
{
    auto* end = static_cast<TRemoteMountEnd*>(data);
    GError* raw = nullptr;
    TRef<GMount> mount(g_file_find_enclosing_mount_finish(G_FILE(source), result, &raw));
    const TError error(raw);
    if (!mount) {
        // Nothing mounted there: nothing to do.
        if (*end)
            (*end)(Success());
        delete end;
        return;
    }
    g_mount_unmount_with_operation(mount.get(), G_MOUNT_UNMOUNT_FORCE, nullptr, nullptr, Unmounted,
                                   end);
}

} // namespace

void MountPlace(const QString& uri, TMountAsker& asker, std::shared_ptr<TRemoteCancel> cancel,
                TRemoteMountEnd end)
{
    auto* job = new TMountJob;
    job->File = FileFor(uri);
    job->Asker = &asker;
    job->End = std::move(end);
    job->Cancel = std::make_unique<TCancelLink>(std::move(cancel));
    job->Shown = ShownName(job->File.get());
    // Always through the mount daemon: it knows a place mounted already and says so without
    // connecting again, where this process's own view may still hold a mount whose
    // connection died.
    StartMount(job);
}

void UnmountPlace(const QString& uri, TRemoteMountEnd end)
{
    const TRef<GFile> file = FileFor(uri);
    g_file_find_enclosing_mount_async(file.get(), G_PRIORITY_DEFAULT, nullptr, UnmountFound,
                                      new TRemoteMountEnd(std::move(end)));
}

std::vector<TRemoteMount> ListMounts()
{
    std::vector<TRemoteMount> list;
    GVolumeMonitor* monitor = g_volume_monitor_get();
    GList* mounts = g_volume_monitor_get_mounts(monitor);
    for (GList* item = mounts; item; item = item->next) {
        auto* mount = static_cast<GMount*>(item->data);
        gchar* name = g_mount_get_name(mount);
        const TRef<GFile> root(g_mount_get_root(mount));
        list.push_back({Text(name), UriOf(root.get()), g_file_is_native(root.get()) != FALSE});
        g_free(name);
    }
    g_list_free_full(mounts, g_object_unref);
    g_object_unref(monitor);
    return list;
}

} // namespace platform::gio
