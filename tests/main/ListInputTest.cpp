// The panels' lists driven the way a user drives them: mouse and key events through
// the window (so the platform's press grab and focus rules apply), files checked on disk.
#include "main/FileOpsFixture.h"
#include "platform/IconList.h"

#include <QFile>
#include <QMenuBar>
#include <QToolBar>
#include <QWindow>

namespace
{

class ListInputTest : public FileOpsTest
{
protected:
    QAbstractItemView* View(TSide side)
    {
        return static_cast<QAbstractItemView*>(main->Panel(side).Files->ActiveView());
    }
    // The middle of a row's name cell, in the window's coordinates.
    QPoint At(TSide side, int row)
    {
        QAbstractItemView* view = View(side);
        const QRect cell = view->visualRect(view->model()->index(row, 0));
        return view->viewport()->mapTo(main.get(), cell.center());
    }
    QPoint At(TSide side, const QString& name) { return At(side, Row(side, name)); }
    void Press(QPoint at, Qt::KeyboardModifiers keys = {})
    {
        QTest::mousePress(main->windowHandle(), Qt::LeftButton, keys, at);
    }
    void MoveTo(QPoint at, Qt::KeyboardModifiers keys = {})
    {
        QTest::mouseEvent(QTest::MouseMove, main->windowHandle(), Qt::NoButton, keys, at);
    }
    void Release(QPoint at, Qt::KeyboardModifiers keys = {})
    {
        QTest::mouseRelease(main->windowHandle(), Qt::LeftButton, keys, at);
    }
    void Click(QPoint at, Qt::KeyboardModifiers keys = {})
    {
        Press(at, keys);
        Release(at, keys);
    }
    // Presses on `row`, moves down across the rows below it to `overRow`, then over to
    // the other panel in steps, and releases there.
    void Drag(TSide from, int row, int overRow, Qt::KeyboardModifiers keys = {})
    {
        Press(At(from, row), keys);
        for (int r = row; r <= overRow; ++r)
            MoveTo(At(from, r) + QPoint(3, 0), keys);
        const QPoint start = At(from, overRow), target = At(TSide(1 - from), 2);
        for (int step = 1; step <= 4; ++step)
            MoveTo(start + (target - start) * step / 4, keys);
        Release(target, keys);
    }
    void Key(int key, Qt::KeyboardModifiers keys = {})
    {
        QTest::keyClick(main->windowHandle(), Qt::Key(key), keys);
    }
    QStringList Files(const QString& folder)
    {
        return QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    }
    // The in-place editor of a panel's list, when one is open.
    QLineEdit* Editor(TSide side) { return View(side)->viewport()->findChild<QLineEdit*>(); }
    // A slow second click: two clicks further apart than a double click, then the wait
    // after which the list starts editing.
    void SlowClicks(QPoint at, int count)
    {
        for (int i = 0; i < count; ++i) {
            Click(at);
            QTest::qWait(QApplication::doubleClickInterval() + 150);
        }
    }
};

} // namespace

TEST_F(ListInputTest, DraggingCarriesTheWholeSelectionUnchanged)
{
    for (int i = 1; i <= 12; ++i)
        dir.write(QString("left/f%1.txt").arg(i, 2, 10, QChar('0')), "x");
    Reload();
    // Rows: 0 "..", 1 f01 ... 12 f12. Select rows 2, 5 and 8 with the mouse.
    Click(At(sdLeft, 2));
    Click(At(sdLeft, 5), Qt::ControlModifier);
    Click(At(sdLeft, 8), Qt::ControlModifier);
    ASSERT_EQ(main->Left().Files->SelectedRows(), std::vector<int>({2, 5, 8}));
    // Grabbed on a selected row, dragged across rows 9 and 10, copied with Ctrl: the
    // three files arrive and the grabbed row stays selected.
    Drag(sdLeft, 5, 10, Qt::ControlModifier);
    EXPECT_EQ(Files(right), QStringList({"f02.txt", "f05.txt", "f08.txt"}));
    EXPECT_EQ(Files(left).size(), 12);

    Open(sdRight, dir.mkdir("right2"));
    Open(sdLeft, left);
    Click(At(sdLeft, 2));
    Click(At(sdLeft, 5), Qt::ControlModifier);
    Click(At(sdLeft, 8), Qt::ControlModifier);
    Drag(sdLeft, 5, 10); // without Ctrl: moved
    EXPECT_EQ(Files(dir("right2")), QStringList({"f02.txt", "f05.txt", "f08.txt"}));
    EXPECT_EQ(Files(left).size(), 9);

    // A press on an unselected row takes that row alone.
    Open(sdLeft, left);
    Click(At(sdLeft, 1));
    Click(At(sdLeft, 3), Qt::ControlModifier);
    const QString alone = main->Left().Listing[6].Name;
    Drag(sdLeft, 6, 7);
    EXPECT_EQ(Files(dir("right2")).size(), 4);
    EXPECT_TRUE(QFileInfo::exists(dir("right2/") + alone));
    // A click on one of several selected rows, without a move, selects it alone.
    Open(sdLeft, left);
    Click(At(sdLeft, 1));
    Click(At(sdLeft, 3), Qt::ControlModifier);
    Click(At(sdLeft, 3));
    EXPECT_EQ(main->Left().Files->SelectedRows(), std::vector<int>({3}));
    // In empty space below the rows a press starts a rubber band.
    const int last = main->Left().Listing.Count() - 1;
    const QPoint below = At(sdLeft, last) + QPoint(0, 60);
    Press(below);
    MoveTo(below + QPoint(0, -20));
    MoveTo(At(sdLeft, last - 1));
    Release(At(sdLeft, last - 1));
    EXPECT_EQ(main->Left().Files->SelectedRows(), std::vector<int>({last - 1, last}));
}

