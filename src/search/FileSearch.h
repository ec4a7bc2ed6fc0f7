#pragma once
// The file search without widgets: a walk from one folder by name masks, optionally by
// content and into archives, on a worker thread of its own. Matches are handed over in
// batches through a shared record that the window reads on its own timer; a cancel
// stops the walk at its next name or block of file data.
//
// Folders are read with platform::SearchDirectoryNames (the listing's directory
// search), which stats only the names the search wants; file data is read through
// platform::ReadFileBlocks. A remote folder (Remote set) is walked through
// TRemotePlaces::ReadFolder and its files' data streamed through ReadBlocks.

#include "platform/FileOpsProgress.h"
#include "platform/RemotePlaces.h"

#include <QMutex>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

struct TSearchOptions {
    QString Folder; // where the walk starts (absolute)
    QString Masks;  // "*.log;*.txt" (see TNameMask); empty for every name
    bool Subfolders{true};
    bool FollowLinks{false}; // off: a link to a folder is listed when it matches, not entered
    QString Text;            // empty: by name only; else only files that hold it match
    bool MatchCase{false};
    // Also the matching members of archives; with a Text, those that hold it.
    bool InsideArchives{false};
    // The content search skips larger files, by the size a file reports and by the bytes
    // it holds: no more than this is read of any file. 0: no limit.
    qint64 SizeLimit{100LL * 1024 * 1024};
    bool SkipBinary{false};
    // A member's content is read into memory to be searched: members larger than this
    // (or than SizeLimit, when that is lower) are not searched, and counted.
    qint64 MemberLimit{64LL * 1024 * 1024};
    // Set: Folder is the URI of a remote folder, walked through these places.
    platform::TRemotePlaces* Remote{nullptr};

    qint64 MemberReadLimit() const
    {
        return SizeLimit > 0 ? std::min(SizeLimit, MemberLimit) : MemberLimit;
    }
};

// One match: a file or folder on disk, or a member of an archive.
struct TSearchHit {
    QString Folder; // the folder that holds the file (or the archive), ending in "/"
    QString Name;   // the file's (or the archive's) name in Folder
    QString Member; // empty on disk; else the member's stored name in the archive
    qint64 Size{0};
    double DateTime{0};
    quint32 Attr{0}; // platform::fa* bits of the file on disk; 0 for members

    QString Path() const { return Folder + Name; }
    // What the results list shows: the bare name, and the folder it lies in (for a
    // member: the archive's path and the member's folders, "/" separated).
    QString ShownName() const;
    QString ShownFolder() const;
};

// What a search has found so far, shared by the worker (writes) and the watcher (reads
// and cancels). All members may be used from any thread.
class TSearchProgress final
{
public:
    void Cancel()
    {
        Walk.Cancel();
        RemoteCancel.Cancel(); // reaches a remote read under way at once
    }
    bool Cancelled() const { return Walk.Cancelled(); }
    bool Finished() const { return m_finished.load(); }
    int Found() const { return m_found.load(); }
    int Entries() const { return Walk.Items(); } // names looked at
    QString CurrentFolder() const { return Walk.Current(); }
    // The hits found since the last call, in the order found.
    std::vector<TSearchHit> TakeHits();
    // Folders that could not be read (complete once Finished).
    QStringList Unreadable() const;
    // Archives and members that could not be searched, each a line saying why.
    QStringList Notes() const;
    // Archive members not searched for the text because they are over the limit.
    int SkippedMembers() const { return m_skippedMembers.load(); }

    // The worker's side.
    void AddHits(std::vector<TSearchHit>& hits);
    void AddUnreadable(const QString& folder);
    void AddNote(const QString& note);
    void AddSkippedMember() { ++m_skippedMembers; }
    void Finish() { m_finished.store(true); }
    platform::TFileOpsProgress Walk; // cancel flag, names looked at, current folder
    platform::TRemoteCancel RemoteCancel;

private:
    mutable QMutex m_mutex;
    std::vector<TSearchHit> m_hits;
    QStringList m_unreadable;
    QStringList m_notes;
    std::atomic<int> m_found{0};
    std::atomic<int> m_skippedMembers{0};
    std::atomic<bool> m_finished{false};
};

// True for the URI of a remote folder ("sftp://…"): a search there needs Remote set.
bool IsRemoteSearchFolder(const QString& folder);

// The remote walk (RemoteSearch.cpp) on the calling thread; RunFileSearch finishes it.
void WalkRemoteFolders(const TSearchOptions& options, TSearchProgress& progress);

// Runs a whole search on the calling thread, filling `progress`, and finishes it.
// Folders are walked depth first; each folder (device and inode) is entered once, so a
// loop of links is never walked twice even when links are followed.
void RunFileSearch(const TSearchOptions& options, TSearchProgress& progress);

// A search on a worker thread of its own. Destroying it never waits: the worker is
// cancelled and abandoned, as a stuck folder read is (a stat on a dead network mount may
// hold it for minutes); it ends on its own, and what it found goes with it.
class TFileSearch final
{
public:
    explicit TFileSearch(TSearchOptions options);
    ~TFileSearch();
    TFileSearch(const TFileSearch&) = delete;
    TFileSearch& operator=(const TFileSearch&) = delete;

    TSearchProgress& Progress() { return m_shared->Progress; }
    const TSearchOptions& Options() const { return m_shared->Options; }
    // The workers of all searches, abandoned ones included, that have not returned yet.
    static int Running();

private:
    // What the worker owns with the search, kept alive by whichever of the two ends last.
    struct TShared {
        TSearchOptions Options;
        TSearchProgress Progress;
    };
    std::shared_ptr<TShared> m_shared;
};
