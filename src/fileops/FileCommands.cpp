#include "fileops/FileCommands.h"

#include "controls/VirtualListView.h"
#include "controls/WaitCursor.h"
#include "fileops/LibraryWork.h"
#include "fileops/PanelHost.h"
#include "fileops/TransferPlan.h"
#include "fileops/uCollision.h"
#include "fileops/uCommon.h"
#include "fileops/uConfirm.h"
#include "fileops/uProgress.h"
#include "fileops/uSimple.h"
#include "listing/ArchiveFolders.h"
#include "places/ZipMembers.h"
#include "platform/FileContent.h"
#include "platform/FileNames.h"
#include "platform/FileOpsFaults.h"
#include "platform/FileSystem.h"
#include "platform/Locale.h"
#include "platform/Messages.h"
#include "platform/SystemFiles.h"
#include "platform/TempFolder.h"
#include "transfer/FileOpsMoves.h"
#include "transfer/FileOpsParts.h"
#include "transfer/FileOpsRecord.h"
#include "transfer/FileOpsSupport.h"
#include "transfer/FileOpsTree.h"
#include "transfer/ShellFileOperation.h"
#include "zip/ZipArchive.h"

#include <QApplication>
#include <QDir>
#include <QScopeGuard>
#include <algorithm>

namespace
{

// Whether the component refused its last add or extraction without calling its library
// (it has shown why); it empties FSpecArgs only once the library was called. The items of
// a refused call are not reported again one by one.
bool Refused(const TZipArchive& zip)
{
    return !zip.FSpecArgs.isEmpty();
}

QString AddingTo(const TZipArchive& target)
{
    return QStringLiteral("Adding to ") + BareName(target.ZipFilename());
}

// The totals of an add of `paths` (files, and folders with their trees): the entries
// and bytes the library will write, counted while it works.
TCountTotals CountAdded(platform::TFileOpsProgress& progress, const QStringList& paths)
{
    return [&progress, paths](const std::atomic<bool>& stop) {
        platform::CountTrees(paths, progress, stop);
    };
}

// Makes the folder `path` with every missing level above it (none above `path`'s own
// private folder is ever missing). A level that cannot be made is left: its files then
// do not come out either, and are named.
void MakeFolderPath(const QString& path)
{
    QStringList missing;
    for (QString at = QDir::cleanPath(path); at.size() > 1 && !platform::DirectoryExists(at);
         at = at.left(at.lastIndexOf(QLatin1Char('/'))))
        missing.prepend(at);
    for (const QString& level : missing) {
        try {
            platform::CreateDirectory(level);
        } catch (const platform::EInOutError&) {
            return;
        }
    }
}

// Extracts `names` into `folder`; false when the component refused.
bool ExtractInto(TZipArchive& source, const QStringList& names, const QString& folder)
{
    if (names.isEmpty())
        return true;
    source.ExtrBaseDir = folder;
    source.FSpecArgs = names;
    source.Extract();
    return !Refused(source);
}

// Adds `paths`; false when the component refused.
bool AddTo(TZipArchive& target, const QStringList& paths)
{
    target.FSpecArgs = paths;
    target.Add();
    return !Refused(target);
}

// What a command did before the target took nothing more: "Copied 10 of 300 items; the
// copy stopped there: No space left on device".
QString StoppedText(const QString& verb, const platform::TFileOpsProgress& progress,
                    const QString& reason)
{
    const int total = progress.TotalItems();
    return verb + QLatin1Char(' ') + platform::FormatNumber(progress.Items()) +
           (total >= 0 ? QStringLiteral(" of ") + platform::FormatNumber(total) : QString()) +
           QStringLiteral(" items; the rest was not tried, as the target takes nothing more: ") +
           reason;
}

// Runs the checks of a command's copies (their sizes and CRC-32s, which read every copy)
// on a worker behind the progress window, as the copying ran; the check runs to its end.
// `where` is the folder or archive the copies went to.
void Verify(const QString& where, const std::function<void()>& check)
{
    platform::TFileOpsProgress progress;
    RunFileWork(QStringLiteral("Verifying"), progress, [&where, &check] {
        platform::FileOpsFault(platform::TFileOpsStep::CopiesArrived, where);
        check();
    });
}

} // namespace

