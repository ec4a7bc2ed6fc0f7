#include "platform/FolderScan.h"

#include "platform/FileNames.h"
#include "platform/FileOpsFaults.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace platform
{

TSeenEntry TSeenEntry::Of(const struct stat& st)
{
    return {quint64(st.st_dev),        quint64(st.st_ino),         qint64(st.st_size),
            qint64(st.st_mtim.tv_sec), qint32(st.st_mtim.tv_nsec), quint32(st.st_mode)};
}

struct stat TSeenEntry::ToStat() const
{
    struct stat st {
    };
    st.st_dev = dev_t(Device);
    st.st_ino = ino_t(Inode);
    st.st_size = off_t(Size);
    st.st_mtim.tv_sec = time_t(Seconds);
    st.st_mtim.tv_nsec = Nanoseconds;
    st.st_mode = mode_t(Mode);
    return st;
}

namespace
{

class TScanner final
{
public:
    TScanner(TFolderScan& scan, const QString& root, bool subfolders, TFileOpsProgress* progress)
        : m_scan(scan), m_root(root.endsWith('/') ? root : root + '/'), m_subfolders(subfolders),
          m_progress(progress)
    {
    }

    // Reads the open folder `fd` (taken over) whose entries' paths begin with `prefix`.
    // Returns 0 or the errno that kept it from being read.
    int Read(int fd, const QByteArray& prefix, int depth)
    {
        DIR* dir = ::fdopendir(fd);
        if (!dir) {
            const int error = errno;
            ::close(fd);
            return error;
        }
        int error = 0;
        for (;;) {
            if (CancelRequested(m_progress)) {
                m_scan.Cancelled = true;
                break;
            }
            errno = 0;
            const dirent* d = ::readdir(dir);
            if (!d) {
                error = errno;
                break;
            }
            const char* name = d->d_name;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
                continue;
            struct stat st {
            };
            if (::fstatat(::dirfd(dir), name, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue; // gone since readdir
            TScannedEntry entry;
            entry.Path.reserve(prefix.size() + int(std::strlen(name)));
            entry.Path.append(prefix).append(name);
            entry.Seen = TSeenEntry::Of(st);
            entry.Depth = depth;
            if (m_progress)
                m_progress->AddItem();
            const bool enter = m_subfolders && S_ISDIR(st.st_mode);
            QByteArray path = enter ? entry.Path : QByteArray();
            m_scan.Entries.push_back(std::move(entry));
            if (!enter)
                continue;
            const size_t index = m_scan.Entries.size() - 1;
            const int fault =
                FileOpsFault(TFileOpsStep::OpenDirectory, m_root + DecodeFileName(path));
            const int child = fault ? -1
                                    : ::openat(::dirfd(dir), name,
                                               O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (child < 0 || Read(child, path + '/', depth + 1) != 0) {
                m_scan.Entries[index].Unread = true;
                ++m_scan.UnreadFolders;
            }
            if (m_scan.Cancelled)
                break;
        }
        ::closedir(dir);
        return error;
    }

private:
    TFolderScan& m_scan;
    QString m_root;
    bool m_subfolders;
    TFileOpsProgress* m_progress;
};

} // namespace

TFolderScan ScanFolder(const QString& folder, bool subfolders, TFileOpsProgress* progress)
{
    TFolderScan scan;
    const int fd = ::open(EncodeFileName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        scan.Error = errno;
        return scan;
    }
    scan.Error = TScanner(scan, folder, subfolders, progress).Read(fd, {}, 0);
    return scan;
}

} // namespace platform
