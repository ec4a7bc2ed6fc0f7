#pragma once
// Unpacking archives into a folder and testing them, without widgets. Every format the
// program reads (ZIP, tar with any compression, 7z, cpio, ISO 9660, RAR, AR, single
// compressed files) goes through ARCHIVELIB's extraction, which refuses names that leave
// the target and never writes links. Both run on the file-work worker.
//
// An unpack first writes the whole archive into a hidden temporary folder inside the
// target folder (each file under a temporary name until whole and read without error),
// then moves what arrived into place by renames that ask about every taken name. So a
// damaged member never appears under its real name, a cancel leaves no partial file,
// and nothing is replaced without the user's answer.

#include "transfer/FileOpsRecord.h"
#include "transfer/ShellFileOperation.h"

#include <QString>
#include <QStringList>
#include <vector>

struct TUnpackRequest {
    QString Archive;          // full path
    QString Target;           // the folder to unpack into (full path)
    bool IntoFolder{false};   // into a folder named after the archive, inside Target
    QString Password;         // for encrypted members; empty: they are reported and left
    bool UseRecycleBin{true}; // where a file the user chose to replace goes
};

// An entry the unpack put into the target folder, as it was right after, so that an
// undo removes it only while it is unchanged.
struct TUnpackMade {
    QString Path;
    platform::TEntryRecord Record;
    // It replaced an entry of that name (the user said so): where that one went.
    QString Trashed;
    platform::TEntryRecord TrashedRecord;
    bool ReplacedForGood{false};
};

struct TUnpackResult {
    QStringList Lines;             // members not written and why, the archive's errors
    std::vector<TUnpackMade> Made; // the top entries that arrived
    int Written{0};                // files read whole from the archive
    bool Damaged{false};           // the archive could not be read to its end: nothing was moved
    bool Cancelled{false};
};

// "pack.tar.gz" -> "pack", "photos.zip" -> "photos", "data.7z" -> "data"; a name that
// would be empty keeps its own with "_files" added.
QString UnpackFolderName(const QString& archiveName);

TUnpackResult Unpack(const TUnpackRequest& request, platform::TFileOpsProgress& progress,
                     const platform::TCollisionAsk& ask);

struct TArchiveTest {
    QString Archive;
    int Members{0};
    QStringList Problems; // one per damaged or unreadable member, then the archive's own
    bool Cancelled{false};
    bool Ok() const { return Problems.isEmpty() && !Cancelled; }
};

// Reads every member of each archive to its end (checking the CRC where the format
// keeps one), writing nothing. Stops at a cancel: the archive at work is marked
// Cancelled and the ones after it are not listed.
std::vector<TArchiveTest> TestArchives(const QStringList& archives, const QString& password,
                                       platform::TFileOpsProgress& progress);
