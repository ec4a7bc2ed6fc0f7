#pragma once
// The data of one ZIP member read into memory, for looking into it (the file search):
// stored and deflated members, checked against their CRC-32. Other compression
// methods and encrypted members are not read.

#include "zip/ZipDirEntry.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <functional>

enum class TZipData {
    Read,        // `data` holds the whole member
    TooLarge,    // it holds more than the limit: not read, or read no further
    Unsupported, // encrypted, or compressed by a method not read here: `why` says which
    Damaged,     // its data cannot be read or does not match its CRC-32: `why` says how
    Cancelled,   // `goOn` said no
};

// Reads the member `e` (from the central directory) of the archive open in `device`
// into `data`. A member that says it holds more than `limit` bytes is not read; one
// whose data inflates past it is read no further. `goOn` (may be empty) is asked before
// each block of the file. Any thread; no message is shown.
TZipData ReadZipMember(QIODevice& device, const ZipDirEntry& e, qint64 limit, QByteArray& data,
                       QString& why, const std::function<bool()>& goOn = {});
