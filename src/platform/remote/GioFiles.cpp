#include "platform/remote/GioFiles.h"

#include "platform/FileNames.h"
#include "platform/FileOpsFaults.h"
#include "platform/base/NoReplaceRename.h"
#include "platform/remote/GioLeftCall.h"
#include "platform/remote/GioReconnect.h"
#include "platform/remote/GioSupport.h"

#include <cstring>
#include <fcntl.h>
#include <system_error>
#include <thread>

namespace platform::gio
{

namespace
{

QString NameOf(GFile* file)
{
    gchar* name = g_file_get_basename(file);
    const QString text = DecodeFileName(QByteArray(name));
    g_free(name);
    return text;
}

QByteArray PathOf(GFile* file)
{
    gchar* path = g_file_get_path(file);
    const QByteArray bytes(path);
    g_free(path);
    return bytes;
}

// Gives `from` the name of `to` in the same folder or another folder of the same place,
// never replacing `to`: local files through the system's no-replace rename, remote ones
// through the backend's rename without its copy-and-delete fallback.
TRemoteResult MoveNoReplace(GFile* from, GFile* to, GCancellable* cancellable, const QString& what)
{
    if (g_file_is_native(from) && g_file_is_native(to)) {
        const int error = trvxbase::RenameNoReplace(AT_FDCWD, PathOf(from).constData(), AT_FDCWD,
                                                    PathOf(to).constData());
        if (error == 0)
            return Success();
        TRemoteResult result;
        result.Exists = error == EEXIST;
        result.Error =
            result.Exists
                ? QStringLiteral("%1: %2 already exists; it was not replaced.")
                      .arg(what, ShownName(to))
                : QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(error)));
        return result;
    }
    GError* raw = nullptr;
    if (g_file_move(from, to, G_FILE_COPY_NO_FALLBACK_FOR_MOVE, cancellable, nullptr, nullptr,
                    &raw))
        return Success();
    const TError error(raw);
    TRemoteResult result = Failure(what, error.get());
    if (result.Exists)
        result.Error =
            QStringLiteral("%1: %2 already exists; it was not replaced.").arg(what, ShownName(to));
    return result;
}

// Removes a part file left by a failed copy; says so when it stays. A cancelled copy,
// which nobody waits for, mounts a place whose connection died meanwhile (a server that
// stopped answering for long) again once for it.
void DropPart(GFile* part, TRemoteResult& result, bool cancelled = false)
{
    for (bool again = cancelled;; again = false) {
        GError* raw = nullptr;
        if (g_file_delete(part, nullptr, &raw))
            return;
        const TError error(raw);
        if (g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_NOT_FOUND))
            return;
        if (again && IsLostConnection(error.get()) && Reconnect(UriOf(part), nullptr).Ok)
            continue;
        result.Error += QStringLiteral(" The partial copy %1 could not be removed: %2")
                            .arg(ShownName(part), MessageOf(error.get()));
        return;
    }
}

qint64 SizeOf(GFile* file, GCancellable* cancellable, GError** error)
{
    const TRef<GFileInfo> info(g_file_query_info(file, G_FILE_ATTRIBUTE_STANDARD_SIZE,
                                                 G_FILE_QUERY_INFO_NONE, cancellable, error));
    return info ? qint64(g_file_info_get_size(info.get())) : -1;
}

void Progress(goffset copied, goffset total, gpointer data)
{
    static_cast<const TCallTie*>(data)->Progress(copied, total);
}

// One file's copy into its part, the check that the part is whole and its rename to the
// real name, on a thread that Cancel can leave behind (GioLeftCall.h). It owns all it
// uses, and cleans up after itself: a part that does not take the real name is removed,
// also when the copy was left behind, and one that was whole then does not take it.
struct TCopyJob {
    TRef<GFile> Source, Target, Part;
    TRef<GCancellable> Cancellable;
    QString SourceUri, FolderUri, What;
    qint64 Size{0};
    bool Progress{false};
    TRemoteResult Result;

    TRemoteResult Run(const TCallTie& tie);
    TRemoteResult Failed(const GError* error);
};

TRemoteResult TCopyJob::Failed(const GError* error)
{
    TRemoteResult result = Failure(What, error);
    // A part whose name was taken before the copy is not the copy's and stays.
    const bool ours = !g_error_matches(error, G_IO_ERROR, G_IO_ERROR_EXISTS);
    if (!result.Cancelled) {
        // A connection lost mid-copy ends the copy with its message: only a place found
        // dead before any byte went is mounted again for it. SFTP reports the loss as a
        // plain failure, so the places are asked whether they still answer.
        result.Lost = false;
        result.LostMidway = IsLostConnection(error) || QueryFile(FolderUri, nullptr).Lost ||
                            QueryFile(SourceUri, nullptr).Lost;
    }
    if (ours)
        DropPart(Part.get(), result, result.Cancelled);
    return result;
}

