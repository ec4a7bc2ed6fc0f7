// The main menu, the pop-up menu of the lists and the tool bar.
#include "controls/FontScale.h"
#include "controls/VirtualListView.h"
#include "main/uMain.h"

#include <QApplication>
#include <QMenuBar>
#include <QPainter>
#include <QToolBar>

namespace
{

// A glyph from the desktop's icon theme, or a small drawn picture of `letters` when
// the theme has none, so that every button shows something.
QIcon Glyph(const QStringList& themeNames, const QString& letters)
{
    for (const QString& name : themeNames) {
        for (const QString& candidate : {name, name + QStringLiteral("-symbolic")})
            if (QIcon::hasThemeIcon(candidate))
                return QIcon::fromTheme(candidate);
    }
    QPixmap pixmap(20, 20);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(40, 60, 120), 1));
    painter.setBrush(QColor(220, 230, 250));
    painter.drawRoundedRect(QRectF(1.5, 1.5, 17, 17), 3, 3);
    QFont font = painter.font();
    font.setPixelSize(letters.size() > 1 ? 8 : 11);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(0, 0, 20, 20), Qt::AlignCenter, letters);
    return QIcon(pixmap);
}

QAction* NewAction(QObject* parent, const QString& caption, const QString& hint = {},
                   const QKeySequence& shortcut = {})
{
    auto* action = new QAction(caption, parent);
    if (!hint.isEmpty())
        action->setToolTip(hint);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    return action;
}

} // namespace

