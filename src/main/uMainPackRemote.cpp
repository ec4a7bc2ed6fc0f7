// Pack from a remote panel: the chosen entries are fetched by the remote copy into a
// private folder on this machine, packed from there as local files are, and the private
// copies go with that folder. A move-pack deletes a remote original only once the
// archive, read back, holds its copy whole, and only while it still reads back as that
// copy.
#include "fileops/uCollision.h"
#include "main/RemoteWork.h"
#include "main/uMain.h"
#include "modules/SupportModules.h"
#include "platform/FileOpsFaults.h"
#include "platform/FileSystem.h"
#include "platform/Messages.h"
#include "transfer/RemoteTransfer.h"
#include "transfer/RemoteTree.h"

#include <QDateTime>

namespace
{

QDateTime PanelTime(double days)
{
    return QDateTime(QDate(1899, 12, 30), QTime(0, 0)).addMSecs(qint64(days * 86400000.0));
}

} // namespace

QStringList TfMain::FetchForPack(TSide side, const QStringList& names, const QString& into)
{
    QString failure;
    platform::TRemotePlaces* places = RemotePlacesOf(failure);
    if (!places) {
        platform::ShowMessage(failure);
        return {};
    }
    const TPanel& p = m_panels[side];
    std::vector<platform::TRemoteTransferItem> items;
    for (int i = 0; i < p.Listing.Count(); ++i) {
        const TFileObject& e = p.Listing[i];
        if (!e.IsParent() && names.contains(e.Name))
            items.push_back({e.Name, e.IsDirectory(), e.Size, PanelTime(e.DateTime)});
    }
    // Into an empty private folder: no name there is taken.
    platform::TFileOpsProgress progress;
    TCollisionAsker asker;
    platform::TRemoteCancel cancel;
    platform::TRemoteTransfer fetch(*places, progress, asker.Handler(progress), cancel, false);
    RunRemoteWork(QStringLiteral("Copying"), progress, cancel,
                  [&] { fetch.Run(p.Directory, into, items); });
    QStringList said = fetch.Errors();
    QStringList arrived;
    if (progress.Cancelled() || cancel.Cancelled()) {
        said << QStringLiteral("Cancelled: no archive was written.");
    } else {
        for (const platform::TRemoteTransferItem& item : items) {
            const QString path = into + item.Name;
            if (item.Folder ? platform::DirectoryExists(path) : platform::FileExists(path))
                arrived << item.Name;
        }
    }
    if (!said.isEmpty())
        platform::ShowMessage(said.join('\n'));
    return arrived;
}

void TfMain::DropPackedOriginals(TSide side, const QString& copies, const QStringList& verified)
{
    QString failure;
    platform::TRemotePlaces* places = RemotePlacesOf(failure);
    if (!places || verified.isEmpty())
        return;
    const QString folder = m_panels[side].Directory;
    std::vector<platform::TRemoteName> names;
    for (const QString& name : verified)
        names.push_back({name, platform::DirectoryExists(copies + name)});
    platform::FileOpsFault(platform::TFileOpsStep::BeforeRemoveSources, folder);
    platform::TFileOpsProgress progress;
    platform::TRemoteCancel cancel;
    QStringList stayed;
    RunRemoteWork(QStringLiteral("Deleting"), progress, cancel, [&] {
        stayed = platform::DeleteCopiedOriginals(*places, folder, copies, names, progress, cancel);
    });
    if (!stayed.isEmpty())
        platform::ShowMessage(stayed.join('\n'));
}
