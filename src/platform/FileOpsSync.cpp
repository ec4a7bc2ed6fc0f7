#include "platform/FileOpsSync.h"

#include "platform/FileNames.h"
#include "platform/FileOpsCollision.h"
#include "platform/FileOpsCopy.h"
#include "platform/FileOpsParts.h"
#include "platform/FileOpsRecord.h"
#include "platform/FileOpsTrash.h"
#include "platform/FileOpsTree.h"

#include <QCoreApplication>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    TFd dir(::open(EncodeFileName(root).constData(), flags));
    const QList<QByteArray> parts = relPath.split('/');
    for (qsizetype i = 0; dir.Valid() && i + 1 < parts.size(); ++i)
        dir = TFd(::openat(dir.Get(), parts[i].constData(), flags | O_NOFOLLOW));
    name = parts.back();
    return dir;
}

// Removes the temporary entry `temp` of `dir`, whatever it became.
void Discard(int dir, const QByteArray& temp, const QString& path, TFileOpsReport& report)
{
    struct stat st {
    };
    if (::fstatat(dir, temp.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return;
    if (!S_ISDIR(st.st_mode)) {
        ::unlinkat(dir, temp.constData(), 0);
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
    return ::fstatat(dir, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT;
}

// Gives the finished copy `temp` of `dir` the name `name`: over the entry there while it
// is still as `to` had it (to the trash with `useTrash`), else into the free name. The
// copy goes when it cannot; `path` names the source in messages.
TSyncStep GiveName(int dir, const QByteArray& temp, const QByteArray& name, const QString& target,
                   const TSeenEntry* to, bool useTrash, const QString& path, TFileOpsReport& report)
{
    if (to) {
        TReplacedEntry replaced;
        const QString reason = PutOver(dir, temp, name, target, to->ToStat(), useTrash, replaced);
        if (reason.isEmpty())
            return TSyncStep::Done;
        Discard(dir, temp, target, report);
        if (!StillAsSeen(dir, name, to->ToStat()) && replaced.Trashed.isEmpty())
            return TSyncStep::Changed;
        report.Failed(path, reason);
        return TSyncStep::Failed;
    }
    const int error = RenameNoReplace(dir, temp.constData(), dir, name.constData());
    if (error == 0)
        return TSyncStep::Done;
    Discard(dir, temp, target, report);
    if (error == EEXIST)
        return TSyncStep::Changed;
    report.Failed(path, error);
    return TSyncStep::Failed;
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
    return GiveName(dst.Get(), temp, name, target, to, useTrash, path, report);
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
        if (::unlinkat(dir.Get(), name.constData(), 0) == 0)
            return TSyncStep::Done;
        report.Failed(path, errno);
        return TSyncStep::Failed;
    }
    int removed = 0;
    if (RemoveTree(dir.Get(), name, path, report, removed, progress))
        return TSyncStep::Done;
    return CancelRequested(progress) ? TSyncStep::Cancelled : TSyncStep::Failed;
}

TSyncStaging::TSyncStaging(const QString& toRoot, const QByteArray& relPath)
    : m_target(Join(toRoot, relPath))
{
    m_dir = OpenParent(toRoot, relPath, m_name);
}

TSyncStaging::~TSyncStaging()
{
    if (m_temp.isEmpty())
        return;
    const TShellFailureHandler ignore = [](const QString&) {};
    TFileOpsReport quiet(ignore, QStringLiteral("%1: %2"));
    Discard(m_dir.Get(), m_temp, m_folder, quiet);
}

TSyncStep TSyncStaging::Begin(const TSeenEntry* to, TFileOpsReport& report)
{
    if (!m_dir.Valid())
        return TSyncStep::Changed;
    if (to ? !StillAsSeen(m_dir.Get(), m_name, to->ToStat()) : !Missing(m_dir.Get(), m_name))
        return TSyncStep::Changed;
    const QByteArray temp = PartFileName(m_name);
    if (::mkdirat(m_dir.Get(), temp.constData(), 0700) != 0) {
        report.Failed(m_target, errno);
        return TSyncStep::Failed;
    }
    m_temp = temp;
    m_folder = ChildPath(m_target.left(m_target.lastIndexOf('/')), temp) + '/';
    return TSyncStep::Done;
}

bool TSyncStaging::MakeFolder(const QByteArray& relPath, TFileOpsReport& report)
{
    const QString path = m_folder + DecodeFileName(relPath);
    if (::mkdir(EncodeFileName(path).constData(), 0777) == 0)
        return true;
    report.Failed(path, errno);
    return false;
}

bool TSyncStaging::Holds(const QByteArray& relPath, qint64 size, const quint32* crc) const
{
    QByteArray name;
    const TFd dir = OpenParent(m_folder, relPath, name);
    struct stat st {
    };
    if (!dir.Valid() || ::fstatat(dir.Get(), name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(st.st_mode) || st.st_size != size)
        return false;
    return !crc || FileHolds(dir.Get(), name, size, *crc);
}

TSyncStep TSyncStaging::Place(const QByteArray& inner, const TSeenEntry* to, bool useTrash,
                              const QString& shown, TFileOpsReport& report)
{
    // Out of the temporary folder under a temporary name of its own beside the target,
    // then named as a copy between folders is.
    const QByteArray part = PartFileName(m_name);
    const QByteArray from = m_temp + '/' + inner;
    if (const int error =
            RenameNoReplace(m_dir.Get(), from.constData(), m_dir.Get(), part.constData())) {
        report.Failed(shown, error);
        return TSyncStep::Failed;
    }
    return GiveName(m_dir.Get(), part, m_name, m_target, to, useTrash, shown, report);
}

} // namespace platform
