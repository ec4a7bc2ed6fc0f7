#include "platform/FileContent.h"

#include "platform/FileNames.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace platform
{

std::optional<quint32> FileCrc32(const QString& path)
{
    const int fd = open(EncodeFileName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    uLong crc = crc32(0L, Z_NULL, 0);
    std::vector<Bytef> buffer(256 * 1024);
    for (;;) {
        const ssize_t n = read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        crc = crc32(crc, buffer.data(), uInt(n));
    }
    close(fd);
    return quint32(crc);
}

bool BeginsAsZip(const QString& path)
{
    const int fd = open(EncodeFileName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat st {
    };
    char head[4] = {};
    ssize_t n = -1;
    // Only a regular file is read: a FIFO or a device could block or never end.
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
        do
            n = read(fd, head, sizeof head);
        while (n < 0 && errno == EINTR);
    close(fd);
    return n == 4 && head[0] == 'P' && head[1] == 'K' &&
           ((head[2] == 3 && head[3] == 4) || (head[2] == 5 && head[3] == 6));
}

namespace
{

// False when `folder` cannot be read.
bool Walk(const QByteArray& folder, const QString& relative, std::vector<TTreeEntry>& entries)
{
    DIR* dir = opendir(folder.constData());
    if (!dir)
        return false;
    while (const dirent* e = readdir(dir)) {
        const QByteArray name(e->d_name);
        if (name == "." || name == "..")
            continue;
        const QByteArray path = folder + '/' + name;
        TTreeEntry entry;
        entry.Path = relative + DecodeFileName(name);
        struct stat link {
        }, st{};
        if (lstat(path.constData(), &link) == 0 && stat(path.constData(), &st) == 0) {
            if (S_ISREG(st.st_mode)) {
                entry.Kind = TTreeEntry::TKind::File;
                entry.Size = qint64(st.st_size);
            } else if (S_ISDIR(st.st_mode) && !S_ISLNK(link.st_mode)) {
                entry.Kind = TTreeEntry::TKind::Folder;
            }
        }
        const bool folderEntry = entry.Kind == TTreeEntry::TKind::Folder;
        entries.push_back(entry);
        const size_t index = entries.size() - 1;
        if (folderEntry && !Walk(path, entry.Path + '/', entries))
            entries[index].Kind = TTreeEntry::TKind::Other;
    }
    closedir(dir);
    return true;
}

} // namespace

std::optional<std::vector<TTreeEntry>> FolderTree(const QString& folder)
{
    std::vector<TTreeEntry> entries;
    QByteArray root = EncodeFileName(folder);
    while (root.size() > 1 && root.endsWith('/'))
        root.chop(1);
    if (!Walk(root, QString(), entries))
        return std::nullopt;
    return entries;
}

} // namespace platform
