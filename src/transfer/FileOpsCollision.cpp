#include "transfer/FileOpsCollision.h"

#include "platform/FileNames.h"
#include "transfer/FileOpsSupport.h"
#include "transfer/FileOpsTrash.h"

#include <QCoreApplication>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <zlib.h>

namespace platform
{

namespace
{

// Beyond this many numbered names something is wrong with the folder.
constexpr int kMaxNumbered = 10000;
constexpr size_t kReadChunk = 1 << 20;

QString Tr(const char* text)
{
    return QCoreApplication::translate("ShellFileOperation", text);
}

// Where the number goes: before ".tar.X" of compressed tar archives, else before the
// last extension; a leading dot starts no extension.
qsizetype ExtensionStart(const QString& name)
{
    const qsizetype tar = name.lastIndexOf(QLatin1String(".tar."), -1, Qt::CaseInsensitive);
    if (tar > 0 && name.indexOf(QLatin1Char('.'), tar + 5) < 0)
        return tar;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot > 0 && dot < name.size() - 1 ? dot : name.size();
}

TCollisionSide SideOf(const QString& path, const struct stat& st)
{
    TCollisionSide side{path, S_ISDIR(st.st_mode), qint64(st.st_size), {}};
    side.Modified = QDateTime::fromMSecsSinceEpoch(qint64(st.st_mtim.tv_sec) * 1000 +
                                                   st.st_mtim.tv_nsec / 1000000);
    return side;
}

} // namespace

QString NumberedName(const QString& name, int n, bool folder)
{
    const qsizetype at = folder ? name.size() : ExtensionStart(name);
    return name.left(at) + QStringLiteral(" (%1)").arg(n) + name.mid(at);
}

QString FreeNumberedName(int dir, const QString& name, bool folder)
{
    for (int n = 2; n < kMaxNumbered; ++n) {
        const QString candidate = NumberedName(name, n, folder);
        struct stat st {
        };
        if (sys::FStatAt(dir, EncodeFileName(candidate).constData(), &st, AT_SYMLINK_NOFOLLOW) == 0)
            continue;
        if (errno == ENOENT)
            return candidate;
        break; // too long a name, or an unreadable folder: no number helps
    }
    return {};
}

TCollision DescribeCollision(const QString& srcPath, const struct stat& srcSt,
                             const QString& existingPath, const struct stat& existingSt, int dir)
{
    TCollision collision{SideOf(existingPath, existingSt), SideOf(srcPath, srcSt)};
    const bool itself = srcSt.st_dev == existingSt.st_dev && srcSt.st_ino == existingSt.st_ino;
    collision.CanReplace = !itself && !collision.Existing.Folder && !collision.Incoming.Folder;
    collision.Suggested =
        FreeNumberedName(dir, existingPath.mid(existingPath.lastIndexOf(QLatin1Char('/')) + 1),
                         collision.Incoming.Folder);
    return collision;
}

bool UsableName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && name != QLatin1String(".") &&
           name != QLatin1String("..") && !name.contains(QChar(0));
}

bool StillAsSeen(int dir, const QByteArray& name, const struct stat& seen)
{
    struct stat now {
    };
    return sys::FStatAt(dir, name.constData(), &now, AT_SYMLINK_NOFOLLOW) == 0 &&
           now.st_dev == seen.st_dev && now.st_ino == seen.st_ino && now.st_size == seen.st_size &&
           now.st_mtim.tv_sec == seen.st_mtim.tv_sec &&
           now.st_mtim.tv_nsec == seen.st_mtim.tv_nsec &&
           (now.st_mode & S_IFMT) == (seen.st_mode & S_IFMT);
}

bool FileHolds(int dir, const QByteArray& name, qint64 size, quint32 crc)
{
    const TFd file(sys::OpenAt(dir, name.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!file.Valid())
        return false;
    const std::unique_ptr<char[]> buffer(new char[kReadChunk]);
    quint32 sum = quint32(crc32(0L, Z_NULL, 0));
    qint64 total = 0;
    for (;;) {
        const ssize_t n = sys::Read(file.Get(), buffer.get(), kReadChunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        sum = quint32(crc32(sum, reinterpret_cast<const Bytef*>(buffer.get()), uInt(n)));
        total += n;
    }
    return total == size && sum == crc;
}

QString PutOver(int dir, const QByteArray& temp, const QByteArray& name, const QString& path,
                const struct stat& seen, bool useTrash, TReplacedEntry& replaced)
{
    if (!StillAsSeen(dir, name, seen))
        return Tr("\"%1\" changed or went while the question was asked; it stays as it is")
            .arg(path);
    if (!useTrash) {
        if (sys::RenameAt(dir, temp.constData(), dir, name.constData()) != 0)
            return ErrorText(errno);
        return {};
    }
    QString trashed;
    const QString reason = MoveToTrash(path, &trashed);
    if (!reason.isEmpty())
        return Tr("the old \"%1\" cannot go to the trash (%2), so it was not replaced")
            .arg(path, reason);
    replaced.Trashed = trashed;
    RecordEntry(trashed, replaced.Record);
    if (const int error = RenameNoReplace(dir, temp.constData(), dir, name.constData()))
        return Tr("the old \"%1\" is in the trash, but the new one cannot take its name (%2)")
            .arg(path, ErrorText(error));
    return {};
}

} // namespace platform
