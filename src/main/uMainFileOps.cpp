// The file commands as the main window offers them: menu wiring, dragging between the
// panels, the configuration and the properties dialog.
#include "about/uAbout.h"
#include "controls/VirtualListView.h"
#include "fileops/uConfirm.h"
#include "main/Windows.h"
#include "main/uMain.h"
#include "main/uProperties.h"
#include "platform/ConfigPath.h"
#include "platform/Drives.h"
#include "platform/FileNames.h"
#include "platform/FolderWatcher.h"
#include "platform/Messages.h"
#include "platform/ProfileString.h"
#include "zip/ZipArchive.h"

#include <QLabel>
#include <QPainter>
#include <QSet>
#include <algorithm>

namespace
{

// A command this soon after a cursor jump asks first.
constexpr qint64 kJumpAsksMs = 1000;

// Drag cursors: an arrow carrying one sheet, or a stack of sheets for several items.
QCursor MakeDragCursor(bool multi)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    const QPolygon arrow({{0, 0}, {0, 16}, {4, 12}, {7, 18}, {9, 17}, {6, 11}, {11, 11}});
    painter.drawPolygon(arrow);
    for (int sheet = multi ? 2 : 0; sheet >= 0; --sheet)
        painter.drawRect(12 + 3 * sheet, 14 + 3 * sheet, 10, 12);
    return QCursor(pixmap, 0, 0);
}

} // namespace

const QCursor& SingleDragCursor()
{
    static const QCursor cursor = MakeDragCursor(false);
    return cursor;
}

const QCursor& MultiDragCursor()
{
    static const QCursor cursor = MakeDragCursor(true);
    return cursor;
}

qint64 SteadyNowMs()
{
    static const QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start(); // a monotonic clock where the system has one
        return started;
    }();
    return clock.elapsed();
}

bool TfMain::ConfirmAfterCursorJump(const QString& verb)
{
    const TSide side = ActiveSide();
    TPanel& p = m_panels[side];
    const TPanel::TCursorJump jump = std::exchange(p.CursorJump, {});
    if (jump.AtMs < 0 || SteadyClockMs() - jump.AtMs >= kJumpAsksMs)
        return true;
    const std::vector<int> rows = m_commands.Selection(side);
    if (rows.size() != 1 || p.Listing[rows.front()].Name != jump.Landed)
        return true; // marks, or a row the user went to since
    return AskConfirmation(
        QStringLiteral("%1 was removed or renamed by another program a moment ago, and the "
                       "cursor moved to %2.")
            .arg(jump.Gone, jump.Landed),
        QStringLiteral("%1 %2 ?").arg(verb, jump.Landed));
}

void TfMain::WireCommands()
{
    const TMainActions& a = Actions;
    const auto wire = [this](QAction* action, void (TfMain::*handler)()) {
        action->setEnabled(true);
        connect(action, &QAction::triggered, this, Command(handler));
    };
    wire(a.MenuCut, &TfMain::MenuCutClick);
    wire(a.MenuCopy, &TfMain::MenuCopyClick);
    wire(a.MenuPaste, &TfMain::MenuPasteClick);
    wire(a.MenuCopyFile, &TfMain::MenuCopyFileClick);
    wire(a.PopupCopyFiles, &TfMain::MenuCopyFileClick);
    wire(a.MenuMoveFile, &TfMain::MenuMoveFileClick);
    wire(a.PopupMoveFiles, &TfMain::MenuMoveFileClick);
    wire(a.MenuRenameFile, &TfMain::MenuRenameFileClick);
    wire(a.MenuRenameMove, &TfMain::MenuRenameMoveClick);
    wire(a.MenuDeleteFile, &TfMain::MenuDeleteFileClick);
    wire(a.PopupDeleteFiles, &TfMain::MenuDeleteFileClick);
    wire(a.MenuDeleteForGood, &TfMain::MenuDeleteForGoodClick);
    wire(a.MenuCreateDirectory, &TfMain::MenuCreateDirectoryClick);
    wire(a.MenuProperties, &TfMain::MenuPropertiesClick);
    wire(a.MenuAbout, &TfMain::MenuAboutClick);
    wire(a.MenuViewFile, &TfMain::MenuViewFileClick);
    wire(a.MenuEditFile, &TfMain::MenuEditFileClick);
    wire(a.MenuTextEditor, &TfMain::MenuTextEditorClick);
    wire(a.MenuImageViewer, &TfMain::MenuImageViewerClick);
}

void TfMain::WithZipMessages(const std::function<void()>& command)
{
    m_zipMessages.Take();
    command(); // an exception leaves with its own message; the collected ones are dropped
    const QStringList lines = m_zipMessages.Take();
    if (lines.isEmpty())
        return;
    constexpr int kShown = 20;
    QStringList shown = lines.mid(0, kShown);
    if (lines.size() > kShown)
        shown << QStringLiteral("... and %1 more").arg(lines.size() - kShown);
    platform::ShowMessage(shown.join('\n'));
}

