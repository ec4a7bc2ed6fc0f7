#include "remote/RemoteEdit.h"

#include "platform/FileNames.h"
#include "platform/FileOpsFaults.h"

#include <QFileInfo>

namespace remote
{

using platform::TRemoteFileInfo;
using platform::TRemoteResult;

namespace
{

TRemoteResult Refused(const QString& error)
{
    TRemoteResult result;
    result.Error = error;
    return result;
}

// "NAME (N).EXT"
QString Numbered(const QString& name, int n)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString tag = QStringLiteral(" (%1)").arg(n);
    return dot > 0 ? name.left(dot) + tag + name.mid(dot) : name + tag;
}

// Why the remote file may not be replaced now; empty when it may.
QString Unchanged(platform::TRemotePlaces& places, const TFetchedFile& file, const QString& uri,
                  platform::TRemoteCancel* cancel)
{
    const TRemoteFileInfo now = places.Query(uri, cancel);
    if (!now.Found)
        return QStringLiteral("%1 is no longer on the server (%2)").arg(file.Name, now.Error);
    if (now.Folder)
        return QStringLiteral("%1 is a folder on the server now").arg(file.Name);
    return RemoteChanges(file.Fetched, now);
}

} // namespace

QString RemoteChanges(const TRemoteFileInfo& then, const TRemoteFileInfo& now)
{
    if (!then.Found)
        return QStringLiteral("the file changed on the server while it was fetched");
    const bool tagged = !then.ETag.isEmpty() && !now.ETag.isEmpty();
    if (tagged ? then.ETag != now.ETag : then.Modified != now.Modified)
        return QStringLiteral("the file changed on the server since it was fetched");
    if (then.Size != now.Size)
        return QStringLiteral("the file changed on the server since it was fetched (%1 bytes "
                              "then, %2 now)")
            .arg(then.Size)
            .arg(now.Size);
    return {};
}

TRemoteResult FetchCopy(platform::TRemotePlaces& places, TFetchedFile& file, const QString& folder,
                        const platform::TRemoteProgress& progress, platform::TRemoteCancel* cancel)
{
    const QString uri = places.Child(file.Folder, file.Name);
    const TRemoteFileInfo before = places.Query(uri, cancel);
    if (!before.Found)
        return Refused(before.Error);
    platform::TRemoteCopy copy;
    copy.Source = uri;
    copy.TargetFolder = folder;
    copy.TargetName = file.Name;
    copy.Progress = progress;
    TRemoteResult result = places.Copy(copy, cancel);
    if (!result.Ok)
        return result;
    file.Copy = places.Child(folder, file.Name);
    const TRemoteFileInfo after = places.Query(uri, cancel);
    file.Fetched =
        after.Found && RemoteChanges(before, after).isEmpty() ? after : TRemoteFileInfo{};
    return result;
}

TRemoteResult PutBack(platform::TRemotePlaces& places, TFetchedFile& file,
                      platform::TRemoteCancel* cancel)
{
    const QString uri = places.Child(file.Folder, file.Name);
    if (const QString why = Unchanged(places, file, uri, cancel); !why.isEmpty())
        return Refused(why);
    // Written whole under a hidden name first: a connection lost meanwhile leaves the
    // remote file as it was.
    const QString hidden =
        platform::DecodeFileName(platform::PartFileName(platform::EncodeFileName(file.Name)));
    platform::TRemoteCopy copy;
    copy.Source = file.Copy;
    copy.TargetFolder = file.Folder;
    copy.TargetName = hidden;
    TRemoteResult result = places.Copy(copy, cancel);
    if (!result.Ok)
        return result;
    const QString written = places.Child(file.Folder, hidden);
    platform::FileOpsFault(platform::TFileOpsStep::RemoteSaveWritten, written);
    // The file may have changed while the copy went up: checked again just before.
    QString why = Unchanged(places, file, uri, cancel);
    if (why.isEmpty()) {
        result = places.Replace(written, uri, cancel);
        if (result.Ok) {
            file.Fetched = places.Query(uri, cancel);
            return result;
        }
    } else {
        result = Refused(why);
    }
    // A cancel may come while the server does not answer: the copy then goes when it
    // does, without holding up the cancel.
    if (const TRemoteResult dropped = places.Delete(written, cancel); dropped.Cancelled) {
        result.Cancelled = true;
        places.DropPart(written);
    } else if (!dropped.Ok) {
        result.Error +=
            QStringLiteral("; the copy %1 could not be removed: %2").arg(hidden, dropped.Error);
    }
    return result;
}

QString KeepCopy(platform::TRemotePlaces& places, const QString& file, const QString& folder,
                 QString& why)
{
    const QString name = QFileInfo(file).fileName();
    for (int n = 1; n < 1000; ++n) {
        platform::TRemoteCopy copy;
        copy.Source = file;
        copy.TargetFolder = folder;
        copy.TargetName = n == 1 ? name : Numbered(name, n);
        const TRemoteResult result = places.Copy(copy, nullptr);
        if (result.Ok)
            return places.Child(folder, copy.TargetName);
        if (!result.Exists) {
            why = result.Error;
            return {};
        }
    }
    why = QStringLiteral("no free name for %1 in %2").arg(name, folder);
    return {};
}

} // namespace remote
