// Where the panels start: places given as arguments, and the places, sort orders and view
// styles kept from the run before.
#include "MainWindowFixture.h"
#include "platform/StartPath.h"

#include <QAction>

namespace
{

class StartPlacesTest : public ::testing::Test
{
protected:
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