std::vector<int> TFileCommands::Selection(int panel)
{
    const TFileListing& listing = m_host.PanelListing(panel);
    const TVirtualListView& files = m_host.PanelFiles(panel);
    // ".." and the drives of the drive list are no entries a command can act on.
    const auto actsOn = [&listing](int row) {
        return row >= 0 && row < listing.Count() && !listing[row].IsParent() &&
               listing[row].Kind != fkDrive;
    };
    std::vector<int> rows;
    for (int row : files.SelectedRows())
        if (actsOn(row))
            rows.push_back(row);
    // Nothing marked: the row under the cursor.
    if (rows.empty() && files.SelectedRows().empty() && actsOn(files.GetFocusedIndex()))
        rows.push_back(files.GetFocusedIndex());
    return rows;
}

std::vector<int> TFileCommands::WithoutFolderRows(int panel, const std::vector<int>& rows,
                                                  const QString& verb)
{
    const TFileListing& listing = m_host.PanelListing(panel);
    std::vector<int> files;
    for (int row : rows) {
        if (listing[row].IsDirectory())
            m_host.Report(QStringLiteral("%1: not %2; a folder inside an archive goes out "
                                         "only into a folder")
                              .arg(ShownMemberName(listing[row].Name), verb));
        else
            files.push_back(row);
    }
    return files;
}

void TFileCommands::CopyTrees(const QStringList& paths, const QString& target,
                              const TShownAs& shownAs, TUndoRecord* record)
{
    RunShellOperations(QStringLiteral("Copying"), QStringLiteral("Copied"),
                       platform::TShellFunction::Copy, paths, target, true,
                       m_host.RecycleBinInUse(), record ? Recorder(*record) : TItemDone(), {},
                       shownAs);
}

QHash<QString, QString> TFileCommands::PlaceExtracted(const QStringList& paths,
                                                      const QString& target,
                                                      const TShownAs& shownAs, TUndoRecord* record)
{
    QHash<QString, QString> arrived; // written by the worker only, read once it has ended
    const TItemDone recorder = record ? Recorder(*record) : TItemDone();
    RunShellOperations(
        QStringLiteral("Copying"), QStringLiteral("Copied"), platform::TShellFunction::Copy, paths,
        target, false, m_host.RecycleBinInUse(),
        [&](const QString& path, const platform::TShellResult& result,
            const platform::TFileOpsProgress& progress) {
            if (recorder)
                recorder(path, result, progress);
            if (!result.Target.isEmpty())
                arrived.insert(path, result.Target);
        },
        {}, shownAs);
    return arrived;
}

void TFileCommands::CopyMemberFolders(int panel, const QStringList& folders, const QString& target,
                                      bool move, TUndoRecord* record)
{
    TZipArchive& source = m_host.PanelZip(panel);
    const TArchiveFolders index(source.Members());
    const QSet<QString> repeated = RepeatedNames(index.Members());
    QStringList names;
    for (const QString& folder : folders)
        for (const QString& name : index.NamesBelow(folder + '/')) {
            if (repeated.contains(name))
                m_host.Report(name + QStringLiteral(": not copied, the archive holds more than "
                                                    "one member of that name"));
            else
                names << name;
        }
    // The library writes the members' folders below the private folder, never outside it;
    // each folder shown goes from there into the target, with its tree.
    const platform::TPrivateFolder scratch;
    const ExtrOpts options = source.ExtrOptions;
    const auto restore = qScopeGuard([&] { source.ExtrOptions = options; });
    source.ExtrOptions = options | ExtrDirNames;
    source.ExtrOptions.setFlag(ExtrOverWrite, false);
    platform::TFileOpsProgress progress;
    progress.SetTotals(int(names.size()), -1);
    {
        const TLibraryWork work(source, QStringLiteral("Extracting"), progress);
        constexpr qsizetype kBatch = TrvxMaxFileSpecs - 1;
        for (qsizetype at = 0; at < names.size() && !progress.Cancelled(); at += kBatch)
            if (!ExtractInto(source, names.mid(at, kBatch), scratch.Path()))
                return; // refused: said why
    }
    if (progress.Cancelled()) {
        m_host.Report(CancelledText(QStringLiteral("Extracted"), progress, source.SuccessCount()));
        return;
    }
    QStringList paths;
    for (const QString& folder : folders)
        if (platform::DirectoryExists(scratch.Path() + folder))
            paths << scratch.Path() + folder;
    QHash<QString, QString> copies; // the folder in the private folder, where its copy went
    const TItemDone recorder = record ? Recorder(*record) : TItemDone();
    const QString archive = source.ZipFilename() + '/';
    RunShellOperations(
        move ? QStringLiteral("Moving") : QStringLiteral("Copying"),
        move ? QStringLiteral("Moved") : QStringLiteral("Copied"), platform::TShellFunction::Copy,
        paths, target, true, m_host.RecycleBinInUse(),
        [&](const QString& path, const platform::TShellResult& result,
            const platform::TFileOpsProgress& progress) {
            if (recorder)
                recorder(path, result, progress);
            if (!result.Target.isEmpty())
                copies.insert(path, result.Target);
        },
        {},
        [&](const QString& path) {
            return path.startsWith(scratch.Path()) ? archive + path.mid(scratch.Path().size())
                                                   : path;
        });
    if (!move)
        return;
    // A member leaves the archive only when its file arrived with its size and CRC-32; a
    // folder's own member only when every member below it did.
    QStringList arrived, missed;
    Verify(target, [&] {
        for (const QString& folder : folders)
            arrived << ArrivedBelow(index, folder, copies.value(scratch.Path() + folder), missed);
    });
    Report(missed);
    DeleteMembers(panel, StillAsPlanned(panel, index.Members(), arrived));
}

