#pragma once
// What a file search reads from inside archives: the member names, and for a search by
// content the members' data, each read into memory up to a limit. ZIP through our own
// directory reader and member reader, the read-only formats through ARCHIVELIB.

#include "listing/FileListing.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace platform
{
class TFileOpsProgress;
}

// Whether a file named `name` is an archive the search looks into, by its extension
// (".zip" and the usual ones of tar, its compressed forms, cpio, 7z, ISO, RAR and AR).
bool IsSearchedArchive(const QString& name);

// The file members of the archive at `path` (folders left out), with their stored
// names, sizes and dates; nothing when it is no archive, no regular file or cannot be
// read, or when the cancel flag of `progress` (may be null) stops the reading, which it
// does within a block of the file. Shows no message and raises nothing. Any thread.
// `failure` (may be null) gets why it could not be read; empty when it was cancelled.
std::optional<std::vector<TArchiveMember>>
ArchiveMemberNames(const QString& path, const platform::TFileOpsProgress* progress = nullptr,
                   QString* failure = nullptr);

// A member's data as ArchiveMemberContents hands it over.
struct TMemberContent {
    enum class TStatus { Read, TooLarge, Unreadable };
    TArchiveMember Member;
    TStatus Status{TStatus::Read};
    QByteArray Data; // with Read, the whole member
    QString Why;     // with Unreadable, why ("encrypted", "its data is damaged")
};

// Reads the file members of the archive at `path` whose stored names `wanted` accepts,
// one at a time, into memory up to `limit` bytes each (a member over it is TooLarge and
// not read further), and hands each to `found`. Returns false with `failure` set when the
// archive could not be read to its end (members read before still went to `found`);
// `failure` stays empty when the cancel flag of `progress` stopped it. Any thread.
bool ArchiveMemberContents(const QString& path, qint64 limit,
                           const std::function<bool(const QString& name)>& wanted,
                           const std::function<void(const TMemberContent& member)>& found,
                           const platform::TFileOpsProgress* progress, QString& failure);
