#include "transfer/ShellFileOperation.h"
#include "platform/FileNames.h"

#include "platform/FileOpsFaults.h"
#include "platform/FileOpsProgress.h"
#include "platform/Messages.h"
#include "transfer/FileOpsCopy.h"
#include "transfer/FileOpsMoves.h"
#include "transfer/FileOpsPlace.h"
#include "transfer/FileOpsRecord.h"
#include "transfer/FileOpsTrash.h"
#include "transfer/FileOpsTree.h"

#include <QCoreApplication>
#include <QFile>
#include <cerrno>
#include <cstdio>

namespace platform
{

namespace
{

// Parent steps walked when looking whether a folder lies below another.
constexpr int kMaxDepth = 4096;

QString Tr(const char* text)
{
    return QCoreApplication::translate("ShellFileOperation", text);
}

QString WithSlash(const QString& folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

// One source item: its folder, open, and its name in that folder.
struct TSource {
    QString Path; // without trailing separators
    QString Name;
    QByteArray NameBytes;
    TFd Parent;
    struct stat St {
    };
};

// Fills `source` from `path`; on failure reports and returns false.
bool OpenSource(const QString& path, TSource& source, TFileOpsReport& report)
{
    QString clean = path;
    while (clean.size() > 1 && clean.endsWith(QLatin1Char('/')))
        clean.chop(1);
    const qsizetype slash = clean.lastIndexOf(QLatin1Char('/'));
    source.Path = clean;
    source.Name = clean.mid(slash + 1);
    if (!clean.startsWith(QLatin1Char('/')) || source.Name.isEmpty() ||
        source.Name == QLatin1String(".") || source.Name == QLatin1String("..")) {
        report.Failed(path, Tr("it is not the full path of a file or folder"));
        return false;
    }
    source.NameBytes = platform::EncodeFileName(source.Name);
    const QByteArray parent =
        platform::EncodeFileName(slash == 0 ? QStringLiteral("/") : clean.left(slash));
    source.Parent = TFd(sys::Open(parent.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!source.Parent.Valid() || sys::FStatAt(source.Parent.Get(), source.NameBytes.constData(),
                                               &source.St, AT_SYMLINK_NOFOLLOW) != 0) {
        report.Failed(clean, errno);
        return false;
    }
    return true;
}

// True when the open folder `folder` is the directory (dev, ino) or lies below it.
bool IsSameOrBelow(int folder, dev_t dev, ino_t ino)
{
    TFd current(sys::OpenAt(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (int depth = 0; current.Valid() && depth < kMaxDepth; ++depth) {
        struct stat here {
        }, up{};
        if (sys::FStat(current.Get(), &here) != 0)
            return false;
        if (here.st_dev == dev && here.st_ino == ino)
            return true;
        TFd parent(sys::OpenAt(current.Get(), "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!parent.Valid() || sys::FStat(parent.Get(), &up) != 0)
            return false;
        if (up.st_dev == here.st_dev && up.st_ino == here.st_ino)
            return false; // the root
        current = std::move(parent);
    }
    return false;
}

// One entry's name: not empty, no "/" and no NUL (which would end it early), not "." or "..".
bool IsPlainName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0)) &&
           name != QLatin1String(".") && name != QLatin1String("..");
}

bool NameExists(int dir, const QByteArray& name)
{
    struct stat st {
    };
    return sys::FStatAt(dir, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 || errno != ENOENT;
}

// The name an item takes in its destination folder, exactly. `Back`: an undo's move back
// to the name the item had (said so when that name is taken).
struct TNaming {
    QString Base;
    bool Back{false};
};

QString NameTaken(const TNaming& naming, const QString& destination)
{
    return naming.Back
               ? Tr("its old name \"%1\" is taken").arg(WithSlash(destination) + naming.Base)
               : Tr("its name \"%1\" was taken meanwhile")
                     .arg(WithSlash(destination) + naming.Base);
}

// Copies the source into `dest` under exactly the name `naming` gives, for the first step
// of a move: `record` holds the sources copied.
TShellResult CopyInto(const TSource& source, int dest, const QString& destination,
                      TFileOpsReport& report, TFileOpsProgress* progress, TEntryRecord* record,
                      const TNaming& naming)
{
    TTreeCopy copier(report, progress, false);
    TShellResult result;
    const QByteArray nameBytes = platform::EncodeFileName(naming.Base);
    if (!NameExists(dest, nameBytes)) {
        const TCopyOutcome outcome = copier.Copy(source.Parent.Get(), source.NameBytes, source.St,
                                                 dest, nameBytes, source.Path, record);
        if (outcome != TCopyOutcome::NameTaken) {
            if (outcome == TCopyOutcome::Done)
                result.Target = WithSlash(destination) + naming.Base;
            result.Items = copier.Items();
            result.Failures = report.Count();
            result.Stopped = copier.StopError();
            return result;
        }
    }
    report.Failed(source.Path, NameTaken(naming, destination));
    result.Failures = report.Count();
    return result;
}

// A copy of the source into `dest`, asking `ask` where its name, or the name of an entry
// of a folder merged into, is taken.
TShellResult CopyAsking(const TSource& source, int dest, const QString& destination,
                        TFileOpsReport& report, TFileOpsProgress* progress, bool useTrash,
                        const TCollisionAsk& ask, const QString& name)
{
    TTreeCopy copier(report, progress, true);
    copier.RecordCopies();
    TPlacer placer(report, progress, ask, useTrash, &copier);
    placer.Place(source.Parent.Get(), source.NameBytes, source.St, source.Path, dest, destination,
                 name);
    TShellResult result;
    result.Items = copier.Items();
    result.Failures = report.Count();
    result.Stopped = copier.StopError();
    result.Skipped = placer.Skipped();
    result.Parts = placer.Parts();
    if (result.Parts.size() == 1 && result.Parts.front().Source == source.Path) {
        result.Target = result.Parts.front().Target;
        result.Copied = result.Parts.front().Copied;
    }
    return result;
}

// Removes a copy that must not stay; failures to do so are reported too.
void Discard(int dest, const QString& target, const TShellFailureHandler& onFailure,
             TShellResult& result)
{
    TFileOpsReport report(onFailure, Tr("Cannot remove the incomplete copy \"%1\": %2."));
    int removed = 0;
    RemoveTree(dest, platform::EncodeFileName(target.mid(target.lastIndexOf(QLatin1Char('/')) + 1)),
               target, report, removed);
    result.Failures += report.Count();
    result.Items = 0;
    result.Target.clear();
}

// Removes the originals of a move whose copy was verified: exactly the entries recorded,
// each only while it is as it was copied. What stays is said, entry by entry.
void RemoveOriginals(int dir, const TEntryRecord& record, const QString& path,
                     const TShellFailureHandler& onFailure, TShellResult& result,
                     const TFileOpsProgress* progress)
{
    FileOpsFault(TFileOpsStep::BeforeRemoveSources, path);
    TFileOpsReport report(onFailure, Tr("\"%1\" stays where it was: %2."));
    int removed = 0;
    RemoveRecorded(dir, record, path, report, removed, progress);
    result.Failures += report.Count();
}

// A move between file systems: copy, compare, and only once the copy is on the disk
// delete the original (through `removals` when given, else at once).
TShellResult MoveAcross(const TSource& source, int dest, const QString& destination,
                        const TShellFailureHandler& onFailure, TFileOpsProgress* progress,
                        const TNaming& naming, TMoveRemovals* removals)
{
    // A folder's entries are reported one by one; say what became of the folder as a whole.
    const QString suffix =
        S_ISDIR(source.St.st_mode) ? Tr(" \"%1\" stays where it was.").arg(source.Path) : QString();
    TFileOpsReport copyReport(onFailure, Tr("Cannot move \"%1\": %2."), suffix);
    // A move counts as one item, whatever its tree holds.
    TEntryRecord record;
    TShellResult result =
        CopyInto(source, dest, destination, copyReport, progress, &record, naming);
    if (result.Target.isEmpty())
        return result;
    // A cancelled copy may look complete so far but lacks entries: the original stays.
    if (result.Failures > 0 || CancelRequested(progress)) {
        Discard(dest, result.Target, onFailure, result);
        return result;
    }
    const int fault = FileOpsFault(TFileOpsStep::BeforeVerify, result.Target);
    QString difference;
    const QByteArray targetName =
        platform::EncodeFileName(result.Target.mid(WithSlash(destination).size()));
    if (fault || !SameAsRecorded(source.Parent.Get(), record, dest, targetName, source.Path,
                                 difference, progress)) {
        if (!fault && difference.isEmpty()) { // cancelled while comparing: both stay
            TFileOpsReport report(onFailure, Tr("\"%1\" was not moved: %2."));
            report.Failed(source.Path, Tr("the move was cancelled while its copy was compared; "
                                          "the original and its copy \"%1\" are both kept")
                                           .arg(result.Target));
            result.Failures += report.Count();
            result.Items = 0; // nothing moved
            result.Target.clear();
            return result;
        }
        TFileOpsReport report(onFailure, Tr("Cannot move \"%1\": %2."));
        report.Failed(source.Path, fault ? ErrorText(fault)
                                         : Tr("its copy differs from it at \"%1\"; the original "
                                              "is kept")
                                               .arg(difference));
        result.Failures += report.Count();
        Discard(dest, result.Target, onFailure, result);
        return result;
    }
    if (progress)
        progress->AddItem();
    TMoveRemovals now;
    TMoveRemovals& originals = removals ? *removals : now;
    originals.Add(source.Parent.Get(), std::move(record), source.Path, dest, destination,
                  result.Target, onFailure);
    if (!removals)
        result.Failures += now.Finish();
    return result;
}

QString VerbPattern(TShellFunction function)
{
    switch (function) {
    case TShellFunction::Move:
        return Tr("Cannot move \"%1\": %2.");
    case TShellFunction::Copy:
        return Tr("Cannot copy \"%1\": %2.");
    case TShellFunction::Delete:
        break;
    }
    return Tr("Cannot delete \"%1\": %2.");
}

TShellResult MoveInto(const TSource& source, int dest, const QString& destination,
                      const TShellFailureHandler& onFailure, TFileOpsReport& report,
                      TFileOpsProgress* progress, const TNaming& naming, TMoveRemovals* removals)
{
    const QByteArray nameBytes = platform::EncodeFileName(naming.Base);
    int error = NameExists(dest, nameBytes) ? EEXIST : 0;
    if (!error)
        error = FileOpsFault(TFileOpsStep::RenameItem, source.Path);
    if (!error)
        error = RenameNoReplace(source.Parent.Get(), source.NameBytes.constData(), dest,
                                nameBytes.constData());
    if (error == 0) {
        if (progress)
            progress->AddItem();
        return {1, 0, WithSlash(destination) + naming.Base};
    }
    if (error == EEXIST) {
        report.Failed(source.Path, NameTaken(naming, destination));
        return {0, report.Count(), {}};
    }
    if (error == EXDEV)
        return MoveAcross(source, dest, destination, onFailure, progress, naming, removals);
    report.Failed(source.Path, error);
    TShellResult failed{0, report.Count(), {}};
    failed.Stopped = TargetIsFullOrReadOnly(error) ? error : 0;
    return failed;
}

// A move of the source into `dest`, asking `ask` where a name is taken (see CopyAsking).
TShellResult MoveAsking(const TSource& source, int dest, const QString& destination,
                        const TShellFailureHandler& onFailure, TFileOpsReport& report,
                        TFileOpsProgress* progress, TMoveRemovals* removals, bool useTrash,
                        const TCollisionAsk& ask, const QString& name)
{
    struct stat parent {
    }, target{};
    // A move into its own folder is a rename when it is given a new name, else nothing.
    if (name.isEmpty() && sys::FStat(source.Parent.Get(), &parent) == 0 &&
        sys::FStat(dest, &target) == 0 && parent.st_dev == target.st_dev &&
        parent.st_ino == target.st_ino) {
        report.Failed(source.Path, Tr("it is in that folder already"));
        return {0, report.Count(), {}};
    }
    const TPlacer::TMoveOne moveOne = [&](int srcDir, const QByteArray& name, const struct stat& st,
                                          const QString& path, int dstDir, const QString& dstFolder,
                                          const QString& newName) {
        TSource item;
        item.Path = path;
        item.Name = platform::DecodeFileName(name);
        item.NameBytes = name;
        item.Parent = TFd(sys::Duplicate(srcDir));
        item.St = st;
        TFileOpsReport own(onFailure, VerbPattern(TShellFunction::Move));
        return MoveInto(item, dstDir, dstFolder, onFailure, own, progress, {newName}, removals);
    };
    TPlacer placer(report, progress, ask, useTrash, nullptr, moveOne);
    placer.Place(source.Parent.Get(), source.NameBytes, source.St, source.Path, dest, destination,
                 name);
    TShellResult result;
    result.Items = placer.Moved();
    result.Failures = report.Count() + placer.MoveFailures();
    result.Stopped = placer.Stopped();
    result.Skipped = placer.Skipped();
    result.Parts = placer.Parts();
    if (result.Parts.size() == 1 && result.Parts.front().Source == source.Path)
        result.Target = result.Parts.front().Target;
    return result;
}

TShellResult DeleteItem(const TSource& source, bool useRecycleBin,
                        const TShellFailureHandler& onFailure, TFileOpsReport& report,
                        TFileOpsProgress* progress)
{
    if (useRecycleBin) {
        QString trashed;
        const QString reason = MoveToTrash(source.Path, &trashed);
        if (reason.isEmpty()) {
            if (progress)
                progress->AddItem();
            return {1, 0, trashed};
        }
        TFileOpsReport trashReport(onFailure, Tr("Cannot move \"%1\" to the trash: %2. It was "
                                                 "not deleted."));
        trashReport.Failed(source.Path, reason);
        return {0, trashReport.Count(), {}};
    }
    int removed = 0;
    RemoveTree(source.Parent.Get(), source.NameBytes, source.Path, report, removed, progress);
    return {removed, report.Count(), {}};
}

} // namespace

TShellResult ShellFileOperation(TShellFunction function, const QString& source,
                                const QString& destination, bool useRecycleBin,
                                const TShellFailureHandler& onFailure, TFileOpsProgress* progress,
                                TMoveRemovals* removals, const TCollisionAsk& ask,
                                const QString& name)
{
    TFileOpsReport report(onFailure, VerbPattern(function));
    if (CancelRequested(progress))
        return {};
    if (progress)
        progress->SetCurrent(source);
    TSource item;
    if (!OpenSource(source, item, report))
        return {0, report.Count(), {}};
    if (function == TShellFunction::Delete)
        return DeleteItem(item, useRecycleBin, onFailure, report, progress);

    TFd dest(destination.startsWith(QLatin1Char('/'))
                 ? sys::Open(platform::EncodeFileName(destination).constData(),
                             O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                 : -1);
    if (!dest.Valid()) {
        const QString why =
            destination.startsWith(QLatin1Char('/')) ? ErrorText(errno) : Tr("not a full path");
        report.Failed(
            item.Path,
            Tr("the destination folder \"%1\" cannot be used (%2)").arg(destination, why));
        return {0, report.Count(), {}};
    }
    if (S_ISDIR(item.St.st_mode) && IsSameOrBelow(dest.Get(), item.St.st_dev, item.St.st_ino)) {
        report.Failed(item.Path,
                      Tr("the destination folder is the folder itself or lies inside it"));
        return {0, report.Count(), {}};
    }
    // A new name is one entry of the destination, never a path leading out of it.
    if (!name.isEmpty() && !IsPlainName(name)) {
        report.Failed(item.Path, Tr("\"%1\" is not a name").arg(name));
        return {0, report.Count(), {}};
    }
    if (function == TShellFunction::Copy)
        return CopyAsking(item, dest.Get(), destination, report, progress, useRecycleBin, ask,
                          name);
    return MoveAsking(item, dest.Get(), destination, onFailure, report, progress, removals,
                      useRecycleBin, ask, name);
}

TShellResult RemoveRecordedItem(const QString& path, const TEntryRecord& record,
                                const TShellFailureHandler& onFailure,
                                const TFileOpsProgress* progress)
{
    TFileOpsReport report(onFailure, VerbPattern(TShellFunction::Delete));
    TSource item;
    if (!OpenSource(path, item, report))
        return {0, report.Count(), {}};
    if (item.NameBytes != record.Name) {
        report.Failed(item.Path, Tr("it is not the entry that was recorded"));
        return {0, report.Count(), {}};
    }
    TShellResult result;
    RemoveOriginals(item.Parent.Get(), record, item.Path, onFailure, result, progress);
    result.Items = result.Failures == 0 ? 1 : 0;
    return result;
}

namespace
{

bool IsEmptyFolder(const QByteArray& path)
{
    const TFd folder(sys::Open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    std::vector<QByteArray> names;
    return folder.Valid() && ReadDirectoryNames(folder.Get(), names) == 0 && names.empty();
}

// Whether `path` is there to be taken back; reports it when it is gone.
bool StillThere(const QString& path, TFileOpsReport& report)
{
    struct stat st {
    };
    if (sys::LStat(platform::EncodeFileName(path).constData(), &st) == 0)
        return true;
    if (errno == ENOENT)
        report.Failed(path, Tr("it is gone"));
    else
        report.Failed(path, errno);
    return false;
}

} // namespace

TShellResult MoveBack(const QString& from, const TEntryRecord& identity, const QString& to,
                      const TShellFailureHandler& onFailure, TFileOpsProgress* progress,
                      TMoveRemovals* removals)
{
    TFileOpsReport report(onFailure, Tr("\"%1\" was not put back: %2."));
    if (CancelRequested(progress))
        return {};
    if (progress)
        progress->SetCurrent(from);
    TSource item;
    if (!StillThere(from, report) || !OpenSource(from, item, report))
        return {0, report.Count(), {}};
    if (item.NameBytes != identity.Name || !identity.Matches(item.St)) {
        report.Failed(item.Path, Tr("it changed since"));
        return {0, report.Count(), {}};
    }
    const qsizetype slash = to.lastIndexOf(QLatin1Char('/'));
    const QString folder = to.left(slash + 1), name = to.mid(slash + 1);
    TFd dest(slash >= 0 && to.startsWith(QLatin1Char('/')) && !name.isEmpty()
                 ? sys::Open(platform::EncodeFileName(folder).constData(),
                             O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                 : -1);
    if (!dest.Valid()) {
        report.Failed(item.Path, errno == ENOENT ? Tr("its old folder \"%1\" is gone").arg(folder)
                                                 : ErrorText(errno));
        return {0, report.Count(), {}};
    }
    if (S_ISDIR(item.St.st_mode) && IsSameOrBelow(dest.Get(), item.St.st_dev, item.St.st_ino)) {
        report.Failed(item.Path, Tr("its old folder lies inside it now"));
        return {0, report.Count(), {}};
    }
    return MoveInto(item, dest.Get(), folder, onFailure, report, progress, {name, true}, removals);
}

TShellResult RemoveCopy(const QString& path, const TEntryRecord& record,
                        const TShellFailureHandler& onFailure, TFileOpsProgress* progress)
{
    TFileOpsReport report(onFailure, Tr("The copy \"%1\" stays: %2."));
    if (CancelRequested(progress))
        return {};
    if (progress)
        progress->SetCurrent(path);
    TSource item;
    if (!StillThere(path, report) || !OpenSource(path, item, report))
        return {0, report.Count(), {}};
    if (item.NameBytes != record.Name) {
        report.Failed(item.Path, Tr("it is not the entry that was recorded"));
        return {0, report.Count(), {}};
    }
    int removed = 0;
    const bool gone =
        RemoveRecorded(item.Parent.Get(), record, item.Path, report, removed, progress);
    if (gone && progress)
        progress->AddItem();
    return {gone ? 1 : 0, report.Count(), {}};
}

QString RemoveMadeFolder(const QString& path, const TEntryRecord& identity)
{
    const QByteArray bytes = platform::EncodeFileName(path);
    struct stat st {
    };
    if (sys::LStat(bytes.constData(), &st) != 0)
        return errno == ENOENT ? Tr("it is gone") : ErrorText(errno);
    if (!identity.Matches(st))
        return Tr("another entry has its name now");
    // Entries made in it, even when removed again, leave their mark: it is no longer the
    // folder as it was made.
    if (st.st_mtim.tv_sec != identity.Modified.tv_sec ||
        st.st_mtim.tv_nsec != identity.Modified.tv_nsec)
        return IsEmptyFolder(bytes) ? Tr("it changed since it was made") : Tr("it is not empty");
    if (sys::RmDir(bytes.constData()) == 0)
        return {};
    return errno == ENOTEMPTY || errno == EEXIST ? Tr("it is not empty") : ErrorText(errno);
}

bool MoveFile(const QString& from, const QString& to, QString* reason)
{
    const int error = !from.startsWith(QLatin1Char('/')) || !to.startsWith(QLatin1Char('/'))
                          ? EINVAL
                          : RenameNoReplace(AT_FDCWD, platform::EncodeFileName(from).constData(),
                                            AT_FDCWD, platform::EncodeFileName(to).constData());
    if (error != 0 && reason)
        *reason = error == EEXIST ? QStringLiteral("an entry of that name exists already")
                                  : ErrorText(error);
    return error == 0;
}

void CreateDirectory(const QString& path)
{
    if (!path.startsWith(QLatin1Char('/')))
        throw EInOutError(EINVAL);
    if (sys::MkDir(platform::EncodeFileName(path).constData(), 0777) != 0)
        throw EInOutError(errno);
}

} // namespace platform