TRemoteResult TCopyJob::Run(const TCallTie& tie)
{
    const TPartHeld held(Part.get());
    GError* raw = nullptr;
    const bool copied =
        g_file_copy(Source.get(), Part.get(), G_FILE_COPY_NONE, Cancellable.get(),
                    Progress ? gio::Progress : nullptr, const_cast<TCallTie*>(&tie), &raw);
    if (!copied) {
        const TError error(raw);
        return Failed(error.get());
    }
    FileOpsFault(TFileOpsStep::RemotePartWritten, UriOf(Part.get()));
    // The part must be whole before it takes the real name.
    const qint64 written = SizeOf(Part.get(), Cancellable.get(), &raw);
    const TError sizeError(raw);
    const bool cancelled = g_cancellable_is_cancelled(Cancellable.get());
    if (written != Size || cancelled) {
        TRemoteResult result;
        result.Cancelled = cancelled;
        result.Error = cancelled ? QStringLiteral("%1: cancelled.").arg(What)
                                 : QStringLiteral("%1: the copy has %2 of %3 bytes.")
                                       .arg(What)
                                       .arg(written)
                                       .arg(Size);
        DropPart(Part.get(), result, cancelled);
        return result;
    }
    TRemoteResult result = MoveNoReplace(Part.get(), Target.get(), nullptr, What);
    result.Lost = false; // the part may have taken its name: never copied again
    if (result.NotSupported) {
        result.Error = QStringLiteral("%1: the server cannot rename files; the copy is kept "
                                      "as %2.")
                           .arg(What, ShownName(Part.get()));
        return result;
    }
    if (!result.Ok)
        DropPart(Part.get(), result);
    return result;
}

} // namespace

TRemoteFileInfo QueryFile(const QString& uri, TRemoteCancel* cancel)
{
    const TCancelLink link(cancel);
    const TRef<GFile> file = FileFor(uri);
    GError* raw = nullptr;
    const TRef<GFileInfo> info(
        g_file_query_info(file.get(),
                          "standard::type,standard::size,time::modified,etag::value,"
                          "access::can-trash",
                          G_FILE_QUERY_INFO_NONE, link.Get(), &raw));
    const TError error(raw);
    TRemoteFileInfo result;
    if (!info) {
        result.Lost = IsLostConnection(error.get());
        result.Error =
            QStringLiteral("Cannot read %1: %2").arg(ShownName(file.get()), MessageOf(error.get()));
        return result;
    }
    result.Found = true;
    result.Folder = g_file_info_get_file_type(info.get()) == G_FILE_TYPE_DIRECTORY;
    result.Size = g_file_info_get_size(info.get());
    if (g_file_info_has_attribute(info.get(), G_FILE_ATTRIBUTE_TIME_MODIFIED))
        result.Modified =
            qint64(g_file_info_get_attribute_uint64(info.get(), G_FILE_ATTRIBUTE_TIME_MODIFIED));
    if (const char* tag = g_file_info_get_etag(info.get()))
        result.ETag = QString::fromUtf8(tag);
    result.CanTrash =
        g_file_info_get_attribute_boolean(info.get(), G_FILE_ATTRIBUTE_ACCESS_CAN_TRASH) != FALSE;
    return result;
}

TRemoteSpace QuerySpace(const QString& uri, TRemoteCancel* cancel)
{
    const TCancelLink link(cancel);
    const TRef<GFile> file = FileFor(uri);
    const TRef<GFileInfo> info(g_file_query_filesystem_info(
        file.get(), "filesystem::free,filesystem::size", link.Get(), nullptr));
    TRemoteSpace space;
    if (!info || !g_file_info_has_attribute(info.get(), G_FILE_ATTRIBUTE_FILESYSTEM_FREE))
        return space;
    space.Known = true;
    space.Free =
        qint64(g_file_info_get_attribute_uint64(info.get(), G_FILE_ATTRIBUTE_FILESYSTEM_FREE));
    if (g_file_info_has_attribute(info.get(), G_FILE_ATTRIBUTE_FILESYSTEM_SIZE))
        space.Size =
            qint64(g_file_info_get_attribute_uint64(info.get(), G_FILE_ATTRIBUTE_FILESYSTEM_SIZE));
    return space;
}

