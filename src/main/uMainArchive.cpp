// Panels that show an archive of a read-only format: opening it, copying its members
// out, extracting one for View / Edit, and the one message that refuses every change.
#include "archive/ReadOnlyArchive.h"
#include "controls/VirtualListView.h"
#include "fileops/LibraryWork.h"
#include "fileops/TransferPlan.h"
#include "listing/ArchiveFolders.h"
#include "main/uMain.h"
#include "platform/FileContent.h"
#include "platform/FileNames.h"
#include "platform/FileSystem.h"
#include "platform/Messages.h"
#include "platform/TempFolder.h"
#include "transfer/ShellFileOperation.h"
#include "zip/ZipArchive.h"

#include <QLabel>
#include <QMap>
#include <QScopeGuard>
#include <QTimer>
#include <atomic>
#include <exception>

bool TfMain::ShowsReadOnlyArchive(TSide side) const
{
    const TPanel& p = m_panels[side];
    return p.ReadOnly && p.ReadOnly->IsOpen() && p.Listing.IsArchiveListing();
}

bool TfMain::OpenReadOnlyArchive(TSide side, int row)
{
    TPanel& p = m_panels[side];
    // A file whose extension has a viewer (an .svgz image is gzip data) keeps it.
    if (FindViewAction(Categories, p.Listing[row].Name, false) != TViewAction::None)
        return false;
    const TFileObject entry = p.Listing[row]; // the listing is refilled below
    const QString path = AddSeparator(p.Directory) + entry.Name;
    // A ZIP archive under another name (.jar, .epub, .docx) is told by its first bytes.
    if (platform::BeginsAsZip(path)) {
        OpenArchive(side, row);
        return true;
    }
    // Read on a worker behind the progress window: a compressed tar is decompressed whole
    // to list it. Cancel leaves the reading behind at once, and the reading, told so,
    // ends within 50 ms: it runs in a child process that is then killed (an archive
    // libarchive loops on would else keep a core busy until the program quits).
    struct TOpening {
        TReadOnlyArchive Archive;
        bool Opened{false};
        std::exception_ptr Error;
        std::atomic<bool> Abandoned{false};
    };
    const auto opening = std::make_shared<TOpening>();
    platform::TFileOpsProgress progress;
    progress.SetCurrent(path);
    if (!RunAbandonableWork(QStringLiteral("Opening ") + entry.Name, progress, [opening, path] {
            try {
                opening->Opened =
                    opening->Archive.Open(path, [opening] { return !opening->Abandoned.load(); });
            } catch (...) {
                opening->Error = std::current_exception();
            }
        })) {
        opening->Abandoned.store(true);
        return true; // cancelled: the panel stays as it was
    }
    // A damaged or encrypted archive raises its reason: the panel stays as it was.
    if (opening->Error)
        std::rethrow_exception(opening->Error);
    if (!opening->Opened)
        return false;
    if (!opening->Archive.Warning().isEmpty())
        platform::ShowMessage(opening->Archive.Warning());
    if (!p.ReadOnly)
        p.ReadOnly = std::make_shared<TReadOnlyArchive>();
    *p.ReadOnly = std::move(opening->Archive);
    p.ArchiveFolder.clear();
    LoadZipListing(side, &entry);
    FocusFirstRow(side);
    ShowTotals(side, QStringLiteral(" objects"), QStringLiteral(" bytes"));
    return true;
}

// A read-only archive read again after a change, on a worker: the archive read, or
// whether its file is gone.
struct TArchiveReload {
    QString File;
    TReadOnlyArchive Archive;
    bool Opened{false};
    bool Gone{false};
};

void TfMain::ReloadReadOnlyArchive(TSide side)
{
    TPanel& p = m_panels[side];
    auto reload = std::make_shared<TArchiveReload>();
    reload->File = p.ReadOnly->FileName();
    // One under way is replaced: its cancel stops it within a block of the file.
    p.ArchiveReload = std::make_unique<TFileWorker>([reload](platform::TFileOpsProgress& progress) {
        try {
            reload->Gone = !platform::FileExists(reload->File);
            if (!reload->Gone)
                reload->Opened = reload->Archive.Open(
                    reload->File, [&progress] { return !progress.Cancelled(); });
        } catch (const std::exception&) {
            // still being written, or cancelled: the next change reads it again
        }
    });
    p.ArchiveReload->OnDone = [this, side, reload] { LandArchiveReload(side, reload); };
}

