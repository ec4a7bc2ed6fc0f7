#pragma once
// The archive formats a new archive can be packed in, with their extensions and
// compression levels, and the names proposed for a new archive. No file-system access.

#include <QString>
#include <QStringList>
#include <array>

enum class TPackFormat { Zip, Tar, TarGz, TarBz2, TarXz, TarZst, SevenZip };

struct TPackFormatInfo {
    const char* Label;
    const char* Extension;                // with the dot
    int MinLevel, MaxLevel, DefaultLevel; // all 0 where there is no level (tar)
};

const TPackFormatInfo& PackFormatInfo(TPackFormat format);
const std::array<TPackFormat, 7>& PackFormats();
inline bool HasLevel(TPackFormat format)
{
    return PackFormatInfo(format).MaxLevel > 0;
}

// `name` with the extension of `format` instead of any archive extension it ends in.
QString WithPackExtension(const QString& name, TPackFormat format);

// The name proposed for packing `items` of `folder` (ending in "/"): the item's name for
// one item, else the folder's name ("archive" at the root), with the format's extension.
QString DefaultPackName(const QString& folder, const QStringList& items, TPackFormat format);