TRemoteResult CopyFile(const TRemoteCopy& copy, TRemoteCancel* cancel)
{
    const TCancelLink link(cancel);
    auto job = std::make_shared<TCopyJob>();
    job->Source = FileFor(copy.Source);
    const TRef<GFile> folder = FileFor(copy.TargetFolder);
    job->Target = ChildOf(folder.get(), copy.TargetName);
    job->SourceUri = copy.Source;
    job->FolderUri = copy.TargetFolder;
    job->What = QStringLiteral("Cannot copy %1").arg(NameOf(job->Source.get()));
    GError* raw = nullptr;
    job->Size = SizeOf(job->Source.get(), link.Get(), &raw);
    if (job->Size < 0) {
        const TError error(raw);
        return Failure(job->What, error.get());
    }
    // Asked with its error, so that a place found dead here is mounted again for the copy.
    const TRef<GFileInfo> taken(g_file_query_info(job->Target.get(), G_FILE_ATTRIBUTE_STANDARD_TYPE,
                                                  G_FILE_QUERY_INFO_NOFOLLOW_SYMLINKS, link.Get(),
                                                  &raw));
    if (raw) {
        const TError error(raw);
        raw = nullptr;
        if (!g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_NOT_FOUND))
            return Failure(job->What, error.get());
    }
    if (taken) {
        TRemoteResult result;
        result.Exists = true;
        result.Error = QStringLiteral("%1: %2 already exists; it was not replaced.")
                           .arg(job->What, ShownName(job->Target.get()));
        return result;
    }
    const QByteArray partName = PartFileName(EncodeFileName(copy.TargetName));
    job->Part.reset(g_file_get_child(folder.get(), partName.constData()));
    job->Cancellable.reset(G_CANCELLABLE(g_object_ref(link.Get())));
    job->Progress = bool(copy.Progress);
    if (RunLeavingOnCancel(
            link, [job](const TCallTie& tie) { job->Result = job->Run(tie); }, copy.Progress))
        return job->Result;
    // The backend has not given up yet: the copy, left behind, removes its part when it
    // does. Nothing has taken the real name.
    TRemoteResult result;
    result.Cancelled = true;
    result.Error = QStringLiteral("%1: cancelled.").arg(job->What);
    return result;
}

void DropPartLeft(const QString& uri)
{
    const auto drop = [uri] {
        const TRef<GFile> part = FileFor(uri);
        const TPartHeld held(part.get());
        TRemoteResult unread; // nobody waits for its message
        DropPart(part.get(), unread, true);
    };
    try {
        std::thread(drop).detach();
    } catch (const std::system_error&) {
        drop();
    }
}

TRemoteResult DeleteFile(const QString& uri, TRemoteCancel* cancel)
{
    const TCancelLink link(cancel);
    const TRef<GFile> file = FileFor(uri);
    GError* raw = nullptr;
    if (g_file_delete(file.get(), link.Get(), &raw))
        return Success();
    const TError error(raw);
    return Failure(QStringLiteral("Cannot delete %1").arg(ShownName(file.get())), error.get());
}

TRemoteResult TrashFile(const QString& uri, TRemoteCancel* cancel)
{
    const TCancelLink link(cancel);
    const TRef<GFile> file = FileFor(uri);
    GError* raw = nullptr;
    if (g_file_trash(file.get(), link.Get(), &raw))
        return Success();
    const TError error(raw);
    TRemoteResult result = Failure(
        QStringLiteral("Cannot move %1 to the trash").arg(ShownName(file.get())), error.get());
    if (result.NotSupported)
        result.Error = QStringLiteral("%1 cannot go to the trash: this place has none.")
                           .arg(ShownName(file.get()));
    return result;
}

TRemoteResult MakeFolder(const QString& folderUri, const QString& name, TRemoteCancel* cancel)
{
    const TCancelLink link(cancel);
    const TRef<GFile> folder = FileFor(folderUri);
    const TRef<GFile> made = ChildOf(folder.get(), name);
    GError* raw = nullptr;
    if (g_file_make_directory(made.get(), link.Get(), &raw))
        return Success();
    const TError error(raw);
    return Failure(QStringLiteral("Cannot make the folder %1").arg(ShownName(made.get())),
                   error.get());
}

TRemoteResult RenameFile(const QString& uri, const QString& newName, TRemoteCancel* cancel)
{
    const TCancelLink link(cancel);
    const TRef<GFile> file = FileFor(uri);
    const TRef<GFile> parent(g_file_get_parent(file.get()));
    if (!parent)
        return Failure(QStringLiteral("Cannot rename %1").arg(ShownName(file.get())), nullptr);
    const TRef<GFile> renamed = ChildOf(parent.get(), newName);
    return MoveNoReplace(file.get(), renamed.get(), link.Get(),
                         QStringLiteral("Cannot rename %1").arg(NameOf(file.get())));
}

TRemoteResult ReplaceFile(const QString& uri, const QString& targetUri, TRemoteCancel* cancel)
{
    const TCancelLink link(cancel);
    const TRef<GFile> file = FileFor(uri);
    const TRef<GFile> target = FileFor(targetUri);
    GError* raw = nullptr;
    // A rename within the place only: a copy-and-delete fallback would write the target
    // piece by piece under its real name.
    if (g_file_move(file.get(), target.get(),
                    GFileCopyFlags(G_FILE_COPY_OVERWRITE | G_FILE_COPY_NO_FALLBACK_FOR_MOVE),
                    link.Get(), nullptr, nullptr, &raw))
        return Success();
    const TError error(raw);
    return Failure(QStringLiteral("Cannot put %1 in place").arg(ShownName(target.get())),
                   error.get());
}

TRemoteResult MoveFile(const QString& uri, const QString& folderUri, const QString& name,
                       TRemoteCancel* cancel)
{
    const TCancelLink link(cancel);
    const TRef<GFile> file = FileFor(uri);
    const TRef<GFile> folder = FileFor(folderUri);
    const TRef<GFile> moved = ChildOf(folder.get(), name);
    return MoveNoReplace(file.get(), moved.get(), link.Get(),
                         QStringLiteral("Cannot move %1").arg(NameOf(file.get())));
}

} // namespace platform::gio