void TfMain::RefreshFromArchive(int panel)
{
    const TSide side = TSide(panel);
    TPanel& p = m_panels[side];
    TViewState state = ViewState(side);
    state.Marks.clear();
    // The ".." row keeps the archive file's values it had.
    const TFileObject parent = p.Listing.IsArchiveListing() ? p.Listing[0] : TFileObject();
    LoadZipListing(side, &parent);
    RestoreViewState(side, state);
    ShowTotals(side, QStringLiteral(" object(s)"), QStringLiteral(" byte(s)"));
}

void TfMain::RereadKeepingView(TSide side, const QString& directory, const QString& cursorName,
                               bool keepMarks, bool byOtherProgram)
{
    // A read under way goes on: it lands with the change, as a folder that changed while
    // it was read is read again.
    if (Reading(side))
        return;
    TPanel& p = m_panels[side];
    TViewState state = ViewState(side);
    if (p.Watcher)
        state.Renamed = p.Watcher->TakeRenames();
    state.ByOtherProgram = byOtherProgram;
    if (!keepMarks)
        state.Marks.clear();
    if (!cursorName.isEmpty())
        state.Cursor = cursorName;
    if (!directory.isEmpty())
        p.Directory = directory;
    ReadListing(side, [this, side, state] {
        TPanel& p = m_panels[side];
        RestoreViewState(side, state);
        FillDriveList(side);
        p.DirectoryLabel->setText(platform::DisplayName(p.Directory));
        ShowFreeSpace(side);
        ShowTotals(side, QStringLiteral(" object(s)"), QStringLiteral(" byte(s)"));
    });
}

void TfMain::KeepingActive(const std::function<void()>& command)
{
    const TSide side = ActiveSide();
    command();
    TVirtualListView* files = m_panels[side].Files;
    if (!isVisible())
        return;
    files->setFocus();
    FilesEnter(side);
    // A list with neither cursor nor selection gets a cursor; a selection shows itself.
    if (files->GetFocusedIndex() < 0 && files->SelectedRows().empty() && files->ItemCount() > 0)
        files->FocusItem(0);
}

void TfMain::FilesEdited(TSide side, const QString& text)
{
    if (!Reading(side) && !RefusedByPlace(side, places::capRename) &&
        !RefuseOnFedMembers(side, QStringLiteral("renamed")))
        KeepingActive([this, side, text] { m_commands.InPlaceRename(side, text); });
}

void TfMain::FilesMouseMove(TSide side, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
{
    TVirtualListView* list = m_panels[side].Files;
    const int otherActive = side == sdLeft ? 2 : 1;
    if (ActivePanel == otherActive && (buttons & Qt::LeftButton)) {
        DragMode = (modifiers & Qt::ControlModifier) ? 2 : 1;
        const int selected = m_panels[Other(side)].Files->SelectedCount();
        list->SetListCursor(selected == 1 ? SingleDragCursor() : MultiDragCursor());
        // The pressed list holds the mouse, so it shows the drag cursor too.
        m_panels[Other(side)].Files->SetListCursor(list->ActiveView()->cursor());
        return;
    }
    DragMode = 0;
    for (TPanel& p : m_panels)
        p.Files->SetListCursor(Qt::ArrowCursor);
}

void TfMain::FilesMouseUp(TSide side)
{
    m_panels[side].Files->SetListCursor(Qt::ArrowCursor);
    m_panels[Other(side)].Files->SetListCursor(Qt::ArrowCursor);
    if (DragMode == 1 && ShowsReadOnlyArchive(ActiveSide()))
        DragMode = 2; // nothing can leave a read-only archive: dragging members out copies
    if (DragMode == 1 && (ShowsRemote(sdLeft) || ShowsRemote(sdRight)))
        DragMode = 2; // files are only copied to and from remote places
    const quint8 mode = DragMode;
    DragMode = 0; // a later release without a new drag does nothing
    if (mode == 1 || mode == 2)
        DirectTransfer(mode == 1); // a drop names its target: no question
}

void TfMain::ReadConfiguration()
{
    const platform::TProfileFile file = platform::TProfileFile::Load(platform::ConfigFilePath());
    Categories.Read(file);
    Programs.Read(file);
}

void TfMain::MenuTextEditorClick()
{
    OpenTextEditor(QString(), true);
}

void TfMain::MenuImageViewerClick()
{
    OpenImageViewer(QString());
}

void TfMain::MenuAboutClick()
{
    AboutBox(this)->exec();
}

void TfMain::MenuPropertiesClick()
{
    if (!fProperties)
        fProperties = new TfProperties(this);
    fProperties->ConfigPath = platform::ConfigFilePath();
    fProperties->FallbackPath = platform::UserConfigFilePath();
    fProperties->UseRecycleBin = &UseRecycleBin;
    fProperties->AskTarget = &AskTarget;
    fProperties->OnReadConfiguration = [this] { ReadConfiguration(); };
    const bool trash = UseRecycleBin, ask = AskTarget;
    fProperties->exec();
    if (UseRecycleBin != trash || AskTarget != ask)
        WriteSettings();
}
