#include "transfer/PackFiles.h"

#include "platform/FileNames.h"
#include "platform/FileOpsFaults.h"
#include "transfer/FileOpsParts.h"
#include "transfer/FileOpsSupport.h"

#include <algorithm>
#include <cerrno>

namespace platform
{

namespace
{

void ListEntry(const QByteArray& base, const QByteArray& relative, std::vector<TPackEntry>& entries,
               QStringList& problems)
{
    const QByteArray full = base + relative;
    struct stat st {
    };
    TPackEntry entry;
    entry.Bytes = relative;
    entry.Relative = DecodeFileName(relative);
    if (sys::LStat(full.constData(), &st) != 0) {
        problems
            << QStringLiteral("\"%1\" cannot be read: %2.").arg(entry.Relative, ErrorText(errno));
        return;
    }
    entry.Mode = st.st_mode;
    entry.Modified = st.st_mtim.tv_sec;
    if (S_ISREG(st.st_mode)) {
        entry.Kind = TPackEntry::TKind::File;
        entry.Size = st.st_size;
    } else if (S_ISLNK(st.st_mode)) {
        entry.Kind = TPackEntry::TKind::Link;
        QByteArray target(qMax<qsizetype>(st.st_size, 255) + 1, '\0');
        const ssize_t n = sys::ReadLink(full.constData(), target.data(), size_t(target.size()));
        if (n < 0) {
            problems << QStringLiteral("\"%1\" cannot be read: %2.")
                            .arg(entry.Relative, ErrorText(errno));
            return;
        }
        target.truncate(n);
        entry.LinkTarget = target;
    } else if (S_ISDIR(st.st_mode)) {
        entry.Kind = TPackEntry::TKind::Folder;
    }
    const bool folder = entry.Kind == TPackEntry::TKind::Folder;
    entries.push_back(std::move(entry));
    if (!folder)
        return;
    DIR* dir = sys::OpenDir(full.constData());
    if (!dir) {
        problems << QStringLiteral("The folder \"%1\" cannot be read: %2.")
                        .arg(DecodeFileName(relative), ErrorText(errno));
        return;
    }
    std::vector<QByteArray> names;
    while (const dirent* d = sys::ReadDir(dir)) {
        const QByteArray name(d->d_name);
        if (name != "." && name != "..")
            names.push_back(name);
    }
    sys::CloseDir(dir);
    std::sort(names.begin(), names.end());
    for (const QByteArray& name : names)
        ListEntry(base, relative + '/' + name, entries, problems);
}

} // namespace

std::vector<TPackEntry> ListPackEntries(const QString& folder, const QStringList& names,
                                        QStringList& problems)
{
    std::vector<TPackEntry> entries;
    const QByteArray base = EncodeFileName(folder);
    for (const QString& name : names)
        ListEntry(base, EncodeFileName(name), entries, problems);
    return entries;
}

TPackSource::~TPackSource()
{
    if (m_fd >= 0)
        sys::Close(m_fd);
}

int TPackSource::Open(const QString& path)
{
    if (const int fault = FileOpsFault(TFileOpsStep::OpenSource, path))
        return fault;
    m_fd =
        sys::Open(EncodeFileName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (m_fd < 0)
        return errno;
    struct stat st {
    };
    if (sys::FStat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        sys::Close(m_fd);
        m_fd = -1;
        return EINVAL;
    }
    sys::Advise(m_fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return 0;
}

qint64 TPackSource::Read(char* data, qint64 size)
{
    for (;;) {
        const ssize_t n = sys::Read(m_fd, data, size_t(size));
        if (n >= 0)
            return n;
        if (errno != EINTR)
            return -errno;
    }
}

QString CreatePackPart(const QString& folder, const QString& name, int& error)
{
    RemoveStalePartFiles(folder);
    for (int attempt = 0; attempt < 10; ++attempt) {
        const QString path = folder + DecodeFileName(PartFileName(EncodeFileName(name)));
        const int fd = sys::Open(EncodeFileName(path).constData(),
                                 O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            sys::Close(fd);
            error = 0;
            return path;
        }
        error = errno;
        if (error != EEXIST)
            break;
    }
    return {};
}

int RenameIntoPlace(const QString& from, const QString& to)
{
    return RenameNoReplace(AT_FDCWD, EncodeFileName(from).constData(), AT_FDCWD,
                           EncodeFileName(to).constData());
}

int RemovePackPart(const QString& path)
{
    return sys::Unlink(EncodeFileName(path).constData()) == 0 ? 0 : errno;
}

bool RemovePackedOriginal(const QString& path, const TEntryRecord& record,
                          const std::function<void(const QString&)>& onFailure, int& removed)
{
    TFileOpsReport report(onFailure, QStringLiteral("\"%1\" stays: %2."));
    const int slash = path.lastIndexOf('/');
    const QByteArray parent = EncodeFileName(slash <= 0 ? QStringLiteral("/") : path.left(slash));
    const TFd dir(sys::Open(parent.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.Valid()) {
        report.Failed(path, errno);
        return false;
    }
    return RemoveRecorded(dir.Get(), record, path, report, removed);
}

} // namespace platform
