// Rename (by mask, single, in place), delete and create directory, written once for every
// kind of place: each asks the panel's place (places/Place.h) what it can do and runs
// through it.
#include "controls/VirtualListView.h"
#include "fileops/CopyTarget.h"
#include "fileops/DeleteQuestion.h"
#include "fileops/FileCommands.h"
#include "fileops/PanelHost.h"
#include "fileops/TransferPlan.h"
#include "fileops/uCommon.h"
#include "fileops/uConfirm.h"
#include "fileops/uProgress.h"
#include "fileops/uSimple.h"
#include "places/Place.h"
#include "platform/FileNames.h"
#include "platform/Locale.h"
#include "platform/Messages.h"
#include "transfer/FileOpsSupport.h"
#include "transfer/ShellFileOperation.h"
#include "zip/ZipArchive.h"

#include <cerrno>

namespace
{

// The lines of failed renames as one message (the first 20 and a count of the rest).
void ReportRenameFailures(const QStringList& failures)
{
    if (failures.isEmpty())
        return;
    constexpr int kShown = 20;
    QStringList shown = failures.mid(0, kShown);
    if (failures.size() > kShown)
        shown << QStringLiteral("... and %1 more").arg(failures.size() - kShown);
    platform::ShowMessage(shown.join('\n'));
}

bool HoldsWildcards(const QString& text)
{
    return text.contains(QLatin1Char('*')) || text.contains(QLatin1Char('?'));
}

// The names `mask` makes of `names`, in `renamed`; false, after saying for each name the
// mask does not fit what it would have made and why, when it does not fit them all.
bool MaskFitsEvery(const QStringList& names, const QString& mask, QStringList& renamed)
{
    QStringList refused;
    for (const QString& name : names) {
        const TMaskedName made = ApplyRenameMask(name, mask);
        renamed << made.Name;
        if (!made.Refusal.isEmpty())
            refused << QStringLiteral("\"%1\" would become \"%2\": %3.")
                           .arg(name, made.Name, made.Refusal);
    }
    if (refused.isEmpty())
        return true;
    refused.prepend(QStringLiteral("Nothing was renamed: the mask \"%1\" does not fit %2.")
                        .arg(mask, names.size() == 1 ? QStringLiteral("the name")
                                                     : QStringLiteral("every name")));
    ReportRenameFailures(refused);
    return false;
}

} // namespace

void TFileCommands::ShowRefusal(const places::TRefusal& refusal)
{
    if (!refusal.Notice.isEmpty())
        ShowNotice(refusal.Message, refusal.Notice);
    else if (!refusal.Silent())
        platform::ShowMessage(refusal.Message);
}

bool TFileCommands::RunOnPlace(const places::TPlace& place, const QString& command, int items,
                               const std::function<void(platform::TRemoteCancel&)>& work)
{
    platform::TRemoteCancel cancel;
    if (!place.OnWorker()) {
        work(cancel);
        return false;
    }
    platform::TFileOpsProgress progress;
    progress.SetTotals(items, 0); // no bytes: else the window says it is still counting
    RunCancellableWork(command, progress, cancel, [&] { work(cancel); });
    return progress.Cancelled() || cancel.Cancelled();
}

void TFileCommands::RenameEntries(places::TPlace& place, const QStringList& names,
                                  const QStringList& renamed, TNameChanges& changes,
                                  QStringList& failures)
{
    RunOnPlace(
        place, QStringLiteral("Renaming"), int(names.size()), [&](platform::TRemoteCancel& cancel) {
            for (qsizetype i = 0; i < names.size() && !cancel.Cancelled(); ++i) {
                if (renamed[i] == names[i])
                    continue; // nothing to do
                const places::TPlaceResult result = place.Rename(names[i], renamed[i], &cancel);
                if (result.IsOk())
                    changes.emplace_back(names[i], renamed[i]);
                else if (result.State == places::TPlaceResult::Refused)
                    failures << result.Message;
            }
        });
}