void TfMain::LandArchiveReload(TSide side, const std::shared_ptr<TArchiveReload>& reload)
{
    TPanel& p = m_panels[side];
    // Within a command, a dialog or a read the rows wait: a command's listing stays as it
    // saw it, and an extraction under way keeps the archive it reads from.
    if (!LiveRereadMayStart(side)) {
        constexpr int kRetryMs = 250;
        QTimer::singleShot(kRetryMs, p.ArchiveReload.get(),
                           [this, side, reload] { LandArchiveReload(side, reload); });
        return;
    }
    p.ArchiveReload.release()->deleteLater(); // its signal may be being handled
    if (!ShowsReadOnlyArchive(side) || p.ReadOnly->FileName() != reload->File)
        return; // the panel went on meanwhile
    if (reload->Gone)
        FollowGoneFolder(side, false);
    else if (reload->Opened)
        KeepingArchiveRows(side, [&] { *p.ReadOnly = std::move(reload->Archive); });
}

bool TfMain::RefuseOnReadOnlyArchive(TSide side)
{
    if (RefuseOnRemote(side))
        return true;
    if (!ShowsReadOnlyArchive(side))
        return false;
    platform::ShowMessage(m_panels[side].ReadOnly->ReadOnlyText());
    return true;
}

bool TfMain::TransferWithReadOnlyArchive(bool move)
{
    const TSide a = ActiveSide(), b = Other(a);
    if (RefuseOnReadOnlyArchive(b))
        return true;
    if (!ShowsReadOnlyArchive(a))
        return false;
    if (move)
        return RefuseOnReadOnlyArchive(a);
    if (ShowsArchive(b)) {
        WithZipMessages([&] { CopyReadOnlyMembersToZip(a, b); });
        m_commands.History().Add({TUndoKind::None, QStringLiteral("a copy between archives"), {}});
        RefreshFromArchive(b);
        RefreshFromArchive(a);
        return true;
    }
    if (m_panels[b].Directory == QLatin1String("Drives"))
        return true; // the drive list is not a place files can go
    TUndoRecord record{TUndoKind::Copy};
    WithZipMessages(
        [&] { CopyReadOnlyMembers(a, AddSeparator(m_panels[b].Directory), true, &record); });
    m_commands.History().Add(std::move(record));
    RefreshFromDisk(b); // the focus stays in the panel copied from
    RefreshFromArchive(a);
    return true;
}

// Through a private folder, removed at the end: the members that arrived there go into
// the ZIP archive unless it already holds their names.
void TfMain::CopyReadOnlyMembersToZip(TSide side, TSide zipSide)
{
    const platform::TPrivateFolder folder;
    TZipArchive& target = *m_panels[zipSide].Zip;
    target.SetZipFilename(target.ZipFilename()); // the archive as it is now
    TExtractionPlan extraction(folder.Path(), m_panels[side].ReadOnly->Members());
    for (int row : m_commands.Selection(side)) {
        const TFileObject& e = m_panels[side].Listing[row];
        if (e.IsDirectory())
            m_zipMessages << QStringLiteral("%1: not copied; a folder inside an archive goes out "
                                            "only into a folder")
                                 .arg(ShownMemberName(e.Name));
        else
            extraction.AddMember(e.Name);
    }
    m_zipMessages << extraction.Skipped(QStringLiteral("copied"));
    if (!CopyReadOnlyMembers(side, folder.Path(), false))
        return; // cancelled: nothing goes into the archive
    QStringList missed;
    TTransferPlan plan(target.Members(), PanelArchiveFolder(zipSide));
    for (const QString& member : extraction.Extracted(false, QStringLiteral("copied"), missed))
        plan.AddFile(folder.Path() + BareName(member), member);
    m_zipMessages << missed << plan.Skipped(QStringLiteral("copied"));
    target.FSpecArgs = plan.Files();
    if (plan.Files().isEmpty())
        return;
    target.AddNamePrefix = PanelArchiveFolder(zipSide); // the folder that panel shows
    const auto unprefix = qScopeGuard([&target] { target.AddNamePrefix.clear(); });
    platform::TFileOpsProgress progress;
    const TLibraryWork work(target, QStringLiteral("Adding to ") + BareName(target.ZipFilename()),
                            progress);
    target.Add();
}

bool TfMain::CopyReadOnlyMembers(TSide side, const QString& folder, bool withFolders,
                                 TUndoRecord* record)
{
    const TPanel& p = m_panels[side];
    QStringList names, folders;
    for (int row : m_commands.Selection(side)) {
        if (!p.Listing[row].IsDirectory())
            names << p.Listing[row].Name;
        else if (withFolders)
            folders << p.Listing[row].Name;
    }
    if (!names.isEmpty()) {
        const bool extracted = withFolders ? PlaceReadOnlyMembers(side, names, folder, record)
                                           : ExtractOnWorker(*p.ReadOnly, names, folder);
        if (!extracted)
            return false;
    }
    return folders.isEmpty() || CopyReadOnlyFolders(side, folders, folder, record);
}

