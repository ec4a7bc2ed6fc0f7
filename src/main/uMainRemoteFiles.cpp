// Delete (F8, Delete, Shift+Delete), Shift+F6 and folder sizes on a remote panel. The
// place's calls run on the file-work worker behind the progress window; the panel is read
// again afterwards. New folders and renames are the place's, as for every kind
// (fileops/FileCommandsEdit.cpp).
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
    RunCancellableWork(command, progress, cancel, work);
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

} // namespace

bool TfMain::RemoteDelete(bool forGood)
{
    const TSide a = ActiveSide();
    if (!ShowsRemote(a))
        return false;
    const TPanel& p = m_panels[a];
    const std::vector<int> rows = m_commands.Selection(a);
    std::vector<places::TPlaceEntry> items;
    for (const int row : rows)
        if (!p.Listing[row].IsParent())
            items.push_back({p.Listing[row].Name, p.Listing[row].IsDirectory()});
    if (items.empty())
        return true;
    const std::unique_ptr<places::TPlace> place = PlaceOf(a);
    const QString folder = p.Directory;
    bool toTrash = !forGood && UseRecycleBin;
    if (toTrash) {
        // Whether this place has a trash, asked of the first entry.
        platform::TFileOpsProgress progress;
        platform::TRemoteCancel cancel;
        RunRemoteWork(QStringLiteral("Deleting"), progress, cancel,
                      [&] { toTrash = place->TrashTakes(items.front().Name, &cancel); });
        if (progress.Cancelled())
            return true;
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
        RunRemoteWork(QStringLiteral("Deleting"), progress, cancel,
                      [&] { errors = place->Delete(items, toTrash, progress, cancel); });
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
        KeepingActive([&] { m_commands.RenameRow(a, rows.front(), renamed); });
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
