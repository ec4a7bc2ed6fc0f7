// The file commands of a remote panel that change one folder: delete (F8, Delete,
// Shift+Delete), a new folder (F7), a rename in place or by Shift+F6, and folder sizes.
// Each call to the place runs on the file-work worker behind the progress window; the
// panel is read again afterwards, its cursor on the new name.
#include "controls/VirtualListView.h"
#include "fileops/DeleteQuestion.h"
#include "fileops/uConfirm.h"
#include "fileops/uProgress.h"
#include "fileops/uSimple.h"
#include "main/RemoteWork.h"
#include "main/uMain.h"
#include "modules/SupportModules.h"
#include "panel/RemoteLocation.h"
#include "platform/Messages.h"
#include "transfer/FileOpsCollision.h"
#include "transfer/RemoteTree.h"

#include <QTimer>

void RunRemoteWork(const QString& command, platform::TFileOpsProgress& progress,
                   platform::TRemoteCancel& cancel, const std::function<void()>& work)
{
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &watch, [&] {
        if (progress.Cancelled())
            cancel.Cancel();
    });
    watch.start(50);
    RunFileWork(command, progress, work);
}

namespace
{

platform::TRemotePlaces* Places()
{
    QString failure;
    platform::TRemotePlaces* places = RemotePlacesOf(failure);
    if (!places)
        platform::ShowMessage(failure);
    return places;
}

// Why `name` cannot name an entry; empty when it can.
QString NameRefusal(const QString& name)
{
    if (name.isEmpty())
        return QStringLiteral("the name is empty");
    if (name.contains('/'))
        return QStringLiteral("a name cannot contain \"/\"");
    if (!platform::UsableName(name))
        return QStringLiteral("\"%1\" cannot be a name").arg(name);
    return {};
}

} // namespace

bool TfMain::RemoteDelete(bool forGood)
{
    const TSide a = ActiveSide();
    if (!ShowsRemote(a))
        return false;
    if (ShowsRemoteFed(a)) // search results are only copied
        return RefuseOnRemote(a);
    const TPanel& p = m_panels[a];
    const std::vector<int> rows = m_commands.Selection(a);
    std::vector<platform::TRemoteName> items;
    for (const int row : rows)
        if (!p.Listing[row].IsParent())
            items.push_back({p.Listing[row].Name, p.Listing[row].IsDirectory()});
    platform::TRemotePlaces* places = items.empty() || Reading(a) ? nullptr : Places();
    if (!places)
        return true;
    const QString folder = p.Directory;
    bool toTrash = !forGood && UseRecycleBin;
    if (toTrash) {
        // Whether this place has a trash, asked of the first entry.
        platform::TFileOpsProgress progress;
        platform::TRemoteCancel cancel;
        platform::TRemoteFileInfo info;
        const QString first = places->Child(folder, items.front().Name);
        RunRemoteWork(QStringLiteral("Deleting"), progress, cancel,
                      [&] { info = places->Query(first, &cancel); });
        if (progress.Cancelled())
            return true;
        toTrash = info.CanTrash;
    }
    const bool many = rows.size() > 1;
    const QString where =
        toTrash ? (many ? QStringLiteral("They will be moved to the trash; this cannot be undone.")
                        : QStringLiteral("It will be moved to the trash; this cannot be undone."))
                : QStringLiteral("%1%2 will be deleted for good; this cannot be undone.")
                      .arg(forGood || !UseRecycleBin ? QString()
                                                     : QStringLiteral("This place has no trash: "),
                           many ? QStringLiteral("they") : QStringLiteral("it"));
    QString question = DeleteQuestionText(p.Listing, rows, folder, false) + '\n' + where;
    if (!AskConfirmation(question, QStringLiteral("Do you want to proceed ?")))
        return true;
    platform::TFileOpsProgress progress;
    platform::TRemoteCancel cancel;
    QStringList errors;
    KeepingActive([&] {
        RunRemoteWork(QStringLiteral("Deleting"), progress, cancel, [&] {
            errors = platform::DeleteRemoteItems(*places, folder, items, toTrash, progress, cancel);
        });
    });
    RecordRemote(TUndoKind::None, {},
                 toTrash ? QStringLiteral("a move to a remote place's trash")
                         : QStringLiteral("a delete on a remote place"));
    RereadKeepingView(a);
    if (m_panels[Other(a)].Directory.startsWith(folder))
        RereadKeepingView(Other(a));
    if (!errors.isEmpty())
        platform::ShowMessage(errors.join('\n'));
    return true;
}

