#include "fileops/TransferPlan.h"

#include "platform/FileSystem.h"
#include "platform/Messages.h"
#include "platform/TempFolder.h"

QString BareName(const QString& memberName)
{
    const qsizetype cut = std::max(memberName.lastIndexOf('/'), memberName.lastIndexOf('\\'));
    return memberName.mid(cut + 1);
}

TTransferPlan::TTransferPlan(const std::vector<TArchiveMember>& existing)
{
    for (const TArchiveMember& m : existing)
        m_taken.insert(m.Name);
}

void TTransferPlan::AddFile(const QString& path, qint64 size, bool isDirectory, const QString& tag)
{
    ++m_requested;
    const QString name = BareName(path);
    if (m_taken.contains(name) || m_taken.contains(name + '/')) {
        m_skipped << name;
        return;
    }
    m_taken.insert(name);
    m_files.push_back({path, tag, size, isDirectory});
    m_sources << path;
}

void TTransferPlan::ReportSkipped(const QString& archive) const
{
    if (m_skipped.isEmpty())
        return;
    platform::ShowMessage(
        archive + QStringLiteral(" already holds ") + m_skipped.join(QStringLiteral(", ")) +
        QStringLiteral(": not added, so that nothing in the archive is replaced."));
}

std::vector<TTransferPlan::TFile>
TTransferPlan::Arrived(const std::vector<TArchiveMember>& after) const
{
    QHash<QString, qint64> sizes;
    for (const TArchiveMember& m : after)
        sizes.insert(m.Name, m.Size);
    std::vector<TFile> arrived;
    for (const TFile& f : m_files) {
        const auto found = sizes.constFind(BareName(f.Path));
        if (!f.IsDirectory && found != sizes.constEnd() && *found == f.Size)
            arrived.push_back(f);
    }
    return arrived;
}

QStringList TTransferPlan::ArrivedSources(const std::vector<TArchiveMember>& after) const
{
    QStringList paths;
    for (const TFile& f : Arrived(after))
        paths << f.Path;
    return paths;
}

QStringList TTransferPlan::ArrivedTags(const std::vector<TArchiveMember>& after) const
{
    QStringList tags;
    for (const TFile& f : Arrived(after))
        tags << f.Tag;
    return tags;
}

void TExtractionPlan::AddMember(const QString& name, qint64 size)
{
    const QString bare = BareName(name);
    const bool candidate = !bare.isEmpty() && !m_taken.contains(bare) &&
                           !platform::FileExists(m_folder + bare) &&
                           !platform::DirectoryExists(m_folder + bare);
    m_taken.insert(bare);
    m_members << name;
    m_sizes << size;
    m_candidates << candidate;
}

QStringList TExtractionPlan::ExtractedMembers() const
{
    QStringList arrived;
    for (int i = 0; i < m_members.size(); ++i)
        if (m_candidates[i] && platform::FileSize(m_folder + BareName(m_members[i])) == m_sizes[i])
            arrived << m_members[i];
    return arrived;
}

qint64 TExtractionPlan::SizeOf(const QString& member) const
{
    const qsizetype i = m_members.indexOf(member);
    return i < 0 ? -1 : m_sizes[i];
}
