// View / Edit: opens the focused file of the active panel by its extension's category,
// also a member of the archive the panel shows, through a private extracted copy; Edit
// opens it as text, editable. An edited ZIP member is put back by its editor's Save.
// View (F3) of a text on disk, or of a file of no category, opens the read-only paged
// view; Enter and a double click on a file of no category ask the desktop's application; a
// picture's viewer gets the panel's pictures in the panel's order, to step through.
#include "archive/ReadOnlyArchive.h"
#include "checks/ChecksumFile.h"
#include "controls/VirtualListView.h"
#include "controls/WaitCursor.h"
#include "fileops/LibraryWork.h"
#include "fileops/TransferPlan.h"
#include "fileops/uProgress.h"
#include "main/ViewDispatch.h"
#include "main/uMain.h"
#include "modules/ViewerModules.h"
#include "platform/Messages.h"
#include "platform/PendingPutBack.h"
#include "platform/Process.h"
#include "transfer/FileSave.h"
#include "viewers/uImage.h"
#include "viewers/uText.h"
#include "viewers/uTextView.h"
#include "zip/ZipArchive.h"

#include <QFileInfo>
#include <optional>

TfText* TfMain::OpenTextEditor(const QString& fileName, bool editable)
{
    return TfText::Open(this, fileName, editable);
}

TfImage* TfMain::OpenImageViewer(const QString& fileName)
{
    return TfImage::Open(this, fileName);
}

TfTextView* TfMain::OpenTextView(const QString& fileName)
{
    return TfTextView::Open(this, fileName);
}

// The paths of the pictures the active panel lists, in its order.
QStringList TfMain::PanelPictures()
{
    const TPanel& p = m_panels[ActiveSide()];
    QStringList pictures;
    for (int row = 0; row < p.Listing.Count(); ++row) {
        const TFileObject& e = p.Listing[row];
        if (!e.IsDirectory() && Categories.Matches(TExtensionCategory::Image,
                                                   TExtensionCategories::UpperExtension(e.Name)))
            pictures << AddSeparator(p.Directory) + e.Name;
    }
    return pictures;
}

const TFileObject* TfMain::FocusedFile()
{
    if (Reading(ActiveSide()))
        return nullptr; // no rows yet
    TPanel& p = m_panels[ActiveSide()];
    const int row = p.Files->GetFocusedIndex();
    if (row < 0 || row >= p.Listing.Count())
        throw platform::EListError(row);
    return &p.Listing[row];
}

void TfMain::MenuViewFileClick()
{
    // A member among search results is viewed from its archive, as in the panel.
    if (!Reading(ActiveSide()) && GoToFedMember(ActiveSide(), [this] { MenuViewFileClick(); }))
        return;
    ViewFocusedFile(true);
}

void TfMain::ViewFocusedFile(bool viewCommand)
{
    const TFileObject* e = FocusedFile();
    if (e && OpenRemoteFile(*e, viewCommand ? TRemoteOpen::View : TRemoteOpen::Enter))
        return;
    if (!e || OpenExternally(*e, TExternalRole::Viewer))
        return;
    const bool member = e->Kind == fkZipMember;
    if (member && e->IsDirectory())
        return; // a folder inside the archive: nothing to view
    if (!member && !e->IsDirectory() && DigestKindOfName(e->Name)) {
        MenuVerifyChecksumsClick(); // a checksum file is viewed as its check
        return;
    }
    const TViewAction action = FindViewAction(Categories, e->Name, member);
    const QString path = AddSeparator(m_panels[ActiveSide()].Directory) + e->Name;
    if (member)
        OpenMember(*e, action, false);
    else if (action == TViewAction::None && !viewCommand)
        OpenWithDesktop(path);
    else if (action == TViewAction::Text || action == TViewAction::None)
        OpenTextView(path);
    else if (action == TViewAction::Image) {
        if (TfImage* viewer = OpenImageViewer(path))
            viewer->SetFolder(PanelPictures());
    } else
        PerformView(action, path, true);
}

void TfMain::MenuEditFileClick()
{
    if (!Reading(ActiveSide()) && GoToFedMember(ActiveSide(), [this] { MenuEditFileClick(); }))
        return;
    const TFileObject* e = FocusedFile();
    if (!e || e->IsParent() || e->IsDirectory() ||
        m_panels[ActiveSide()].Directory == QLatin1String("Drives"))
        return;
    if (OpenRemoteFile(*e, TRemoteOpen::Edit))
        return;
    if (OpenExternally(*e, TExternalRole::Editor))
        return;
    if (e->Kind == fkZipMember)
        OpenMember(*e, TViewAction::Text, true);
    else
        OpenTextEditor(AddSeparator(m_panels[ActiveSide()].Directory) + e->Name, true);
}

