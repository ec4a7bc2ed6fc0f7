#include "robust/RobustSupport.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace robust
{

namespace
{

constexpr uid_t kNobody = 65534;

void Walk(int dir, const QByteArray& prefix, TTree& tree)
{
    DIR* d = ::fdopendir(dir);
    if (!d) {
        ::close(dir);
        return;
    }
    while (const dirent* e = ::readdir(d)) {
        const QByteArray name(e->d_name);
        if (name == "." || name == "..")
            continue;
        const QByteArray rel = prefix.isEmpty() ? name : prefix + '/' + name;
        struct stat st {
        };
        if (::fstatat(::dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            tree[rel] = "<unreadable>";
        } else if (S_ISDIR(st.st_mode)) {
            tree[rel] = "<dir>";
            const int sub = ::openat(::dirfd(d), e->d_name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (sub >= 0)
                Walk(sub, rel, tree);
        } else if (S_ISLNK(st.st_mode)) {
            char target[4096];
            const ssize_t n = ::readlinkat(::dirfd(d), e->d_name, target, sizeof target);
            tree[rel] = "<link>" + QByteArray(target, n > 0 ? int(n) : 0);
        } else {
            const int fd = ::openat(::dirfd(d), e->d_name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
            QByteArray data = fd < 0 ? QByteArray("<unreadable>") : QByteArray("");
            for (char buffer[65536]; fd >= 0;) {
                const ssize_t n = ::read(fd, buffer, sizeof buffer);
                if (n <= 0)
                    break;
                data.append(buffer, int(n));
            }
            if (fd >= 0)
                ::close(fd);
            tree[rel] = data;
        }
    }
    ::closedir(d);
}

void RemoveBelow(int dir)
{
    DIR* d = ::fdopendir(dir);
    if (!d) {
        ::close(dir);
        return;
    }
    while (const dirent* e = ::readdir(d)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
            continue;
        if (::unlinkat(::dirfd(d), e->d_name, 0) == 0)
            continue;
        // A folder a test locked is opened up first (as its owner, not only as root).
        ::fchmodat(::dirfd(d), e->d_name, 0700, 0);
        const int sub =
            ::openat(::dirfd(d), e->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (sub >= 0)
            RemoveBelow(sub);
        ::unlinkat(::dirfd(d), e->d_name, AT_REMOVEDIR);
    }
    ::closedir(d);
}

} // namespace

bool RemoveTree(const QByteArray& root)
{
    ::chmod(root.constData(), 0700);
    const int fd = ::open(root.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0)
        RemoveBelow(fd);
    return ::rmdir(root.constData()) == 0 || !ExistsRaw(root);
}

bool WriteRaw(const QByteArray& path, const QByteArray& data)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, data.constData(), size_t(data.size())) == data.size();
    return ::close(fd) == 0 && ok;
}

QByteArray ReadRaw(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    QByteArray data("");
    for (char buffer[65536];;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        data.append(buffer, int(n));
    }
    ::close(fd);
    return data;
}

bool ExistsRaw(const QByteArray& path)
{
    struct stat st {
    };
    return ::lstat(path.constData(), &st) == 0;
}

TTree Snapshot(const QByteArray& root)
{
    TTree tree;
    const int fd = ::open(root.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0)
        Walk(fd, {}, tree);
    return tree;
}

std::string Diff(const TTree& actual, const TTree& expected)
{
    std::string out;
    auto line = [&out](char sign, const QByteArray& name, const QByteArray& data) {
        out += sign + (" " + name.left(60).toStdString()) + " (" +
               (data.startsWith('<') ? data.left(40).toStdString()
                                     : std::to_string(data.size()) + " bytes") +
               ")\n";
    };
    for (const auto& [name, data] : actual) {
        const auto other = expected.find(name);
        if (other == expected.end())
            line('+', name, data);
        else if (other->second != data)
            line('~', name, data);
    }
    for (const auto& [name, data] : expected)
        if (!actual.count(name))
            line('-', name, data);
    return out;
}

qint64 UsedBytes(const QString& path)
{
    struct statvfs vfs {
    };
    if (::statvfs(QFile::encodeName(path).constData(), &vfs) != 0)
        return -1;
    return qint64(vfs.f_blocks - vfs.f_bfree) * qint64(vfs.f_frsize);
}

TSmallDisk::TSmallDisk(const QString& folder, qint64 bytes) : m_folder(folder)
{
    if (!QDir().mkpath(folder)) {
        m_why = QStringLiteral("cannot create %1").arg(folder);
        return;
    }
    const QByteArray options = "size=" + QByteArray::number(bytes);
    if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, options.constData()) !=
        0) {
        m_why = QStringLiteral("mounting a tmpfs failed: %1")
                    .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    m_mounted = true;
}

TSmallDisk::~TSmallDisk()
{
    if (m_mounted) {
        // Extraction makes its target folder the current one; a busy mount cannot go.
        if (QDir::currentPath().startsWith(m_folder.chopped(m_folder.endsWith('/') ? 1 : 0)))
            QDir::setCurrent(QDir::tempPath());
        const QByteArray path = QFile::encodeName(m_folder);
        if (::umount2(path.constData(), 0) != 0)
            ::umount2(path.constData(), MNT_DETACH);
    }
    QDir().rmdir(m_folder);
}

TWithoutPrivileges::TWithoutPrivileges(const QString& scratch)
{
    // The probe is made with the process's own rights: only its mode keeps it closed.
    const QByteArray probe = QFile::encodeName(scratch + "/.permission-probe");
    if (!WriteRaw(probe, "probe") || ::chmod(probe.constData(), 0) != 0) {
        m_why = QStringLiteral("cannot make a probe file in %1").arg(scratch);
        return;
    }
    Drop();
    const int fd = ::open(probe.constData(), O_RDONLY | O_CLOEXEC);
    m_works = fd < 0 && errno == EACCES;
    if (fd >= 0)
        ::close(fd);
    Restore();
    ::unlink(probe.constData());
    if (!m_works) {
        m_why = QStringLiteral("permission bits are ignored for this process even as "
                               "\"nobody\"; run the test as a plain user");
        return;
    }
    Drop();
}

void TWithoutPrivileges::Drop()
{
    if (::geteuid() == 0) {
        ::setfsuid(kNobody);
        m_changed = true;
    }
}

TWithoutPrivileges::~TWithoutPrivileges()
{
    Restore();
}

void TWithoutPrivileges::Restore()
{
    if (m_changed)
        ::setfsuid(0);
    m_changed = false;
}

} // namespace robust
