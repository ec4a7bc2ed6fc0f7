// The file search in the main window: the Commands menu with "Find files…" (Alt+F7),
// going to a result, viewing it, and the results as a panel's listing.
#include "archive/ReadOnlyArchive.h"
#include "controls/VirtualListView.h"
#include "listing/ArchiveFolders.h"
#include "main/uMain.h"
#include "modules/SupportModules.h"
#include "panel/FedResults.h"
#include "panel/RemoteLocation.h"
#include "platform/FileNames.h"
#include "platform/FileSystem.h"
#include "platform/Messages.h"
#include "search/uFind.h"
#include "zip/ZipArchive.h"

#include <QLabel>
#include <QMenuBar>
#include <QSet>
#include <QUrl>

namespace
{

int RowNamed(const TFileListing& listing, const QString& name)
{
    for (int row = 0; row < listing.Count(); ++row)
        if (listing[row].Name == name)
            return row;
    return -1;
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
        if (!hit.Member.isEmpty() && !OpenArchiveAtMember(side, row, hit.Member))
            return;
        if (after)
            after();
    });
}

bool TfMain::OpenArchiveAtMember(TSide side, int row, const QString& member)
{
    TPanel& p = m_panels[side];
    if (p.Listing[row].Kind == fkZipFile)
        OpenArchive(side, row);
    else if (!OpenReadOnlyArchive(side, row))
        return false;
    if (!ShowsArchive(side))
        return false; // it could not be read: the panel shows its folder
    // The member's folder inside the archive; a folder member is its folder's row.
    QString path = MemberPath(member).toString(), cursor = member;
    if (path.endsWith('/')) {
        path.chop(1);
        cursor = path;
    }
    if (IsPlainMemberPath(member) && path.contains('/'))
        ShowArchiveFolder(side, path.left(path.lastIndexOf('/') + 1), cursor);
    const int at = RowNamed(p.Listing, cursor);
    if (at >= 0)
        p.Files->FocusItem(at);
    return true;
}

void TfMain::ReturnToPlace(TSide side, const TPanelPlace& place)
{
    TPanel& p = m_panels[side];
    p.Directory = place.Folder;
    OpenLocation(side, [this, side, place] {
        TPanel& p = m_panels[side];
        const int row = RowNamed(p.Listing, place.Archive.isEmpty() ? place.Cursor : place.Archive);
        if (row < 0)
            return; // gone meanwhile: the cursor stays on the first row
        p.Files->FocusItem(row);
        if (!place.Archive.isEmpty())
            OpenArchiveAtMember(side, row, place.Cursor);
    });
}

const TFedMember* TfMain::FedMemberAt(TSide side, int row) const
{
    const TPanel& p = m_panels[side];
    if (!ShowsFedResults(side) || row < 0 || row >= p.Listing.Count() ||
        p.Listing[row].Kind != fkZipMember)
        return nullptr;
    const auto it = p.Fed->Members.constFind(p.Listing[row].Name);
    return it == p.Fed->Members.constEnd() ? nullptr : &*it;
}

bool TfMain::ShowsFedResults(TSide side) const
{
    return m_panels[side].ShowsFed();
}

bool TfMain::GoToFedMember(TSide side, const std::function<void()>& after)
{
    const TPanel& p = m_panels[side];
    const TFedMember* member = FedMemberAt(side, p.Files->GetFocusedIndex());
    if (!member)
        return false;
    const QString path = p.Fed->Root + member->Archive;
    TSearchHit hit;
    hit.Folder = path.left(path.lastIndexOf('/') + 1);
    hit.Name = path.mid(path.lastIndexOf('/') + 1);
    hit.Member = member->Member;
    GoToSearchHit(hit, after);
    return true;
}

bool TfMain::RefuseOnFedMembers(TSide side, const QString& verb)
{
    if (ShowsRemoteFed(side))
        return RefuseOnRemote(side); // says that they are only copied
    const std::vector<int> rows = m_commands.Selection(side);
    int members = 0;
    for (const int row : rows)
        members += FedMemberAt(side, row) ? 1 : 0;
    if (members == 0)
        return false;
    const QString text =
        rows.size() == 1
            ? QStringLiteral("%1 is a member of an archive among the search results and "
                             "cannot be %2 here: nothing was done. Enter on it opens its "
                             "archive.")
                  .arg(platform::DisplayName(m_panels[side].Listing[rows.front()].Name), verb)
            : QStringLiteral("%1 of the %2 entries are members of archives among the search "
                             "results and cannot be %3 here: nothing was done. Enter on a "
                             "member opens its archive.")
                  .arg(members)
                  .arg(rows.size())
                  .arg(verb);
    platform::ShowMessage(text);
    return true;
}

void TfMain::ViewSearchHit(const TSearchHit& hit)
{
    // A folder has nothing to view: F3 only goes to it.
    if (hit.Member.isEmpty() && (hit.Attr & platform::faDirectory)) {
        GoToSearchHit(hit);
        return;
    }
    // Through the panel, so that a member is extracted, and a remote file fetched into a
    // private copy, as F3 in the panel would do.
    GoToSearchHit(hit, [this] { MenuViewFileClick(); });
}

void TfMain::FeedToPanel(const QString& folder, const std::vector<TSearchHit>& hits)
{
    const TSide side = ActiveSide();
    CancelRead(side);
    TPanel& p = m_panels[side];
    auto fed = std::make_shared<TFedResults>();
    fed->Root = AddSeparator(folder);
    // Results fed over results lead back where the first ones did; from anywhere else
    // (a folder, an archive, the drive list) back there, to the entry under the cursor.
    fed->Before = ShowsFedResults(side) ? p.Fed->Before : p.Place();
    QString failure;
    platform::TRemotePlaces* places =
        IsRemoteLocation(fed->Root) ? RemotePlacesOf(failure) : nullptr;
    for (const TSearchHit& hit : hits) {
        if (!hit.Folder.startsWith(fed->Root))
            continue;
        if (places) {
            // Named by its path below the searched folder as a user reads it.
            const QString name =
                QUrl::fromPercentEncoding(hit.Folder.mid(fed->Root.size()).toUtf8()) + hit.Name;
            fed->Remote.insert(name, places->Child(hit.Folder, hit.Name));
            fed->Names << name;
            continue;
        }
        QString name = hit.Path().mid(fed->Root.size());
        if (!hit.Member.isEmpty()) {
            // A member is a row of its own: the archive's path with the member's name.
            fed->Members.insert(name + '/' + hit.Member,
                                {name, hit.Member, hit.Size, hit.DateTime});
            name += '/' + hit.Member;
        }
        fed->Names << name;
    }
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
    // An archive entered from the results is left as any archive is.
    if (!ShowsFedResults(side))
        return false;
    const TPanelPlace before = p.Fed->Before;
    p.Fed.reset();
    ReturnToPlace(side, before);
    return true;
}