QStringList TFileCommands::ArrivedBelow(const TArchiveFolders& index, const QString& folder,
                                        const QString& copy, QStringList& missed)
{
    QStringList arrived, folderMembers;
    bool whole = !copy.isEmpty();
    const qsizetype skip = MemberPath(folder).size() + 1; // "sub/deeper/"
    QHash<QString, const TArchiveMember*> members;
    for (const TArchiveMember& m : index.Members())
        members.insert(m.Name, &m);
    for (const QString& name : index.NamesBelow(folder + '/')) {
        const QString relative = MemberPath(name).mid(skip).toString();
        if (name.endsWith('/')) {
            folderMembers << name;
            continue;
        }
        const TArchiveMember* m = members.value(name);
        const QString path = copy + '/' + relative;
        const auto crc = copy.isEmpty() ? std::nullopt : platform::FileCrc32(path);
        if (m && crc && *crc == m->Crc32 && platform::FileSize(path) == m->Size) {
            arrived << name;
            continue;
        }
        whole = false;
        missed << QStringLiteral("%1: not moved, %2 does not hold its content")
                      .arg(name, copy.isEmpty() ? folder : path);
    }
    return whole ? arrived + folderMembers : arrived;
}

void TFileCommands::Transfer(bool move)
{
    const int a = m_host.ActiveIndex(), b = 1 - a;
    const bool fromArchive = m_host.PanelListing(a).IsArchiveListing();
    const bool toArchive = m_host.PanelListing(b).IsArchiveListing();
    if (fromArchive && Selection(a).empty())
        return; // no member chosen: the libraries would read no names as "every member"
    if (!toArchive && !m_host.PanelDirectory(b).startsWith('/')) {
        platform::ShowMessage(
            (move ? QStringLiteral("Nothing was moved") : QStringLiteral("Nothing was copied")) +
            QStringLiteral(": the other panel shows the drive list, which is not a folder."));
        return;
    }
    if (!fromArchive && !toArchive)
        DiskToDisk(move, AddSeparator(m_host.PanelDirectory(b)));
    else if (!fromArchive)
        DiskToArchive(move);
    else if (!toArchive)
        ArchiveToDisk(move, AddSeparator(m_host.PanelDirectory(b)));
    else
        ArchiveToArchive(move);
}

void TFileCommands::TransferTo(bool move, const QString& folder, const QString& name)
{
    const int a = m_host.ActiveIndex();
    if (!m_host.PanelListing(a).IsArchiveListing())
        DiskToDisk(move, folder, name);
    else if (!Selection(a).empty()) // none: the libraries would read no names as "every member"
        ArchiveToDisk(move, folder);
}

