// F3, F4, Enter and a double click on a file of a remote place: a private copy is
// fetched on the file-work worker behind the progress window (Cancel stops it), then
// opened as a local file of its category. The editor's Save puts the copy back only while
// the remote file is the one fetched (remote/RemoteEdit.h); otherwise the edited text is
// kept in the user's data folder, under Travodex/Unsaved, and the message names it.
#include "fileops/uProgress.h"
#include "main/FedResults.h"
#include "main/RemoteWork.h"
#include "main/ViewDispatch.h"
#include "main/uMain.h"
#include "modules/SupportModules.h"
#include "panel/RemoteLocation.h"
#include "platform/Messages.h"
#include "remote/RemoteEdit.h"
#include "viewers/uImage.h"
#include "viewers/uText.h"
#include "viewers/uTextView.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>

namespace
{

// Where edited copies that could not go back are kept: outside the temporary folders,
// which the system and the next start clear.
QString UnsavedFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Travodex/Unsaved");
}

} // namespace

bool TfMain::OpenRemoteFile(const TFileObject& e, TRemoteOpen how)
{
    const TSide side = ActiveSide();
    if (!ShowsRemote(side))
        return false;
    if (e.IsParent() || e.IsDirectory())
        return true; // folders are entered, not opened
    platform::TRemotePlaces* places = RemotePlacesOrSay();
    if (!places)
        return true;
    auto folder = std::make_unique<platform::TPrivateFolder>();
    auto file = std::make_shared<remote::TFetchedFile>();
    file->Folder = RemoteFolder(m_panels[side].Directory);
    file->Name = e.Name;
    if (ShowsRemoteFed(side)) // a search hit fed to the panel: by its own address
        file->Folder = RemoteParent(m_panels[side].Fed->Remote.value(e.Name), &file->Name);
    platform::TFileOpsProgress progress;
    progress.SetTotals(1, e.Size);
    progress.SetCurrent(e.Name);
    platform::TRemoteResult fetched;
    platform::TRemoteCancel cancel;
    RunRemoteWork(QStringLiteral("Fetching"), progress, cancel, [&] {
        qint64 counted = 0;
        fetched = remote::FetchCopy(
            *places, *file, folder->Path(),
            [&](qint64 done, qint64) {
                progress.AddBytes(done - counted);
                counted = done;
            },
            &cancel);
    });
    if (!fetched.Ok || progress.Cancelled()) {
        if (!fetched.Ok && !fetched.Cancelled && !progress.Cancelled())
            platform::ShowMessage(fetched.Error);
        return true; // a cancelled fetch opens nothing, also one that ended meanwhile
    }
    ShowRemoteCopy(std::move(folder), *places, file, how);
    return true;
}

void TfMain::ShowRemoteCopy(std::unique_ptr<platform::TPrivateFolder> folder,
                            platform::TRemotePlaces& places,
                            const std::shared_ptr<remote::TFetchedFile>& file, TRemoteOpen how)
{
    const QString copy = file->Copy;
    const std::optional<TExtensionCategory> category =
        OpeningCategory(Categories, file->Name, false);
    const QString command =
        category ? Programs.Command(*category, how == TRemoteOpen::Edit ? TExternalRole::Editor
                                                                        : TExternalRole::Viewer)
                 : QString();
    const TViewAction action = FindViewAction(Categories, file->Name, false);
    // Another program may read its copy at any time: kept to the end of the run.
    if (!command.isEmpty() || action == TViewAction::Help ||
        (action == TViewAction::None && how == TRemoteOpen::Enter)) {
        m_extractedCopies.Keep(std::move(folder), nullptr, -1);
        if (!command.isEmpty())
            StartExternal(command, copy);
        else if (action == TViewAction::Help)
            PerformView(action, copy, false);
        else
            OpenWithDesktop(copy);
        return;
    }
    QWidget* user = nullptr;
    if (how == TRemoteOpen::Edit)
        user = OpenTextEditor(copy, true);
    else if (action == TViewAction::Text || action == TViewAction::None ||
             action == TViewAction::Program) // a fetched program is shown, never run
        user = OpenTextView(copy);
    else
        user = PerformView(action, copy, false);
    if (auto* editor = qobject_cast<TfText*>(user); editor && editor->FileName() == copy) {
        QString shown = RemoteDisplayName(file->Folder);
        if (shown.endsWith(u'/'))
            shown.chop(1);
        editor->SetSaveFolder(UnsavedFolder());
        editor->SetMember({file->Name, shown, false, [this, &places, file](const QString&) {
                               return PutRemoteBack(places, *file);
                           }});
    }
    m_extractedCopies.Keep(std::move(folder), user, ProgramCopyLifetimeMs);
}

// One command: no other starts meanwhile. On a refusal the edited text is also kept
// where no clean-up removes it, and the answer names that file.
QString TfMain::PutRemoteBack(platform::TRemotePlaces& places, remote::TFetchedFile& file)
{
    QString why = QStringLiteral("another command is still at work; save again when it has ended");
    RunCommand([&] {
        platform::TFileOpsProgress progress;
        progress.SetTotals(1, QFileInfo(file.Copy).size());
        progress.SetCurrent(file.Name);
        platform::TRemoteResult result;
        QString kept, keptWhy;
        const QString unsaved = UnsavedFolder();
        QDir().mkpath(unsaved);
        platform::TRemoteCancel cancel;
        RunRemoteWork(QStringLiteral("Putting back ") + file.Name, progress, cancel, [&] {
            result = remote::PutBack(places, file, &cancel);
            if (!result.Ok)
                kept = remote::KeepCopy(places, file.Copy, unsaved, keptWhy);
        });
        if (result.Ok) {
            why.clear();
            for (const TSide side : {sdLeft, sdRight})
                if (ShowsRemote(side) && m_panels[side].Listing.Directory == file.Folder)
                    RereadKeepingView(side);
            return;
        }
        why = result.Cancelled || progress.Cancelled()
                  ? QStringLiteral("cancelled; the file on the server is as it was")
                  : result.Error;
        why += kept.isEmpty() ? QStringLiteral("; the edited text could not be kept: ") + keptWhy
                              : QStringLiteral("; the edited text is kept as ") + kept;
    });
    return why;
}
