#include "search/ArchiveNames.h"

#include "archive/ReadOnlyArchive.h"
#include "modules/SupportModules.h"
#include "platform/FileBlocks.h"
#include "platform/FileNames.h"
#include "platform/FileOpsProgress.h"
#include "platform/FileSystem.h"
#include "zip/ZipCentralDir.h"
#include "zip/ZipMemberData.h"

#include <QFile>

namespace
{

bool IsFolderName(const QString& name)
{
    return name.endsWith('/') || name.endsWith('\\');
}

bool IsZipName(const QString& path)
{
    return path.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive);
}

archivelib::TGoOn GoOnOf(const platform::TFileOpsProgress* progress)
{
    if (!progress)
        return {};
    return [progress] { return !platform::CancelRequested(progress); };
}

// The archive's central directory. Only that: walking local headers of a damaged
// archive would show messages, and a search shows none per file. A FIFO named so is
// never opened.
bool ReadZipDirectory(const QString& path, QFile& file, std::vector<ZipDirEntry>& entries,
                      QString* failure)
{
    if (platform::OpenRegularFile(path, file) && ReadCentralDirectory(file, entries))
        return true;
    if (failure)
        *failure = path + QStringLiteral(": not a ZIP archive, or a damaged one");
    return false;
}

TArchiveMember ZipMember(const ZipDirEntry& e)
{
    return {e.FileName, qint64(e.UncompressedSize), DosDayCount(e.FileDate, e.FileTime), e.CRC32};
}

std::optional<std::vector<TArchiveMember>> ZipMembers(const QString& path, QString* failure)
{
    QFile file;
    std::vector<ZipDirEntry> entries;
    if (!ReadZipDirectory(path, file, entries, failure))
        return std::nullopt;
    std::vector<TArchiveMember> members;
    for (const ZipDirEntry& e : entries)
        if (!IsFolderName(e.FileName))
            members.push_back(ZipMember(e));
    return members;
}

QString NameOf(const std::string& name)
{
    return platform::DecodeFileName(QByteArray::fromStdString(name));
}

TArchiveMember MemberOf(const archivelib::TMember& m)
{
    return {NameOf(m.Name), m.Size, m.MTime > 0 ? platform::ToDayCount(m.MTime) : 0, 0};
}

// The archive module, or nothing with `failure` saying why it cannot be loaded.
const TArchiveModule* Formats(const QString& path, QString* failure)
{
    QString why;
    const TArchiveModule* formats = ArchiveModuleOf(why);
    if (!formats && failure)
        *failure = path + QStringLiteral(": ") + why;
    return formats;
}

// Why a listing of the archive module failed; empty when it was stopped.
QString ListingFailure(const QString& path, const archivelib::TListing& listing)
{
    if (listing.Cancelled)
        return {};
    if (listing.Status == archivelib::TStatus::NotArchive)
        return path + QStringLiteral(": not an archive of a known format");
    return QString::fromStdString(listing.Message);
}

std::optional<std::vector<TArchiveMember>>
ReadOnlyMembers(const QString& path, const platform::TFileOpsProgress* progress, QString* failure)
{
    const TArchiveModule* formats = Formats(path, failure);
    if (!formats)
        return std::nullopt;
    const archivelib::TListing listing =
        formats->ListMembers(platform::EncodeFileName(path).toStdString(), GoOnOf(progress));
    if (listing.Status != archivelib::TStatus::Ok) {
        if (failure)
            *failure = ListingFailure(path, listing);
        return std::nullopt;
    }
    std::vector<TArchiveMember> members;
    for (const archivelib::TMember& m : listing.Members)
        if (!m.IsDirectory && !IsFolderName(NameOf(m.Name)))
            members.push_back(MemberOf(m));
    return members;
}

bool ZipContents(const QString& path, qint64 limit,
                 const std::function<bool(const QString& name)>& wanted,
                 const std::function<void(const TMemberContent& member)>& found,
                 const platform::TFileOpsProgress* progress, QString& failure)
{
    QFile file;
    std::vector<ZipDirEntry> entries;
    if (!ReadZipDirectory(path, file, entries, &failure))
        return false;
    const archivelib::TGoOn goOn = GoOnOf(progress);
    TMemberContent content;
    for (const ZipDirEntry& e : entries) {
        if (IsFolderName(e.FileName) || !wanted(e.FileName))
            continue;
        content.Member = ZipMember(e);
        switch (ReadZipMember(file, e, limit, content.Data, content.Why, goOn)) {
        case TZipData::Cancelled:
            return false;
        case TZipData::Read:
            content.Status = TMemberContent::TStatus::Read;
            break;
        case TZipData::TooLarge:
            content.Status = TMemberContent::TStatus::TooLarge;
            break;
        case TZipData::Unsupported:
        case TZipData::Damaged:
            content.Status = TMemberContent::TStatus::Unreadable;
            break;
        }
        found(content);
    }
    return true;
}

bool ReadOnlyContents(const QString& path, qint64 limit,
                      const std::function<bool(const QString& name)>& wanted,
                      const std::function<void(const TMemberContent& member)>& found,
                      const platform::TFileOpsProgress* progress, QString& failure)
{
    const TArchiveModule* formats = Formats(path, &failure);
    if (!formats)
        return false;
    TMemberContent content;
    const auto take = [&](const archivelib::TMemberData& m) {
        using TStatus = archivelib::TMemberData::TStatus;
        content.Member = MemberOf(m.Member);
        content.Status = m.Status == TStatus::Read       ? TMemberContent::TStatus::Read
                         : m.Status == TStatus::TooLarge ? TMemberContent::TStatus::TooLarge
                                                         : TMemberContent::TStatus::Unreadable;
        content.Data = QByteArray::fromStdString(m.Data);
        content.Why = QString::fromStdString(m.Message);
        found(content);
        return true;
    };
    const archivelib::TListing read = formats->ReadMembers(
        platform::EncodeFileName(path).toStdString(), limit,
        [&](const archivelib::TMember& m) {
            const QString name = NameOf(m.Name);
            return !IsFolderName(name) && wanted(name);
        },
        take, GoOnOf(progress));
    if (read.Status == archivelib::TStatus::Ok)
        return true;
    failure = ListingFailure(path, read);
    return false;
}

} // namespace

bool IsSearchedArchive(const QString& name)
{
    return (IsZipName(name) && name.size() > 4) || HasArchiveExtension(name);
}

std::optional<std::vector<TArchiveMember>>
ArchiveMemberNames(const QString& path, const platform::TFileOpsProgress* progress,
                   QString* failure)
{
    if (IsZipName(path))
        return ZipMembers(path, failure);
    return ReadOnlyMembers(path, progress, failure);
}

bool ArchiveMemberContents(const QString& path, qint64 limit,
                           const std::function<bool(const QString& name)>& wanted,
                           const std::function<void(const TMemberContent& member)>& found,
                           const platform::TFileOpsProgress* progress, QString& failure)
{
    failure.clear();
    if (IsZipName(path))
        return ZipContents(path, limit, wanted, found, progress, failure);
    return ReadOnlyContents(path, limit, wanted, found, progress, failure);
}
