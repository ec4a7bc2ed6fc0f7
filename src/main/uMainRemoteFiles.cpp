// Shift+F6 and folder sizes on a remote panel, each call run on the file-work worker
// behind the progress window. New folders, renames and deletes go through the panel's
// place, as for every kind (fileops/FileCommandsEdit.cpp).
#include "controls/VirtualListView.h"
#include "fileops/uProgress.h"
#include "fileops/uSimple.h"
#include "main/RemoteWork.h"
#include "main/uMain.h"
#include "modules/SupportModules.h"
#include "panel/RemoteLocation.h"
#include "platform/Messages.h"
#include "transfer/RemoteTree.h"

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
