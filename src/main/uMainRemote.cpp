// Remote places in the panels: connecting from the drive list or a typed address, a
// remote folder read through GIO's asynchronous listing (the window never waits for the
// network), entering and leaving its folders, and the free space where the backend
// tells it. Remote folders are never watched: Ctrl+R reads them again.
#include "controls/VirtualListView.h"
#include "fileops/uProgress.h"
#include "main/uMain.h"
#include "modules/SupportModules.h"
#include "panel/DriveSelector.h"
#include "panel/PanelText.h"
#include "panel/RemoteLocation.h"
#include "panel/StatusLine.h"
#include "platform/ConfigPath.h"
#include "platform/Messages.h"
#include "remote/RemoteAsker.h"
#include "remote/uConnectServer.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QScopeGuard>
#include <QShortcut>

// The window's remote side: the dialogs that answer a mount's questions (they must
// outlive it), the mount under way (one at a time) and each panel's free-space query.
struct TRemoteState {
    explicit TRemoteState(TfMain* window) : Asker(window) {}
    ~TRemoteState()
    {
        if (Mounting)
            Mounting->Cancel();
        if (platform::TRemotePlaces* places = LoadedRemotePlaces())
            places->ForgetReconnectAsker(&Asker);
    }
    TRemoteAsker Asker;
    std::shared_ptr<platform::TRemoteCancel> Mounting;
    std::array<std::unique_ptr<TFileWorker>, 2> FreeSpace;
};

namespace
{

constexpr int kStatusMs = 100;

} // namespace

TRemoteState& TfMain::RemoteState()
{
    if (!m_remote)
        m_remote = std::make_shared<TRemoteState>(this);
    return *m_remote;
}

bool TfMain::ShowsRemote(TSide side) const
{
    return IsRemoteLocation(m_panels[side].Directory);
}

void TfMain::CreateRemoteItem(QMenu* file)
{
    Actions.MenuConnectServer = new QAction(QStringLiteral("Connect to ser&ver…"), this);
    Actions.MenuConnectServer->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    file->addAction(Actions.MenuConnectServer);
    connect(Actions.MenuConnectServer, &QAction::triggered, this,
            [this] { RunCommand([this] { ConnectToServer(ActiveSide()); }); });
}

void TfMain::ConnectToServer(TSide side)
{
    remote::TRemoteUri chosen;
    if (AskConnectServer(this, platform::UserSettingsFilePath(), chosen))
        GoToRemote(side, chosen.Uri());
}

platform::TRemotePlaces* TfMain::RemotePlacesOrSay()
{
    QString failure;
    platform::TRemotePlaces* places = RemotePlacesOf(failure);
    if (!places)
        platform::ShowMessage(failure);
    return places;
}

void TfMain::GoToRemote(TSide side, const QString& uri, const std::function<void()>& ended,
                        const std::function<void()>& arrived)
{
    platform::TRemotePlaces* places = RemotePlacesOrSay();
    if (!places) {
        if (ended)
            ended();
        return;
    }
    TRemoteState& state = RemoteState();
    // A place whose connection died is mounted again with the same dialogs.
    places->SetReconnectAsker(&state.Asker);
    if (state.Mounting) {
        if (ended)
            ended();
        return; // one connection at a time; its questions or its answer come first
    }
    auto cancel = std::make_shared<platform::TRemoteCancel>();
    state.Mounting = cancel;
    const QString folder = RemoteFolder(uri);
    const std::weak_ptr<TRemoteState> alive = m_remote;
    // The panel stays where it is until the place is mounted; a failure says why in one
    // message and leaves it there.
    places->Mount(
        folder, state.Asker, cancel,
        [this, side, folder, cancel, alive, ended, arrived](const platform::TRemoteResult& result) {
            const std::shared_ptr<TRemoteState> state = alive.lock();
            if (!state)
                return; // the window is gone
            if (state->Mounting == cancel)
                state->Mounting.reset();
            const auto end = qScopeGuard([&ended] {
                if (ended)
                    ended();
            });
            if (!result.Ok) {
                if (!result.Cancelled)
                    platform::ShowMessage(
                        result.Error.isEmpty()
                            ? QStringLiteral("%1 cannot be reached.").arg(RemoteDisplayName(folder))
                            : result.Error);
                return;
            }
            m_panels[side].Directory = folder;
            RefreshPanel(side, arrived);
        });
}

bool TfMain::StartRemote(TSide side, const QString& argument)
{
    if (!IsRemoteAddress(argument))
        return false;
    // The panel first shows its usual place; the remote one follows once mounted.
    m_startRemote[side] = argument;
    m_startRemoteName[side].clear();
    return true;
}

