#include "sync/SyncArchive.h"

#include "platform/FileNames.h"

#include <QDateTime>
#include <cerrno>
#include <cmath>
#include <sys/stat.h>

namespace
{

// Seconds since 1970 of a member's local date (days since 30 December 1899).
qint64 EpochSeconds(double dayCount)
{
    const double whole = std::floor(dayCount);
    const auto seconds = qint64(std::llround((dayCount - whole) * 86400.0));
    const QDateTime local(QDate(1899, 12, 30).addDays(qint64(whole)), QTime(0, 0), Qt::LocalTime);
    return local.addSecs(seconds).toSecsSinceEpoch();
}

QSet<QString> Repeated(const std::vector<TArchiveMember>& members)
{
    QSet<QString> seen, repeated;
    for (const TArchiveMember& m : members)
        if (seen.contains(m.Name))
            repeated.insert(m.Name);
        else
            seen.insert(m.Name);
    return repeated;
}

// The last part of a folder row's path ("sub/deeper" gives "deeper").
QString LastPart(const QString& path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

struct TWalk {
    const TArchiveFolders& Index;
    const QSet<QString>& Repeated;
    bool Subfolders;
    platform::TFolderScan& Scan;
    QHash<QByteArray, QString>* From;

    void Folder(const QString& folder, const QByteArray& rel, int depth) const
    {
        for (const TFileObject& row : Index.Rows(folder)) {
            const bool isFolder = row.IsDirectory();
            if (!isFolder && (!IsPlainMemberPath(row.Name) || Repeated.contains(row.Name)))
                continue;
            platform::TScannedEntry entry;
            entry.Path = rel + platform::EncodeFileName(isFolder ? LastPart(row.Name)
                                                                 : ShownMemberName(row.Name));
            entry.Depth = depth;
            entry.Seen.Size = isFolder ? 0 : row.Size;
            entry.Seen.Seconds = EpochSeconds(row.DateTime);
            entry.Seen.Mode = isFolder ? (S_IFDIR | 0755) : (S_IFREG | 0644);
            Scan.Entries.push_back(entry);
            if (From)
                From->insert(entry.Path, isFolder ? row.Name + '/' : row.Name);
            if (isFolder && Subfolders)
                Folder(row.Name + '/', entry.Path + '/', depth + 1);
        }
    }
};

} // namespace

platform::TFolderScan ScanArchive(const TArchiveSide& archive, bool subfolders,
                                  QHash<QByteArray, QString>* from)
{
    platform::TFolderScan scan;
    const TArchiveFolders index(archive.Members);
    if (!index.HasFolder(archive.Folder)) {
        scan.Error = ENOENT;
        return scan;
    }
    const QSet<QString> repeated = Repeated(archive.Members);
    TWalk{index, repeated, subfolders, scan, from}.Folder(archive.Folder, {}, 0);
    return scan;
}

TArchiveCopier::TArchiveCopier(const TArchiveSide& archive)
    : m_archive(archive), m_index(archive.Members), m_repeated(Repeated(archive.Members))
{
    ScanArchive(archive, true, &m_from);
    for (const TArchiveMember& m : m_index.Members())
        m_byName.insert(m.Name, &m);
}

bool TArchiveCopier::Copyable(const QString& name) const
{
    return IsPlainMemberPath(name) && !m_repeated.contains(name);
}

platform::TSyncStep TArchiveCopier::Copy(const QString& toRoot, const QByteArray& relPath,
                                         const platform::TSeenEntry* to, bool useTrash,
                                         platform::TFileOpsReport& report,
                                         platform::TFileOpsProgress& progress) const
{
    using platform::TSyncStep;
    const QString shown = m_archive.Shown + '/' + platform::DecodeFileName(relPath);
    const auto origin = m_from.constFind(relPath);
    if (origin == m_from.constEnd())
        return TSyncStep::Changed; // not in the archive as compared
    platform::TSyncStaging staging(toRoot, relPath);
    const TSyncStep begun = staging.Begin(to, report);
    if (begun != TSyncStep::Done)
        return begun;
    const QByteArray name = relPath.mid(relPath.lastIndexOf('/') + 1);
    const bool whole = origin->endsWith('/')
                           ? FillFolder(*origin, name, staging, shown, report, progress)
                           : ExtractChecked({*origin}, {}, staging, shown, report, progress);
    if (!whole) // a cancel, or a member not extracted whole
        return platform::CancelRequested(&progress) ? TSyncStep::Cancelled : TSyncStep::Failed;
    return staging.Place(name, to, useTrash, shown, report);
}

bool TArchiveCopier::ExtractChecked(const QStringList& names, const QByteArray& inner,
                                    platform::TSyncStaging& staging, const QString& shown,
                                    platform::TFileOpsReport& report,
                                    platform::TFileOpsProgress& progress) const
{
    const QStringList lines =
        m_archive.Extract(names, staging.Folder() + platform::DecodeFileName(inner), progress);
    if (platform::CancelRequested(&progress))
        return false;
    bool whole = true;
    for (const QString& name : names) {
        const TArchiveMember* m = m_byName.value(name);
        const QByteArray rel = inner + platform::EncodeFileName(ShownMemberName(name));
        if (!m || !staging.Holds(rel, m->Size, m_archive.HasCrc ? &m->Crc32 : nullptr)) {
            report.Failed(shown, QStringLiteral("%1 did not come out of the archive whole, so "
                                                "nothing was put in place")
                                     .arg(name));
            whole = false;
        }
    }
    // What the extraction said, where it matters.
    if (!whole)
        for (const QString& line : lines)
            report.Failed(shown, line);
    return whole;
}

bool TArchiveCopier::FillFolder(const QString& folder, const QByteArray& inner,
                                platform::TSyncStaging& staging, const QString& shown,
                                platform::TFileOpsReport& report,
                                platform::TFileOpsProgress& progress) const
{
    if (!staging.MakeFolder(inner, report))
        return false;
    QStringList names, folders;
    for (const TFileObject& row : m_index.Rows(folder)) {
        if (row.IsDirectory())
            folders << row.Name;
        else if (Copyable(row.Name))
            names << row.Name;
    }
    if (!names.isEmpty() && !ExtractChecked(names, inner + '/', staging, shown, report, progress))
        return false;
    for (const QString& sub : folders) {
        if (platform::CancelRequested(&progress))
            return false;
        const QByteArray below = inner + '/' + platform::EncodeFileName(LastPart(sub));
        if (!FillFolder(sub + '/', below, staging, shown, report, progress))
            return false;
    }
    return true;
}
