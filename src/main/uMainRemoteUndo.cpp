// Undo of the commands of remote places: renames, moves within one place (made by the
// backend's rename) and new folders go back through the place on the file-work worker,
// never replacing a name; deletes and copies through a remote place leave a record that
// says they cannot be undone.
#include "main/RemoteWork.h"
#include "main/uMain.h"
#include "modules/SupportModules.h"
#include "platform/Messages.h"

#include <QUrl>

namespace
{

// Takes back one item of a remote record; returns why not, empty when it went back.
QString UndoRemoteItem(platform::TRemotePlaces& places, TUndoKind kind, const TUndoItem& item,
                       platform::TRemoteCancel& cancel)
{
    const QUrl was(item.Was);
    const QString name = was.fileName(QUrl::FullyDecoded);
    platform::TRemoteResult result;
    switch (kind) {
    case TUndoKind::Rename:
        result = places.Rename(item.Now, name, &cancel);
        break;
    case TUndoKind::Move:
        result = places.Move(item.Now, was.adjusted(QUrl::RemoveFilename).toString(), name,
                             &cancel);
        break;
    case TUndoKind::CreateDirectory: {
        // Removed only while empty: what was put in it since stays.
        const platform::TRemoteFolder folder = places.ReadFolder(item.Now, &cancel);
        if (!folder.Error.isEmpty())
            return folder.Error;
        if (!folder.Entries.empty())
            return QStringLiteral("The folder %1 stays: it is not empty.")
                .arg(QUrl(item.Now).fileName(QUrl::FullyDecoded));
        result = places.Delete(item.Now, &cancel);
        break;
    }
    default:
        return {};
    }
    if (result.Exists)
        return QStringLiteral("%1 was not put back: the name %2 is taken.")
            .arg(QUrl(item.Now).fileName(QUrl::FullyDecoded), name);
    return result.Ok || result.Cancelled ? QString() : result.Error;
}

} // namespace

void TfMain::RecordRemote(TUndoKind kind, std::vector<TUndoItem> items, const QString& reason)
{
    TUndoRecord record{kind, reason, std::move(items)};
    record.Remote = true;
    m_commands.History().Add(std::move(record));
}

bool TfMain::UndoRemote()
{
    const TUndoRecord* last = m_commands.History().Last();
    if (!last || !last->Remote)
        return false;
    if (!last->Undoable()) {
        platform::ShowMessage(last->MenuText() + '.');
        return true;
    }
    platform::TRemotePlaces* places = RemotePlacesOrSay();
    if (!places)
        return true;
    TUndoRecord record = m_commands.History().TakeLast();
    size_t left = record.Items.size();
    platform::TFileOpsProgress progress;
    progress.SetTotals(int(left), -1);
    platform::TRemoteCancel cancel;
    QStringList errors;
    KeepingActive([&] {
        RunRemoteWork(QStringLiteral("Undoing"), progress, cancel, [&] {
            // The last item made goes back first.
            for (; left > 0 && !progress.Cancelled(); --left) {
                const QString error =
                    UndoRemoteItem(*places, record.Kind, record.Items[left - 1], cancel);
                if (!error.isEmpty())
                    errors << error;
                progress.AddItem();
            }
        });
    });
    if (left > 0) {
        record.Items.resize(left);
        m_commands.History().Add(std::move(record));
    }
    for (const TSide side : {sdLeft, sdRight})
        if (ShowsRemote(side))
            RereadKeepingView(side);
    if (!errors.isEmpty())
        platform::ShowMessage(errors.join('\n'));
    return true;
}
