// Where the panels start: places given as arguments, and the places, sort orders and view
// styles kept from the run before; the window's place and size.
#include "MainWindowFixture.h"
#include "panel/PanelText.h"
#include "platform/StartPath.h"

#include <QAction>
#include <QSettings>

namespace
{

class StartPlacesTest : public ::testing::Test
{
protected:
    void SetUp() override { TZipArchive::SetLibraryDirectory(QStringLiteral(TRVX_LIB_DIR)); }

    // A new main window: `prepare` runs before it is first shown, as main() does.
    TfMain& Start(const std::function<void(TfMain&)>& prepare)
    {
        main = std::make_unique<TfMain>();
        main->resize(900, 600);
        prepare(*main);
        main->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(main.get()));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !main->Reading(sdLeft) && !main->Reading(sdRight); }));
        return *main;
    }

    // The panel's place from an argument as the user typed it in `dir`.
    void StartFromArgument(TfMain& m, TSide side, const QString& argument)
    {
        platform::TStartPlace place;
        ASSERT_TRUE(platform::ResolveStartPath(argument, dir.path(), place)) << argument.toStdString();
        m.StartAt(side, place, true);
    }

    // pack.zip in the scratch folder, holding x.txt (made by the zip tool).
    bool PackWithOneMember()
    {
        dir.write("src/x.txt", "in archive");
        QProcess zip;
        zip.setWorkingDirectory(dir("src"));
        zip.start("zip", {"-q", dir("pack.zip"), "x.txt"});
        return zip.waitForFinished() && zip.exitCode() == 0;
    }

    int Row(TSide side, const QString& name)
    {
        const TFileListing& l = main->Panel(side).Listing;
        for (int i = 0; i < l.Count(); ++i)
            if (l[i].Name == name)
                return i;
        return -1;
    }

    QString Focused(TSide side)
    {
        const TPanel& p = main->Panel(side);
        const int row = p.Files->GetFocusedIndex();
        return row >= 0 && row < p.Listing.Count() ? p.Listing[row].Name : QString();
    }

    AppFont font{DesignFont()};
    TempDir dir;
    std::unique_ptr<TfMain> main;
};

} // namespace

TEST_F(StartPlacesTest, TwoFolderArgumentsAndAFileUnderTheCursor)
{
    dir.mkdir("left/sub");
    dir.write("right/a.txt", "a");
    dir.write("right/b.txt", "b");
    dir.write("right/c.txt", "c");
    Start([&](TfMain& m) {
        StartFromArgument(m, sdLeft, "left");
        StartFromArgument(m, sdRight, "file://" + dir("right/b.txt"));
    });
    EXPECT_EQ(main->Panel(sdLeft).Directory, dir("left/"));
    EXPECT_EQ(main->Panel(sdLeft).DirectoryLabel->text(), dir("left/"));
    EXPECT_EQ(main->Panel(sdRight).Directory, dir("right/"));
    EXPECT_EQ(main->Panel(sdRight).DirectoryLabel->text(), dir("right/"));
    EXPECT_EQ(Focused(sdRight), "b.txt");
    EXPECT_EQ(Focused(sdLeft), "..");
    // The left panel is active, as at every start; F3 there acts on the left.
    EXPECT_EQ(main->ActivePanel, 1);
}

TEST_F(StartPlacesTest, AnArchiveArgumentIsShownOpened)
{
    ASSERT_TRUE(PackWithOneMember());
    Start([&](TfMain& m) { StartFromArgument(m, sdRight, "pack.zip"); });
    ASSERT_TRUE(main->ShowsArchive(sdRight));
    EXPECT_EQ(main->Panel(sdRight).DirectoryLabel->text(), dir("pack.zip"));
    QStringList names;
    for (int i = 0; i < main->Panel(sdRight).Listing.Count(); ++i)
        names << main->Panel(sdRight).Listing[i].Name;
    EXPECT_EQ(names, QStringList({"..", "x.txt"}));
}

