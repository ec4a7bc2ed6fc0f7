// The file commands as the main window offers them: menu wiring, dragging between the
// panels, the configuration and the properties dialog.
#include "about/uAbout.h"
#include "controls/VirtualListView.h"
#include "main/Windows.h"
#include "main/uMain.h"
#include "main/uProperties.h"
#include "platform/ConfigPath.h"
#include "platform/Drives.h"
#include "platform/Messages.h"
#include "zip/ZipArchive.h"

#include <QLabel>
#include <QPainter>
#include <QSet>

namespace
{

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

void TfMain::WireCommands()
{
    const TMainActions& a = Actions;
    const auto wire = [this](QAction* action, void (TfMain::*handler)()) {
        action->setEnabled(true);
        connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
    };
    wire(a.MenuCopyFile, &TfMain::MenuCopyFileClick);
    wire(a.PopupCopyFiles, &TfMain::MenuCopyFileClick);
    wire(a.MenuMoveFile, &TfMain::MenuMoveFileClick);
    wire(a.PopupMoveFiles, &TfMain::MenuMoveFileClick);
    wire(a.MenuRenameFile, &TfMain::MenuRenameFileClick);
    wire(a.MenuDeleteFile, &TfMain::MenuDeleteFileClick);
    wire(a.PopupDeleteFiles, &TfMain::MenuDeleteFileClick);
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
    TPanel& p = m_panels[panel];
    // The ".." row keeps the archive file's values it had.
    const TFileObject parent = p.Listing.IsArchiveListing() ? p.Listing[0] : TFileObject();
    LoadZipListing(TSide(panel), &parent);
}

void TfMain::RereadKeepingRows(int panel, const QString& directory)
{
    TPanel& p = m_panels[panel];
    TVirtualListView& files = *p.Files;
    const int focused = files.GetFocusedIndex();
    const QString focusedName =
        focused >= 0 && focused < p.Listing.Count() ? p.Listing[focused].Name : QString();
    QSet<QString> selected;
    for (int row : files.SelectedRows())
        if (row < p.Listing.Count())
            selected.insert(p.Listing[row].Name);
    p.Directory = directory;
    ReadListing(TSide(panel), [this, panel, focusedName, selected] {
        TPanel& p = m_panels[panel];
        TVirtualListView& files = *p.Files;
        files.ClearItemStates();
        for (int row = 0; row < p.Listing.Count(); ++row)
            if (p.Listing[row].Name == focusedName) {
                files.FocusItem(row);
                files.SetItemSelected(row, false);
            }
        for (int row = 0; row < p.Listing.Count(); ++row)
            if (selected.contains(p.Listing[row].Name))
                files.SetItemSelected(row, true);
        FillDriveList(TSide(panel));
        p.DirectoryLabel->setText(p.Directory);
        p.LabelFree->setText(FormatSize(platform::FreeSpace(p.Directory)) +
                             QStringLiteral(" bytes free"));
        ShowTotals(TSide(panel), QStringLiteral(" object(s)"), QStringLiteral(" byte(s)"));
    });
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
    const quint8 mode = DragMode;
    DragMode = 0; // a later release without a new drag does nothing
    if (mode == 1)
        MenuMoveFileClick();
    else if (mode == 2)
        MenuCopyFileClick();
}

void TfMain::ReadConfiguration()
{
    Categories.Read(platform::ConfigFilePath());
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
    fProperties->OnReadConfiguration = [this] { ReadConfiguration(); };
    fProperties->exec();
}
