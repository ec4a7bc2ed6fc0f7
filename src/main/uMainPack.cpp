// Pack in the main window: the File menu's "Pack..." (Alt+F5) takes the marked entries of
// the active panel's folder (or the cursor's) into a new archive in the other panel's
// folder, as TfPack asks; the work runs behind the progress window. A remote panel's
// entries are packed from private copies (uMainPackRemote.cpp). A new archive can be
// undone (removed while it is unchanged); after a move, undo cannot bring the originals
// back, and says so.
#include "controls/VirtualListView.h"
#include "fileops/uCommon.h"
#include "fileops/uProgress.h"
#include "main/uMain.h"
#include "modules/SupportModules.h"
#include "pack/uPack.h"
#include "platform/FileContent.h"
#include "platform/FileNames.h"
#include "platform/Messages.h"
#include "platform/TempFolder.h"
#include "transfer/FileSave.h"

#include <QMenu>
#include <memory>

void TfMain::CreatePackItem(QMenu* file)
{
    Actions.MenuPack = new QAction(QStringLiteral("P&ack..."), this);
    Actions.MenuPack->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F5));
    file->addAction(Actions.MenuPack);
    connect(Actions.MenuPack, &QAction::triggered, this, Command(&TfMain::MenuPackClick));
}

const TPackingModule* TfMain::PackingOrSay()
{
    QString failure;
    const TPackingModule* packing = PackingModuleOf(failure);
    if (!packing)
        platform::ShowMessage(failure);
    return packing;
}

namespace
{

// Whether the archive name `name` is taken in the pack's target folder: a local one is
// looked at, a remote one by the panel's listing (the window never waits for a server;
// a name taken there meanwhile is asked about when the archive is put).
bool PackNameTaken(const TPanel& other, const QString& target, bool remote, const QString& name)
{
    if (!remote)
        return platform::InspectSaveTarget(target + name).Kind !=
               platform::TSaveTarget::TKind::Missing;
    for (int i = 0; i < other.Listing.Count(); ++i)
        if (!other.Listing[i].IsParent() && other.Listing[i].Name == name)
            return true;
    return false;
}

} // namespace

void TfMain::MenuPackClick()
{
    const TSide side = ActiveSide();
    if (ReadingAny())
        return;
    const TPanel& p = m_panels[side];
    const TPanel& other = m_panels[Other(side)];
    // From a remote folder the entries are packed from private copies on this machine;
    // for a remote folder the archive is made in a private folder and put there.
    const bool remote = ShowsRemote(side) && !p.Listing.IsArchiveListing();
    const bool intoRemote = ShowsRemote(Other(side)) && !other.Listing.IsArchiveListing();
    if (!(ShowsLocalFolder(p) || remote) || !(ShowsLocalFolder(other) || intoRemote)) {
        platform::ShowMessage(
            QStringLiteral("Pack takes files of a folder into an archive in the other "
                           "panel's folder; the other panel must show a folder, on this "
                           "computer or in a remote place."));
        return;
    }
    QStringList names = MarkedOrFocusedNames(side);
    if (names.isEmpty())
        return;
    const QString folder = AddSeparator(p.Listing.Directory);
    const QString target = intoRemote ? other.Directory : AddSeparator(other.Listing.Directory);
    const QString intro =
        names.size() == 1
            ? QStringLiteral("Pack \"%1\" into an archive in %2").arg(names.front(), target)
            : QStringLiteral("Pack %1 items into an archive in %2").arg(names.size()).arg(target);
    TfPack dialog(this, intro, DefaultPackName(folder, names, TPackFormat::Zip),
                  [&](const QString& name) {
                      return PackNameTaken(other, target, intoRemote, name)
                                 ? QStringLiteral("\"%1\" exists already; choose another "
                                                  "name.")
                                       .arg(name)
                                 : QString();
                  });
    if (dialog.exec() != QDialog::Accepted)
        return;
    const TPackingModule* packing = PackingOrSay();
    if (!packing)
        return;
    std::unique_ptr<platform::TPrivateFolder> copies, made;
    if (remote) {
        copies = std::make_unique<platform::TPrivateFolder>();
        names = FetchForPack(side, names, copies->Path());
        if (names.isEmpty())
            return;
    }
    if (intoRemote)
        made = std::make_unique<platform::TPrivateFolder>();
    // Originals that are remote, or whose archive still has to reach a remote folder, stay
    // through the pack: they go only once the archive is where it belongs.
    const TPackRequest request{remote ? copies->Path() : folder,
                               names,
                               (intoRemote ? made->Path() : target) + dialog.ArchiveName(),
                               dialog.Format(),
                               dialog.Level(),
                               dialog.Password(),
                               dialog.Move(),
                               remote || intoRemote};
    platform::TFileOpsProgress progress;
    TPackResult result;
    TUndoItem item{request.Target, {}, {}};
    bool undoable = false;
    RunFileWork(QStringLiteral("Packing"), progress, [&] {
        result = packing->Pack(request, progress);
        if (result.Outcome != TPackResult::TOutcome::Done || intoRemote)
            return;
        // What undo removes: this archive, while it is still the one made.
        const std::optional<quint32> crc = platform::FileCrc32(request.Target);
        undoable = crc && platform::RecordEntry(request.Target, item.Record) == 0;
        if (undoable)
            item.Record.KeepContent(*crc, true);
    });
    if (result.Outcome == TPackResult::TOutcome::Cancelled) {
        platform::ShowMessage(QStringLiteral("Cancelled: no archive was written."));
        return;
    }
    if (result.Outcome == TPackResult::TOutcome::Failed) {
        platform::ShowMessage(result.Problems.join('\n'));
        return;
    }
    UnmarkPacked(side, names);
    QString archiveName = dialog.ArchiveName();
    QStringList said = result.Problems;
    // For a move, the archive put into a remote folder must also read back there as made.
    bool lost = false;
    const bool placed = !intoRemote || PutPackedArchive(request.Target, target, request.Move,
                                                        archiveName, said, lost);
    if (request.Move && placed) {
        if (remote)
            DropPackedOriginals(side, copies->Path(), result.Verified);
        else if (intoRemote)
            said << DropLocalPackedOriginals(folder, result);
    } else if (request.Move) {
        said << QStringLiteral("The originals stay: %1.").arg(names.join(", "));
    }
    RecordPack(request, result, item, undoable, intoRemote, dialog.ArchiveName());
    // A folder whose server went is read again by Ctrl+R once it answers.
    if (!lost)
        RereadKeepingView(Other(side), {}, archiveName);
    if (request.Move)
        RereadKeepingView(side, {}, {}, false);
    if (!said.isEmpty())
        platform::ShowMessage(said.join('\n'));
}

void TfMain::RecordPack(const TPackRequest& request, const TPackResult& result, TUndoItem& item,
                        bool undoable, bool intoRemote, const QString& archiveName)
{
    TUndoRecord record{TUndoKind::NewFile};
    if (result.Removed > 0 || (request.Move && request.KeepOriginals))
        record = TUndoRecord{TUndoKind::None,
                             QStringLiteral("a move into the archive %1: unpack it to bring "
                                            "the originals back")
                                 .arg(archiveName)};
    else if (intoRemote)
        record = TUndoRecord{TUndoKind::None, QStringLiteral("a pack into a remote folder")};
    else if (undoable)
        record.Items.push_back(std::move(item));
    m_commands.History().Add(std::move(record));
}
