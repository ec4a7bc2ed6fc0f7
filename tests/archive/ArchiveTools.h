#pragma once
// Archives made by the real tools (tar, xz, zstd, 7z, xorriso, ar...) in a scratch folder.

#include <QString>
#include <QStringList>
#include <ctime>

// Runs `program` with `arguments` in `folder`; true when it ran and exited with 0.
bool RunTool(const QString& folder, const QString& program, const QStringList& arguments);

// Sets the modification time of `path` (links themselves, not their targets).
void SetMTime(const QString& path, time_t when);

// The regular files and links below `folder`, relative, sorted.
QStringList FilesBelow(const QString& folder);
