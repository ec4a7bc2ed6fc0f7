#include "transfer/FileOpsPlace.h"

#include "platform/FileNames.h"
#include "transfer/FileOpsParts.h"

#include <QCoreApplication>
#include <cerrno>
#include <memory>

namespace platform
{

namespace
{

// Rename answers taken in a row for one item before it is given up (each new name was
// taken too).
constexpr int kMaxRounds = 100;

QString Tr(const char* text)
{
    return QCoreApplication::translate("ShellFileOperation", text);
}

QString Join(const QString& folder, const QString& name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

} // namespace

TPlacer::TPlacer(TFileOpsReport& report, TFileOpsProgress* progress, const TCollisionAsk& ask,
                 bool useTrash, TTreeCopy* copier, TMoveOne moveOne)
    : m_report(report), m_progress(progress), m_ask(ask), m_useTrash(useTrash), m_copier(copier),
      m_moveOne(std::move(moveOne))
{
}

int TPlacer::Stopped() const
{
    return m_copier ? m_copier->StopError() : m_stopped;
}

bool TPlacer::Cancelled() const
{
    return m_cancelled || CancelRequested(m_progress);
}

void TPlacer::Place(int srcDir, const QByteArray& name, const struct stat& st, const QString& path,
                    int dstDir, const QString& dstFolder, const QString& targetName)
{
    QString target = targetName.isEmpty() ? DecodeFileName(name) : targetName;
    for (int round = 0; round < kMaxRounds && !Cancelled() && !Stopped(); ++round) {
        const QByteArray targetBytes = EncodeFileName(target);
        const QString existing = Join(dstFolder, target);
        struct stat old {
        };
        if (sys::FStatAt(dstDir, targetBytes.constData(), &old, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT) {
                m_report.Failed(path, errno);
                return;
            }
            if (PlaceFree(srcDir, name, st, path, dstDir, dstFolder, target))
                return;
            continue; // taken meanwhile: asked about like any taken name
        }
        const bool itself = old.st_dev == st.st_dev && old.st_ino == st.st_ino;
        if (!itself && S_ISDIR(st.st_mode) && S_ISDIR(old.st_mode)) {
            Merge(srcDir, name, path, dstDir, targetBytes, existing);
            return;
        }
        const TCollision collision = DescribeCollision(path, st, existing, old, dstDir);
        if (!m_ask) {
            m_report.Failed(path, Tr("its name is taken by \"%1\"").arg(existing));
            return;
        }
        const TCollisionAnswer answer = m_ask(collision);
        switch (answer.Choice) {
        case TCollisionChoice::Cancel:
            m_cancelled = true;
            if (m_progress)
                m_progress->Cancel();
            return;
        case TCollisionChoice::Skip:
            ++m_skipped;
            return;
        case TCollisionChoice::Rename:
            if (!UsableName(answer.Name)) {
                m_report.Failed(path,
                                answer.Name.isEmpty()
                                    ? Tr("its name is taken, and no free name was found")
                                    : Tr("\"%1\" cannot be the name of a file").arg(answer.Name));
                return;
            }
            target = answer.Name;
            continue;
        case TCollisionChoice::Replace:
            // Never over itself, a folder, or with a folder.
            if (!collision.CanReplace) {
                ++m_skipped;
                return;
            }
            Replace(srcDir, name, st, path, dstDir, dstFolder, targetBytes, existing, old);
            return;
        }
    }
}

bool TPlacer::PlaceFree(int srcDir, const QByteArray& name, const struct stat& st,
                        const QString& path, int dstDir, const QString& dstFolder,
                        const QString& target)
{
    if (m_moveOne) {
        const TShellResult moved = m_moveOne(srcDir, name, st, path, dstDir, dstFolder, target);
        Count(moved);
        if (!moved.Target.isEmpty())
            Add({path, moved.Target});
        return true;
    }
    auto made = std::make_shared<TEntryRecord>();
    const TCopyOutcome outcome =
        m_copier->Copy(srcDir, name, st, dstDir, EncodeFileName(target), path, made.get());
    if (outcome == TCopyOutcome::NameTaken)
        return false;
    if (outcome == TCopyOutcome::Done)
        Add({path, Join(dstFolder, target), std::move(made)});
    return true;
}

void TPlacer::Add(TShellPart part)
{
    part.InMerged = m_depth > 0;
    m_parts.push_back(std::move(part));
}

void TPlacer::Count(const TShellResult& moved)
{
    m_moved += moved.Items;
    m_moveFailures += moved.Failures;
    if (moved.Stopped)
        m_stopped = moved.Stopped;
}

void TPlacer::Merge(int srcDir, const QByteArray& name, const QString& path, int dstDir,
                    const QByteArray& target, const QString& existing)
{
    const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    const TFd src(sys::OpenAt(srcDir, name.constData(), flags));
    if (!src.Valid()) {
        m_report.Failed(path, errno);
        return;
    }
    const TFd dst(sys::OpenAt(dstDir, target.constData(), flags));
    if (!dst.Valid()) {
        m_report.Failed(
            path, Tr("the folder \"%1\" cannot be opened (%2)").arg(existing, ErrorText(errno)));
        return;
    }
    std::vector<QByteArray> names;
    if (const int error = ReadDirectoryNames(src.Get(), names)) {
        m_report.Failed(path, error);
        return;
    }
    for (const QByteArray& child : names) {
        if (Cancelled() || Stopped())
            return;
        struct stat st {
        };
        const QString childPath = ChildPath(path, child);
        if (sys::FStatAt(src.Get(), child.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            m_report.Failed(childPath, errno);
            continue;
        }
        ++m_depth;
        Place(src.Get(), child, st, childPath, dst.Get(), existing);
        --m_depth;
    }
    // A move leaves no empty source folder behind; one still holding entries (skipped,
    // failed, or waiting to be removed after their copies went to another disk) stays.
    if (m_moveOne)
        sys::UnlinkAt(srcDir, name.constData(), AT_REMOVEDIR);
}

void TPlacer::Replace(int srcDir, const QByteArray& name, const struct stat& st,
                      const QString& path, int dstDir, const QString& dstFolder,
                      const QByteArray& target, const QString& existing, const struct stat& old)
{
    // The new one first takes a hidden name beside the old, which stays whole until the
    // new one is complete and checked.
    const QByteArray temp = PartFileName(target);
    TShellPart part{path, existing};
    TReplacedEntry replaced;
    if (m_moveOne) {
        const TShellResult moved =
            m_moveOne(srcDir, name, st, path, dstDir, dstFolder, DecodeFileName(temp));
        Count(moved);
        if (moved.Target.isEmpty())
            return; // said why; the old one is untouched
        const QString reason = PutOver(dstDir, temp, target, existing, old, m_useTrash, replaced);
        if (!reason.isEmpty()) {
            m_report.Failed(path, reason);
            TakeBack(srcDir, name, path, dstDir, dstFolder, temp, existing, S_ISDIR(st.st_mode));
            return;
        }
    } else {
        TEntryRecord made;
        if (m_copier->Copy(srcDir, name, st, dstDir, temp, path, &made) != TCopyOutcome::Done)
            return; // said why; the old one is untouched
        if (S_ISREG(st.st_mode) && !(made.HasCrc && FileHolds(dstDir, temp, made.Size, made.Crc))) {
            sys::UnlinkAt(dstDir, temp.constData(), 0);
            m_report.Failed(path, Tr("its copy does not read back as it was written, so "
                                     "\"%1\" was not replaced")
                                      .arg(existing));
            return;
        }
        const QString reason = PutOver(dstDir, temp, target, existing, old, m_useTrash, replaced);
        if (!reason.isEmpty()) {
            sys::UnlinkAt(dstDir, temp.constData(), 0);
            m_report.Failed(path, reason);
            return;
        }
        // As it is under its name now (a rename moves the change time).
        struct stat now {
        };
        sys::FStatAt(dstDir, target.constData(), &now, AT_SYMLINK_NOFOLLOW);
        auto copied = std::make_shared<TEntryRecord>(TEntryRecord::Of(target, now));
        if (made.HasCrc)
            copied->KeepContent(made.Crc, true);
        part.Copied = std::move(copied);
    }
    part.Trashed = replaced.Trashed;
    if (!replaced.Trashed.isEmpty())
        part.TrashedRecord = std::make_shared<TEntryRecord>(replaced.Record);
    part.ReplacedForGood = !m_useTrash;
    Add(std::move(part));
}

void TPlacer::TakeBack(int srcDir, const QByteArray& name, const QString& path, int dstDir,
                       const QString& dstFolder, const QByteArray& temp, const QString& existing,
                       bool folder)
{
    if (RenameNoReplace(dstDir, temp.constData(), srcDir, name.constData()) == 0) {
        --m_moved;
        return;
    }
    const QString free = FreeNumberedName(
        dstDir, DecodeFileName(EncodeFileName(existing.mid(existing.lastIndexOf('/') + 1))),
        folder);
    if (!free.isEmpty() &&
        RenameNoReplace(dstDir, temp.constData(), dstDir, EncodeFileName(free).constData()) == 0) {
        m_report.Failed(path, Tr("it was moved as \"%1\" instead").arg(Join(dstFolder, free)));
        Add({path, Join(dstFolder, free)});
        return;
    }
    m_report.Failed(path, Tr("it is kept as \"%1\"").arg(Join(dstFolder, DecodeFileName(temp))));
}

} // namespace platform
