// The file search in the main window: the Commands menu with "Find files…" (Alt+F7),
// going to a result, viewing it, and the results as a panel's listing.
#include "archive/ReadOnlyArchive.h"
#include "controls/VirtualListView.h"
#include "listing/ArchiveFolders.h"
#include "main/FedResults.h"
#include "main/uMain.h"
#include "platform/FileOpsFaults.h"
#include "platform/FileSystem.h"
#include "search/uFind.h"

#include <QLabel>
#include <QMenuBar>
#include <QSet>

namespace
{

int RowNamed(const TFileListing& listing, const QString& name)
{
    for (int row = 0; row < listing.Count(); ++row)
        if (listing[row].Name == name)
            return row;
    return -1;
}

// The row of a result on disk, its name the path relative to the searched folder.
bool FedRow(const QString& root, const QString& name, TFileObject& row)
{
    platform::TFoundEntry found;
    if (!platform::StatEntry(root + name, found))
        return false;
    row = TFileObject();
    row.Name = name;
    row.Size = found.Size;
    row.DateTime = found.DateTime;
    row.Attr = quint16(found.Attr);
    if (name.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive) && !row.IsDirectory())
        row.Kind = fkZipFile; // opens as an archive, as in a folder's listing
    return true;
}

} // namespace

QMenu* TfMain::CreateSearchMenu()
{
    QMenu* commands = menuBar()->addMenu(QStringLiteral("&Commands"));
    Actions.MenuFindFiles = new QAction(QStringLiteral("&Find files…"), this);
    Actions.MenuFindFiles->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F7));
    commands->addAction(Actions.MenuFindFiles);
    connect(Actions.MenuFindFiles, &QAction::triggered, this, Command(&TfMain::MenuFindFilesClick));
    return commands;
}

void TfMain::MenuFindFilesClick()
{
    if (!m_find) {
        m_find = new TfFind(this);
        // The find window's requests are commands too: none starts while another runs.
        m_find->OnGoTo = [this](const TSearchHit& hit) {
            RunCommand([this, hit] { GoToSearchHit(hit); });
        };
        m_find->OnView = [this](const TSearchHit& hit) {
            RunCommand([this, hit] { ViewSearchHit(hit); });
        };
        m_find->OnFeed = [this](const QString& folder, const std::vector<TSearchHit>& hits) {
            RunCommand([this, folder, hits] { FeedToPanel(folder, hits); });
        };
    }
    const TPanel& p = m_panels[ActiveSide()];
    m_find->Prepare(p.Fed ? p.Fed->Root : p.Directory);
    m_find->show();
    m_find->raise();
    m_find->activateWindow();
}

void TfMain::GoToSearchHit(const TSearchHit& hit, const std::function<void()>& after)
{
    const TSide side = ActiveSide();
    TPanel& p = m_panels[side];
    p.Fed.reset();
    p.Directory = hit.Folder;
    activateWindow();
    raise();
    OpenLocation(side, [this, side, hit, after] {
        TPanel& p = m_panels[side];
        const int row = RowNamed(p.Listing, hit.Name);
        if (row < 0)
            return; // gone since it was found: the panel shows its folder
        p.Files->FocusItem(row);
        if (!hit.Member.isEmpty()) {
            if (p.Listing[row].Kind == fkZipFile)
                OpenArchive(side, row);
            else if (!OpenReadOnlyArchive(side, row))
                return;
            // The member's folder inside the archive; a folder member is its folder's row.
            QString path = MemberPath(hit.Member).toString(), cursor = hit.Member;
            if (path.endsWith('/')) {
                path.chop(1);
                cursor = path;
            }
            if (IsPlainMemberPath(hit.Member) && path.contains('/'))
                ShowArchiveFolder(side, path.left(path.lastIndexOf('/') + 1), cursor);
            const int member = RowNamed(p.Listing, cursor);
            if (member >= 0)
                p.Files->FocusItem(member);
        }
        if (after)
            after();
    });
}

void TfMain::ViewSearchHit(const TSearchHit& hit)
{
    // A folder has nothing to view: F3 only goes to it.
    if (hit.Member.isEmpty() && (hit.Attr & platform::faDirectory)) {
        GoToSearchHit(hit);
        return;
    }
    // Through the panel, so that a member is extracted as F3 in the panel would do.
    GoToSearchHit(hit, [this] { MenuViewFileClick(); });
}

void TfMain::FeedToPanel(const QString& folder, const std::vector<TSearchHit>& hits)
{
    const TSide side = ActiveSide();
    CancelRead(side);
    TPanel& p = m_panels[side];
    auto fed = std::make_shared<TFedResults>();
    fed->Root = AddSeparator(folder);
    fed->Before = p.Fed ? p.Fed->Before : p.Directory;
    // Members of archives have no path of their own on the disk: they stay in the window.
    for (const TSearchHit& hit : hits)
        if (hit.Member.isEmpty() && hit.Folder.startsWith(fed->Root))
            fed->Names << hit.Path().mid(fed->Root.size());
    p.Fed = std::move(fed);
    p.Directory = p.Fed->Root;
    activateWindow();
    raise();
    RefreshPanel(side);
}

std::shared_ptr<TFedResults> TfMain::FedResultsToRead(TSide side)
{
    TPanel& p = m_panels[side];
    if (p.Fed && p.Directory != p.Fed->Root)
        p.Fed.reset(); // the panel goes elsewhere: the results are left
    return p.Fed;
}

TFileWorker::TWork TfMain::FedReadWork(const TFedResults& fed, const TPanelRead& read, quint8 order)
{
    // Each result is looked up again on the worker: a stale mount holds it, not the window.
    return [root = fed.Root, names = fed.Names, result = read.Result, finished = read.Finished,
            order](platform::TFileOpsProgress& progress) {
        platform::FileOpsFault(platform::TFileOpsStep::OpenDirectory, root);
        std::vector<TFileObject> rows;
        // ".." leads out of the results; it carries the searched folder's date, as the
        // ".." of a folder carries its parent's.
        TFileObject& parent = rows.emplace_back();
        FedRow(root, QStringLiteral("."), parent); // the folder itself
        parent.Name = QStringLiteral("..");
        parent.Size = 0;
        parent.Attr = platform::faDirectory;
        for (const QString& name : names) {
            if (progress.Cancelled())
                break;
            progress.AddItem();
            if (!FedRow(root, name, rows.emplace_back()))
                rows.pop_back(); // deleted or moved away since
        }
        result->Listing.Directory = root;
        result->Listing.LoadRows(std::move(rows));
        if (!progress.Cancelled())
            result->Listing.Sort(order, true);
        finished->store(true);
    };
}

std::function<void()> TfMain::FedResultsLanded(TSide side, std::shared_ptr<TFedResults> fed,
                                               std::function<void()> then)
{
    return [this, side, fed = std::move(fed), then = std::move(then)] {
        TPanel& p = m_panels[side];
        // The results still there, in the order found.
        QSet<QString> listed;
        for (int row = 0; row < p.Listing.Count(); ++row)
            listed.insert(p.Listing[row].Name);
        QStringList kept;
        for (const QString& name : std::as_const(fed->Names))
            if (listed.contains(name))
                kept << name;
        fed->Names = kept;
        if (then)
            then();
        p.DirectoryLabel->setText(QStringLiteral("Search results"));
    };
}

bool TfMain::LeaveFedResults(TSide side)
{
    TPanel& p = m_panels[side];
    if (!p.Fed || Reading(side))
        return false;
    p.Directory = p.Fed->Before;
    p.Fed.reset();
    OpenLocation(side);
    return true;
}
