#include "search/ArchiveNames.h"

#include "archive/ReadOnlyArchive.h"
#include "modules/SupportModules.h"
#include "platform/FileBlocks.h"
#include "platform/FileNames.h"
#include "platform/FileOpsProgress.h"
#include "platform/FileSystem.h"
#include "zip/ZipCentralDir.h"

#include <QFile>

namespace
{

bool IsFolderName(const QString& name)
{
    return name.endsWith('/') || name.endsWith('\\');
}

std::optional<std::vector<TArchiveMember>> ZipMembers(const QString& path)
{
    QFile file;
    std::vector<ZipDirEntry> entries;
    // Only the central directory: walking local headers of a damaged archive would show
    // messages, and a search shows none per file. A FIFO named so is never opened.
    if (!platform::OpenRegularFile(path, file) || !ReadCentralDirectory(file, entries))
        return std::nullopt;
    std::vector<TArchiveMember> members;
    for (const ZipDirEntry& e : entries)
        if (!IsFolderName(e.FileName))
            members.push_back({e.FileName, qint64(e.UncompressedSize),
                               DosDayCount(e.FileDate, e.FileTime), e.CRC32});
    return members;
}

std::optional<std::vector<TArchiveMember>>
ReadOnlyMembers(const QString& path, const platform::TFileOpsProgress* progress)
{
    QString failure;
    const TArchiveModule* formats = ArchiveModuleOf(failure);
    if (!formats)
        return std::nullopt;
    archivelib::TGoOn goOn;
    if (progress)
        goOn = [progress] { return !platform::CancelRequested(progress); };
    const archivelib::TListing listing =
        formats->ListMembers(platform::EncodeFileName(path).toStdString(), goOn);
    if (listing.Status != archivelib::TStatus::Ok)
        return std::nullopt;
    std::vector<TArchiveMember> members;
    for (const archivelib::TMember& m : listing.Members) {
        if (m.IsDirectory)
            continue;
        const QString name = platform::DecodeFileName(QByteArray::fromStdString(m.Name));
        if (!IsFolderName(name))
            members.push_back({name, m.Size, m.MTime > 0 ? platform::ToDayCount(m.MTime) : 0, 0});
    }
    return members;
}

} // namespace

bool IsSearchedArchive(const QString& name)
{
    return (name.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive) && name.size() > 4) ||
           HasArchiveExtension(name);
}

std::optional<std::vector<TArchiveMember>>
ArchiveMemberNames(const QString& path, const platform::TFileOpsProgress* progress)
{
    if (path.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive))
        return ZipMembers(path);
    return ReadOnlyMembers(path, progress);
}
