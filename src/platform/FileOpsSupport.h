#pragma once
// Small pieces shared by the copy, verify and remove walks of the shell file operations:
// an owned file descriptor and the failure reporter.

#include "platform/ShellFileOperation.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace platform
{

// Owns one file descriptor and closes it when it goes.
class TFd final
{
public:
    TFd() = default;
    explicit TFd(int fd) : m_fd(fd) {}
    TFd(TFd&& other) noexcept : m_fd(other.Release()) {}
    TFd& operator=(TFd&& other) noexcept;
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    ~TFd();

    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    int Release();
    // Closes now; returns 0 or the errno of close (which can carry a late write error).
    int Close();

private:
    int m_fd{-1};
};

// Turns failures into one message each and counts them. `pattern` has %1 for the
// entry's path and %2 for the reason, e.g. "Cannot copy \"%1\": %2."; `suffix` is
// appended as it is.
class TFileOpsReport final
{
public:
    TFileOpsReport(const TShellFailureHandler& handler, QString pattern, QString suffix = {});

    void Failed(const QString& path, int error);
    void Failed(const QString& path, const QString& reason);
    int Count() const { return m_count; }

private:
    const TShellFailureHandler& m_handler;
    QString m_pattern;
    QString m_suffix;
    int m_count{0};
};

// The system's text for an errno value.
QString ErrorText(int error);

// The names in the open directory `dirFd` except "." and "..", read completely before
// the caller changes the directory. Returns 0 or an errno. `dirFd` stays open.
int ReadDirectoryNames(int dirFd, std::vector<QByteArray>& names);

// Renames without ever replacing the target, on any file system (base/NoReplaceRename.h:
// the flag, else a hard link, else a name taken first by an empty entry of its own).
// Returns 0 or an errno (EEXIST when the name is taken, by an empty folder too).
int RenameNoReplace(int fromDir, const char* from, int toDir, const char* to);

// `parent` + "/" + the decoded `name`, for messages.
QString ChildPath(const QString& parent, const QByteArray& name);

} // namespace platform
