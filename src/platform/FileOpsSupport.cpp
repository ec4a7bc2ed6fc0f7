#include "platform/FileNames.h"
#include "platform/FileOpsSupport.h"

#include "platform/Messages.h"
#include "platform/base/NoReplaceRename.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform
{

TFd& TFd::operator=(TFd&& other) noexcept
{
    if (this != &other) {
        Close();
        m_fd = other.Release();
    }
    return *this;
}

TFd::~TFd()
{
    Close();
}

int TFd::Release()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

int TFd::Close()
{
    if (m_fd < 0)
        return 0;
    const int result = ::close(m_fd);
    m_fd = -1;
    // EINTR still leaves the descriptor closed on Linux; it is no failure of the data.
    return result == 0 || errno == EINTR ? 0 : errno;
}

TFileOpsReport::TFileOpsReport(const TShellFailureHandler& handler, QString pattern, QString suffix)
    : m_handler(handler), m_pattern(std::move(pattern)), m_suffix(std::move(suffix))
{
}

void TFileOpsReport::Failed(const QString& path, int error)
{
    Failed(path, ErrorText(error));
}

void TFileOpsReport::Failed(const QString& path, const QString& reason)
{
    ++m_count;
    const QString text = m_pattern.arg(path, reason) + m_suffix;
    if (m_handler)
        m_handler(text);
    else
        ShowMessage(text);
}

QString ErrorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

int ReadDirectoryNames(int dirFd, std::vector<QByteArray>& names)
{
    const int own = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (own < 0)
        return errno;
    DIR* dir = ::fdopendir(own);
    if (!dir) {
        const int error = errno;
        ::close(own);
        return error;
    }
    errno = 0;
    while (const dirent* d = ::readdir(dir)) {
        const char* n = d->d_name;
        if (!(n[0] == '.' && (n[1] == '\0' || (n[1] == '.' && n[2] == '\0'))))
            names.emplace_back(n);
        errno = 0;
    }
    const int error = errno;
    ::closedir(dir);
    return error;
}

int RenameNoReplace(int fromDir, const char* from, int toDir, const char* to)
{
    return trvxbase::RenameNoReplace(fromDir, from, toDir, to);
}

QString ChildPath(const QString& parent, const QByteArray& name)
{
    return parent + QLatin1Char('/') + platform::DecodeFileName(name);
}

} // namespace platform