void TFileCommands::DiskToDisk(bool move, const QString& to, const QString& name)
{
    const int a = m_host.ActiveIndex(), b = 1 - a;
    const QString from = AddSeparator(m_host.PanelDirectory(a));
    QStringList names;
    for (int row : Selection(a))
        names << m_host.PanelListing(a)[row].Name;
    QStringList paths;
    for (const QString& name : names)
        paths << from + name;
    ShellTransfer(move, paths, to, paths.size() == 1 ? name : QString());
    if (!m_host.PanelListing(b).IsArchiveListing()) // a folder named in the copy dialog
        m_host.RefreshFromDisk(b);
    m_host.RefreshFromDisk(a);
}

void TFileCommands::ShellTransfer(bool move, const QStringList& paths, const QString& to,
                                  const QString& name)
{
    const auto function = move ? platform::TShellFunction::Move : platform::TShellFunction::Copy;
    TUndoRecord record{move ? TUndoKind::Move : TUndoKind::Copy};
    RunShellOperations(move ? QStringLiteral("Moving") : QStringLiteral("Copying"),
                       move ? QStringLiteral("Moved") : QStringLiteral("Copied"), function, paths,
                       to, !move, m_host.RecycleBinInUse(), Recorder(record), name);
    m_history.Add(std::move(record));
}

void TFileCommands::PasteFiles(bool move, const QStringList& paths, const QString& to)
{
    ShellTransfer(move, paths, to);
    for (int panel : {1 - m_host.ActiveIndex(), m_host.ActiveIndex()})
        if (!m_host.PanelListing(panel).IsArchiveListing())
            m_host.RefreshFromDisk(panel);
}

// Files go in under their bare names; folders with everything below them, under names
// that start with the folder's own name (the library then works in their parent, where
// the files are too).
void TFileCommands::DiskToArchive(bool move)
{
    const int a = m_host.ActiveIndex(), b = 1 - a;
    const TFileListing& listing = m_host.PanelListing(a);
    const QString from = AddSeparator(m_host.PanelDirectory(a));
    std::vector<std::pair<QString, bool>> entries;
    for (int row : Selection(a))
        entries.emplace_back(listing[row].Name, listing[row].IsDirectory());
    if (entries.empty()) {
        AddToArchive(b, from, entries, move); // says that nothing was chosen
        return;
    }
    PutInArchive(b, from, entries, move);
    m_host.RefreshFromArchive(b);
    m_host.RefreshFromDisk(a);
}

void TFileCommands::AddPathsToArchive(bool move, const QStringList& paths, int panel)
{
    // One library call for each folder the paths are in, in the order first named.
    std::vector<std::pair<QString, std::vector<std::pair<QString, bool>>>> groups;
    for (const QString& path : paths) {
        const QString from = path.left(path.lastIndexOf('/') + 1);
        auto group = std::find_if(groups.begin(), groups.end(),
                                  [&from](const auto& g) { return g.first == from; });
        if (group == groups.end())
            group = groups.insert(groups.end(), {from, {}});
        group->second.emplace_back(path.mid(from.size()), platform::DirectoryExists(path));
    }
    for (const auto& [from, entries] : groups)
        PutInArchive(panel, from, entries, move);
    m_host.RefreshFromArchive(panel);
    if (!m_host.PanelListing(1 - panel).IsArchiveListing())
        m_host.RefreshFromDisk(1 - panel);
}

void TFileCommands::PutInArchive(int panel, const QString& from,
                                 const std::vector<std::pair<QString, bool>>& entries, bool move)
{
    {
        const TWaitCursor wait;
        const std::vector<TTransferPlan::TItem> arrived = AddToArchive(panel, from, entries, move);
        // The sources go for good (their content is in the archive), exactly as recorded,
        // on a worker behind the progress window; a cancel keeps those not removed yet.
        if (move && !arrived.empty()) {
            QStringList stayed;
            platform::TFileOpsProgress progress;
            RunFileWork(QStringLiteral("Deleting"), progress, [&] {
                for (const TTransferPlan::TItem& item : arrived) {
                    if (progress.Cancelled())
                        break;
                    platform::RemoveRecordedItem(
                        item.Path, item.Record,
                        [&stayed](const QString& message) { stayed << message; }, &progress);
                }
            });
            for (const QString& message : stayed)
                m_host.Report(message);
        }
    }
    RecordNotUndoable(move ? QStringLiteral("a move into an archive")
                           : QStringLiteral("a copy into an archive"));
}