bool TfMain::RemoteMakeFolder()
{
    const TSide a = ActiveSide();
    if (!ShowsRemote(a))
        return false;
    if (ShowsRemoteFed(a)) // search results are only copied
        return RefuseOnRemote(a);
    QString name = QStringLiteral("New directory");
    if (!AskInput(QStringLiteral("Enter the name for the directory to be created then press the "
                                 "[Accept] button."),
                  QStringLiteral("Name :"), name))
        return true;
    if (const QString why = NameRefusal(name); !why.isEmpty()) {
        platform::ShowMessage(QStringLiteral("No directory was created: %1.").arg(why));
        return true;
    }
    platform::TRemotePlaces* places = Places();
    if (!places)
        return true;
    const QString folder = m_panels[a].Directory;
    platform::TFileOpsProgress progress;
    platform::TRemoteCancel cancel;
    platform::TRemoteResult made;
    KeepingActive([&] {
        RunRemoteWork(QStringLiteral("Creating"), progress, cancel,
                      [&] { made = places->MakeFolder(folder, name, &cancel); });
    });
    if (made.Ok)
        RecordRemote(TUndoKind::CreateDirectory, {{places->Child(folder, name), {}}});
    RereadKeepingView(a, {}, made.Ok ? name : QString());
    if (made.Exists)
        platform::ShowMessage(QStringLiteral("The directory \"%1\" was not created: an entry of "
                                             "that name exists already.")
                                  .arg(name));
    else if (!made.Ok && !made.Cancelled)
        platform::ShowMessage(made.Error);
    return true;
}

void TfMain::RenameRemoteEntry(TSide side, const QString& name, const QString& renamed)
{
    if (renamed == name)
        return;
    if (const QString why = NameRefusal(renamed); !why.isEmpty()) {
        platform::ShowMessage(QStringLiteral("%1 was not renamed: %2.").arg(name, why));
        return;
    }
    platform::TRemotePlaces* places = Places();
    if (!places)
        return;
    const QString folder = m_panels[side].Directory;
    const QString uri = places->Child(folder, name);
    platform::TFileOpsProgress progress;
    platform::TRemoteCancel cancel;
    platform::TRemoteResult result;
    KeepingActive([&] {
        RunRemoteWork(QStringLiteral("Renaming"), progress, cancel,
                      [&] { result = places->Rename(uri, renamed, &cancel); });
    });
    if (result.Ok)
        RecordRemote(TUndoKind::Rename, {{places->Child(folder, renamed), uri}});
    RereadKeepingView(side, {}, result.Ok ? renamed : name);
    if (result.Exists)
        platform::ShowMessage(QStringLiteral("%1 was not renamed: an entry named %2 exists "
                                             "already.")
                                  .arg(name, renamed));
    else if (!result.Ok && !result.Cancelled)
        platform::ShowMessage(result.Error);
}

bool TfMain::RemoteRenameInPlace(TSide side, const QString& text)
{
    if (!ShowsRemote(side))
        return false;
    if (ShowsRemoteFed(side)) // search results are only copied
        return RefuseOnRemote(side);
    const TPanel& p = m_panels[side];
    const int row = p.Files->GetFocusedIndex();
    if (Reading(side) || row < 0 || row >= p.Listing.Count() || p.Listing[row].IsParent())
        return true;
    RenameRemoteEntry(side, p.Listing[row].Name, text);
    return true;
}

bool TfMain::RemoteRenameMove()
{
    const TSide a = ActiveSide();
    if (!ShowsRemote(a))
        return false;
    if (ShowsRemoteFed(a)) // search results are only copied
        return RefuseOnRemote(a);
    const TPanel& p = m_panels[a];
    const std::vector<int> rows = m_commands.Selection(a);
    if (Reading(a) || rows.empty() || p.Listing[rows.front()].IsParent())
        return true;
    if (rows.size() > 1) {
        platform::ShowMessage(QStringLiteral("On a remote place one entry at a time is renamed; "
                                             "F6 moves several."));
        return true;
    }
    const QString name = p.Listing[rows.front()].Name;
    QString renamed = name;
    if (AskInput(QStringLiteral("Enter the new name for ") + name +
                     QStringLiteral(" then press the [Accept] button."),
                 QStringLiteral("Name :"), renamed))
        RenameRemoteEntry(a, name, renamed);
    return true;
}

bool TfMain::MeasureRemoteFolders(const QStringList& names, std::vector<qint64>& sizes,
                                  platform::TFileOpsProgress& progress)
{
    const TSide a = ActiveSide();
    if (!ShowsRemote(a))
        return false;
    platform::TRemotePlaces* places = Places();
    if (!places)
        return true;
    const QString folder = m_panels[a].Directory;
    platform::TRemoteCancel cancel;
    RunRemoteWork(QStringLiteral("Measuring"), progress, cancel, [&] {
        for (qsizetype i = 0; i < names.size() && !progress.Cancelled(); ++i) {
            sizes[size_t(i)] = platform::RemoteTreeSize(*places, places->Child(folder, names[i]),
                                                        progress, cancel);
            if (sizes[size_t(i)] >= 0)
                progress.AddItem();
        }
    });
    return true;
}