void TFileCommands::RenameFiles()
{
    const int a = m_host.ActiveIndex();
    const TFileListing& listing = m_host.PanelListing(a);
    const std::unique_ptr<places::TPlace> place = m_host.PanelPlace(a);
    if (!place->Can(places::capRename)) {
        ShowRefusal(place->Refusal(places::capRename));
        return;
    }
    const QString dir = AddSeparator(m_host.PanelDirectory(a));
    // The marked entries when there are any, whatever row the cursor is on.
    const std::vector<int> selection = Selection(a);
    if (selection.empty())
        return;
    QStringList names;
    for (int row : selection)
        names << listing[row].Name;
    QString mask;
    QString single; // the new name typed for the one entry, when no mask was given
    if (names.size() == 1) {
        const QString& name = names.front();
        // The field shows the name as the panel does; what the user leaves of it keeps
        // the original bytes.
        QString value = platform::DisplayName(name);
        if (!AskInput(QStringLiteral("Enter the new name for the file ") + name +
                          QStringLiteral(" then press the [Accept] button."),
                      QStringLiteral("Name :"), value))
            return;
        value = UnshownText(name, value);
        // Wildcards typed where the name holds none make a mask for this one entry, never
        // a name made of them.
        (HoldsWildcards(value) && !HoldsWildcards(name) ? mask : single) = value;
    } else {
        mask = QStringLiteral("*.*");
        if (!AskInput(QStringLiteral("Enter the mask for the new names of the selected files then "
                                     "press the [Accept] button."),
                      QStringLiteral("Mask :"), mask))
            return;
    }
    QStringList renamed;
    if (mask.isEmpty())
        renamed << single;
    else if (!MaskFitsEvery(names, mask, renamed))
        return; // said why; nothing renamed, the marks stay
    TNameChanges changes;
    QStringList failures;
    RenameEntries(*place, names, renamed, changes, failures);
    // The cursor follows its entry when it was renamed.
    const int focused = m_host.PanelFiles(a).GetFocusedIndex();
    const QString focusedName =
        focused >= 0 && focused < listing.Count() ? listing[focused].Name : QString();
    QString cursor;
    for (const auto& [from, to] : changes)
        if (from == focusedName)
            cursor = to;
    RecordPlaceChanges(*place, TUndoKind::Rename, changes);
    FollowInOtherPanel(a, dir, changes);
    m_host.RefreshFromDisk(a, cursor);
    ReportRenameFailures(failures);
}

void TFileCommands::InPlaceRename(int panel, const QString& text)
{
    const TFileListing& listing = m_host.PanelListing(panel);
    if (const auto place = m_host.PanelPlace(panel); !place->Can(places::capRename)) {
        ShowRefusal(place->Refusal(places::capRename));
        return;
    }
    // The edit showed the whole name, bytes that are not UTF-8 as U+FFFD, which stand for
    // those bytes where left unchanged.
    const int focused = m_host.PanelFiles(panel).GetFocusedIndex();
    if (focused >= 0 && focused < listing.Count())
        RenameRow(panel, focused, UnshownText(listing[focused].Name, text));
}

void TFileCommands::RenameRow(int panel, int row, const QString& renamed)
{
    const TFileListing& listing = m_host.PanelListing(panel);
    if (listing.IsArchiveListing() || row < 0 || row >= listing.Count() ||
        listing[row].IsParent() || listing[row].Kind == fkDrive)
        return;
    const QString name = listing[row].Name;
    const QString dir = AddSeparator(m_host.PanelDirectory(panel));
    const std::unique_ptr<places::TPlace> place = m_host.PanelPlace(panel);
    TNameChanges changes;
    QStringList failures;
    RenameEntries(*place, {name}, {renamed}, changes, failures);
    RecordPlaceChanges(*place, TUndoKind::Rename, changes);
    FollowInOtherPanel(panel, dir, changes);
    m_host.RefreshFromDisk(panel, changes.empty() ? QString() : renamed);
    ReportRenameFailures(failures);
}