TEST_F(StartPlacesTest, ANextRunStartsWhereTheLastOneEnded)
{
    const QString kept = dir("config/Panels.ini");
    dir.write("docs/one.txt", "1");
    dir.write("docs/two.txt", "22");
    ASSERT_TRUE(PackWithOneMember());
    // A first run: no kept file, the panels start on the program's drive.
    TfMain& first = Start([&](TfMain& m) { m.KeepPanelsIn(kept); });
    const QString start = first.Panel(sdLeft).Directory;
    EXPECT_EQ(first.Panel(sdRight).Directory, start);
    // The user goes to docs/ on the left, in list view sorted by size with the cursor on
    // two.txt, and into the archive on the right; then closes the window.
    first.Panel(sdLeft).Directory = dir.path() + "docs/";
    first.RefreshPanel(sdLeft);
    first.Actions.MenuView[vsList]->trigger();
    first.Actions.MenuSort[soSize]->trigger();
    first.Panel(sdLeft).Files->FocusItem(Row(sdLeft, "two.txt"));
    first.Panel(sdRight).Directory = dir.path();
    first.RefreshPanel(sdRight);
    first.Panel(sdRight).Files->FocusItem(Row(sdRight, "pack.zip"));
    first.FilesDblClick(sdRight);
    ASSERT_TRUE(first.ShowsArchive(sdRight));
    EXPECT_TRUE(first.close());

    TfMain& second = Start([&](TfMain& m) { m.KeepPanelsIn(kept); });
    EXPECT_EQ(second.Panel(sdLeft).Directory, dir("docs/"));
    EXPECT_EQ(second.Panel(sdLeft).SortOrder, soSize);
    EXPECT_EQ(second.Panel(sdLeft).Files->ViewStyle(), vsList);
    EXPECT_EQ(Focused(sdLeft), "two.txt");
    EXPECT_TRUE(second.ShowsArchive(sdRight));
    EXPECT_EQ(second.Panel(sdRight).DirectoryLabel->text(), dir("pack.zip"));
    EXPECT_EQ(second.Panel(sdRight).SortOrder, soName);
    EXPECT_TRUE(second.close());

    // The kept folder is gone by the next run: its nearest existing parent instead. An
    // argument still has the last word over what was kept.
    ASSERT_TRUE(QDir(dir("docs")).removeRecursively());
    Start([&](TfMain& m) {
        m.KeepPanelsIn(kept);
        StartFromArgument(m, sdRight, "config");
    });
    EXPECT_EQ(main->Panel(sdLeft).Directory, dir.path());
    EXPECT_EQ(main->Panel(sdLeft).SortOrder, soSize);
    EXPECT_EQ(main->Panel(sdRight).Directory, dir("config/"));
    EXPECT_FALSE(main->ShowsArchive(sdRight));
}

TEST_F(StartPlacesTest, HiddenFilesNaturalOrderAndAReversedOrderAreKept)
{
    const QString kept = dir("config/Panels.ini");
    for (const char* name : {"docs/.secret", "docs/file10.txt", "docs/file2.txt"})
        dir.write(name, "x");
    for (const char* name : {"docs/dir10", "docs/dir2", "docs/.cache"})
        dir.mkdir(name);
    const auto names = [this](TSide side) {
        QStringList all;
        for (int i = 0; i < main->Panel(side).Listing.Count(); ++i)
            all << main->Panel(side).Listing[i].Name;
        return all;
    };
    const auto key = [this](int key, Qt::KeyboardModifiers modifiers = {}) {
        QApplication::setActiveWindow(main.get());
        QTest::keyClick(main->windowHandle(), Qt::Key(key), modifiers);
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return !main->Reading(sdLeft) && !main->Reading(sdRight); }));
    };
    const auto start = [&] {
        return &Start([&](TfMain& m) {
            m.KeepPanelsIn(kept);
            StartFromArgument(m, sdLeft, "docs");
            StartFromArgument(m, sdRight, "docs");
        });
    };
    TfMain* first = start();
    EXPECT_TRUE(names(sdLeft).contains(".secret"));
    // Ctrl+H leaves the hidden entries out of both panels.
    key(Qt::Key_H, Qt::ControlModifier);
    EXPECT_FALSE(first->Actions.MenuHidden->isChecked());
    EXPECT_EQ(names(sdLeft), QStringList({"..", "dir10", "dir2", "file10.txt", "file2.txt"}));
    EXPECT_EQ(names(sdRight), names(sdLeft));
    // Numbers by value, in both panels; a second click on the Name header reverses the
    // order, folders staying first.
    first->Actions.MenuNatural->trigger();
    EXPECT_EQ(names(sdLeft), QStringList({"..", "dir2", "dir10", "file2.txt", "file10.txt"}));
    EXPECT_EQ(names(sdRight), names(sdLeft));
    QHeaderView* header = static_cast<QTreeView*>(first->Left().Files->ActiveView())->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
    const QStringList reversed({"..", "dir10", "dir2", "file10.txt", "file2.txt"});
    EXPECT_EQ(names(sdLeft), reversed);
    EXPECT_TRUE(first->close());

    TfMain* second = start();
    EXPECT_EQ(names(sdLeft), reversed);
    EXPECT_EQ(names(sdRight), QStringList({"..", "dir2", "dir10", "file2.txt", "file10.txt"}));
    EXPECT_TRUE(second->Actions.MenuNatural->isChecked());
    EXPECT_EQ(
        static_cast<QTreeView*>(second->Left().Files->ActiveView())->header()->sortIndicatorOrder(),
        Qt::DescendingOrder);
    // Ctrl+H again shows them.
    key(Qt::Key_H, Qt::ControlModifier);
    EXPECT_TRUE(names(sdRight).contains(".secret"));
    EXPECT_TRUE(names(sdRight).contains(".cache"));
    EXPECT_TRUE(second->close());
}

