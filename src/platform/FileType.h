#pragma once
// What kind of file system object a path names, asked without opening it: a FIFO or a
// device must never be opened by code that only wants to show what it is (an open of a
// FIFO waits for a writer, a read of a device may never end).

#include <QString>
#include <QtGlobal>

namespace platform
{

enum class TFileType { Missing, Regular, Folder, Fifo, CharDevice, BlockDevice, Socket, Other };

struct TFileTypeInfo {
    TFileType Type{TFileType::Missing};
    qint64 Size{0};
    QString Why; // the system's reason when Type is Missing
};

// The type and size of what `path` names, links followed. Cost: one stat call.
TFileTypeInfo FileTypeOf(const QString& path);

// The type as a user reads it: "FIFO", "character device", ...
QString FileTypeName(TFileType type);

// Lowers the scheduling priority of the calling thread (its nice value, by `steps`), so
// that work in the background leaves the processor to the window's thread first.
void LowerThreadPriority(int steps);

} // namespace platform