std::vector<TTransferPlan::TItem>
TFileCommands::AddToArchive(int panel, const QString& from,
                            const std::vector<std::pair<QString, bool>>& entries, bool move)
{
    TZipArchive& target = m_host.PanelZip(panel);
    target.SetZipFilename(target.ZipFilename()); // the archive as it is now
    const std::vector<TArchiveMember> before = target.Members();
    // Into the folder the target panel shows.
    TTransferPlan plan(before, m_host.PanelArchiveFolder(panel));
    target.AddNamePrefix = m_host.PanelArchiveFolder(panel);
    const auto unprefix = qScopeGuard([&target] { target.AddNamePrefix.clear(); });
    for (const auto& [name, folder] : entries) {
        if (folder)
            plan.AddFolder(from + name);
        else
            plan.AddFile(from + name);
    }
    Report(plan.Skipped(Verb(move)));
    if (plan.Requested() == 0) { // only ".." was selected
        m_host.Report(QStringLiteral("Nothing was %1 into %2: no file or folder is selected, "
                                     "and \"..\" is never %1")
                          .arg(Verb(move), BareName(target.ZipFilename())));
        return {};
    }
    platform::TFileOpsProgress progress;
    QStringList added = plan.Files();
    for (const QString& folder : plan.Folders())
        added << from + folder;
    const TLibraryWork work(target, AddingTo(target), progress, CountAdded(progress, added));
    // Files and folders together go in by one library call: one progress window for
    // the command, and a cancel leaves the archive as it was.
    bool done = true;
    if (!plan.Folders().isEmpty()) {
        QStringList names;
        for (const QString& file : plan.Files())
            names << BareName(file); // all in `from`, the folders' parent
        done = AddFolders(target, from, names + plan.Folders());
    } else if (!plan.Files().isEmpty()) {
        done = AddTo(target, plan.Files());
    }
    if (progress.Cancelled()) {
        done = false;
        m_host.Report(places::CancelledZipChange(target, before, true));
    }
    QStringList missed;
    std::vector<TTransferPlan::TItem> arrived;
    const std::vector<TArchiveMember> after = target.Members();
    Verify(target.ZipFilename(), [&] { arrived = plan.Arrived(after, move, Verb(move), missed); });
    if (done)
        Report(missed);
    return arrived;
}

bool TFileCommands::AddFolders(TZipArchive& target, const QString& parent, const QStringList& names)
{
    const AddOpts options = target.AddOptions;
    const auto restore = qScopeGuard([&] {
        target.AddOptions = options;
        target.AddBaseDir.clear();
    });
    target.AddOptions = options | AddDirNames | AddRecurseDirs;
    target.AddBaseDir = parent;
    return AddTo(target, names);
}

void TFileCommands::ArchiveToDisk(bool move, const QString& targetDir)
{
    const int a = m_host.ActiveIndex(), b = 1 - a;
    TZipArchive& source = m_host.PanelZip(a);
    if (!platform::DirectoryExists(targetDir)) {
        m_host.Report(
            QStringLiteral("Nothing %1: the folder %2 does not exist").arg(Verb(move), targetDir));
        return;
    }
    const TFileListing& listing = m_host.PanelListing(a);
    const std::vector<TArchiveMember> members = source.Members();
    // The library writes each member under its bare name into a private folder, never
    // over anything; the files found whole there then go into the target as a copy
    // between folders does, asking where a name is taken.
    const platform::TPrivateFolder scratch;
    TExtractionPlan plan(scratch.Path(), members);
    QStringList folders; // folder rows: their paths inside the archive
    const std::vector<int> selection = Selection(a);
    for (int row : selection) {
        if (listing[row].IsDirectory())
            folders << listing[row].Name;
        else
            plan.AddMember(listing[row].Name);
    }
    Report(plan.Skipped(Verb(move)));
    TUndoRecord record{TUndoKind::Copy};
    {
        const TWaitCursor wait;
        platform::TFileOpsProgress progress;
        progress.SetTotals(int(plan.Members().size()), -1);
        bool done = false;
        {
            const TLibraryWork work(source, QStringLiteral("Extracting"), progress);
            done = ExtractInto(source, plan.Members(), scratch.Path()) && !progress.Cancelled();
        }
        if (progress.Cancelled())
            m_host.Report(
                CancelledText(QStringLiteral("Extracted"), progress, source.SuccessCount()));
        QStringList missed;
        QStringList extracted;
        Verify(scratch.Path(), [&] { extracted = plan.Extracted(true, Verb(move), missed); });
        if (done)
            Report(missed);
        // After a cancel too: the members extracted whole go where they were sent.
        const QStringList placed =
            PlaceMembers(source.ZipFilename(), members, extracted, scratch.Path(), targetDir, move,
                         move ? nullptr : &record);
        if (move)
            DeleteMembers(a, StillAsPlanned(a, members, placed));
        if (!folders.isEmpty() && !progress.Cancelled())
            CopyMemberFolders(a, folders, targetDir, move, move ? nullptr : &record);
    }
    if (move)
        RecordNotUndoable(QStringLiteral("a move out of an archive"));
    else
        m_history.Add(std::move(record));
    if (!m_host.PanelListing(b).IsArchiveListing()) // a folder named in the copy dialog
        m_host.RefreshFromDisk(b);
    m_host.RefreshFromArchive(a);
}

