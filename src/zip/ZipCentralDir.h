#pragma once
// The ZIP central directory: the list of members as the archive's writer recorded it,
// with their sizes (ZIP64 included) whatever the local headers carry.

#include "zip/ZipDirEntry.h"

#include <QIODevice>
#include <vector>

// Appends one entry per central-directory record of `device` (open for reading) to
// `entries`, in the directory's order. Handles ZIP64 end records and extra fields, and
// data before the archive, whether its offsets count it or not. Returns false and leaves
// `entries` as it was when no end record is found or the directory it describes does
// not parse whole (a truncated or damaged archive).
// Cost: reads the tail of the file and the directory in one piece; member data is
// never read.
bool ReadCentralDirectory(QIODevice& device, std::vector<ZipDirEntry>& entries);

// A DOS date and time (local time, two-second steps) as a day count since 30 December
// 1899, as the panels show members' dates; 0 for a date that names no day.
double DosDayCount(quint16 date, quint16 time);
