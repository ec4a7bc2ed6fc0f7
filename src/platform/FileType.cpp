#include "platform/FileType.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform
{

TFileTypeInfo FileTypeOf(const QString& path)
{
    TFileTypeInfo info;
    struct stat st {
    };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        info.Why = QString::fromLocal8Bit(std::strerror(errno));
        return info;
    }
    info.Size = qint64(st.st_size);
    if (S_ISREG(st.st_mode))
        info.Type = TFileType::Regular;
    else if (S_ISDIR(st.st_mode))
        info.Type = TFileType::Folder;
    else if (S_ISFIFO(st.st_mode))
        info.Type = TFileType::Fifo;
    else if (S_ISCHR(st.st_mode))
        info.Type = TFileType::CharDevice;
    else if (S_ISBLK(st.st_mode))
        info.Type = TFileType::BlockDevice;
    else if (S_ISSOCK(st.st_mode))
        info.Type = TFileType::Socket;
    else
        info.Type = TFileType::Other;
    return info;
}

QString FileTypeName(TFileType type)
{
    switch (type) {
    case TFileType::Missing:
        return QStringLiteral("missing");
    case TFileType::Regular:
        return QStringLiteral("file");
    case TFileType::Folder:
        return QStringLiteral("folder");
    case TFileType::Fifo:
        return QStringLiteral("FIFO (named pipe)");
    case TFileType::CharDevice:
        return QStringLiteral("character device");
    case TFileType::BlockDevice:
        return QStringLiteral("block device");
    case TFileType::Socket:
        return QStringLiteral("socket");
    case TFileType::Other:
        break;
    }
    return QStringLiteral("special file");
}

void LowerThreadPriority(int steps)
{
    // On Linux a nice value belongs to the thread whose id is given.
    const id_t thread = id_t(::gettid());
    errno = 0;
    const int now = ::getpriority(PRIO_PROCESS, thread);
    if (errno == 0)
        ::setpriority(PRIO_PROCESS, thread, std::min(19, now + steps));
}

} // namespace platform
