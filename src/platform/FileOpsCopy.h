#pragma once
// The recursive copy behind the shell copy and the move across file systems.
// Works on directory descriptors (openat and friends), so deep trees need no long paths
// and a renamed parent cannot redirect the walk. Links are copied as links.

#include "platform/FileOpsProgress.h"
#include "platform/FileOpsSupport.h"

#include <QByteArray>
#include <QString>
#include <sys/stat.h>
#include <vector>

namespace platform
{

enum class TCopyOutcome {
    Done,      // the top entry was made; entries inside that failed were reported
    NameTaken, // the target name exists already: nothing made, nothing reported
    Failed,    // nothing made; the failure was reported
};

class TTreeCopy final
{
public:
    // `report` receives one call per failing entry; it must outlive the copier, and so
    // must `progress` (may be null), which counts bytes and, with `countEntries`, the
    // entries made, and can stop the copy: the file being copied then fails silently (its
    // partial copy removed) and no further entry is started.
    explicit TTreeCopy(TFileOpsReport& report, TFileOpsProgress* progress = nullptr,
                       bool countEntries = true)
        : m_report(report), m_progress(progress), m_countEntries(countEntries)
    {
    }

    // Copies the entry `name` of the open directory `srcDir`, whose lstat is `st`, to the
    // new name `dstName` in the open directory `dstDir`. `path` names the source in
    // messages. The target is created exclusively, never replacing anything.
    TCopyOutcome Copy(int srcDir, const QByteArray& name, const struct stat& st, int dstDir,
                      const QByteArray& dstName, const QString& path);

    // Entries made completely so far (files, links, nodes and directories).
    int Items() const { return m_items; }

private:
    TCopyOutcome CopyEntry(int srcDir, const QByteArray& name, const struct stat& st, int dstDir,
                           const QByteArray& dstName, const QString& path, bool top);
    TCopyOutcome CopyFile(int srcDir, const QByteArray& name, int dstDir, const QByteArray& dstName,
                          const QString& path, bool top);
    TCopyOutcome CopyDirectory(int srcDir, const QByteArray& name, const struct stat& st,
                               int dstDir, const QByteArray& dstName, const QString& path,
                               bool top);
    TCopyOutcome CopyLink(int srcDir, const QByteArray& name, const struct stat& st, int dstDir,
                          const QByteArray& dstName, const QString& path, bool top);
    TCopyOutcome CopyNode(const struct stat& st, int dstDir, const QByteArray& dstName,
                          const QString& path, bool top);
    void CopyChildren(int srcFd, const std::vector<QByteArray>& names, int dstFd,
                      const QString& path);
    // The outcome when creating the target failed with `error`.
    TCopyOutcome CreateFailed(int error, bool top, const QString& path);

    // Counts one entry made completely.
    void Made();

    TFileOpsReport& m_report;
    TFileOpsProgress* m_progress;
    bool m_countEntries;
    int m_items{0};
};

// Copies the data of `in` to `out` from their current offsets to the end of `in`:
// copy_file_range while the file systems allow it, else read and write.
// Returns 0 or an errno; ECANCELED when `progress` (may be null) asked to stop, checked
// after each chunk of at most 16 MiB, whose bytes it counts.
int CopyFileData(int in, int out, TFileOpsProgress* progress = nullptr);

} // namespace platform
