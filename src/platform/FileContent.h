#pragma once
// What a file and a folder hold, as the checks of a transfer into or out of an archive
// need it: the ZIP checksum of a file and the entries below a folder.

#include <QString>
#include <QtGlobal>
#include <optional>
#include <vector>

namespace platform
{

// CRC-32 (the checksum ZIP stores per member) of the file at `path`, links followed;
// nothing when it cannot be read. Cost: reads the file once.
std::optional<quint32> FileCrc32(const QString& path);

// True when the file at `path` begins as a ZIP archive does: a local file header, or the
// end record of an archive without members. Cost: one read of four bytes.
bool BeginsAsZip(const QString& path);

// One entry below a folder.
struct TTreeEntry {
    enum class TKind { File, Folder, Other };
    QString Path; // relative to the folder, "/" separated
    TKind Kind{TKind::Other};
    qint64 Size{0}; // files only
};

// Every entry below `folder`, each folder before what it holds, hidden entries
// included. A link to a file counts as a file; a link to a folder is not entered and,
// like every entry that is neither a file nor a folder, counts as Other. A folder
// below it that cannot be read counts as Other too; nothing when `folder` itself cannot
// be read. Cost: one pass over the tree.
std::optional<std::vector<TTreeEntry>> FolderTree(const QString& folder);

} // namespace platform
