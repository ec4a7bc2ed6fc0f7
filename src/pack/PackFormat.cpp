#include "pack/PackFormat.h"

#include <QDir>

namespace
{

constexpr TPackFormatInfo kInfo[] = {
    {"ZIP", ".zip", 0, 9, 6},       {"tar", ".tar", 0, 0, 0},
    {"tar.gz", ".tar.gz", 1, 9, 6}, {"tar.bz2", ".tar.bz2", 1, 9, 9},
    {"tar.xz", ".tar.xz", 0, 9, 6}, {"tar.zst", ".tar.zst", 1, 19, 3},
    {"7z", ".7z", 0, 9, 6},
};

} // namespace

const TPackFormatInfo& PackFormatInfo(TPackFormat format)
{
    return kInfo[int(format)];
}

const std::array<TPackFormat, 7>& PackFormats()
{
    static const std::array<TPackFormat, 7> formats{
        TPackFormat::Zip,   TPackFormat::Tar,    TPackFormat::TarGz,   TPackFormat::TarBz2,
        TPackFormat::TarXz, TPackFormat::TarZst, TPackFormat::SevenZip};
    return formats;
}

QString WithPackExtension(const QString& name, TPackFormat format)
{
    QString base = name;
    // The longest extension first, so "x.tar.gz" loses ".tar.gz" and not ".gz" alone.
    static const char* const known[] = {".tar.gz", ".tar.bz2", ".tar.xz", ".tar.zst",
                                        ".tgz",    ".zip",     ".tar",    ".7z"};
    for (const char* extension : known)
        if (base.endsWith(QLatin1String(extension), Qt::CaseInsensitive) &&
            base.size() > qsizetype(strlen(extension))) {
            base.chop(qsizetype(strlen(extension)));
            break;
        }
    return base + QLatin1String(PackFormatInfo(format).Extension);
}

QString DefaultPackName(const QString& folder, const QStringList& items, TPackFormat format)
{
    QString name = items.size() == 1 ? items.front().section('/', -1)
                                     : QDir::cleanPath(folder).section('/', -1);
    if (name.isEmpty())
        name = QStringLiteral("archive");
    return name + QLatin1String(PackFormatInfo(format).Extension);
}