QStringList TFileCommands::PlaceMembers(const QString& archive,
                                        const std::vector<TArchiveMember>& members,
                                        const QStringList& extracted, const QString& scratch,
                                        const QString& target, bool move, TUndoRecord* record)
{
    QStringList paths;
    QHash<QString, QString> memberOf; // path in the private folder -> member name
    for (const QString& name : extracted) {
        paths << scratch + BareName(name);
        memberOf.insert(paths.last(), name);
    }
    if (paths.isEmpty())
        return {};
    const QHash<QString, QString> arrived = PlaceExtracted(
        paths, target,
        [&](const QString& path) {
            const auto member = memberOf.constFind(path);
            return member == memberOf.constEnd() ? path
                                                 : archive + '/' + MemberPath(*member).toString();
        },
        record);
    if (!move)
        return {};
    // A member counts as placed only when the file under its name in the target holds
    // its size and CRC-32: one that was skipped, failed or changed is not.
    QHash<QString, const TArchiveMember*> byName;
    for (const TArchiveMember& m : members)
        byName.insert(m.Name, &m);
    QStringList placed, missed;
    Verify(target, [&] {
        for (const QString& path : paths) {
            const QString at = arrived.value(path);
            if (at.isEmpty())
                continue;
            const TArchiveMember* m = byName.value(memberOf.value(path));
            const auto crc = platform::FileCrc32(at);
            if (m && crc && *crc == m->Crc32 && platform::FileSize(at) == m->Size)
                placed << m->Name;
            else
                missed << QStringLiteral("%1: not moved, %2 does not hold its content")
                              .arg(memberOf.value(path), at);
        }
    });
    Report(missed);
    return placed;
}

void TFileCommands::ArchiveToArchive(bool move)
{
    const int a = m_host.ActiveIndex(), b = 1 - a;
    TZipArchive& source = m_host.PanelZip(a);
    TZipArchive& target = m_host.PanelZip(b);
    const platform::TPrivateFolder folder; // removed again at the end, whatever happens
    target.SetZipFilename(target.ZipFilename());
    const TFileListing& listing = m_host.PanelListing(a);
    const std::vector<TArchiveMember> members = source.Members();
    TExtractionPlan extraction(folder.Path(), members);
    for (int row : WithoutFolderRows(a, Selection(a), Verb(move)))
        extraction.AddMember(listing[row].Name);
    Report(extraction.Skipped(Verb(move)));
    {
        const TWaitCursor wait;
        platform::TFileOpsProgress progress;
        progress.SetTotals(int(extraction.Members().size()), -1);
        bool done = false;
        {
            const TLibraryWork work(source, QStringLiteral("Extracting"), progress);
            done = ExtractInto(source, extraction.Members(), folder.Path());
        }
        QStringList missed;
        TTransferPlan plan(target.Members(), m_host.PanelArchiveFolder(b));
        QStringList extracted;
        Verify(folder.Path(), [&] { extracted = extraction.Extracted(move, Verb(move), missed); });
        for (const QString& member : extracted)
            plan.AddFile(folder.Path() + BareName(member), member);
        Report(plan.Skipped(Verb(move)));
        target.AddNamePrefix = m_host.PanelArchiveFolder(b); // the folder the target shows
        if (!plan.Files().isEmpty() || progress.Cancelled())
            done = AddWithProgress(target, plan.Files(), progress) && done;
        target.AddNamePrefix.clear();
        std::vector<TTransferPlan::TItem> added;
        const std::vector<TArchiveMember> after = target.Members();
        Verify(target.ZipFilename(),
               [&] { added = plan.Arrived(after, move, Verb(move), missed); });
        QStringList arrived;
        for (const TTransferPlan::TItem& item : added)
            arrived << item.Tag;
        if (done)
            Report(missed);
        if (move)
            DeleteMembers(a, StillAsPlanned(a, members, arrived));
    }
    RecordNotUndoable(move ? QStringLiteral("a move between archives")
                           : QStringLiteral("a copy between archives"));
    m_host.RefreshFromArchive(b);
    m_host.RefreshFromArchive(a);
}

