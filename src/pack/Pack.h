#pragma once
// Packing files into a new archive: the entries listed (links kept as links, never
// followed), written under a hidden temporary name in the target folder and renamed to
// the archive's name only when whole and only while that name is free; a cancel or a
// failure removes the temporary file. With "move", the originals are removed afterwards
// only where the finished archive, read back, holds each of them equal (size and CRC-32
// of the bytes, link targets, folders), and only while they are still as they were
// recorded before packing. No widgets; any thread (the file-work worker).

#include "pack/PackFormat.h"
#include "platform/FileOpsProgress.h"
#include "transfer/FileOpsRecord.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

struct TPackRequest {
    QString Folder;    // the folder the names are in, ending in "/"
    QStringList Items; // names in Folder: files, folders with everything below, links
    QString Target;    // the archive's full path (its folder must exist)
    TPackFormat Format{TPackFormat::Zip};
    int Level{6};
    QByteArray Password; // ZIP: AES-256 when not empty
    bool Move{false};
    // With Move: the originals are checked as a move checks them but all stay; the items
    // a move would have removed whole are named in TPackResult::Verified (for originals
    // that are copies of files elsewhere, removed there by their owner, or that go only
    // once the archive has reached a remote folder).
    bool KeepOriginals{false};
};

struct TPackResult {
    enum class TOutcome { Done, Cancelled, Failed };
    TOutcome Outcome{TOutcome::Failed};
    int Members{0};       // entries written into the archive
    int Removed{0};       // originals removed by a move (entries)
    int Kept{0};          // originals a move kept (not verified, changed, left out)
    QStringList Problems; // what was left out or kept, and why; a failure's reason
    QStringList Verified; // KeepOriginals: the items the archive holds whole, as they are
    // KeepOriginals: for each of Verified, its record as packed (files with the CRC-32 the
    // archive holds), for removing the original later only while it is still so.
    std::vector<platform::TEntryRecord> VerifiedRecords;
};

TPackResult Pack(const TPackRequest& request, platform::TFileOpsProgress& progress);
