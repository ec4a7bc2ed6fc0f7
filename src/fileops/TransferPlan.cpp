#include "fileops/TransferPlan.h"

#include "platform/FileContent.h"
#include "platform/FileNames.h"
#include "platform/FileSystem.h"
#include "platform/TempFolder.h"

namespace
{

QStringList Lines(const QList<QPair<QString, QString>>& items, const QString& verb)
{
    QStringList lines;
    for (const auto& [name, why] : items)
        lines << QStringLiteral("%1: not %2, %3").arg(name, verb, why);
    return lines;
}

// The name of a file or folder on disk: "\\" is an ordinary character there.
QString DiskName(const QString& path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

QString WithoutTrailingSlash(QString path)
{
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    return path;
}

} // namespace

QString BareName(const QString& memberName)
{
    const qsizetype cut = std::max(memberName.lastIndexOf('/'), memberName.lastIndexOf('\\'));
    return memberName.mid(cut + 1);
}

TTransferPlan::TTransferPlan(const std::vector<TArchiveMember>& existing, const QString& prefix)
    : m_prefix(prefix)
{
    for (const TArchiveMember& m : existing)
        m_taken.insert(m.Name);
}

void TTransferPlan::AddFile(const QString& path, const QString& tag)
{
    ++m_requested;
    const QString name = m_prefix + DiskName(path);
    const QString shown = tag.isEmpty() ? name : tag;
    if (!platform::FileExists(path) && !platform::DirectoryExists(path)) {
        m_skipped.append({shown, QStringLiteral("the file is no longer there (deleted or moved "
                                                "since the panel was read)")});
        return;
    }
    if (m_taken.contains(name) || m_taken.contains(name + '/')) {
        m_skipped.append({shown, QStringLiteral("the archive already holds %1 and nothing in "
                                                "it is replaced")
                                     .arg(name)});
        return;
    }
    m_taken.insert(name);
    m_items.push_back({path, shown, false});
    m_files << path;
}

void TTransferPlan::AddFolder(const QString& path)
{
    ++m_requested;
    const QString folder = WithoutTrailingSlash(path);
    const QString name = DiskName(folder);
    const auto tree = platform::FolderTree(folder);
    if (!tree) {
        m_skipped.append({name, QStringLiteral("the folder cannot be read")});
        return;
    }
    QStringList stored;
    for (const platform::TTreeEntry& e : *tree)
        if (e.Kind == platform::TTreeEntry::TKind::File)
            stored << m_prefix + name + '/' + e.Path;
    for (const QString& s : stored) {
        if (m_taken.contains(s)) {
            m_skipped.append({name, QStringLiteral("the archive already holds %1 and nothing in "
                                                   "it is replaced")
                                        .arg(s)});
            return;
        }
    }
    for (const QString& s : stored)
        m_taken.insert(s);
    m_items.push_back({folder, name, true});
    m_folders << name;
}

QStringList TTransferPlan::Skipped(const QString& verb) const
{
    return Lines(m_skipped, verb);
}

std::vector<TTransferPlan::TItem> TTransferPlan::Arrived(const std::vector<TArchiveMember>& after,
                                                         bool checkContent, const QString& verb,
                                                         QStringList& missed) const
{
    TMembers members;
    for (const TArchiveMember& m : after)
        members.insert(m.Name, &m);
    std::vector<TItem> arrived;
    QList<QPair<QString, QString>> problems;
    for (const TItem& planned : m_items) {
        TItem item = planned;
        QStringList left;
        const QString problem = Problem(item, members, checkContent, left);
        if (!problem.isEmpty())
            problems.append({item.Tag, problem});
        else if (left.isEmpty())
            arrived.push_back(item);
        else // what could go in went in; the folder is not deleted by a move
            missed << (verb == QLatin1String("moved")
                           ? QStringLiteral("%1: its files went into the archive, but not %2 "
                                            "(links to folders and special files are not "
                                            "added), so the folder was not deleted")
                           : QStringLiteral("%1: %3 without %2 (links to folders and special "
                                            "files are not added)"))
                          .arg(item.Tag, left.join(QStringLiteral(", ")), verb);
    }
    missed << Lines(problems, verb);
    return arrived;
}

QString TTransferPlan::Problem(TItem& item, const TMembers& after, bool checkContent,
                               QStringList& left) const
{
    // Recorded first: whatever appears or changes after this is not removed by a move.
    if (const int error = platform::RecordTree(item.Path, item.Record))
        return QStringLiteral("%1 cannot be read (%2)").arg(item.Path, platform::ErrorText(error));
    if (!item.IsFolder)
        return FileProblem(item.Path, m_prefix + DiskName(item.Path), after, checkContent);
    return FolderProblem(item.Path, m_prefix + DiskName(item.Path), item.Record, after,
                         checkContent, left);
}

// Every entry of `record` (the folder `path`, stored as `stored`) must be in the archive,
// but for those the add leaves out by rule, which go to `left`.
QString TTransferPlan::FolderProblem(const QString& path, const QString& stored,
                                     const platform::TEntryRecord& record, const TMembers& after,
                                     bool checkContent, QStringList& left)
{
    for (const platform::TEntryRecord& child : record.Children) {
        const QString name = platform::DecodeFileName(child.Name);
        const QString childStored = stored + '/' + name;
        const QString childPath = path + '/' + name;
        QString why;
        if (child.IsFolder()) {
            why = after.contains(childStored + '/')
                      ? FolderProblem(childPath, childStored, child, after, checkContent, left)
                      : QStringLiteral("the archive does not hold the folder %1").arg(childStored);
        } else if (S_ISLNK(child.Type) && platform::DirectoryExists(childPath)) {
            left << childStored; // the library adds no link to a folder
        } else if (S_ISREG(child.Type) || S_ISLNK(child.Type)) {
            why = FileProblem(childPath, childStored, after, checkContent);
        } else {
            left << childStored; // nor a special file
        }
        if (!why.isEmpty())
            return why;
    }
    return {};
}

QString TTransferPlan::FileProblem(const QString& path, const QString& stored,
                                   const TMembers& after, bool checkContent)
{
    const TArchiveMember* member = after.value(stored);
    if (!member)
        return QStringLiteral("the archive does not hold %1").arg(stored);
    if (!checkContent)
        return {};
    const auto crc = platform::FileCrc32(path);
    if (!crc || platform::FileSize(path) != member->Size || *crc != member->Crc32)
        return QStringLiteral("the archive's %1 differs from %2").arg(stored, path);
    return {};
}

TExtractionPlan::TExtractionPlan(const QString& folder, const std::vector<TArchiveMember>& archive)
    : m_folder(folder), m_duplicates(RepeatedNames(archive))
{
    for (const TArchiveMember& m : archive)
        m_archive.insert(m.Name, m);
}

void TExtractionPlan::AddMember(const QString& name)
{
    ++m_requested;
    const QString bare = BareName(name);
    QString why;
    if (bare.isEmpty())
        why = QStringLiteral("it names no file");
    else if (m_duplicates.contains(name))
        why = QStringLiteral("the archive holds more than one member of that name");
    else if (m_takenBy.contains(bare))
        why = QStringLiteral("only one file can be named %1 there, and %2 takes it")
                  .arg(bare, m_takenBy.value(bare));
    else if (platform::FileExists(m_folder + bare) || platform::DirectoryExists(m_folder + bare))
        why = QStringLiteral("%1 is already in %2").arg(bare, m_folder);
    if (!why.isEmpty()) {
        m_skipped.append({name, why});
        return;
    }
    m_takenBy.insert(bare, name);
    m_members << name;
}

QStringList TExtractionPlan::Skipped(const QString& verb) const
{
    return Lines(m_skipped, verb);
}

QStringList TExtractionPlan::Extracted(bool checkContent, const QString& verb,
                                       QStringList& missed) const
{
    QStringList arrived;
    QList<QPair<QString, QString>> problems;
    for (const QString& name : m_members) {
        const QString path = m_folder + BareName(name);
        const auto member = m_archive.constFind(name);
        if (!platform::FileExists(path)) {
            problems.append({name, QStringLiteral("it did not come out of the archive")});
            continue;
        }
        if (!checkContent) {
            arrived << name;
            continue;
        }
        const auto crc = platform::FileCrc32(path);
        if (member == m_archive.constEnd() || !crc || platform::FileSize(path) != member->Size ||
            *crc != member->Crc32) {
            problems.append({name, QStringLiteral("%1 does not hold its content").arg(path)});
            continue;
        }
        arrived << name;
    }
    missed << Lines(problems, verb);
    return arrived;
}
