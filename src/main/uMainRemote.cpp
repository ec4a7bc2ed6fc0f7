// Remote places in the panels: connecting from the drive list or a typed address (a
// remote folder is read by its place, through GIO's asynchronous listing), entering and
// leaving its folders, and the free space where the backend
// tells it. Remote folders are never watched: Ctrl+R reads them again.
#include "controls/VirtualListView.h"
#include "fileops/uProgress.h"
#include "main/RemoteState.h"
#include "main/uMain.h"
#include "modules/SupportModules.h"
#include "panel/DriveSelector.h"
#include "panel/PanelText.h"
#include "panel/RemoteLocation.h"
#include "panel/StatusLine.h"
#include "platform/ConfigPath.h"
#include "platform/Messages.h"
#include "remote/uConnectServer.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QScopeGuard>
#include <QShortcut>

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