// The library writes each member under its bare name into a private folder, never over
// anything, each file complete (of its declared size) or not at all; those then go into
// `target` as a copy between folders does, asking where a name is taken.
bool TfMain::PlaceReadOnlyMembers(TSide side, const QStringList& names, const QString& target,
                                  TUndoRecord* record)
{
    const TReadOnlyArchive& archive = *m_panels[side].ReadOnly;
    const platform::TPrivateFolder scratch;
    // One member per bare name; a name the archive holds twice the library refuses itself.
    QHash<QString, QString> memberOf; // path in the private folder -> member name
    QStringList wanted;
    for (const QString& name : names) {
        const QString path = scratch.Path() + BareName(name);
        if (memberOf.contains(path)) {
            m_zipMessages << QStringLiteral("%1: not copied, only one file can be named %2 "
                                            "there, and %3 takes it")
                                 .arg(name, BareName(name), memberOf.value(path));
            continue;
        }
        memberOf.insert(path, name);
        wanted << name;
    }
    // After a cancel too, the members extracted whole go where they were sent.
    const bool finished = wanted.isEmpty() || ExtractOnWorker(archive, wanted, scratch.Path());
    QStringList paths;
    for (const QString& name : wanted) {
        const QString path = scratch.Path() + BareName(name);
        if (platform::FileExists(path)) // else the library said why
            paths << path;
    }
    const QString shownIn = archive.FileName() + '/';
    m_commands.PlaceExtracted(
        paths, target,
        [&](const QString& path) {
            const auto member = memberOf.constFind(path);
            return member == memberOf.constEnd() ? path : shownIn + MemberPath(*member).toString();
        },
        record);
    return finished;
}

bool TfMain::CopyReadOnlyFolders(TSide side, const QStringList& folders, const QString& target,
                                 TUndoRecord* record)
{
    const TPanel& p = m_panels[side];
    const platform::TPrivateFolder scratch;
    QMap<QString, QStringList> byFolder; // folder path ("sub/deeper/") to its members
    for (const QString& folder : folders)
        for (const QString& name : p.Folders->NamesBelow(folder + '/')) {
            const QString path = MemberPath(name).toString();
            QStringList& members = byFolder[path.left(path.lastIndexOf('/') + 1)];
            if (!path.endsWith('/'))
                members << name;
        }
    for (auto at = byFolder.cbegin(); at != byFolder.cend(); ++at) {
        QString made = scratch.Path();
        for (const QString& part : at.key().split('/', Qt::SkipEmptyParts)) {
            made += part + '/';
            if (!platform::DirectoryExists(made))
                platform::CreateDirectory(made);
        }
        if (!at.value().isEmpty() && !ExtractOnWorker(*p.ReadOnly, at.value(), made))
            return false;
    }
    QStringList paths;
    for (const QString& folder : folders)
        if (platform::DirectoryExists(scratch.Path() + folder))
            paths << scratch.Path() + folder;
    const QString shownIn = p.ReadOnly->FileName() + '/';
    m_commands.CopyTrees(
        paths, AddSeparator(target),
        [&](const QString& path) {
            return path.startsWith(scratch.Path()) ? shownIn + path.mid(scratch.Path().size())
                                                   : path;
        },
        record);
    return true;
}

bool TfMain::ExtractOnWorker(const TReadOnlyArchive& archive, const QStringList& names,
                             const QString& folder)
{
    // Cancel stops it within a block of data; the file being written goes, so a file
    // under a member's name is always whole. Meanwhile the window paints.
    platform::TFileOpsProgress progress;
    progress.SetTotals(int(names.size()), -1);
    progress.SetCurrent(archive.FileName());
    QStringList lines;
    int written = 0;
    RunFileWork(QStringLiteral("Extracting"), progress,
                [&] { lines = archive.Extract(names, folder, written, &progress); });
    m_zipMessages << lines;
    if (!progress.Cancelled())
        return true;
    m_zipMessages << CancelledText(QStringLiteral("Extracted"), progress, written);
    return false;
}

bool TfMain::ExtractReadOnlyMember(TSide side, const QString& name, const QString& folder,
                                   bool& cancelled)
{
    if (!ShowsReadOnlyArchive(side))
        return false;
    const TReadOnlyArchive& archive = *m_panels[side].ReadOnly;
    WithZipMessages([&] { cancelled = !ExtractOnWorker(archive, {name}, folder); });
    return true;
}
