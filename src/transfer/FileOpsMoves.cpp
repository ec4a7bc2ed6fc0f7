#include "transfer/FileOpsMoves.h"

#include "platform/FileOpsFaults.h"

#include <QCoreApplication>
#include <cerrno>

namespace platform
{

namespace
{

// Source folders held open at most; beyond them the waiting originals are finished first.
constexpr size_t kMaxParents = 64;

QString Tr(const char* text)
{
    return QCoreApplication::translate("ShellFileOperation", text);
}

TFd Duplicate(int fd)
{
    return TFd(sys::Duplicate(fd));
}

} // namespace

void TMoveRemovals::Add(int parent, TEntryRecord record, const QString& path, int target,
                        const QString& targetPath, const QString& copy,
                        const TShellFailureHandler& onFailure)
{
    struct stat folder {
    }, into{};
    sys::FStat(parent, &folder);
    sys::FStat(target, &into);
    std::shared_ptr<const TFd> held;
    for (const TParent& known : m_parents)
        if (known.Device == folder.st_dev && known.Inode == folder.st_ino)
            held = known.Folder;
    if (!held) {
        if (m_parents.size() >= kMaxParents)
            Finish();
        held = std::make_shared<const TFd>(Duplicate(parent));
        m_parents.push_back({folder.st_dev, folder.st_ino, held});
    }
    bool knownTarget = false;
    for (const TTarget& known : m_targets)
        knownTarget = knownTarget || known.Device == into.st_dev;
    if (!knownTarget)
        m_targets.push_back({into.st_dev, Duplicate(target), targetPath});
    m_originals.push_back({held, std::move(record), path, copy, into.st_dev, onFailure});
}

int TMoveRemovals::Finish()
{
    for (TTarget& target : m_targets) {
        target.Error = FileOpsFault(TFileOpsStep::FlushTarget, target.Path);
        if (!target.Error && (!target.Folder.Valid() || sys::SyncFs(target.Folder.Get()) != 0))
            target.Error = errno;
    }
    int messages = 0;
    for (const TOriginal& original : m_originals) {
        TFileOpsReport report(original.OnFailure, Tr("\"%1\" stays where it was: %2."));
        int error = 0;
        for (const TTarget& target : m_targets)
            error = target.Device == original.TargetDevice ? target.Error : error;
        if (error) {
            report.Failed(original.Path, Tr("its copy \"%1\" may not be on the disk (%2); both "
                                            "are kept")
                                             .arg(original.Copy, ErrorText(error)));
        } else if (!original.Parent->Valid()) {
            report.Failed(original.Path, EBADF);
        } else {
            FileOpsFault(TFileOpsStep::BeforeRemoveSources, original.Path);
            int removed = 0;
            RemoveRecorded(original.Parent->Get(), original.Record, original.Path, report, removed);
        }
        messages += report.Count();
    }
    m_originals.clear();
    m_targets.clear();
    m_parents.clear();
    return messages;
}

} // namespace platform