TEST_F(StartPlacesTest, TheWindowFitsTheScreenAtFirstAndKeepsItsPlaceSizeAndColumns)
{
    const QString kept = dir("config/Panels.ini");
    // Name takes what the other columns leave of the panel (less their borders).
    const auto nameFillsPanel = [](TfMain& m, TSide side) {
        const TVirtualListView* files = m.Panel(side).Files;
        int others = 0;
        for (int column = 1; column < files->ColumnCount(); ++column)
            others += files->ColumnWidth(column);
        const int rest = m.Panel(side).Panel->width() - others;
        EXPECT_LE(files->ColumnWidth(pcName), rest);
        EXPECT_GE(files->ColumnWidth(pcName), rest - 30);
    };
    TfMain* first = &Start([&](TfMain& m) { m.KeepPanelsIn(kept); });
    const QRect area = first->screen()->availableGeometry();
    // A first start takes the screen (the frame comes once the window is shown).
    EXPECT_EQ(first->size(), area.size());
    EXPECT_TRUE(area.contains(first->pos()));
    nameFillsPanel(*first, sdLeft);
    // The user moves and resizes the window and widens two columns.
    first->resize(area.width() - 40, area.height() - 100);
    first->move(area.topLeft() + QPoint(30, 40));
    first->Left().Files->SetColumnWidth(pcExt, 61);
    first->Right().Files->SetColumnWidth(pcModified, 150);
    EXPECT_TRUE(QTest::qWaitFor([&] { return first->pos() == area.topLeft() + QPoint(30, 40); }));
    const QRect placed = first->frameGeometry();
    EXPECT_TRUE(first->close());

    TfMain* second = &Start([&](TfMain& m) { m.KeepPanelsIn(kept); });
    EXPECT_EQ(second->frameGeometry(), placed);
    EXPECT_EQ(second->Left().Files->ColumnWidth(pcExt), 61);
    EXPECT_EQ(second->Right().Files->ColumnWidth(pcModified), 150);
    nameFillsPanel(*second, sdLeft);
    nameFillsPanel(*second, sdRight);
    EXPECT_TRUE(second->close());

    // A place kept from a larger screen: the whole window shows on this one.
    {
        QSettings larger(kept, QSettings::IniFormat);
        larger.setValue("Window/Position", area.bottomRight() + QPoint(500, 500));
        larger.setValue("Window/Size", area.size() * 3);
    }
    TfMain* third = &Start([&](TfMain& m) { m.KeepPanelsIn(kept); });
    EXPECT_TRUE(area.contains(QRect(third->pos(), third->size())));
    EXPECT_TRUE(third->close());
}
