#pragma once
// The drives a user would name: "/" first, then mount points of block devices,
// network file systems and tmpfs, outside /proc, /sys, /dev, /run and /snap.

#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace platform
{

// Parses the text of /proc/self/mountinfo into drive roots, each ending in "/",
// "/" first and the others in the order of the table, without duplicates.
QStringList ParseMountInfo(const QByteArray& mountinfo);

// The drive roots of this machine, read once on first use and never refreshed.
const QStringList& LogicalDrives();

// The drive of `location`: the root in `drives` that is the longest prefix of it;
// "/" when none is (and empty for the pseudo-location "Drives").
QString DriveOf(const QString& location, const QStringList& drives);

// Free bytes for an unprivileged user at `path` (statvfs, 64-bit); -1 on failure.
qint64 FreeSpace(const QString& path);

// The name a drive root is shown by: "File System" for "/", else the volume's
// display name, else the last folder name of the root.
QString DriveDisplayName(const QString& root);

} // namespace platform
