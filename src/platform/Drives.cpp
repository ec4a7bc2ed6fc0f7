#include "platform/FileNames.h"
#include "platform/Drives.h"

#include <QFile>
#include <QStorageInfo>

#include <sys/statvfs.h>

namespace platform
{

namespace
{

// Mount paths in mountinfo escape blanks and a few other bytes as \ooo.
QString UnescapeMountPath(const QByteArray& field)
{
    QByteArray out;
    for (int i = 0; i < field.size(); ++i) {
        bool octal = field[i] == '\\' && i + 3 < field.size();
        for (int k = 1; octal && k <= 3; ++k)
            octal = field[i + k] >= '0' && field[i + k] <= '7';
        if (octal) {
            out += char(field.mid(i + 1, 3).toInt(nullptr, 8));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return platform::DecodeFileName(out);
}

bool IsDriveSource(const QByteArray& fsType, const QByteArray& source)
{
    static const QList<QByteArray> network = {"nfs", "nfs4", "cifs", "smb3", "fuse.sshfs"};
    return source.startsWith("/dev/") || fsType == "tmpfs" || network.contains(fsType);
}

bool IsSystemPlace(const QString& path)
{
    for (const char* prefix : {"/proc", "/sys", "/dev", "/run", "/snap"}) {
        const QString p = QLatin1String(prefix);
        if (path == p || path.startsWith(p + '/'))
            return true;
    }
    return false;
}

} // namespace

QStringList ParseMountInfo(const QByteArray& mountinfo)
{
    QStringList drives{QStringLiteral("/")};
    for (const QByteArray& line : mountinfo.split('\n')) {
        // id parent major:minor root mountpoint options [optional...] - fstype source superopts
        const QList<QByteArray> fields = line.split(' ');
        const int dash = fields.indexOf("-");
        if (fields.size() < 5 || dash < 0 || dash + 2 >= fields.size())
            continue;
        QString mount = UnescapeMountPath(fields[4]);
        if (!mount.startsWith('/') || IsSystemPlace(mount))
            continue;
        if (!IsDriveSource(fields[dash + 1], fields[dash + 2]))
            continue;
        if (!mount.endsWith('/'))
            mount += '/';
        if (!drives.contains(mount))
            drives << mount;
    }
    return drives;
}

const QStringList& LogicalDrives()
{
    static const QStringList drives = [] {
        QFile f(QStringLiteral("/proc/self/mountinfo"));
        return ParseMountInfo(f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray());
    }();
    return drives;
}

QString DriveOf(const QString& location, const QStringList& drives)
{
    if (!location.startsWith('/'))
        return {};
    QString best = QStringLiteral("/");
    for (const QString& root : drives) {
        if (root.size() > best.size() && (location.startsWith(root) || location + '/' == root))
            best = root;
    }
    return best;
}

qint64 FreeSpace(const QString& path)
{
    struct statvfs vfs {
    };
    if (!path.startsWith('/') || statvfs(platform::EncodeFileName(path).constData(), &vfs) != 0)
        return -1;
    return qint64(vfs.f_bavail) * qint64(vfs.f_frsize);
}

QString DriveDisplayName(const QString& root)
{
    if (root == QLatin1String("/"))
        return QStringLiteral("File System");
    const QString name = QStorageInfo(root).displayName();
    QString trimmed = root;
    while (trimmed.size() > 1 && trimmed.endsWith('/'))
        trimmed.chop(1);
    if (!name.isEmpty() && name != trimmed)
        return name;
    return trimmed.mid(trimmed.lastIndexOf('/') + 1);
}

} // namespace platform