TEST_F(ListInputTest, OnlyASlowSecondClickOnTheFocusedListEditsAndUnchangedRenamesNothing)
{
    dir.write("left/archive.tar.gz", "z");
    dir.write("left/keep.txt", "k");
    dir.write("right/r.zzz", "r");
    Reload();
    // Back into the right panel by a click on its highlighted row: no editor opens, and
    // what is typed next is a search, not a new name.
    Click(At(sdRight, "r.zzz"));
    Click(At(sdLeft, "keep.txt"));
    SlowClicks(At(sdRight, "r.zzz"), 1);
    EXPECT_EQ(main->ActivePanel, 2);
    EXPECT_EQ(Editor(sdRight), nullptr);
    Key(Qt::Key_X);
    Key(Qt::Key_Return);
    EXPECT_EQ(Files(right), QStringList({"r.zzz"}));
    EXPECT_TRUE(messages.isEmpty());

    // In the focused list, the second slow click edits the name "archive.tar.gz"; a click
    // elsewhere commits it unchanged and the file keeps its name.
    SlowClicks(At(sdLeft, "archive.tar.gz"), 1);
    EXPECT_EQ(Editor(sdLeft), nullptr);
    SlowClicks(At(sdLeft, "archive.tar.gz"), 1);
    ASSERT_NE(Editor(sdLeft), nullptr);
    EXPECT_EQ(Editor(sdLeft)->text(), "archive.tar.gz");
    EXPECT_EQ(Editor(sdLeft)->selectedText(), "archive.tar");
    Click(At(sdLeft, "keep.txt"));
    EXPECT_EQ(Files(left), QStringList({"archive.tar.gz", "keep.txt"}));
    // A real edit gives the name typed.
    SlowClicks(At(sdLeft, "archive.tar.gz"), 2);
    ASSERT_NE(Editor(sdLeft), nullptr);
    Editor(sdLeft)->setText("backup.tgz");
    Key(Qt::Key_Return);
    EXPECT_EQ(Files(left), QStringList({"backup.tgz", "keep.txt"}));
}

TEST_F(ListInputTest, OnlyTheActivePanelShowsItsSelectionInTheHighlightColour)
{
    dir.write("left/a.txt", "a");
    dir.write("right/b.txt", "b");
    Reload();
    const auto rowColour = [this](TSide side, const QString& name) {
        QAbstractItemView* view = View(side);
        const QRect cell = view->visualRect(view->model()->index(Row(side, name), 0));
        const QPoint inside(cell.right() - 4, cell.center().y()); // right of the text
        return view->viewport()->grab().toImage().pixelColor(inside);
    };
    // The style shades the highlight a little: colours within a few steps count as equal.
    const auto near = [](const QColor& a, const QColor& b) {
        return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                   std::abs(a.blue() - b.blue()) <
               16;
    };
    const QColor highlight = View(sdLeft)->palette().color(QPalette::Active, QPalette::Highlight);
    Click(At(sdRight, "b.txt"));
    Click(At(sdLeft, "a.txt"));
    EXPECT_TRUE(near(rowColour(sdLeft, "a.txt"), highlight));
    const QColor inactive = rowColour(sdRight, "b.txt");
    EXPECT_FALSE(near(inactive, highlight));
    EXPECT_FALSE(near(inactive, View(sdRight)->palette().color(QPalette::Base))); // still shown
    Click(At(sdRight, "b.txt"));
    EXPECT_TRUE(near(rowColour(sdRight, "b.txt"), highlight));
    EXPECT_TRUE(near(rowColour(sdLeft, "a.txt"), inactive));
}