bool TfMain::GoToTypedRemote(TSide side, const QString& typed)
{
    const remote::TRemoteUri uri = remote::TRemoteUri::Parse(typed);
    if (!uri.IsValid()) {
        platform::ShowMessage(uri.Error());
        return false;
    }
    GoToRemote(side, uri.Uri());
    return true;
}

bool TfMain::ReadRemote(TSide side, std::function<void()>& then)
{
    TPanel& p = m_panels[side];
    if (!IsRemoteLocation(p.Directory) || (p.Fed && p.Fed->Root == p.Directory))
        return false; // search results are looked up again as local ones are
    auto read = std::make_unique<TPanelRead>();
    const QString folder = RemoteFolder(p.Directory);
    read->Directory = folder;
    read->Then = [this, side, then = std::move(then)] {
        if (then)
            then();
        m_panels[side].DirectoryLabel->setText(RemoteDisplayName(m_panels[side].Directory));
    };
    // As a local read: one under way is replaced, and the panel keeps showing its place.
    if (const std::unique_ptr<TPanelRead> replaced = std::move(p.Read)) {
        replaced->Worker.reset();
        ShowAgain(side, *replaced);
    }
    if (!p.Listing.Directory.isEmpty())
        p.Directory = p.Listing.Directory;
    platform::TRemotePlaces* places = RemotePlacesOrSay();
    if (!places)
        return true;
    // A place not mounted yet (a tab remembered from the last run) is mounted by the
    // listing, asking as a connection does.
    places->SetReconnectAsker(&RemoteState().Asker);
    ShowRemoteReading(side, *read);
    const std::shared_ptr<TPanelRead::TResult> result = read->Result;
    const std::shared_ptr<std::atomic<qint64>> arrived = read->Arrived;
    auto entries = std::make_shared<std::vector<platform::TRemoteEntry>>();
    p.Read = std::move(read);
    std::unique_ptr<platform::TRemoteListing> listing = places->List(
        folder,
        [entries, arrived](std::vector<platform::TRemoteEntry>&& batch) {
            *arrived += qint64(batch.size());
            std::move(batch.begin(), batch.end(), std::back_inserter(*entries));
        },
        [this, side, result, entries, folder](const QString& error) {
            // Landed from the event loop, not from within the listing's own call.
            QTimer::singleShot(0, this, [this, side, result, entries, folder, error] {
                if (m_panels[side].Read && m_panels[side].Read->Result == result)
                    RemoteReadEnded(side, folder, std::move(*entries), error);
            });
        });
    if (p.Read && p.Read->Result == result)
        p.Read->Remote = std::move(listing);
    return true;
}

void TfMain::ShowRemoteReading(TSide side, TPanelRead& read)
{
    TPanel& p = m_panels[side];
    read.Caption = p.DirectoryLabel->text();
    read.Objects = p.Total->Text(1);
    read.Bytes = p.Total->Text(2);
    read.Focused = p.Files->GetFocusedIndex();
    p.DirectoryLabel->setText(RemoteDisplayName(read.Directory));
    p.Files->SetVirtualItemCount(0, cfNoScroll);
    FilesChange(side);
    p.Total->SetText(2, QString());
    const auto update = [&p, arrived = read.Arrived] {
        p.Total->SetText(1, QStringLiteral("Reading… ") + FormatSize(arrived->load()) +
                                QStringLiteral(" entries"));
    };
    update();
    connect(&read.Status, &QTimer::timeout, &read.Status, update);
    read.Status.start(kStatusMs);
    p.CancelRead->setEnabled(true);
}

void TfMain::RemoteReadEnded(TSide side, const QString& folder,
                             std::vector<platform::TRemoteEntry>&& entries, const QString& error)
{
    TPanel& p = m_panels[side];
    p.Read->Status.stop();
    if (!error.isEmpty()) {
        // The panel shows again what it showed before, and the message says why.
        const std::unique_ptr<TPanelRead> failed = std::move(p.Read);
        ShowAgain(side, *failed);
        platform::ShowMessage(QStringLiteral("The folder %1 cannot be read: %2")
                                  .arg(RemoteDisplayName(folder), error));
        return;
    }
    TFileListing& listing = p.Read->Result->Listing;
    listing.LoadRows(RemoteRows(folder, std::move(entries), KnownFolderDate(p.Listing, folder)));
    listing.Directory = folder;
    listing.Sort(p.SortOrder, p.Ascending, NaturalOrder);
    if (!ShowHidden)
        listing.DropHidden();
    p.Read->Done = true;
    // Within a command the rows wait until it is over, as a local read's do.
    if (!m_commandRunning)
        LandInBackground(side);
}