void TfMain::CreateMenus()
{
    TMainActions& a = Actions;
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    a.MenuCreateDirectory = NewAction(this, "Cre&ate directory", "Create directory", Qt::Key_F7);
    a.MenuDirectorySize = NewAction(this, "Directories &sizes", "Compute directories sizes");
    a.MenuSynchronizeWindows = NewAction(this, "Sy&nchronize windows", "Synchronize windows",
                                         QKeySequence(Qt::CTRL | Qt::Key_S));
    a.MenuCopyFile = NewAction(this, "&Copy file(s)", "Copy selected files", Qt::Key_F5);
    a.MenuMoveFile = NewAction(this, "&Move file(s)", "Move selected files", Qt::Key_F6);
    a.MenuRenameFile = NewAction(this, "&Rename file(s)", "Rename selected files", Qt::Key_F9);
    a.MenuDeleteFile = NewAction(this, "&Delete file(s)", "Delete selected files", Qt::Key_F8);
    a.MenuDeleteFile->setShortcuts({Qt::Key_F8, Qt::Key_Delete});
    a.MenuDeleteForGood =
        NewAction(this, "Delete for &good", {}, QKeySequence(Qt::SHIFT | Qt::Key_Delete));
    a.MenuViewFile = NewAction(this, "&View / Edit file", "View / Edit selected file", Qt::Key_F3);
    a.MenuEditFile = NewAction(this, "&Edit file", "Edit selected file as text", Qt::Key_F4);
    a.MenuRenameInPlace = NewAction(this, "Rename in p&lace", {}, Qt::Key_F2);
    a.MenuRenameMove = NewAction(this, "Rename or m&ove...", "Rename or move within the panel",
                                 QKeySequence(Qt::SHIFT | Qt::Key_F6));
    a.MenuParentFolder = NewAction(this, "&Parent folder\tBackspace, Alt+Up, Ctrl+PgUp");
    a.MenuParentFolder->setShortcuts({Qt::Key_Backspace, QKeySequence(Qt::ALT | Qt::Key_Up),
                                      QKeySequence(Qt::CTRL | Qt::Key_PageUp)});
    a.MenuPathLine = NewAction(this, "&Go to path...", "Type the path to show",
                               QKeySequence(Qt::CTRL | Qt::Key_L));
    a.MenuExit = NewAction(this, "E&xit");
    file->addActions({a.MenuCreateDirectory, a.MenuDirectorySize, a.MenuSynchronizeWindows});
    file->addSeparator();
    file->addActions({a.MenuCopyFile, a.MenuMoveFile, a.MenuRenameFile, a.MenuRenameInPlace,
                      a.MenuRenameMove, a.MenuDeleteFile, a.MenuDeleteForGood});
    file->addSeparator();
    file->addActions({a.MenuViewFile, a.MenuEditFile, a.MenuParentFolder, a.MenuPathLine});
    CreateRemoteItem(file);
    file->addSeparator();
    CreateChecksumItems(file);
    CreatePackItem(file);
    CreateUnpackItems(file);
    file->addSeparator();
    file->addAction(a.MenuExit);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    a.MenuCut = NewAction(this, "&Cut", "Cut selected files to clipboard",
                          QKeySequence(Qt::CTRL | Qt::Key_X));
    a.MenuCopy = NewAction(this, "C&opy", "Copy selected files to clipboard",
                           QKeySequence(Qt::CTRL | Qt::Key_C));
    a.MenuPaste =
        NewAction(this, "&Paste", "Paste files from clipboard", QKeySequence(Qt::CTRL | Qt::Key_V));
    edit->addActions({a.MenuCut, a.MenuCopy, a.MenuPaste});
    // Space and Insert are keys of the lists; the entries name them and do the same.
    a.MenuMark = NewAction(this, "&Mark file\tSpace");
    a.MenuMarkDown = NewAction(this, "Mark and move &down\tIns");
    a.MenuMarkAll = NewAction(this, "Mark &all\tCtrl+A");
    edit->addSeparator();
    edit->addActions({a.MenuMark, a.MenuMarkDown, a.MenuMarkAll});

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    a.ViewGroup = new QActionGroup(this);
    const char* viewCaptions[4] = {"&Large icons", "&Small icons", "&List", "&Details"};
    const char* viewHints[4] = {"View large icons", "View small icons", "View list",
                                "View details"};
    for (int style = 0; style < 4; ++style) {
        QAction* item = NewAction(this, viewCaptions[style], viewHints[style]);
        item->setCheckable(true);
        item->setActionGroup(a.ViewGroup);
        connect(item, &QAction::triggered, this,
                [this, style] { RunCommand([this, style] { SetViewStyle(style); }); });
        view->addAction(item);
        a.MenuView[style] = item;
    }
    a.MenuView[vsReport]->setChecked(true);
    view->addSeparator();
    a.MenuToolbar = NewAction(this, "&Toolbar");
    a.MenuToolbar->setCheckable(true);
    a.MenuToolbar->setChecked(true);
    view->addAction(a.MenuToolbar);
    a.MenuReread = NewAction(this, "&Re-read panels", {}, QKeySequence(Qt::CTRL | Qt::Key_R));
    view->addAction(a.MenuReread);
    a.MenuHidden = NewAction(this, "&Hidden files", "Show or hide the hidden files",
                             QKeySequence(Qt::CTRL | Qt::Key_H));
    a.MenuHidden->setCheckable(true);
    a.MenuHidden->setChecked(ShowHidden);
    view->addAction(a.MenuHidden);
    a.MenuQuickView = NewAction(this, "&Quick view", "Show the file under the cursor in the other panel",
                                QKeySequence(Qt::CTRL | Qt::Key_Q));
    a.MenuQuickView->setCheckable(true);
    view->addAction(a.MenuQuickView);
    CreateTabItems(view);

    QMenu* sort = menuBar()->addMenu(QStringLiteral("&Sort"));
    a.SortGroup = new QActionGroup(this);
    // Menu order: name, extension, size, date; the column index each one passes.
    const struct {
        quint8 order;
        int column;
        const char* caption;
        const char* hint;
    } sorts[4] = {{soName, 0, "By &name", "Sort files by name"},
                  {soExtension, 1, "By &extension", "Sort files by extension"},
                  {soSize, 2, "By &size", "Sort files by size"},
                  {soDateTime, 3, "By &date / time", "Sort files by date / time"}};
    for (const auto& s : sorts) {
        QAction* item = NewAction(this, s.caption, s.hint);
        item->setCheckable(true);
        item->setActionGroup(a.SortGroup);
        const int column = s.column;
        connect(item, &QAction::triggered, this, [this, item, column] {
            RunCommand([this, item, column] {
                SetSortOrder(column);
                item->setChecked(true);
            });
        });
        sort->addAction(item);
        a.MenuSort[s.order] = item;
    }
    a.MenuSort[soName]->setChecked(true);
    sort->addSeparator();
    a.MenuNatural =
        NewAction(this, "Num&bers by value (2 before 10)", "Sort numbers in names by their value");
    a.MenuNatural->setCheckable(true);
    a.MenuNatural->setChecked(NaturalOrder);
    sort->addAction(a.MenuNatural);

    QMenu* commands = CreateSearchMenu();
    CreateSyncItem(commands);
    CreateUndoItem(commands);
    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    a.MenuTextEditor = NewAction(this, "&Text editor");
    a.MenuImageViewer = NewAction(this, "&Image viewer");
    a.MenuHTMLViewer = NewAction(this, "&HTML viewer");
    a.MenuHTMLViewer->setEnabled(false);
    a.MenuProperties = NewAction(this, "&Properties...");
    tools->addActions({a.MenuTextEditor, a.MenuImageViewer, a.MenuHTMLViewer});
    tools->addSeparator();
    tools->addAction(a.MenuProperties);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&?"));
    a.MenuAbout = NewAction(this, "&About...");
    help->addAction(a.MenuAbout);

    // The file, tool and help entries are wired and enabled by WireCommands.

    // Every command goes through RunCommand: one at a time.
    connect(a.MenuDirectorySize, &QAction::triggered, this,
            Command(&TfMain::MenuDirectorySizeClick));
    connect(a.MenuSynchronizeWindows, &QAction::triggered, this,
            Command(&TfMain::MenuSynchronizeWindowsClick));
    connect(a.MenuToolbar, &QAction::triggered, this, [this] { MenuToolbarClick(); });
    connect(a.MenuExit, &QAction::triggered, this, &QWidget::close);
    connect(a.MenuRenameInPlace, &QAction::triggered, this,
            Command(&TfMain::MenuRenameInPlaceClick));
    connect(a.MenuParentFolder, &QAction::triggered, this, Command(&TfMain::MenuParentFolderClick));
    connect(a.MenuPathLine, &QAction::triggered, this, Command(&TfMain::MenuPathLineClick));
    connect(a.MenuReread, &QAction::triggered, this, Command(&TfMain::MenuRereadClick));
    connect(a.MenuQuickView, &QAction::triggered, this, [this] {
        RunCommand([this] { MenuQuickViewClick(); });
        Actions.MenuQuickView->setChecked(QuickViewOn());
    });
    // A check mark that a refused command toggled shows the option as it is again.
    connect(a.MenuHidden, &QAction::triggered, this, [this] {
        RunCommand([this] { MenuHiddenClick(); });
        Actions.MenuHidden->setChecked(ShowHidden);
    });
    connect(a.MenuNatural, &QAction::triggered, this, [this] {
        RunCommand([this] { MenuNaturalClick(); });
        Actions.MenuNatural->setChecked(NaturalOrder);
    });
    connect(a.MenuMark, &QAction::triggered, this,
            [this] { RunCommand([this] { MenuMarkClick(false); }); });
    connect(a.MenuMarkDown, &QAction::triggered, this,
            [this] { RunCommand([this] { MenuMarkClick(true); }); });
    connect(a.MenuMarkAll, &QAction::triggered, this, Command(&TfMain::MenuMarkAllClick));

    a.PopupCopyFiles = NewAction(this, "&Copy file(s)");
    a.PopupMoveFiles = NewAction(this, "&Move file(s)");
    a.PopupDeleteFiles = NewAction(this, "&Delete file(s)");
    for (TPanel& p : m_panels) {
        p.Files->setContextMenuPolicy(Qt::ActionsContextMenu);
        p.Files->addActions({a.PopupCopyFiles, a.PopupMoveFiles, a.PopupDeleteFiles});
    }
}

