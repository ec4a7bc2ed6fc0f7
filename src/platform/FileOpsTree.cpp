#include "platform/FileOpsTree.h"

#include "platform/FileOpsFaults.h"

#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform
{

namespace
{

constexpr size_t kCompareChunk = 1 << 20;

// Reads up to `size` bytes, fewer only at the end of the file; -1 on error.
ssize_t ReadFull(int fd, char* data, size_t size)
{
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += size_t(n);
    }
    return ssize_t(done);
}

bool SameFileData(int aDir, const QByteArray& aName, int bDir, const QByteArray& bName)
{
    const TFd a(::openat(aDir, aName.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    const TFd b(::openat(bDir, bName.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!a.Valid() || !b.Valid())
        return false;
    const std::unique_ptr<char[]> bufA(new char[kCompareChunk]);
    const std::unique_ptr<char[]> bufB(new char[kCompareChunk]);
    for (;;) {
        const ssize_t na = ReadFull(a.Get(), bufA.get(), kCompareChunk);
        const ssize_t nb = ReadFull(b.Get(), bufB.get(), kCompareChunk);
        if (na < 0 || na != nb || std::memcmp(bufA.get(), bufB.get(), size_t(na)) != 0)
            return false;
        if (na == 0)
            return true;
    }
}

bool LinkTarget(int dir, const QByteArray& name, QByteArray& target)
{
    target.resize(4096);
    for (;;) {
        const ssize_t n = ::readlinkat(dir, name.constData(), target.data(), size_t(target.size()));
        if (n < 0)
            return false;
        if (n < target.size()) {
            target.truncate(n);
            return true;
        }
        target.resize(target.size() * 2);
    }
}

bool SameFolder(int aDir, const QByteArray& aName, int bDir, const QByteArray& bName,
                const QString& path, QString& difference)
{
    const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    const TFd a(::openat(aDir, aName.constData(), flags));
    const TFd b(::openat(bDir, bName.constData(), flags));
    std::vector<QByteArray> aNames, bNames;
    if (!a.Valid() || !b.Valid() || ReadDirectoryNames(a.Get(), aNames) != 0 ||
        ReadDirectoryNames(b.Get(), bNames) != 0) {
        difference = path;
        return false;
    }
    std::sort(aNames.begin(), aNames.end());
    std::sort(bNames.begin(), bNames.end());
    if (aNames != bNames) {
        difference = path;
        return false;
    }
    for (const QByteArray& child : aNames)
        if (!SameTree(a.Get(), child, b.Get(), child, ChildPath(path, child), difference))
            return false;
    return true;
}

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
    if (::fstatat(dir, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        report.Failed(path, errno);
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        if (const int fault = FileOpsFault(TFileOpsStep::RemoveEntry, path)) {
            report.Failed(path, fault);
            return false;
        }
        if (::unlinkat(dir, name.constData(), 0) != 0) {
            report.Failed(path, errno);
            return false;
        }
        Removed(removed, progress);
        return true;
    }
    TFd folder(::openat(dir, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
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
    if (::unlinkat(dir, name.constData(), AT_REMOVEDIR) != 0) {
        report.Failed(path, errno);
        return false;
    }
    Removed(removed, progress);
    return true;
}

bool SameTree(int aDir, const QByteArray& aName, int bDir, const QByteArray& bName,
              const QString& path, QString& difference)
{
    struct stat a {
    }, b{};
    bool same = ::fstatat(aDir, aName.constData(), &a, AT_SYMLINK_NOFOLLOW) == 0 &&
                ::fstatat(bDir, bName.constData(), &b, AT_SYMLINK_NOFOLLOW) == 0 &&
                (a.st_mode & S_IFMT) == (b.st_mode & S_IFMT);
    if (same && S_ISDIR(a.st_mode))
        return SameFolder(aDir, aName, bDir, bName, path, difference);
    if (same && S_ISREG(a.st_mode))
        same = a.st_size == b.st_size && SameFileData(aDir, aName, bDir, bName);
    else if (same && S_ISLNK(a.st_mode)) {
        QByteArray ta, tb;
        same = LinkTarget(aDir, aName, ta) && LinkTarget(bDir, bName, tb) && ta == tb;
    } else if (same && (S_ISCHR(a.st_mode) || S_ISBLK(a.st_mode)))
        same = a.st_rdev == b.st_rdev;
    if (!same)
        difference = path;
    return same;
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

} // namespace platform