void TFileCommands::RunShellOperations(const QString& command, const QString& verb,
                                       platform::TShellFunction function, const QStringList& paths,
                                       const QString& destination, bool countTotals, bool recycle,
                                       const TItemDone& done, const QString& name,
                                       const TShownAs& shownAs)
{
    platform::TFileOpsProgress progress;
    int stopped = 0; // written by the worker only, read once it has ended
    // Taken names are asked about, one question at a time.
    TCollisionAsker asker;
    const platform::TCollisionAsk handler = asker.Handler(progress);
    const platform::TCollisionAsk ask =
        !shownAs ? handler : [&](const platform::TCollision& collision) {
            platform::TCollision shown = collision;
            shown.Incoming.Path = shownAs(collision.Incoming.Path);
            return handler(shown);
        };
    const auto work = [&] {
        // The lines join the one message shown after the command.
        const auto collect = [this](const QString& message) { m_host.Report(message); };
        if (function != platform::TShellFunction::Delete)
            platform::RemoveStalePartFiles(destination); // of copies killed before
        // The originals of moves across file systems go once all their copies are on the
        // disk: one flush for the command.
        platform::TMoveRemovals removals;
        for (const QString& path : paths) {
            const platform::TShellResult result = platform::ShellFileOperation(
                function, path, destination, recycle, collect, &progress, &removals, ask, name);
            if (done)
                done(path, result, progress);
            stopped = result.Stopped;
            if (stopped)
                break; // the target takes nothing more: every further item would fail too
        }
        removals.Finish();
    };
    const TCountTotals count = [&](const std::atomic<bool>& stop) {
        if (countTotals)
            platform::CountTrees(paths, progress, stop);
        else if (!stop.load())
            progress.SetTotals(int(paths.size()), -1); // items: the selected ones
    };
    RunFileWork(command, progress, work, count);
    if (stopped)
        m_host.Report(StoppedText(verb, progress, platform::ErrorText(stopped)));
    const QString cancelled = CancelledText(verb, progress);
    if (!cancelled.isEmpty())
        m_host.Report(cancelled);
}

bool TFileCommands::AddWithProgress(TZipArchive& target, const QStringList& paths,
                                    platform::TFileOpsProgress& progress)
{
    bool done = false;
    const std::vector<TArchiveMember> before = target.Members();
    if (!progress.Cancelled()) {
        const TLibraryWork work(target, AddingTo(target), progress, CountAdded(progress, paths));
        done = AddTo(target, paths);
    }
    if (progress.Cancelled())
        m_host.Report(places::CancelledZipChange(target, before, true));
    return done && !progress.Cancelled();
}

void TFileCommands::Report(const QStringList& lines)
{
    for (const QString& line : lines)
        m_host.Report(line);
}

QString TFileCommands::Verb(bool move)
{
    return move ? QStringLiteral("moved") : QStringLiteral("copied");
}

QStringList TFileCommands::StillAsPlanned(int panel, const std::vector<TArchiveMember>& planned,
                                          const QStringList& names)
{
    if (names.isEmpty())
        return {};
    TZipArchive& zip = m_host.PanelZip(panel);
    platform::FileOpsFault(platform::TFileOpsStep::BeforeRemoveSources, zip.ZipFilename());
    zip.SetZipFilename(zip.ZipFilename()); // the archive as it is now
    QHash<QString, TArchiveMember> before;
    for (const TArchiveMember& m : planned)
        before.insert(m.Name, m);
    QHash<QString, int> count;
    QHash<QString, TArchiveMember> now;
    for (const TArchiveMember& m : zip.Members()) {
        ++count[m.Name];
        now.insert(m.Name, m);
    }
    QStringList same;
    for (const QString& name : names) {
        const TArchiveMember was = before.value(name), is = now.value(name);
        if (count.value(name) == 1 && was.Size == is.Size && was.Crc32 == is.Crc32 &&
            was.DateTime == is.DateTime)
            same << name;
        else if (count.value(name) > 0)
            m_host.Report(QStringLiteral("%1 stays in %2: it changed in the archive after it was "
                                         "copied out")
                              .arg(name, BareName(zip.ZipFilename())));
    }
    return same;
}