bool TfMain::MemberCanBePutBack(TSide side) const
{
    if (ShowsReadOnlyArchive(side))
        return false;
    const QString archive = m_panels[side].Zip->ZipFilename();
    return !archive.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive) &&
           platform::CanReplaceFile(archive);
}

// A member is extracted into a private folder of its own, never beside the archive, and
// opened from there; the copy goes when its window does. A text opens in the read-only
// view, or with Edit in the editor, whose Save puts it back into a ZIP archive that can be
// changed.
void TfMain::OpenMember(const TFileObject& e, TViewAction action, bool edit,
                        const QString& external)
{
    const TSide side = ActiveSide();
    TPanel& p = m_panels[side];
    auto folder = std::make_unique<platform::TPrivateFolder>();
    const QString archive =
        ShowsReadOnlyArchive(side) ? p.ReadOnly->FileName() : p.Zip->ZipFilename();
    const bool putBack = MemberCanBePutBack(side);
    const QString name = e.Name; // the row may go while the member is extracted
    // What the put-back checks against: the archive and the member as they are before
    // the extraction (any change after it refuses the put-back).
    const auto extracted =
        std::make_shared<TMemberState>(putBack ? ReadMemberState(archive, name) : TMemberState{});
    p.Zip->ExtrBaseDir = folder->Path();
    p.Zip->FSpecArgs = QStringList{name};
    bool cancelled = false;
    if (!ExtractReadOnlyMember(side, name, folder->Path(), cancelled))
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
    const QString copy = folder->Path() + BareName(name);
    if (!external.isEmpty()) {
        // The outside program may read its copy at any time: kept to the end.
        m_extractedCopies.Keep(std::move(folder), nullptr, -1);
        if (QFileInfo::exists(copy))
            StartExternal(external, copy);
        return;
    }
    if (action == TViewAction::None) {
        // The desktop's application may read its copy at any time: kept to the end.
        m_extractedCopies.Keep(std::move(folder), nullptr, -1);
        if (QFileInfo::exists(copy))
            OpenWithDesktop(copy);
        return;
    }
    // View (F3) of a text member is the read-only paged view; Edit (F4) opens the editor,
    // whose Save can put the member back.
    QWidget* user =
        action == TViewAction::Text && !edit ? OpenTextView(copy) : PerformView(action, copy, true);
    if (auto* editor = qobject_cast<TfText*>(user)) {
        // What the member's editor saves as belongs beside the archive, not in the
        // private folder that goes with the window.
        editor->SetSaveFolder(QFileInfo(archive).absolutePath());
        if (editor->FileName() == copy) {
            TTextMember member{name, archive, !putBack, {}};
            if (putBack)
                member.PutBack = [this, archive, name, extracted](const QString& file) {
                    return PutMemberBack(archive, name, file, *extracted);
                };
            editor->SetMember(std::move(member));
        }
    }
    m_extractedCopies.Keep(std::move(folder), user, ProgramCopyLifetimeMs);
}

bool TfMain::OpenExternally(const TFileObject& e, TExternalRole role)
{
    if (e.IsParent() || e.IsDirectory())
        return false;
    const bool member = e.Kind == fkZipMember;
    const std::optional<TExtensionCategory> category = OpeningCategory(Categories, e.Name, member);
    const QString command = category ? Programs.Command(*category, role) : QString();
    if (command.isEmpty())
        return false;
    if (member)
        OpenMember(e, FindViewAction(Categories, e.Name, member), role == TExternalRole::Editor,
                   command);
    else
        StartExternal(command, AddSeparator(m_panels[ActiveSide()].Directory) + e.Name);
    return true;
}

void TfMain::StartExternal(const QString& command, const QString& path)
{
    const QStringList words = ProgramArguments(command, path);
    QString why = QStringLiteral("the command line names no program");
    if (!words.isEmpty() && platform::StartProcess(words.first(), words.mid(1), why))
        return;
    platform::ShowMessage(QStringLiteral("Cannot start \"%1\" for %2: %3.")
                              .arg(command, QFileInfo(path).fileName(), why));
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
                                     "application for them.")
                          .arg(name.mid(dot))
                    : QStringLiteral("No viewer is set for %1, and the desktop has no "
                                     "application for it.")
                          .arg(name));
    });
}

