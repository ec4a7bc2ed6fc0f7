#pragma once
// Bookkeeping of the transfers that involve archives: which files go into an archive
// and which of them arrived, which members come out of one and which of them arrived.
// A move deletes only what these plans report as arrived.

#include "listing/FileListing.h"

#include <QSet>
#include <QStringList>
#include <vector>

// The last component of a member name ("/" and "\\" both separate).
QString BareName(const QString& memberName);

// Files to add to an archive that already holds `existing`. Adding stores files under
// their bare names, so a file whose bare name the archive holds, or that an earlier file
// of the plan takes, is left out: the archive's member is never replaced.
class TTransferPlan final
{
public:
    explicit TTransferPlan(const std::vector<TArchiveMember>& existing);

    // `tag` travels with the file (for instance the member it was extracted from).
    void AddFile(const QString& path, qint64 size, bool isDirectory, const QString& tag = {});
    int Requested() const { return m_requested; }
    // The full paths to hand to the archive's add.
    const QStringList& Sources() const { return m_sources; }
    // Shows one message naming the files left out, if any.
    void ReportSkipped(const QString& archive) const;
    // Paths (or tags) of the planned files found in `after` under their bare names with
    // their sizes. Folders never count as arrived.
    QStringList ArrivedSources(const std::vector<TArchiveMember>& after) const;
    QStringList ArrivedTags(const std::vector<TArchiveMember>& after) const;

private:
    struct TFile {
        QString Path, Tag;
        qint64 Size{0};
        bool IsDirectory{false};
    };
    std::vector<TFile> Arrived(const std::vector<TArchiveMember>& after) const;

    QSet<QString> m_taken;
    std::vector<TFile> m_files;
    QStringList m_sources, m_skipped;
    int m_requested{0};
};

// Members to extract into `folder`, where extraction never overwrites: a member whose
// bare name is already taken there, before or by an earlier member, does not arrive.
class TExtractionPlan final
{
public:
    explicit TExtractionPlan(const QString& folder) : m_folder(folder) {}

    void AddMember(const QString& name, qint64 size);
    int Requested() const { return int(m_members.size()); }
    // The member names to hand to the extraction, as stored.
    const QStringList& Members() const { return m_members; }
    // Members whose file is now in the folder with the member's size and was not
    // there before. Call after the extraction.
    QStringList ExtractedMembers() const;
    qint64 SizeOf(const QString& member) const;

private:
    QString m_folder;
    QStringList m_members;
    QList<qint64> m_sizes;
    QList<bool> m_candidates;
    QSet<QString> m_taken;
};
