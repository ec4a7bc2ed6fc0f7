#pragma once
// The recursive copy behind the shell copy and the move across file systems.
// Works on directory descriptors (openat and friends), so deep trees need no long paths
// and a renamed parent cannot redirect the walk. Links are copied as links. Every folder
// entered is checked by device and inode against the target and the folders the copy
// made, so a mount of the target inside the source is never copied into itself. Files, and
// the folder copied itself, are made under a temporary name (FileOpsParts.h) and renamed,
// never replacing, once whole: a copy killed midway leaves nothing under the real name.

#include "platform/FileOpsProgress.h"
#include "transfer/FileOpsRecord.h"
#include "transfer/FileOpsSupport.h"

#include <QByteArray>
#include <QString>
#include <set>
#include <utility>
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
    // partial copy removed) and no further entry is started; a folder being copied takes
    // its name with the entries copied whole.
    explicit TTreeCopy(TFileOpsReport& report, TFileOpsProgress* progress = nullptr,
                       bool countEntries = true)
        : m_report(report), m_progress(progress), m_countEntries(countEntries)
    {
    }

    // Copies the entry `name` of the open directory `srcDir`, whose lstat is `st`, to the
    // new name `dstName` in the open directory `dstDir`. `path` names the source in
    // messages. The target is created exclusively, never replacing anything. With
    // `record`, what was copied is recorded there as the source was when it was read:
    // the entries made completely, a folder with the entries copied into it; after
    // RecordCopies, the entries made instead, each as it was made, every file with the
    // CRC-32 of the bytes written into it. A source file's record keeps that CRC-32 where
    // its times cannot tell a rewrite (TEntryRecord::KeepContent).
    TCopyOutcome Copy(int srcDir, const QByteArray& name, const struct stat& st, int dstDir,
                      const QByteArray& dstName, const QString& path,
                      TEntryRecord* record = nullptr);

    // Records go to the entries made rather than to their sources.
    void RecordCopies() { m_recordCopies = true; }

    // Entries made completely so far (files, links, nodes and directories).
    int Items() const { return m_items; }
    // The errno that stopped the copy because the target can take nothing more (see
    // TargetIsFullOrReadOnly): no entry is started after it. 0 while it goes on.
    int StopError() const { return m_stopError; }

private:
    TCopyOutcome CopyEntry(int srcDir, const QByteArray& name, const struct stat& st, int dstDir,
                           const QByteArray& dstName, const QString& path, bool top,
                           TEntryRecord* record);
    TCopyOutcome CopyFile(int srcDir, const QByteArray& name, int dstDir, const QByteArray& dstName,
                          const QString& path, bool top, TEntryRecord* record);
    TCopyOutcome CopyDirectory(int srcDir, const QByteArray& name, const struct stat& st,
                               int dstDir, const QByteArray& dstName, const QString& path, bool top,
                               TEntryRecord* record);
    TCopyOutcome CopyLink(int srcDir, const QByteArray& name, const struct stat& st, int dstDir,
                          const QByteArray& dstName, const QString& path, bool top);
    TCopyOutcome CopyNode(const struct stat& st, int dstDir, const QByteArray& dstName,
                          const QString& path, bool top);
    void CopyChildren(int srcFd, const std::vector<QByteArray>& names, int dstFd,
                      const QString& path, TEntryRecord* record);
    // Gives the copied folder `made` of `dstDir` its name `dstName` once its walk ended,
    // never replacing; one whose name was taken meanwhile goes (NameTaken).
    TCopyOutcome GiveFolderItsName(int dstDir, const QByteArray& made, const QByteArray& dstName,
                                   const QString& path);
    // The outcome when creating the target `dstName` in `dstDir` failed with `error`;
    // the message names the target.
    TCopyOutcome CreateFailed(int error, bool top, const QString& path, int dstDir,
                              const QByteArray& dstName);
    // Reports `error` for `path`, noting whether it stops the copy.
    void Fail(const QString& path, int error);
    void NoteStop(int error);

    // Counts one entry made completely.
    void Made();
    // Remembers the open folder `dirFd` as one the copy writes into.
    void NoteTarget(int dirFd);

    TFileOpsReport& m_report;
    TFileOpsProgress* m_progress;
    bool m_countEntries;
    bool m_recordCopies{false};
    int m_items{0};
    int m_stopError{0};
    // Device and inode of the target folder and of every folder the copy made: a source
    // folder found among them is never entered.
    std::set<std::pair<dev_t, ino_t>> m_targets;
    // While a folder is copied: the full paths of its temporary name and of its real one,
    // so that messages name the target as the user will see it.
    QString m_partTop, m_realTop;
};

// Whether `error` says that the target takes no more data at all (no space, quota
// exhausted, read-only file system), so that a copy stops rather than try every entry.
bool TargetIsFullOrReadOnly(int error);

// Copies the data of `in` to `out` from their current offsets to the end of `in`:
// copy_file_range while the file systems allow it, else read and write.
// Returns 0 or an errno; ECANCELED when `progress` (may be null) asked to stop, checked
// after each chunk of at most 16 MiB, whose bytes it counts. With `crc`, sets it to the
// CRC-32 of the bytes written, taken chunk by chunk as they are written.
int CopyFileData(int in, int out, TFileOpsProgress* progress = nullptr, quint32* crc = nullptr);

} // namespace platform
