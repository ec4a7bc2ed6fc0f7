#pragma once
// What an edited member is checked against before it is put back: the archive file it
// was extracted from (device, inode, size, time) and the member as it was then (CRC-32,
// size, date). It goes back only into that same file, and only while the member there is
// still the one extracted; otherwise the refusal says what changed.

#include "listing/FileListing.h"
#include "platform/FileSystem.h"

#include <QString>

struct TMemberState {
    platform::TFileStamp Archive; // Size -1: there was no archive
    int Count{0};                 // members of that name; -1: the directory cannot be read
    TArchiveMember Member;        // the one member of that name, when Count is 1
    QString Error;                // why the directory cannot be read
};

// The state of `member` of `archive` now, from the archive's directory (its data is not
// read). Read again when the file changes while its directory is read.
TMemberState ReadMemberState(const QString& archive, const QString& member);

// Empty when `now` is what `then` recorded: the same archive file (device and inode)
// holding the same member (CRC-32, size and date). Otherwise what changed, in words.
QString MemberChanges(const TMemberState& then, const TMemberState& now, const QString& member);
