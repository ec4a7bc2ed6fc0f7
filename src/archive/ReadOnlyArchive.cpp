#include "archive/ReadOnlyArchive.h"

#include "modules/SupportModules.h"
#include "platform/FileNames.h"
#include "platform/FileOpsFaults.h"
#include "platform/FileOpsProgress.h"
#include "platform/FileSystem.h"
#include "platform/Messages.h"

#include <QHash>

namespace
{

std::string Bytes(const QString& name)
{
    return platform::EncodeFileName(name).toStdString();
}

QString Text(const std::string& bytes)
{
    return platform::DecodeFileName(QByteArray::fromStdString(bytes));
}

} // namespace

bool HasArchiveExtension(const QString& name)
{
    static const char* const kExtensions[] = {
        ".tar", ".tgz", ".gz",  ".tbz", ".tbz2", ".bz2", ".txz",  ".xz", ".tzst", ".zst",
        ".lz",  ".lzma", ".7z", ".iso", ".rar",  ".cpio", ".ar", ".deb", ".rpm"};
    for (const char* extension : kExtensions)
        if (name.endsWith(QLatin1String(extension), Qt::CaseInsensitive) &&
            name.size() > qsizetype(qstrlen(extension)))
            return true;
    return false;
}

bool TReadOnlyArchive::Open(const QString& path, const std::function<bool()>& goOn)
{
    platform::FileOpsFault(platform::TFileOpsStep::ArchiveRead, path);
    QString failure;
    const TArchiveModule* formats = ArchiveModuleOf(failure);
    if (!formats) {
        // Without the formats no content can be told: a file named as an archive says
        // why it does not open, any other is handled as no archive.
        if (HasArchiveExtension(path))
            throw platform::EError(failure);
        return false;
    }
    archivelib::TListing listing =
        goOn ? formats->ListMembersApart(Bytes(path), goOn) : formats->ListMembers(Bytes(path), {});
    if (listing.Status == archivelib::TStatus::NotArchive)
        return false;
    if (listing.Status != archivelib::TStatus::Ok)
        throw platform::EError(Text(listing.Message));
    std::vector<TArchiveMember> members;
    members.reserve(listing.Members.size());
    for (const archivelib::TMember& m : listing.Members) {
        TArchiveMember& member = members.emplace_back();
        member.Name = Text(m.Name);
        if (m.IsDirectory && !member.Name.endsWith('/'))
            member.Name += '/';
        member.Size = m.Size;
        // No date (a single compressed file's member) stays 0, as for ZIP members.
        member.DateTime = m.MTime > 0 ? platform::ToDayCount(m.MTime) : 0;
    }
    m_members.swap(members);
    m_path = path;
    m_warning = Text(listing.Message);
    return true;
}

void TReadOnlyArchive::Close()
{
    m_path.clear();
    m_warning.clear();
    m_members.clear();
    m_members.shrink_to_fit();
}

std::vector<TArchiveMember> TReadOnlyArchive::Members() const
{
    return m_members;
}

// A name held by more than one member (a tar archive appended to with a newer file)
// does not tell which member the row stood for: such names are refused rather than
// answered with whichever member comes first.
QStringList TReadOnlyArchive::Extract(const QStringList& names, const QString& folder, int& written,
                                      platform::TFileOpsProgress* progress) const
{
    QHash<QString, int> count;
    for (const TArchiveMember& m : m_members)
        ++count[m.Name];
    QStringList messages;
    std::vector<std::string> wanted;
    for (const QString& name : names) {
        if (count.value(name) > 1)
            messages << QStringLiteral("Skipped %1: the archive holds %2 members of that name, "
                                       "and which one was meant cannot be told")
                            .arg(name)
                            .arg(count.value(name));
        else
            wanted.push_back(Bytes(name));
    }
    written = 0;
    if (wanted.empty())
        return messages;
    platform::FileOpsFault(platform::TFileOpsStep::ArchiveRead, m_path);
    archivelib::TProgress step;
    if (progress)
        step = [progress, path = m_path](int64_t bytes, int files) {
            progress->AddBytes(bytes);
            if (files > 0)
                progress->AddItem();
            else
                platform::FileOpsFault(platform::TFileOpsStep::ArchiveData, path);
            return !progress->Cancelled();
        };
    QString failure;
    const TArchiveModule* formats = ArchiveModuleOf(failure);
    if (!formats)
        return messages << failure;
    const archivelib::TExtraction result =
        formats->ExtractMembers(Bytes(m_path), wanted, Bytes(folder), step);
    written = result.Written;
    for (const std::string& line : result.Messages)
        messages << Text(line);
    return messages;
}

QString TReadOnlyArchive::ReadOnlyText() const
{
    return m_path + QStringLiteral(" is opened read-only: its members can be copied out or "
                                   "viewed, but nothing can be added, moved, renamed or deleted.");
}