QHash<QString, QString> TFileCommands::ExtractRows(int panel, const std::vector<int>& rows,
                                                   const QString& files, const QString& trees,
                                                   bool& done)
{
    TZipArchive& source = m_host.PanelZip(panel);
    const TFileListing& listing = m_host.PanelListing(panel);
    const std::vector<TArchiveMember> members = source.Members();
    const TArchiveFolders index(members);
    const QSet<QString> repeated = RepeatedNames(members);
    TExtractionPlan plan(files, members);
    QStringList below;   // the members of the folder rows
    QStringList folders; // the folder rows and the folders below them, empty ones too
    for (int row : rows) {
        if (!listing[row].IsDirectory()) {
            plan.AddMember(listing[row].Name);
            continue;
        }
        folders << listing[row].Name + '/';
        for (const QString& name : index.NamesBelow(listing[row].Name + '/')) {
            if (repeated.contains(name))
                m_host.Report(name + QStringLiteral(": not copied, the archive holds more than "
                                                    "one member of that name"));
            else if (name.endsWith('/'))
                folders << name;
            else
                below << name;
        }
    }
    Report(plan.Skipped(Verb(false)));
    platform::TFileOpsProgress progress;
    progress.SetTotals(int(plan.Members().size() + below.size()), -1);
    done = true;
    {
        const TLibraryWork work(source, QStringLiteral("Extracting"), progress);
        done = ExtractInto(source, plan.Members(), files);
        // The folders' members with their folders, below `trees` only.
        const ExtrOpts options = source.ExtrOptions;
        const auto restore = qScopeGuard([&] { source.ExtrOptions = options; });
        source.ExtrOptions = options | ExtrDirNames;
        source.ExtrOptions.setFlag(ExtrOverWrite, false);
        constexpr qsizetype kBatch = TrvxMaxFileSpecs - 1;
        for (qsizetype at = 0; at < below.size() && done && !progress.Cancelled(); at += kBatch)
            done = ExtractInto(source, below.mid(at, kBatch), trees);
    }
    // Folders holding no file come out too: the library makes only the files' folders.
    for (const QString& folder : folders)
        if (done && !progress.Cancelled() && IsPlainMemberPath(folder))
            MakeFolderPath(trees + MemberPath(folder).toString());
    if (progress.Cancelled()) {
        done = false;
        m_host.Report(CancelledText(QStringLiteral("Extracted"), progress, source.SuccessCount()));
    }
    // A file counts only with its member's size and CRC-32; any other is removed again, so
    // that it goes nowhere.
    QHash<QString, QString> extracted;
    QHash<QString, const TArchiveMember*> byName;
    for (const TArchiveMember& m : members)
        byName.insert(m.Name, &m);
    QStringList missed;
    Verify(files, [&] {
        for (const QString& name : plan.Extracted(true, Verb(false), missed))
            extracted.insert(files + BareName(name), name);
        for (const QString& name : below) {
            const QString path = trees + MemberPath(name).toString();
            const TArchiveMember* m = byName.value(name);
            const auto crc = platform::FileCrc32(path);
            if (m && crc && *crc == m->Crc32 && platform::FileSize(path) == m->Size) {
                extracted.insert(path, name);
            } else if (platform::FileExists(path)) {
                platform::sys::Unlink(platform::EncodeFileName(path).constData());
                missed << QStringLiteral("%1: not copied, it did not come out whole").arg(name);
            }
        }
    });
    if (done)
        Report(missed);
    return extracted;
}

void TFileCommands::DeleteMovedMembers(int panel, const std::vector<TArchiveMember>& planned,
                                       const QStringList& names)
{
    DeleteMembers(panel, StillAsPlanned(panel, planned, names));
}

void TFileCommands::DeleteMembers(int panel, const QStringList& names)
{
    TProgressWork work;
    Report(places::DeleteZipMembers(m_host.PanelZip(panel), names, work));
}