namespace
{

// Clicks the tool-bar button of a view style.
void ClickViewButton(TfMain& main, int style)
{
    QWidget* button = main.findChild<QToolBar*>()->widgetForAction(main.Actions.MenuView[style]);
    QTest::mouseClick(main.windowHandle(), Qt::LeftButton, {},
                      button->mapTo(&main, button->rect().center()));
}

// The horizontal extent of what is drawn in `area` of `image` other than `background`.
std::pair<int, int> InkColumns(const QImage& image, const QRect& area, const QColor& background)
{
    int first = area.right() + 1, last = area.left() - 1;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) != background) {
                first = std::min(first, x);
                last = std::max(last, x);
            }
    return {first, last};
}

} // namespace

TEST_F(ListInputTest, IconViewsLayLabelsOutBesideOrBelowTheirIcons)
{
    dir.mkdir("left/ab");
    dir.write("left/aa a name long enough to need three or four lines.txt");
    for (int i = 0; i < 30; ++i)
        dir.write(QString("left/file number %1.txt").arg(i), "x");
    Reload();
    QAbstractItemView* view = View(sdLeft);
    const QColor base = view->palette().color(QPalette::Base);
    const int line = view->fontMetrics().height();
    // Small icons: rows of equal height that hold a line of text, the icon at the left.
    ClickViewButton(*main, vsSmallIcon);
    view = View(sdLeft);
    const QRect first = view->visualRect(view->model()->index(1, 0));
    ASSERT_TRUE(first.isValid());
    EXPECT_GE(first.height(), line);
    for (int row = 2; row < 31; ++row) {
        const QRect r = view->visualRect(view->model()->index(row, 0));
        EXPECT_EQ(r.height(), first.height());
        EXPECT_TRUE(r.top() == first.top() || r.top() >= first.bottom()) << row; // no overlap
    }
    QImage image = view->viewport()->grab().toImage();
    const auto [iconLeft, inkRight] = InkColumns(image, first.adjusted(0, 2, 0, -2), base);
    EXPECT_LT(iconLeft, first.left() + 6); // "ab": the icon comes first, at the left
    EXPECT_LT(inkRight, first.left() + 24 + 4 * view->fontMetrics().averageCharWidth());

    // Large icons: the short label "ab" centred under its icon, long ones on two lines.
    ClickViewButton(*main, vsIcon);
    view = View(sdLeft);
    const QRect cell = view->visualRect(view->model()->index(1, 0));
    EXPECT_GE(cell.height(), 32 + 2 * line);
    image = view->viewport()->grab().toImage();
    const QRect label(cell.left(), cell.top() + 36, cell.width(), line);
    const auto [textLeft, textRight] = InkColumns(image, label, base);
    ASSERT_LT(textLeft, textRight);
    EXPECT_NEAR((textLeft + textRight) / 2.0, cell.center().x(), 3.0);
    const auto [iconStart, iconEnd] =
        InkColumns(image, QRect(cell.left(), cell.top(), cell.width(), 34), base);
    EXPECT_NEAR((iconStart + iconEnd) / 2.0, cell.center().x(), 3.0);
    // The long name ends on its second line: nothing is drawn below that.
    const QRect longCell = view->visualRect(view->model()->index(2, 0));
    const QRect third(longCell.left(), longCell.top() + 36 + 2 * line, longCell.width(),
                      longCell.bottom() - longCell.top() - 36 - 2 * line);
    const auto [below, belowEnd] = InkColumns(image, third, base);
    EXPECT_GT(below, belowEnd);
    EXPECT_LT(InkColumns(image, label.translated(longCell.topLeft() - cell.topLeft()), base).first,
              longCell.center().x()); // but it has its first line
}