// One command: no other starts meanwhile, and no folder read lands inside it.
QString TfMain::PutMemberBack(const QString& archive, const QString& member, const QString& file,
                              TMemberState& extracted)
{
    // Until it is back, the saved text lives only in the private folder: a run killed
    // meanwhile leaves it marked, for the next start to save beside the archive.
    platform::MarkPendingPutBack(file, archive, member);
    QString why = QStringLiteral("another command is still at work; save again when it has ended");
    RunCommand([&] { why = PutMemberBackNow(archive, member, file, extracted); });
    if (why.isEmpty())
        platform::ClearPendingPutBack(file);
    return why;
}

// Through a component of its own: the panels may show other places by now. The library
// call runs behind the progress window, as the file commands' do. Only what the put-back
// itself says is taken into its answer: messages shown while its work runs are shown as
// usual.
QString TfMain::PutMemberBackNow(const QString& archive, const QString& member, const QString& file,
                                 TMemberState& extracted)
{
    const TMemberState now = ReadMemberState(archive, member);
    if (const QString changed = MemberChanges(extracted, now, member); !changed.isEmpty())
        return changed;
    TZipArchive zip;
    QStringList said;
    zip.OnMessage = [&said](QObject*, int, const QString& text) {
        if (!text.trimmed().isEmpty())
            said << text;
    };
    platform::TFileOpsProgress progress;
    zip.Progress = &progress;
    platform::TMessageHandler shown;
    zip.RunLibraryCall = [&progress, &shown, member](const std::function<void()>& call) {
        auto own = platform::SetMessageHandler(shown);
        RunFileWork(QStringLiteral("Putting back ") + BareName(member), progress, call);
        platform::SetMessageHandler(std::move(own));
    };
    shown = platform::SetMessageHandler([&said](const QString& text) { said << text; });
    try {
        zip.Replace(archive, member, file, now.Archive);
    } catch (const platform::EError& error) {
        said << error.Message();
    }
    platform::SetMessageHandler(std::move(shown));
    const bool replaced = zip.SuccessCount() == 1;
    if (replaced) {
        extracted = ReadMemberState(archive, member); // the next save checks against this
        ShowArchiveChange(archive);
        return {};
    }
    if (said.isEmpty())
        said << (progress.Cancelled() ? QStringLiteral("cancelled; the archive holds what it "
                                                       "held before")
                                      : QStringLiteral("the archive was not changed"));
    return said.join(u'\n');
}

// Every panel that shows the archive lists its members again; a panel that shows the
// folder holding it reads that folder again, for the archive's new size and date.
void TfMain::ShowArchiveChange(const QString& archive)
{
    const QString changed = QFileInfo(archive).absoluteFilePath();
    for (const TSide side : {sdLeft, sdRight}) {
        TPanel& p = m_panels[side];
        if (Reading(side))
            continue; // the read under way shows the archive as it is now
        if (ShowsArchive(side) && !ShowsReadOnlyArchive(side) &&
            QFileInfo(p.Zip->ZipFilename()).absoluteFilePath() == changed) {
            p.Zip->ReadZipDirectory();
            RefreshFromArchive(side);
        } else if (!ShowsArchive(side) && QFileInfo(AddSeparator(p.Directory)) ==
                                              QFileInfo(QFileInfo(changed).absolutePath() + u'/')) {
            RereadKeepingRows(side, p.Directory);
        }
    }
}

QWidget* TfMain::PerformView(TViewAction action, const QString& path, bool editable)
{
    switch (action) {
    case TViewAction::Image:
        return OpenImageViewer(path);
    case TViewAction::Text:
        return OpenTextEditor(path, editable);
    case TViewAction::Sound:
        return ShowInModule(TModuleWindow::Sound, path);
    case TViewAction::Module:
        return ShowInModule(TModuleWindow::Module, path);
    case TViewAction::Music:
        return ShowInModule(TModuleWindow::Music, path);
    case TViewAction::HTML:
        return ShowInModule(TModuleWindow::Html, path);
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

// The players and the HTML viewer live in modules, loaded the first time one of their
// windows is wanted: that first time the wait cursor covers the load and the window's
// making. A module that cannot be loaded has said what is missing; nothing opens.
QWidget* TfMain::ShowInModule(TModuleWindow window, const QString& path)
{
    std::optional<TWaitCursor> wait;
    if (FirstUseOf(window))
        wait.emplace();
    TViewerModule* module = ViewerModuleOf(window);
    QWidget* shown = module ? module->Show(window, this, path) : nullptr;
    if (shown) {
        shown->raise();
        shown->activateWindow();
    }
    return shown;
}
