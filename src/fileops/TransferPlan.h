#pragma once
// Bookkeeping of the transfers that involve archives: which files and folders go into
// an archive and which of them arrived, which members come out of one and which of them
// arrived, and a line for each item that was not done, saying why. A move deletes only
// what these plans report as arrived: content found whole (same size, same CRC-32).

#include "listing/ArchiveFolders.h"
#include "listing/FileListing.h"
#include "transfer/FileOpsRecord.h"

#include <QSet>
#include <QStringList>
#include <vector>

// The last component of a member name ("/" and "\\" both separate).
QString BareName(const QString& memberName);

// Files and folders to add to an archive that already holds `existing`. A file is stored
// under its name on disk (without its folders; a "\\" in it is kept); a folder with everything
// below it, under names that start with the folder's own name. The archive's members are never
// replaced: a file whose stored name the archive holds, or that an earlier item of the plan takes,
// is left out, and so is a folder any of whose files would be.
class TTransferPlan final
{
public:
    // `prefix`: the folder of the archive ("sub/") the names are stored below; "" the top.
    explicit TTransferPlan(const std::vector<TArchiveMember>& existing, const QString& prefix = {});

    // `tag` names the file in messages and in Arrived (for instance the member it was
    // extracted from); by default its path.
    void AddFile(const QString& path, const QString& tag = {});
    // A folder; all the folders of one plan lie in the same parent folder.
    void AddFolder(const QString& path);
    int Requested() const { return m_requested; }
    // Full paths of the files, for an add that drops folder names.
    const QStringList& Files() const { return m_files; }
    // Names of the folders, relative to their parent, for an add that keeps folder names
    // and descends into folders.
    const QStringList& Folders() const { return m_folders; }
    // One line per item left out: "<tag>: not <verb>, <why>".
    QStringList Skipped(const QString& verb) const;

    struct TItem {
        QString Path, Tag;
        bool IsFolder{false};
        // What was checked, as it was on disk before its content was read: a move removes
        // exactly these entries (platform::RemoveRecordedItem).
        platform::TEntryRecord Record;
    };
    // After the add: the items whose every file `after` holds under its stored name (and
    // every folder below a folder item); with `checkContent`, only with the size and
    // CRC-32 the file has now. The others each get a line in `missed`; a folder that
    // holds links to folders or special files, which are never added, arrives without
    // them and is said so (a move does not delete it). Cost: with
    // `checkContent`, reads every file of the plan once.
    std::vector<TItem> Arrived(const std::vector<TArchiveMember>& after, bool checkContent,
                               const QString& verb, QStringList& missed) const;

private:
    using TMembers = QHash<QString, const TArchiveMember*>;
    // Why `item` did not arrive; entries the add leaves out by rule (links to folders,
    // special files) go to `left`.
    QString Problem(TItem& item, const TMembers& after, bool checkContent, QStringList& left) const;
    static QString FolderProblem(const QString& path, const QString& stored,
                                 const platform::TEntryRecord& record, const TMembers& after,
                                 bool checkContent, QStringList& left);
    static QString FileProblem(const QString& path, const QString& stored, const TMembers& after,
                               bool checkContent);

    QString m_prefix;
    QSet<QString> m_taken;
    std::vector<TItem> m_items;
    QStringList m_files, m_folders;
    QList<QPair<QString, QString>> m_skipped; // tag, why
    int m_requested{0};
};

// Members of an archive to extract into `folder`, where extraction never overwrites
// and drops folder names: a member whose bare name is taken there, or by an earlier
// member of the plan, is left out before the extraction.
class TExtractionPlan final
{
public:
    // `archive`: the members of the archive, for their sizes and checksums.
    TExtractionPlan(const QString& folder, const std::vector<TArchiveMember>& archive);

    void AddMember(const QString& name);
    int Requested() const { return m_requested; }
    // The member names to hand to the extraction, as stored.
    const QStringList& Members() const { return m_members; }
    // One line per member left out: "<member>: not <verb>, <why>".
    QStringList Skipped(const QString& verb) const;
    // After the extraction: the members whose file is in the folder; with `checkContent`,
    // only with the member's size and CRC-32. The others each get a line in `missed`.
    // Cost: with `checkContent`, reads those files once.
    QStringList Extracted(bool checkContent, const QString& verb, QStringList& missed) const;

private:
    QString m_folder;
    QHash<QString, TArchiveMember> m_archive;
    QSet<QString> m_duplicates; // names the archive holds more than once
    QStringList m_members;
    QHash<QString, QString> m_takenBy;        // bare name -> member of the plan
    QList<QPair<QString, QString>> m_skipped; // member, why
    int m_requested{0};
};