TEST_F(ListInputTest, EveryVisibleRowGetsItsIconInEveryViewStyle)
{
    for (int i = 0; i < 60; ++i)
        dir.mkdir(QString("left/folder %1").arg(i, 2, 10, QChar('0')));
    Reload();
    const int folder = platform::TIconList::instance().FolderIndex(false);
    const auto check = [this, folder](const char* when) {
        QAbstractItemView* view = View(sdLeft);
        view->viewport()->repaint();
        int seen = 0;
        for (int row = 1; row < main->Left().Listing.Count(); ++row) {
            const QRect r = view->visualRect(view->model()->index(row, 0));
            if (!r.isValid() || !r.intersects(view->viewport()->rect()))
                continue;
            ++seen;
            EXPECT_EQ(main->Left().Listing[row].ImageIndex, folder) << when << " row " << row;
        }
        EXPECT_GT(seen, 5) << when;
    };
    for (int style : {vsList, vsSmallIcon, vsIcon, vsReport}) {
        ClickViewButton(*main, style);
        check("shown");
        Key(Qt::Key_End); // scrolls to the last rows
        check("scrolled");
        Key(Qt::Key_Home);
    }
}

TEST_F(ListInputTest, KeysOfTwoPanelManagers)
{
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt", "x y.txt", "x z.txt"})
        dir.write(QString("left/inner/") + name, "x");
    dir.write("right/m.txt", "m");
    ASSERT_TRUE(RunZip(right, {"-q", "pack.zip", "m.txt"}));
    Reload();
    Open(sdLeft, left + "inner/");
    TVirtualListView* files = main->Left().Files;
    // Insert marks and moves down, Space marks and unmarks where the focus stands.
    Key(Qt::Key_Down);
    Key(Qt::Key_Insert);
    Key(Qt::Key_Insert);
    EXPECT_EQ(files->SelectedRows(), std::vector<int>({1, 2}));
    EXPECT_EQ(files->GetFocusedIndex(), 3);
    Key(Qt::Key_Space);
    EXPECT_EQ(files->SelectedRows(), std::vector<int>({1, 2, 3}));
    Key(Qt::Key_Space);
    EXPECT_EQ(files->SelectedRows(), std::vector<int>({1, 2}));
    // A space typed within a name being searched for is part of the name.
    Key(Qt::Key_X);
    Key(Qt::Key_Space);
    Key(Qt::Key_Z);
    EXPECT_EQ(files->GetFocusedIndex(), Row(sdLeft, "x z.txt"));
    // F2 edits the focused name in place.
    Key(Qt::Key_F2);
    ASSERT_NE(Editor(sdLeft), nullptr);
    Editor(sdLeft)->setText("renamed.txt");
    Key(Qt::Key_Return);
    EXPECT_TRUE(QFileInfo::exists(left + "inner/renamed.txt"));
    EXPECT_FALSE(QFileInfo::exists(left + "inner/x z.txt"));
    // Backspace goes up and lands on the folder it left; Ctrl+R shows what changed on disk
    // in both panels.
    Key(Qt::Key_Backspace);
    EXPECT_EQ(main->Left().Directory, left);
    EXPECT_EQ(files->GetFocusedIndex(), Row(sdLeft, "inner"));
    dir.write("left/new.txt", "n");
    dir.write("right/other.txt", "o");
    Key(Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(Names(sdLeft).contains("new.txt"));
    EXPECT_TRUE(Names(sdRight).contains("other.txt"));
    EXPECT_EQ(main->ActivePanel, 1);
    EXPECT_EQ(files->GetFocusedIndex(), Row(sdLeft, "inner"));
    // Alt+Up leaves an archive and lands on it.
    Click(At(sdRight, "pack.zip"));
    Key(Qt::Key_Return);
    ASSERT_TRUE(main->ShowsArchive(sdRight));
    Key(Qt::Key_Up, Qt::AltModifier);
    EXPECT_FALSE(main->ShowsArchive(sdRight));
    EXPECT_EQ(main->Right().Files->GetFocusedIndex(), Row(sdRight, "pack.zip"));

    // Every key stands in the menus beside its command.
    QStringList listed;
    for (QAction* menu : main->menuBar()->actions())
        for (QAction* item : menu->menu()->actions())
            listed << (item->text().contains('\t') ? item->text().section('\t', 1)
                                                   : item->shortcut().toString());
    for (const char* key : {"Ins", "Space", "Backspace", "Alt+Up", "Ctrl+R", "F2"})
        EXPECT_TRUE(listed.join(' ').contains(key)) << key;
}

TEST(MainWindowToolbar, CopyingFilesHasAGlyphOfItsOwn)
{
    TZipArchive::SetLibraryDirectory(QStringLiteral(TRVX_LIB_DIR));
    platform::SetupIconTheme(); // the desktop's glyphs, where the theme has them
    TfMain main;
    const auto picture = [](QAction* action) {
        return action->icon().pixmap(20, 20, QIcon::Normal).toImage();
    };
    EXPECT_NE(picture(main.Actions.MenuCopyFile), picture(main.Actions.MenuCopy));
}