void TfMain::CreateToolbar()
{
    TMainActions& a = Actions;
    auto* bar = addToolBar(QStringLiteral("Toolbar"));
    bar->setObjectName(QStringLiteral("Toolbar"));
    bar->setMovable(false);
    using fontscale::Scaled;
    bar->setFixedHeight(Scaled(30));
    bar->setIconSize(Scaled(QSize(20, 20)));
    // The bar can also be hidden through the window's own context menu.
    connect(bar, &QToolBar::visibilityChanged, a.MenuToolbar, &QAction::setChecked);
    const auto add = [bar](QAction* action, const QStringList& theme, const QString& letters) {
        action->setIcon(Glyph(theme, letters));
        bar->addAction(action);
        if (QWidget* button = bar->widgetForAction(action))
            button->setFixedSize(Scaled(QSize(25, 25)));
    };
    const auto gap = [bar](int width) {
        auto* spacer = new QWidget(bar);
        spacer->setFixedWidth(Scaled(width));
        bar->addWidget(spacer);
    };
    // Theme glyphs only where the desktop's are clearly drawn: the pale ones of some
    // themes look disabled, and the clipboard's copy is another command than copying files.
    add(a.MenuCreateDirectory, {"folder-new"}, "+");
    add(a.MenuDirectorySize, {}, "Σ");
    add(a.MenuSynchronizeWindows, {}, "⇄");
    gap(5);
    add(a.MenuCopyFile, {}, "C");
    add(a.MenuMoveFile, {}, "M");
    add(a.MenuRenameFile, {"document-edit"}, "R");
    add(a.MenuDeleteFile, {"edit-delete"}, "D");
    gap(5);
    add(a.MenuViewFile, {}, "V");
    gap(20);
    add(a.MenuCut, {"edit-cut"}, "X");
    add(a.MenuCopy, {"edit-copy"}, "Co");
    add(a.MenuPaste, {"edit-paste"}, "P");
    gap(20);
    add(a.MenuView[vsIcon], {"view-grid"}, "LI");
    add(a.MenuView[vsSmallIcon], {"view-app-grid"}, "SI");
    add(a.MenuView[vsList], {"view-list"}, "Li");
    add(a.MenuView[vsReport], {"view-list-details", "view-more"}, "De");
    gap(20);
    add(a.MenuSort[soName], {}, "Nm");
    add(a.MenuSort[soExtension], {}, "Ex");
    add(a.MenuSort[soSize], {}, "Sz");
    add(a.MenuSort[soDateTime], {}, "Dt");
}

void TfMain::SyncMenusToPanel(TSide side)
{
    const TPanel& p = m_panels[side];
    if (p.ViewStyle <= vsReport)
        Actions.MenuView[p.ViewStyle]->setChecked(true);
    if (p.SortOrder >= soName && p.SortOrder <= soDateTime)
        Actions.MenuSort[p.SortOrder]->setChecked(true);
}
