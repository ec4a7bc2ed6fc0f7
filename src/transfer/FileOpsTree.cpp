#include "transfer/FileOpsTree.h"

#include "platform/FileNames.h"
#include "platform/FileOpsFaults.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>

#include <cerrno>
#include <vector>

namespace platform
{

namespace
{

void Removed(int& removed, TFileOpsProgress* progress)
{
    ++removed;
    if (progress)
        progress->AddItem();
}

} // namespace

bool RemoveTree(int dir, const QByteArray& name, const QString& path, TFileOpsReport& report,
                int& removed, TFileOpsProgress* progress)
{
    struct stat st {
    };
    if (sys::FStatAt(dir, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        report.Failed(path, errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        if (const int fault = FileOpsFault(TFileOpsStep::RemoveEntry, path)) {
            report.Failed(path, fault);
            return false;
        }
        if (sys::UnlinkAt(dir, name.constData(), 0) != 0) {
            report.Failed(path, errno);
            return false;
        }
        Removed(removed, progress);
        return true;
    }
    TFd folder(sys::OpenAt(dir, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    std::vector<QByteArray> names;
    const int error = folder.Valid() ? ReadDirectoryNames(folder.Get(), names) : errno;
    if (error) {
        report.Failed(path, error);
        return false;
    }
    bool all = true;
    for (const QByteArray& child : names) {
        if (CancelRequested(progress))
            return false; // stopped by the user: the folder stays, without a message
        all = RemoveTree(folder.Get(), child, ChildPath(path, child), report, removed, progress) &&
              all;
    }
    folder.Close();
    if (!all)
        return false;
    if (const int fault = FileOpsFault(TFileOpsStep::RemoveEntry, path)) {
        report.Failed(path, fault);
        return false;
    }
    if (sys::UnlinkAt(dir, name.constData(), AT_REMOVEDIR) != 0) {
        report.Failed(path, errno);
        return false;
    }
    Removed(removed, progress);
    return true;
}

void CountTrees(const QStringList& paths, TFileOpsProgress& progress, const std::atomic<bool>& stop)
{
    int items = 0;
    qint64 bytes = 0;
    for (const QString& path : paths) {
        const QFileInfo top(path);
        ++items;
        bytes += top.isFile() && !top.isSymLink() ? top.size() : 0;
        if (!top.isDir() || top.isSymLink())
            continue;
        QDirIterator it(path, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            if (stop.load() || progress.Cancelled())
                return; // cut short: partial totals would mislead
            const QFileInfo info = it.nextFileInfo();
            ++items;
            bytes += info.isFile() && !info.isSymLink() ? info.size() : 0;
        }
    }
    if (!stop.load())
        progress.SetTotals(items, bytes);
}

TTreeMeasure MeasureTrees(const QStringList& folders, qint64 maxEntries, qint64 maxMs)
{
    TTreeMeasure measure;
    QElapsedTimer clock;
    clock.start();
    qint64 entries = 0;
    // Byte paths, so that names which are not UTF-8 are walked as they are on the disk.
    std::vector<QByteArray> pending;
    for (const QString& folder : folders)
        pending.push_back(EncodeFileName(folder));
    while (!pending.empty()) {
        const QByteArray folder = std::move(pending.back());
        pending.pop_back();
        DIR* dir = sys::OpenDir(folder.constData());
        if (!dir) {
            measure.Complete = false; // unreadable: what it holds is not known
            continue;
        }
        while (const dirent* entry = sys::ReadDir(dir)) {
            const QByteArray name(entry->d_name);
            if (name == "." || name == "..")
                continue;
            if (entries >= maxEntries || clock.elapsed() > maxMs) {
                sys::CloseDir(dir);
                measure.Complete = false;
                return measure;
            }
            ++entries;
            struct stat st {
            };
            if (sys::FStatAt(sys::DirFd(dir), name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
                measure.Complete = false;
                continue;
            }
            if (S_ISDIR(st.st_mode)) {
                pending.push_back(folder + '/' + name);
                continue;
            }
            ++measure.Files;
            measure.Bytes += S_ISREG(st.st_mode) ? qint64(st.st_size) : 0;
        }
        sys::CloseDir(dir);
    }
    return measure;
}

} // namespace platform
