#pragma once
// What the file commands of this run did, so that the last of them can be taken back:
// one record per command, made from the command's results (what it actually renamed,
// moved, copied, made or sent to the trash), the last 20 kept, in memory only.
//
// A command whose effect cannot be taken back (a delete for good, any change to an
// archive) leaves a record that says so; it stays the last one, so nothing done before
// it is taken back past it. User-interface thread only.

#include "transfer/FileOpsRecord.h"

#include <QString>
#include <deque>
#include <functional>
#include <vector>

enum class TUndoKind {
    Rename,          // back to the old name
    Move,            // back to the old folder (across file systems too)
    CreateDirectory, // the folder removed while empty
    Trash,           // back from the trash, its record removed
    Copy,            // the copy removed while unchanged
    NewFile,         // a file a command wrote (a checksum file), removed while unchanged
    None,            // cannot be taken back; Reason says what it was
};

// One item a command made or changed.
struct TUndoItem {
    QString Now; // full path of what the command made: the new name, the moved item, the
                 // item in the trash, the copy, the new folder
    QString Was; // full path the item had before (empty for a new folder)
    // What `Now` was right after the command: the entry alone (kind, device, inode, size
    // and times), or for copies what the copy made, each file with the CRC-32 of the
    // bytes it wrote.
    platform::TEntryRecord Record;
    // Copies and moves that replaced an entry of the same name: where it went in the
    // trash and its record there, or ReplacedForGood when it went for good.
    QString Trashed;
    platform::TEntryRecord TrashedRecord;
    bool ReplacedForGood{false};
    // An entry of a folder a move merged into another (its emptied source folder went).
    bool InMerged{false};
};

struct TUndoRecord {
    TUndoKind Kind{TUndoKind::None};
    QString Reason;               // None: "a delete for good", "a copy into an archive"
    std::vector<TUndoItem> Items; // in the order the command made them
    // Now and Was are URIs of a remote place: the window takes it back through the place
    // (main/uMainRemoteUndo.cpp), never as local paths.
    bool Remote{false};

    bool Undoable() const { return Kind != TUndoKind::None && !Items.empty(); }
    // The menu item's text: "Undo rename of 12 files", "Undo copy of a.txt",
    // "Cannot undo a delete for good".
    QString MenuText() const;
};

class TUndoHistory final
{
public:
    static constexpr int kMaxRecords = 20;

    // Adds the record of a command that has just ended; a record of no items that could
    // be taken back is kept only when it says why (Kind None). The oldest goes beyond 20.
    void Add(TUndoRecord record);
    // The last record, or null when there is none.
    const TUndoRecord* Last() const { return m_records.empty() ? nullptr : &m_records.back(); }
    // Removes the last record and hands it over.
    TUndoRecord TakeLast();
    // The menu item's text for the last record; "Undo" when there is none.
    QString MenuText() const;

    // Called whenever the last record changes.
    std::function<void()> OnChange;

private:
    void Changed();

    std::deque<TUndoRecord> m_records;
};
