#include "platform/FileSystem.h"

#include <QCoreApplication>
#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform
{

namespace
{

constexpr double kUnixEpochDays = 25569.0; // 1 January 1970 counted from 30 December 1899

quint32 AttributesOf(const QString& name, const struct stat& st, bool isDir)
{
    quint32 attr = 0;
    if (isDir)
        attr |= faDirectory;
    else if (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode))
        attr |= faArchive;
    else
        attr |= faSysFile; // devices, FIFOs and sockets
    if (!(st.st_mode & S_IWUSR))
        attr |= faReadOnly;
    if (name.startsWith('.') && name != QLatin1String(".."))
        attr |= faHidden;
    return attr;
}

// The local-time offset changes at most on the hour in every real time zone, so one
// localtime_r call per distinct hour serves a whole directory.
long LocalOffsetFor(time_t t)
{
    thread_local time_t cachedHour = -1;
    thread_local long cachedOffset = 0;
    thread_local long cachedZone = 0;
    const time_t hour = t - ((t % 3600) + 3600) % 3600;
    if (hour != cachedHour || cachedZone != ::timezone) {
        struct tm local {
        };
        localtime_r(&hour, &local);
        cachedOffset = local.tm_gmtoff;
        cachedHour = hour;
        cachedZone = ::timezone;
    }
    return cachedOffset;
}

} // namespace

double ToDosDateTime(time_t t)
{
    qint64 local = qint64(t) + LocalOffsetFor(t);
    local -= ((local % 2) + 2) % 2; // even seconds, also before 1970
    const qint64 days = local >= 0 ? local / 86400 : -((-local + 86399) / 86400);
    const qint64 seconds = local - days * 86400;
    return kUnixEpochDays + double(days) + double(seconds) / 86400.0;
}

bool SearchDirectory(const QString& directory, const std::function<void(TFoundEntry&&)>& found)
{
    if (!directory.startsWith('/'))
        return false;
    DIR* dir = opendir(QFile::encodeName(directory).constData());
    if (!dir)
        return false;
    const int fd = dirfd(dir);
    const bool isRoot = directory == QLatin1String("/");
    while (const dirent* d = readdir(dir)) {
        const char* raw = d->d_name;
        if (raw[0] == '.' && raw[1] == '\0')
            continue;
        const bool dotdot = raw[0] == '.' && raw[1] == '.' && raw[2] == '\0';
        if (dotdot && isRoot)
            continue;
        struct stat st {
        };
        bool isDir = false;
        if (fstatat(fd, raw, &st, 0) == 0) {
            isDir = S_ISDIR(st.st_mode);
        } else if (fstatat(fd, raw, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            continue; // vanished between readdir and stat
        }
        TFoundEntry e;
        e.Name = QFile::decodeName(raw);
        e.Size = isDir ? 0 : qint64(st.st_size);
        e.DateTime = ToDosDateTime(st.st_mtim.tv_sec);
        e.Attr = AttributesOf(e.Name, st, isDir);
        found(std::move(e));
    }
    closedir(dir);
    return true;
}

bool DirectoryExists(const QString& path)
{
    struct stat st {
    };
    return !path.isEmpty() && stat(QFile::encodeName(path).constData(), &st) == 0 &&
           S_ISDIR(st.st_mode);
}

bool FileExists(const QString& path)
{
    struct stat st {
    };
    return !path.isEmpty() && lstat(QFile::encodeName(path).constData(), &st) == 0 &&
           !S_ISDIR(st.st_mode);
}

QString ProgramDirectory()
{
    QString dir = QCoreApplication::applicationDirPath();
    return dir.endsWith('/') ? dir : dir + '/';
}

} // namespace platform