bool TfMain::RemoteDblClick(TSide side)
{
    TPanel& p = m_panels[side];
    if (!ShowsRemote(side) || RemoteFedDblClick(side))
        return ShowsRemote(side);
    const int row = p.Files->GetFocusedIndex();
    if (row < 0 || row >= p.Listing.Count())
        return true;
    const TFileObject& e = p.Listing[row];
    if (e.IsParent()) {
        LeaveRemoteLevel(side);
        return true;
    }
    if (!e.IsDirectory())
        return OpenRemoteFile(e, TRemoteOpen::Enter);
    QString failure;
    platform::TRemotePlaces* places = RemotePlacesOf(failure);
    if (!places)
        return true;
    p.Directory = RemoteFolder(places->Child(p.Directory, e.Name));
    OpenLocation(side);
    return true;
}

bool TfMain::LeaveRemoteLevel(TSide side)
{
    TPanel& p = m_panels[side];
    if (!ShowsRemote(side))
        return false;
    if (IsRemoteTop(p.Directory))
        return true; // the top of the place: nothing above it
    QString left;
    p.Directory = RemoteParent(p.Directory, &left);
    // The cursor lands on the folder just left.
    OpenLocation(side, [this, side, left] {
        const TFileListing& listing = m_panels[side].Listing;
        for (int row = 0; row < listing.Count(); ++row)
            if (listing[row].Name == left)
                m_panels[side].Files->FocusItem(row);
    });
    return true;
}

void TfMain::AddRemoteDriveItems(TSide side, QStringList& items, int& selected,
                                 QHash<QString, QString>& names)
{
    const QString& location = m_panels[side].Directory;
    const bool remote = IsRemoteLocation(location);
    // GIO's mounts once the remote module is in use: listing them never loads it.
    if (platform::TRemotePlaces* places = LoadedRemotePlaces())
        for (const platform::TRemoteMount& mount : places->Mounts()) {
            if (mount.Local || !IsRemoteLocation(mount.RootUri))
                continue;
            const QString root = RemoteFolder(mount.RootUri);
            names.insert(root, mount.Name);
            items << QStringLiteral("1:") + root;
            if (remote && location.startsWith(root))
                selected = int(items.size()) - 1;
        }
    if (remote && selected < 0) { // a place GIO does not list (yet)
        items << QStringLiteral("1:") + location;
        selected = int(items.size()) - 1;
    }
    if (remote)
        items[selected].prepend('T');
    items << QStringLiteral("0:") + QString::fromUtf8(kConnectServerItem);
}

bool TfMain::RemoteDriveChosen(TSide side, const QString& target)
{
    if (target == QString::fromUtf8(kConnectServerItem)) {
        FillDriveList(side); // the list shows the panel's place again
        ConnectToServer(side);
        return true;
    }
    if (!IsRemoteLocation(target))
        return false;
    FillDriveList(side);
    GoToRemote(side, target);
    return true;
}

bool ShowsLocalFolder(const TPanel& p)
{
    return !p.Listing.IsArchiveListing() && p.Directory != QLatin1String("Drives") &&
           !IsRemoteLocation(p.Directory);
}

bool TfMain::RefuseOnRemote(TSide side)
{
    if (!ShowsRemote(side))
        return false;
    platform::ShowMessage(
        ShowsRemoteFed(side)
            ? QStringLiteral("Search results from a remote place are only copied to a local "
                             "folder (F5): nothing was done.")
            : QStringLiteral("This command does not work on remote places."));
    return true;
}

bool TfMain::ShowRemoteFreeSpace(TSide side)
{
    TPanel& p = m_panels[side];
    if (!ShowsRemote(side))
        return false;
    p.Files->SetColumnCaption(pcSize, QStringLiteral("Size"));
    p.LabelFree->clear();
    QString failure;
    platform::TRemotePlaces* places = RemotePlacesOf(failure);
    if (!places)
        return true;
    // Asked on a worker: a server that does not answer leaves the label empty, never the
    // window waiting. A newer question abandons the older.
    auto space = std::make_shared<platform::TRemoteSpace>();
    const QString folder = p.Directory;
    std::unique_ptr<TFileWorker>& worker = RemoteState().FreeSpace[side];
    worker.reset(); // abandoned: its OnDone is never called
    worker = std::make_unique<TFileWorker>([places, space, folder](platform::TFileOpsProgress&) {
        *space = places->FreeSpace(folder, nullptr);
    });
    worker->OnDone = [this, side, space, folder] {
        TPanel& panel = m_panels[side];
        if (panel.Directory == folder && space->Known)
            panel.LabelFree->setText(FormatSize(space->Free) + QStringLiteral(" bytes free"));
    };
    return true;
}
