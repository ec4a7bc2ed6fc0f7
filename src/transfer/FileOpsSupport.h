#pragma once
// Small pieces shared by the copy, verify and remove walks of the shell file operations:
// the failure reporter (the owned file descriptor is in platform/SystemFiles.h).

#include "platform/SystemFiles.h"
#include "transfer/ShellFileOperation.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace platform
{

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

// Whether the work was cancelled, for the closing message: "Copied 412 of 1,000 items;
// cancelled" (`verb` is "Copied", "Moved", "Deleted"); empty when it was not cancelled.
// `done`, when not negative, is the count of entries completed, for work whose record
// counts an entry when it starts.
QString CancelledText(const QString& verb, const TFileOpsProgress& progress, int done = -1);

// Renames without ever replacing the target, on any file system (base/NoReplaceRename.h:
// the flag, else a hard link, else a name taken first by an empty entry of its own).
// Returns 0 or an errno (EEXIST when the name is taken, by an empty folder too).
int RenameNoReplace(int fromDir, const char* from, int toDir, const char* to);

// `parent` + "/" + the decoded `name`, for messages.
QString ChildPath(const QString& parent, const QByteArray& name);

} // namespace platform