namespace
{

// Where the entries go, as the question says it. A place whose deletes are never taken
// back (a remote one) says so, and says when it has no trash although one is in use.
QString WhereDeleted(const places::TPlace& place, bool many, bool toTrash, bool trashInUse)
{
    if (place.UndoneByAddress())
        return toTrash
                   ? (many ? QStringLiteral("They will be moved to the trash; this cannot "
                                            "be undone.")
                           : QStringLiteral("It will be moved to the trash; this cannot be "
                                            "undone."))
                   : QStringLiteral("%1%2 will be deleted for good; this cannot be undone.")
                         .arg(trashInUse ? QStringLiteral("This place has no trash: ") : QString(),
                              many ? QStringLiteral("they") : QStringLiteral("it"));
    return toTrash ? (many ? QStringLiteral("They will be moved to the trash.")
                           : QStringLiteral("It will be moved to the trash."))
                   : (many ? QStringLiteral("They will be deleted for good.")
                           : QStringLiteral("It will be deleted for good."));
}

} // namespace

void TFileCommands::DeleteFiles(bool forGood)
{
    const int a = m_host.ActiveIndex();
    const TFileListing& listing = m_host.PanelListing(a);
    const std::vector<int> selection = Selection(a);
    if (selection.empty())
        return; // nothing chosen: nothing to ask about, nothing to delete
    const std::unique_ptr<places::TPlace> place = m_host.PanelPlace(a);
    const bool trashInUse = !forGood && m_host.RecycleBinInUse();
    bool toTrash = trashInUse && place->Can(places::capTrash);
    if (toTrash && place->OnWorker()) {
        // Whether this place has a trash, asked of the first entry.
        if (RunOnPlace(*place, QStringLiteral("Deleting"), 1, [&](platform::TRemoteCancel& cancel) {
                toTrash = place->TrashTakes(listing[selection.front()].Name, &cancel);
            }))
            return;
    }
    // The question names the entry that will go, or counts what goes with what its
    // folders hold, and says where it goes.
    const QString question = DeleteQuestionText(listing, selection, m_host.PanelDirectory(a),
                                                !listing.IsArchiveListing() &&
                                                    m_host.PanelDirectory(a).startsWith('/')) +
                             '\n' + WhereDeleted(*place, selection.size() > 1, toTrash, trashInUse);
    if (!AskConfirmation(question, QStringLiteral("Do you want to proceed ?")))
        return;
    std::vector<places::TPlaceEntry> entries;
    TNameChanges removed;
    for (const int row : selection) {
        entries.push_back({listing[row].Name, listing[row].IsDirectory()});
        removed.emplace_back(listing[row].Name, QString());
    }
    TProgressWork work;
    const places::TDeleteResult result = place->Delete(entries, toTrash, work);
    RecordDelete(*place, result);
    Report(result.Failures);
    if (listing.IsArchiveListing()) {
        m_host.RefreshFromArchive(a);
        return;
    }
    const QString dir = AddSeparator(m_host.PanelDirectory(a));
    FollowInOtherPanel(a, dir, removed);
    // FollowInOtherPanel follows local folders only: a panel inside a remote folder that
    // lost entries is read again where it still is.
    const int other = 1 - a;
    if (!dir.startsWith('/') && m_host.PanelDirectory(other).startsWith(m_host.PanelDirectory(a)))
        m_host.RereadKeepingRows(other, m_host.PanelDirectory(other));
    m_host.RefreshFromDisk(a);
}

void TFileCommands::CreateDirectory()
{
    const int a = m_host.ActiveIndex();
    const QString directory = m_host.PanelDirectory(a);
    const std::unique_ptr<places::TPlace> place = m_host.PanelPlace(a);
    if (!place->Can(places::capMakeFolder)) {
        ShowRefusal(place->Refusal(places::capMakeFolder));
        return;
    }
    QString name = QStringLiteral("New directory");
    if (!AskInput(QStringLiteral("Enter the name for the directory to be created then press the "
                                 "[Accept] button."),
                  QStringLiteral("Name :"), name))
        return;
    places::TPlaceResult made;
    RunOnPlace(*place, QStringLiteral("Creating"), 1,
               [&](platform::TRemoteCancel& cancel) { made = place->MakeFolder(name, &cancel); });
    if (made.State == places::TPlaceResult::Refused)
        platform::ShowMessage(made.Message);
    if (!made.IsOk())
        return;
    RecordPlaceChanges(*place, TUndoKind::CreateDirectory, {{QString(), name}});
    FollowInOtherPanel(a, AddSeparator(directory));
    // The folder was made beside an archive the panel showed: the panel shows that
    // folder, caption included. The cursor stands on the new folder.
    m_host.RefreshFromDisk(a, name);
}
