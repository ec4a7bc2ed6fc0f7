#include "archive/ReadOnlyArchive.h"

#include "ArchiveLib.h"
#include "platform/FileNames.h"
#include "platform/FileOpsFaults.h"
#include "platform/FileSystem.h"
#include "platform/Messages.h"

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

bool TReadOnlyArchive::Open(const QString& path)
{
    platform::FileOpsFault(platform::TFileOpsStep::ArchiveRead, path);
    archivelib::TListing listing = archivelib::ListMembers(Bytes(path));
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
        member.DateTime = m.MTime > 0 ? platform::ToDosDateTime(m.MTime) : 0;
    }
    m_members.swap(members);
    m_path = path;
    return true;
}

void TReadOnlyArchive::Close()
{
    m_path.clear();
    m_members.clear();
    m_members.shrink_to_fit();
}

std::vector<TArchiveMember> TReadOnlyArchive::Members() const
{
    return m_members;
}

QStringList TReadOnlyArchive::Extract(const QStringList& names, const QString& folder,
                                      int& written) const
{
    std::vector<std::string> wanted;
    for (const QString& name : names)
        wanted.push_back(Bytes(name));
    platform::FileOpsFault(platform::TFileOpsStep::ArchiveRead, m_path);
    const archivelib::TExtraction result =
        archivelib::ExtractMembers(Bytes(m_path), wanted, Bytes(folder));
    written = result.Written;
    QStringList messages;
    for (const std::string& line : result.Messages)
        messages << Text(line);
    return messages;
}

QString TReadOnlyArchive::ReadOnlyText() const
{
    return m_path + QStringLiteral(" is opened read-only: its members can be copied out or "
                                   "viewed, but nothing can be added, moved, renamed or deleted.");
}
