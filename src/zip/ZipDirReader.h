#pragma once
// The ZIP directory reader. It lists what an archive's central directory lists; only an
// archive without a usable central directory (truncated or damaged) has its local file
// headers walked from the front, with leading data skipped by a bounded scan.

#include "zip/ZipDirEntry.h"

#include <QIODevice>
#include <vector>

// The scan for the first local header gives up after this many bytes tested as "P".
inline constexpr int ZipHeaderScanLimit = 60000;

// Appends the members of `device` (open for reading) to `entries`: those of the central
// directory (see ZipCentralDir.h), or else those ReadLocalHeaders finds, with its
// messages and errors, and then ZipDirectoryDamagedMessage() when it found some without
// an error. An empty central directory adds nothing and says nothing.
void ReadZipEntries(QIODevice& device, std::vector<ZipDirEntry>& entries);

// Says that the members were listed from their local headers: the central directory
// (or the end record that places it) is damaged or missing.
QString ZipDirectoryDamagedMessage();

// Appends one entry per local header of `device` (open for reading, at position 0)
// to `entries`. The entries read before an error stay in `entries`.
//
// No header within the scanned bytes, or the end of the data during the scan: shows
// "No valid zip entries found" (platform::ShowMessage) and returns normally.
// Throws platform::EError: "Error reading Zip File" (the data ends where a signature
// is expected), "Error 2 reading Zip file" (a header or name shorter than announced),
// "Error 3 reading Zip file" (a member's extra field and data reach into the last 22
// bytes or past the end), "Error 4 reading Zip file" / "Error 5 reading Zip file"
// (the extra field / the data cannot be skipped).
//
// Names are read whole, whatever their length. Member data is skipped, never read,
// unless a header carries zero sizes (data descriptor): then the data is scanned in
// 4-byte steps for the next signature. Reads go through one 64 KiB block buffer.
void ReadLocalHeaders(QIODevice& device, std::vector<ZipDirEntry>& entries);
