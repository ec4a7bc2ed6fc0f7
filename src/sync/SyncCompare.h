#pragma once
// The comparison of two folder trees and the plan of a synchronisation: one row per entry
// that is on either side (a folder on one side only, or facing something else than a
// folder, is one row with what it holds), its state, and the action the user chose for
// it. No widgets, no file system: the trees come from ScanFolder (FolderScan.h).

#include "platform/FolderScan.h"

#include <QByteArray>
#include <QString>
#include <vector>

struct TSyncOptions {
    bool Subfolders{true};
    bool IgnoreDates{false}; // equal when the size (and content, if read) is
    bool ByContent{false};   // files of equal size read and compared
    // Modification times this close count as the same: file systems keep them at
    // different resolutions (FAT at 2 s).
    qint64 ToleranceNs{qint64(2'000'000'000)};
    // A side read from an archive: nothing is written into it or deleted from it.
    bool LeftReadOnly{false};
    bool RightReadOnly{false};
};

enum class TSyncState {
    OnlyLeft,
    OnlyRight,
    NewerLeft,
    NewerRight,
    SameDateDifferent, // differ in size or content, with the same date (or dates ignored)
    Equal,
    KindDiffers, // a file faces a folder or a link: left as it is
    Unreadable,  // a folder that could not be read on a side: left as it is
};
constexpr int kSyncStates = 8;

enum class TSyncAction { Leave, CopyRight, CopyLeft, Delete };

struct TSyncSide {
    bool Present{false};
    platform::TSeenEntry Seen;
    bool Unread{false};   // a folder whose entries could not be read
    bool ReadOnly{false}; // the side is an archive: a source only
    // Folders: the files below and their bytes (what a copy of it writes).
    qint64 Files{0};
    qint64 Bytes{0};

    bool IsFolder() const { return Present && Seen.IsFolder(); }
    // What copying this side writes, in files and bytes.
    qint64 CopyFiles() const { return IsFolder() ? Files : 1; }
    qint64 CopyBytes() const { return IsFolder() ? Bytes : Seen.Size; }
};

struct TSyncRow {
    QByteArray Path; // relative, "/" separated, file-system bytes
    TSyncSide Left, Right;
    TSyncState State{TSyncState::Equal};
    TSyncAction Action{TSyncAction::Leave};
    bool NeedsContent{false}; // equal in size: to be read when comparing by content
};

// Compares two scans; rows in path order, each with its default action.
std::vector<TSyncRow> CompareScans(const platform::TFolderScan& left,
                                   const platform::TFolderScan& right, const TSyncOptions& options);

// The state of a row both of whose files are present, from their dates, once their
// content (when read) is known to differ, or, with `equal`, known to be the same.
TSyncState DifferingState(const TSyncRow& row, const TSyncOptions& options);

// The action a row gets until the user chooses: the newer or only side copied over the
// other; nothing else (never a delete).
TSyncAction DefaultAction(TSyncState state);
// The default action of `row` where it is allowed, else Leave.
TSyncAction DefaultActionOf(const TSyncRow& row);
// Whether `action` can be done for `row`: a copy needs its source, a delete an entry on
// one side only, and nothing but Leave for a file facing a folder or a link; nothing is
// copied into or deleted from a read-only side.
bool ActionAllowed(const TSyncRow& row, TSyncAction action);

// What the chosen actions will do.
struct TSyncTotals {
    int RowsRight{0}, RowsLeft{0};       // entries copied to the right, to the left
    qint64 FilesRight{0}, BytesRight{0}; // the files and bytes they write
    qint64 FilesLeft{0}, BytesLeft{0};
    int ReplacedRight{0}, ReplacedLeft{0}; // of those, entries put over others
    int Deletes{0};                        // entries removed (a folder with what it holds)
    int DeletesLeft{0}, DeletesRight{0};
    qint64 DeletedBytes{0};
    int Unchanged{0}; // rows left as they are
    bool Nothing() const { return RowsRight + RowsLeft + Deletes == 0; }
};
TSyncTotals PlanTotals(const std::vector<TSyncRow>& rows);

// "only left", "newer right", ... as shown.
QString StateText(TSyncState state);
QString ActionText(TSyncAction action);
