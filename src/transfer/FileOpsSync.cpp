#include "transfer/FileOpsSync.h"

#include "platform/FileNames.h"
#include "transfer/FileOpsCollision.h"
#include "transfer/FileOpsCopy.h"
#include "transfer/FileOpsParts.h"
#include "transfer/FileOpsRecord.h"
#include "transfer/FileOpsTrash.h"
#include "transfer/FileOpsTree.h"

#include <QCoreApplication>
#include <cerrno>

namespace platform
{

namespace
{

QString Tr(const char* text)
{
    return QCoreApplication::translate("ShellFileOperation", text);
}

QString Join(const QString& root, const QByteArray& relPath)
{
    return (root.endsWith('/') ? root : root + '/') + DecodeFileName(relPath);
}

// Opens the folder that holds `relPath` below `root`, never following a link on the
// way, and sets `name` to the entry's own name. An invalid descriptor when it cannot.
TFd OpenParent(const QString& root, const QByteArray& relPath, QByteArray& name)
{
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    TFd dir(sys::Open(EncodeFileName(root).constData(), flags));
    const QList<QByteArray> parts = relPath.split('/');
    for (qsizetype i = 0; dir.Valid() && i + 1 < parts.size(); ++i)
        dir = TFd(sys::OpenAt(dir.Get(), parts[i].constData(), flags | O_NOFOLLOW));
    name = parts.back();
    return dir;
}

// Removes the temporary entry `temp` of `dir`, whatever it became.
void Discard(int dir, const QByteArray& temp, const QString& path, TFileOpsReport& report)
{
    struct stat st {
    };
    if (sys::FStatAt(dir, temp.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return;
    if (!S_ISDIR(st.st_mode)) {
        sys::UnlinkAt(dir, temp.constData(), 0);
        return;
    }
    int removed = 0;
    RemoveTree(dir, temp, path, report, removed);
}

// Whether the entry `name` of `dir` is missing.
bool Missing(int dir, const QByteArray& name)
{
    struct stat st {
    };
    return sys::FStatAt(dir, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT;
}

} // namespace

TSyncStep SyncCopy(const QString& fromRoot, const QString& toRoot, const QByteArray& relPath,
                   const TSeenEntry& from, const TSeenEntry* to, bool useTrash,
                   TFileOpsReport& report, TFileOpsProgress* progress)
{
    const QString path = Join(fromRoot, relPath), target = Join(toRoot, relPath);
    QByteArray name;
    const TFd src = OpenParent(fromRoot, relPath, name);
    const TFd dst = OpenParent(toRoot, relPath, name);
    if (!src.Valid() || !dst.Valid())
        return TSyncStep::Changed;
    const struct stat fromSt = from.ToStat();
    if (!StillAsSeen(src.Get(), name, fromSt))
        return TSyncStep::Changed;
    if (to ? !StillAsSeen(dst.Get(), name, to->ToStat()) : !Missing(dst.Get(), name))
        return TSyncStep::Changed;

    const QByteArray temp = PartFileName(name);
    TTreeCopy copier(report, progress, false);
    TEntryRecord made;
    const int failuresBefore = report.Count();
    const TCopyOutcome outcome = copier.Copy(src.Get(), name, fromSt, dst.Get(), temp, path, &made);
    // A folder whose entries did not all copy is no copy of it.
    const bool whole = outcome == TCopyOutcome::Done && report.Count() == failuresBefore;
    if (!whole || CancelRequested(progress)) {
        Discard(dst.Get(), temp, target, report);
        if (CancelRequested(progress))
            return TSyncStep::Cancelled;
        if (outcome == TCopyOutcome::Done) // a folder with some entries that failed
            report.Failed(path, Tr("it was not copied whole, so nothing was put in place"));
        return TSyncStep::Failed;
    }
    // The copy against its source, byte for byte; the source must still be as recorded.
    QString difference;
    if (!SameAsRecorded(src.Get(), made, dst.Get(), temp, path, difference, progress)) {
        Discard(dst.Get(), temp, target, report);
        if (CancelRequested(progress))
            return TSyncStep::Cancelled;
        if (!StillAsSeen(src.Get(), name, fromSt))
            return TSyncStep::Changed;
        report.Failed(path, Tr("its copy does not read back as the original (at \"%1\"), so "
                               "nothing was put in place")
                                .arg(difference));
        return TSyncStep::Failed;
    }
    if (to) {
        TReplacedEntry replaced;
        const QString reason =
            PutOver(dst.Get(), temp, name, target, to->ToStat(), useTrash, replaced);
        if (reason.isEmpty())
            return TSyncStep::Done;
        Discard(dst.Get(), temp, target, report);
        if (!StillAsSeen(dst.Get(), name, to->ToStat()) && replaced.Trashed.isEmpty())
            return TSyncStep::Changed;
        report.Failed(path, reason);
        return TSyncStep::Failed;
    }
    const int error = RenameNoReplace(dst.Get(), temp.constData(), dst.Get(), name.constData());
    if (error == 0)
        return TSyncStep::Done;
    Discard(dst.Get(), temp, target, report);
    if (error == EEXIST)
        return TSyncStep::Changed;
    report.Failed(path, error);
    return TSyncStep::Failed;
}

TSyncStep SyncRemove(const QString& root, const QByteArray& relPath, const TSeenEntry& seen,
                     bool useTrash, TFileOpsReport& report, TFileOpsProgress* progress)
{
    const QString path = Join(root, relPath);
    QByteArray name;
    const TFd dir = OpenParent(root, relPath, name);
    if (!dir.Valid() || !StillAsSeen(dir.Get(), name, seen.ToStat()))
        return TSyncStep::Changed;
    if (useTrash) {
        const QString reason = MoveToTrash(path);
        if (reason.isEmpty())
            return TSyncStep::Done;
        report.Failed(path, reason);
        return TSyncStep::Failed;
    }
    if (!seen.IsFolder()) {
        if (sys::UnlinkAt(dir.Get(), name.constData(), 0) == 0)
            return TSyncStep::Done;
        report.Failed(path, errno);
        return TSyncStep::Failed;
    }
    int removed = 0;
    if (RemoveTree(dir.Get(), name, path, report, removed, progress))
        return TSyncStep::Done;
    return CancelRequested(progress) ? TSyncStep::Cancelled : TSyncStep::Failed;
}

} // namespace platform
