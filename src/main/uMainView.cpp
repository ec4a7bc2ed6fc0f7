// View / Edit: opens the focused file of the active panel by its extension's category,
// also a member of the archive the panel shows, through a private extracted copy.
#include "browser/uBrowser.h"
#include "controls/VirtualListView.h"
#include "fileops/LibraryWork.h"
#include "fileops/TransferPlan.h"
#include "main/ViewDispatch.h"
#include "main/Windows.h"
#include "main/uMain.h"
#include "platform/Messages.h"
#include "platform/Process.h"
#include "players/uModule.h"
#include "players/uMusic.h"
#include "players/uSound.h"
#include "viewers/uImage.h"
#include "viewers/uText.h"
#include "zip/ZipArchive.h"

#include <QFileInfo>

TfText* TfMain::OpenTextEditor(const QString& fileName, bool editable)
{
    return TfText::Open(this, fileName, editable);
}

TfImage* TfMain::OpenImageViewer(const QString& fileName)
{
    return TfImage::Open(this, fileName);
}

void TfMain::MenuViewFileClick()
{
    if (Reading(ActiveSide()))
        return; // no rows yet
    TPanel& p = m_panels[ActiveSide()];
    const int row = p.Files->GetFocusedIndex();
    if (row < 0 || row >= p.Listing.Count())
        throw platform::EListError(row);
    const TFileObject& e = p.Listing[row];
    const bool member = e.Kind == fkZipMember;
    const TViewAction action = FindViewAction(Categories, e.Name, member);
    if (!member) {
        if (action == TViewAction::None)
            OpenWithDesktop(AddSeparator(p.Directory) + e.Name);
        else
            PerformView(action, AddSeparator(p.Directory) + e.Name, true);
        return;
    }
    // A member is extracted into a private folder of its own, never beside the archive,
    // and opened from there read-only; the copy goes when its window does.
    auto folder = std::make_unique<platform::TPrivateFolder>();
    p.Zip->ExtrBaseDir = folder->Path();
    p.Zip->FSpecArgs = QStringList{e.Name};
    bool cancelled = false;
    if (!ExtractReadOnlyMember(ActiveSide(), e.Name, folder->Path()))
        WithZipMessages([&p, &cancelled] {
            // A large member is extracted on a worker behind the progress window.
            platform::TFileOpsProgress progress;
            progress.SetTotals(1, -1);
            const TLibraryWork work(*p.Zip, QStringLiteral("Extracting"), progress);
            p.Zip->Extract();
            cancelled = progress.Cancelled();
        });
    if (cancelled)
        return; // nothing to show: the copy was not made
    if (action == TViewAction::None) {
        // The desktop's application may read its copy at any time: kept to the end.
        const QString copy = folder->Path() + BareName(e.Name);
        m_extractedCopies.Keep(std::move(folder), nullptr, -1);
        if (QFileInfo::exists(copy))
            OpenWithDesktop(copy);
        return;
    }
    QWidget* user = PerformView(action, folder->Path() + BareName(e.Name), false);
    // What the member's editor saves as belongs beside the archive, not in the private
    // folder that goes with the window.
    if (auto* editor = qobject_cast<TfText*>(user))
        editor->SetSaveFolder(QFileInfo(p.Zip->ZipFilename()).absolutePath());
    m_extractedCopies.Keep(std::move(folder), user, ProgramCopyLifetimeMs);
}

void TfMain::OpenWithDesktop(const QString& path)
{
    platform::OpenWithDefaultApplication(path, this, [path](bool opened) {
        if (opened)
            return;
        const QString name = QFileInfo(path).fileName();
        const int dot = int(name.lastIndexOf('.'));
        platform::ShowMessage(
            dot > 0 ? QStringLiteral("No viewer is set for %1 files, and the desktop has no "
                                     "application for them.").arg(name.mid(dot))
                    : QStringLiteral("No viewer is set for %1, and the desktop has no "
                                     "application for it.").arg(name));
    });
}

QWidget* TfMain::PerformView(TViewAction action, const QString& path, bool editable)
{
    switch (action) {
    case TViewAction::Image:
        return OpenImageViewer(path);
    case TViewAction::Text:
        return OpenTextEditor(path, editable);
    case TViewAction::Sound:
        return ShowPlayer(SoundPlayer(this), path);
    case TViewAction::Module:
        return ShowPlayer(ModulePlayer(this), path);
    case TViewAction::Music:
        return ShowPlayer(MusicPlayer(this), path);
    case TViewAction::HTML:
        return ShowPlayer(HtmlViewer(this), path);
    case TViewAction::Program:
        platform::StartProgram(path);
        return nullptr;
    case TViewAction::Help:
        platform::StartHelpViewer(path);
        return nullptr;
    case TViewAction::None:
        break;
    }
    return nullptr;
}

template <typename TPlayer> QWidget* TfMain::ShowPlayer(TPlayer* player, const QString& path)
{
    // A player that is on screen only comes to the front; the new file waits.
    if (!player->isVisible())
        player->FileName = path;
    player->show();
    player->raise();
    player->activateWindow();
    return player;
}
