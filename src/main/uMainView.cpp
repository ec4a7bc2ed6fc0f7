// View / Edit: opens the focused file of the active panel by its extension's category,
// also a member of the archive the panel shows, through a private extracted copy.
#include "browser/uBrowser.h"
#include "controls/VirtualListView.h"
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
#include <type_traits>

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
    if (action == TViewAction::None)
        return;
    if (!member) {
        PerformView(action, AddSeparator(p.Directory) + e.Name, true);
        return;
    }
    // A member is extracted into a private folder of its own, never beside the archive,
    // and opened from there read-only; the copy goes when its window does.
    auto folder = std::make_unique<platform::TPrivateFolder>();
    p.Zip->ExtrBaseDir = folder->Path();
    p.Zip->FSpecArgs = QStringList{e.Name};
    if (!ExtractReadOnlyMember(ActiveSide(), e.Name, folder->Path()))
        WithZipMessages([&p] { p.Zip->Extract(); });
    QWidget* user = PerformView(action, folder->Path() + BareName(e.Name), false);
    // What the member's editor saves as belongs beside the archive, not in the private
    // folder that goes with the window.
    if (auto* editor = qobject_cast<TfText*>(user))
        editor->SetSaveFolder(QFileInfo(p.Zip->ZipFilename()).absolutePath());
    m_extractedCopies.Keep(std::move(folder), user, ProgramCopyLifetimeMs);
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
    // A player on screen plays the new file in place of the old; the HTML viewer only
    // comes to the front, and the new file waits.
    if constexpr (std::is_base_of_v<TPlayerWindow, TPlayer>) {
        player->Open(path);
    } else {
        if (!player->isVisible())
            player->FileName = path;
        player->show();
    }
    player->raise();
    player->activateWindow();
    return player;
}
