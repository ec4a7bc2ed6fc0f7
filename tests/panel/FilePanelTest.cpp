// One panel on its own, without the main window: its controls, driven with real keys;
// the marks summed on the selection line; cursor and marks kept across a re-read, along
// renames and past entries that went; a read in the background, Escape back out of it,
// and its rows landing; a read that outlasts the wait landing in the background once the
// owner allows, where the focus was; a place listed without a worker, abandoned, failing
// and landing only on its own end; what a tab keeps of the panel while another is shown;
// a tab opened beside another going its own way, each with its own place and history.
#include "panel/FilePanel.h"
#include "controls/TabStrip.h"
#include "controls/VirtualListView.h"
#include "panel/StatusLine.h"
#include "places/PlaceOf.h"
#include "platform/FileNames.h"
#include "platform/FileSystem.h"
#include "platform/Messages.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

namespace
{

TFileObject Row(const QString& name, qint64 size)
{
    TFileObject e;
    e.Name = name;
    e.Size = size;
    e.Attr = name == QLatin1String("..") ? platform::faDirectory : platform::faArchive;
    return e;
}

std::unique_ptr<places::TPlace> FolderPlace(const QString& directory)
{
    places::TPlaceState state;
    state.Directory = directory;
    state.Shown = platform::DisplayName(directory);
    return places::PlaceOf(state);
}

// A place listed without a worker, as GIO lists a remote folder: the test ends each
// listing through the sink it kept, and sees which were abandoned.
struct TAsyncPlace final : places::TPlace {
    struct TListingUnderWay final : platform::TRemoteListing {
        explicit TListingUnderWay(int& abandoned) : Abandoned(abandoned) {}
        ~TListingUnderWay() override { ++Abandoned; }
        void Cancel() override {}
        int& Abandoned;
    };
    TAsyncPlace(std::vector<places::TListSink>& sinks, int& abandoned)
        : Sinks(sinks), Abandoned(abandoned)
    {
    }
    places::TPlaceKind Kind() const override { return places::TPlaceKind::Remote; }
    QString ShownAddress() const override { return QStringLiteral("far away"); }
    QString StoredAddress() const override { return QStringLiteral("far://host/"); }
    QString ParentAddress() const override { return {}; }
    unsigned Capabilities() const override { return places::capList; }
    places::TRefusal Refusal(places::TCapability) const override { return {}; }
    QString Child(const QString& name) const override { return StoredAddress() + name; }
    places::TListing StartList(const places::TListRequest&, const places::TListSink& sink) override
    {
        Sinks.push_back(sink);
        return {{}, std::make_unique<TListingUnderWay>(Abandoned), {}};
    }
    places::TPlaceResult MakeFolder(const QString&, places::TPlaceCancel*) override { return {}; }
    places::TPlaceResult Rename(const QString&, const QString&, places::TPlaceCancel*) override
    {
        return {};
    }
    places::TDeleteResult Delete(const std::vector<places::TPlaceEntry>&, bool,
                                 places::TPlaceWork&) override
    {
        return {};
    }
    std::vector<places::TListSink>& Sinks;
    int& Abandoned;
};

// The window's side of a read, as plain as it gets: local folders only, landing when
// Free says so.
struct TTestOwner final : TPanelOwner {
    bool Free{true};
    bool Async{false}; // the panel's place is listed without a worker (TAsyncPlace)
    std::vector<places::TListSink> Sinks;
    int Abandoned{0};
    int Arrivals{0};
    int Rereads{0};
    bool Busy{false};
    int Changes{0};
    bool MayLand() const override { return Free; }
    TPanelReadOptions ReadOptions() const override { return {}; }
    std::unique_ptr<places::TPlace> PlaceToRead(TFilePanel& panel, std::function<void()>&) override
    {
        if (Async)
            return std::make_unique<TAsyncPlace>(Sinks, Abandoned);
        return FolderPlace(panel.Directory);
    }
    void Arrived(TFilePanel&, bool) override { ++Arrivals; }
    void ShowPlace(TFilePanel&) override {}
    void ShowSettings(TFilePanel&) override {}
    void OpenArchiveAt(TFilePanel&, int, const QString&) override {}
    void OpenPlace(TFilePanel&, const std::function<void()>&) override {}
    void Reread(TFilePanel&) override { ++Rereads; }
    bool MayRereadChange(const TFilePanel&) const override { return !Busy; }
    void RereadChange(TFilePanel&) override { ++Changes; }
    bool ReloadShownArchive(TFilePanel&) override { return true; }
};

class FilePanelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        panel.CreateControls(nullptr);
        panel.Panel->resize(400, 300);
        panel.Panel->show();
        panel.Clock = [this] { return now; };
        Show({Row("..", 0), Row("a", 10), Row("b", 200), Row("c", 3000)});
    }
    void TearDown() override { delete panel.Panel; }

    void Show(std::vector<TFileObject> rows)
    {
        panel.Listing.LoadRows(std::move(rows));
        panel.Files->SetVirtualItemCount(panel.Listing.Count(), cfNoScroll);
        panel.FilesChange();
    }
    // A key sent through the window, as when it is the active one.
    void Key(Qt::Key key)
    {
        QApplication::setActiveWindow(panel.Panel);
        QTest::keyClick(panel.Panel->windowHandle(), key);
    }
    QString SelectionLine() const
    {
        return panel.Selected->Text(1) + QStringLiteral(" / ") + panel.Selected->Text(2);
    }

    TFilePanel panel;
    qint64 now{1000};
};

TEST_F(FilePanelTest, MarksByKeysAreSummedAndDotDotIsNeverMarked)
{
    QSignalSpy changes(&panel, &TFilePanel::SelectionChanged);
    panel.Files->setFocus();
    panel.Files->FocusItem(0);
    Key(Qt::Key_Insert); // "..": not marked, the cursor moves on
    EXPECT_EQ(SelectionLine(), "0 object(s) / 0 byte(s)");
    Key(Qt::Key_Insert); // a
    Key(Qt::Key_Down);
    Key(Qt::Key_Space); // c
    EXPECT_EQ(panel.MarkedRows(), (std::vector<int>{1, 3}));
    EXPECT_EQ(SelectionLine(), "2 object(s) / 3,010 byte(s)");
    EXPECT_EQ(panel.MarkedOrFocusedNames(), (QStringList{"a", "c"}));
    EXPECT_GT(changes.count(), 0);

    Key(Qt::Key_Space); // c again: unmarked
    Key(Qt::Key_Up);
    Key(Qt::Key_Up);
    Key(Qt::Key_Space); // a unmarked: no marks, the cursor's entry counts
    EXPECT_EQ(SelectionLine(), "0 object(s) / 0 byte(s)");
    EXPECT_EQ(panel.MarkedOrFocusedNames(), QStringList{"a"});
    Key(Qt::Key_Home); // the cursor alone on "..": no name to act on
    EXPECT_TRUE(panel.MarkedOrFocusedNames().isEmpty());
}

TEST_F(FilePanelTest, AReReadKeepsCursorAndMarksAlongRenamesAndPastEntriesThatWent)
{
    panel.Files->setFocus();
    panel.Files->SetMarks({1, 2}, 3); // a, b marked; the cursor on c
    TPanelViewState state = panel.ViewState();
    EXPECT_EQ(state.Cursor, "c");
    EXPECT_EQ(state.Marks, (QStringList{"a", "b"}));

    // b was renamed to "b2" and c removed by another program.
    Show({Row("..", 0), Row("a", 10), Row("b2", 200), Row("d", 5)});
    state.Renamed.insert("b", "b2");
    state.ByOtherProgram = true;
    panel.RestoreViewState(state);
    EXPECT_EQ(panel.MarkedRows(), (std::vector<int>{1, 2}));
    EXPECT_EQ(SelectionLine(), "2 object(s) / 210 byte(s)");
    // The cursor stays on the row where c stood, and that jump is kept with its time.
    EXPECT_EQ(panel.Files->GetFocusedIndex(), 3);
    EXPECT_EQ(panel.CursorJump.AtMs, 1000);
    EXPECT_EQ(panel.CursorJump.Gone, "c");
    EXPECT_EQ(panel.CursorJump.Landed, "d");

    // A re-read of the panel's own doing moves no jump; a cursor entry still listed is
    // found by name wherever it went.
    panel.CursorJump = {};
    state = panel.ViewState();
    state.Marks.clear();
    Show({Row("..", 0), Row("0new", 1), Row("a", 10), Row("b2", 200), Row("d", 5)});
    panel.RestoreViewState(state);
    EXPECT_EQ(panel.Files->GetFocusedIndex(), 4);
    EXPECT_TRUE(panel.MarkedRows().empty());
    EXPECT_EQ(panel.CursorJump.AtMs, -1);
}

TEST_F(FilePanelTest, AReadInTheBackgroundGoesBackOnEscapeAndItsRowsLandSortedWithoutHidden)
{
    TempDir dir;
    dir.write("b.txt", "12345");
    dir.write("A.txt", "1");
    dir.write(".hidden", "1");
    dir.mkdir("sub");
    panel.DirectoryLabel->setText("old place");
    panel.ShowTotals(QStringLiteral(" object(s)"), QStringLiteral(" byte(s)"));
    panel.Files->setFocus();
    panel.Files->FocusItem(2);
    const TFilePanel::TReadOptions options{soName, true, false, false, {}};

    // The worker waits for a read that never finishes: the panel shows the read going on.
    const auto never = std::make_shared<std::atomic<bool>>(false);
    const std::unique_ptr<places::TPlace> place = FolderPlace(dir.path());
    panel.Read = std::make_unique<TPanelRead>();
    panel.Read->Directory = dir.path();
    panel.Read->Shown = place->ShownAddress();
    panel.Read->Worker = std::make_unique<TFileWorker>(
        place->StartList({options, never, nullptr}, panel.Read->Sink()).Work);
    panel.ShowReading(*panel.Read);
    EXPECT_EQ(panel.DirectoryLabel->text(), platform::DisplayName(dir.path()));
    EXPECT_EQ(panel.Files->ItemCount(), 0);
    EXPECT_EQ(panel.Total->Text(1), "Reading… 0 entries");
    Key(Qt::Key_Escape);
    EXPECT_FALSE(panel.Read);
    EXPECT_EQ(panel.DirectoryLabel->text(), "old place");
    EXPECT_EQ(panel.Files->ItemCount(), 4);
    EXPECT_EQ(panel.Files->GetFocusedIndex(), 2);
    EXPECT_EQ(panel.Total->Text(1), "3 object(s)");

    TPanelRead read;
    read.Directory = dir.path();
    TFileWorker worker(place->StartList({options, nullptr, nullptr}, read.Sink()).Work);
    ASSERT_TRUE(worker.Wait(60000));
    panel.TakeListing(read);
    QStringList names;
    for (int row = 0; row < panel.Listing.Count(); ++row)
        names << panel.Listing[row].Name;
    EXPECT_EQ(names, (QStringList{"..", "sub", "A.txt", "b.txt"}));
    EXPECT_EQ(panel.Directory, dir.path());
    EXPECT_TRUE(panel.ListingStamped);
    EXPECT_EQ(panel.Files->ItemCount(), 4);
}

TEST_F(FilePanelTest, AReadThatOutlastsTheWaitLandsWhenTheOwnerAllowsWithItsCursorAndNotTheFocus)
{
    TempDir dir;
    dir.write("a.txt", "1");
    dir.write("b.txt", "12");
    TTestOwner owner;
    owner.Free = false; // a command runs
    TFilePanel twin;    // reads the same folder: this panel's read waits for it
    twin.Read = std::make_unique<TPanelRead>();
    twin.Read->Directory = dir.path();
    panel.Owner = &owner;
    panel.Twin = &twin;
    panel.Directory = dir.path();
    auto* edit = new QLineEdit(panel.Panel);
    edit->show();
    panel.Panel->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(panel.Panel));
    edit->setFocus();
    ASSERT_TRUE(edit->hasFocus());
    QSignalSpy activated(&panel, &TFilePanel::Activated);
    int thens = 0;
    panel.StartRead([&] {
        ++thens;
        panel.Files->setFocus();
        panel.Files->FocusItem(2);
    });
    ASSERT_TRUE(panel.Read);
    EXPECT_EQ(panel.Total->Text(1), "Reading… 0 entries");
    EXPECT_EQ(panel.Files->ItemCount(), 0);

    twin.Read->Finished->store(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !panel.Read || panel.Read->Done; }, 60000));
    ASSERT_TRUE(panel.Read); // the rows wait for the command to end
    EXPECT_EQ(thens, 0);
    EXPECT_EQ(owner.Arrivals, 0);

    owner.Free = true;
    panel.LandIfDone();
    EXPECT_FALSE(panel.Read);
    EXPECT_EQ(thens, 1);
    EXPECT_EQ(owner.Arrivals, 1);
    EXPECT_EQ(panel.Directory, dir.path());
    ASSERT_EQ(panel.Files->ItemCount(), 3);
    EXPECT_EQ(panel.Listing[panel.Files->GetFocusedIndex()].Name, "b.txt");
    EXPECT_TRUE(edit->hasFocus()); // the user's focus stays where it was
    EXPECT_EQ(activated.count(), 0);
}

TEST_F(FilePanelTest, AListingWithoutAWorkerGoesBackOnEscapeOrFailureAndLandsOnlyWhenItsOwnEnds)
{
    TTestOwner owner;
    owner.Async = true;
    panel.Owner = &owner;
    panel.DirectoryLabel->setText("old place");
    QStringList messages;
    const platform::TMessageHandler before =
        platform::SetMessageHandler([&](const QString& text) { messages << text; });
    int thens = 0;
    const auto read = [&] { panel.StartRead([&] { ++thens; }); };

    // Shown as going on at once, its entries counted as they arrive; Escape abandons it.
    read();
    ASSERT_TRUE(panel.Read);
    EXPECT_EQ(panel.DirectoryLabel->text(), "far away");
    EXPECT_EQ(panel.Files->ItemCount(), 0);
    *owner.Sinks[0].Arrived = 7;
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return panel.Total->Text(1) == "Reading… 7 entries"; }, 60000));
    Key(Qt::Key_Escape);
    EXPECT_FALSE(panel.Read);
    EXPECT_EQ(owner.Abandoned, 1);
    EXPECT_EQ(panel.DirectoryLabel->text(), "old place");
    EXPECT_EQ(panel.Files->ItemCount(), 4);

    // A failure: the panel as before, and why.
    read();
    owner.Sinks[1].Ended(QStringLiteral("The folder far away cannot be read: gone"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !panel.Read; }, 60000));
    EXPECT_EQ(messages, QStringList{"The folder far away cannot be read: gone"});
    EXPECT_EQ(panel.DirectoryLabel->text(), "old place");
    EXPECT_EQ(panel.Files->ItemCount(), 4);
    EXPECT_EQ(thens, 0);

    // The end of a listing replaced meanwhile lands nothing; the one under way lands its rows.
    read();
    read();
    EXPECT_EQ(owner.Abandoned, 3);
    owner.Sinks[2].Ended({});
    QCoreApplication::processEvents();
    ASSERT_TRUE(panel.Read);
    EXPECT_FALSE(panel.Read->Done);
    owner.Sinks[3].Result->Listing.LoadRows({Row("x", 1), Row("y", 2)});
    owner.Sinks[3].Ended({});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !panel.Read; }, 60000));
    EXPECT_EQ(thens, 1);
    EXPECT_EQ(panel.Directory, "far://host/");
    EXPECT_EQ(panel.Files->ItemCount(), 2);
    EXPECT_EQ(owner.Abandoned, 4);
    platform::SetMessageHandler(before);
}

TEST_F(FilePanelTest, ReadsGoIntoTheShownTabsHistoryAndANewTabGoesOnWithItsOwn)
{
    TempDir dir;
    dir.mkdir("a");
    dir.write("a/x.txt", "1");
    dir.mkdir("b");
    dir.mkdir("c");
    TTestOwner owner;
    panel.Owner = &owner;
    const auto go = [&](const QString& folder) {
        panel.Directory = dir.path() + folder + '/';
        panel.StartRead();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !panel.Read; }, 60000));
        ASSERT_EQ(panel.Directory, dir.path() + folder + '/');
    };
    const auto folders = [&](const TTabState& tab) {
        QStringList names;
        for (const TPanelPlace& place : tab.History.Places())
            names << place.Folder.mid(dir.path().size());
        return names;
    };
    go("a");
    panel.Files->FocusItem(1); // x.txt
    go("b");
    EXPECT_EQ(folders(panel.Tabs.ShownTab()), (QStringList{"a/", "b/"}));
    EXPECT_EQ(panel.Tabs.ShownTab().History.Places()[0].Cursor, "x.txt");

    ASSERT_TRUE(panel.OpenTab());
    ASSERT_EQ(panel.Tabs.Count(), 2);
    EXPECT_EQ(panel.Tabs.Shown(), 1);
    EXPECT_FALSE(panel.TabBar->isHidden());
    go("c");
    EXPECT_EQ(folders(panel.Tabs.ShownTab()), (QStringList{"a/", "b/", "c/"}));
    EXPECT_EQ(panel.Tabs.ShownTab().Place.Folder, dir.path() + "c/");
    // The first tab stays where it was, its history as it was.
    EXPECT_EQ(folders(panel.Tabs.Tab(0)), (QStringList{"a/", "b/"}));
    EXPECT_EQ(panel.Tabs.Tab(0).Place.Folder, dir.path() + "b/");
}

TEST_F(FilePanelTest, AHiddenTabKeepsTheViewSettingsAndRowsAndGivesThemBack)
{
    panel.Files->setFocus();
    panel.SortOrder = soSize;
    panel.Ascending = false;
    panel.ViewStyle = vsList;
    panel.Files->SetViewStyle(vsList);
    panel.Files->SetMarks({1, 3}, 2); // a and c marked, the cursor on b
    panel.LivePending = true;         // a change seen, not yet read
    panel.Listing.Directory = "/kept/";
    TTabState tab;
    panel.KeepView(tab);
    tab.Place.Cursor = "b";
    EXPECT_EQ(tab.Marks, (QStringList{"a", "c"}));
    EXPECT_EQ(tab.CursorRow, 2);
    EXPECT_EQ(tab.SortOrder, soSize);
    EXPECT_FALSE(tab.Ascending);
    EXPECT_EQ(tab.ViewStyle, vsList);
    EXPECT_TRUE(tab.Stale);
    const std::unique_ptr<TFileListing> kept = panel.ReleaseListing();
    EXPECT_EQ(panel.Files->ItemCount(), 0);
    ASSERT_EQ(kept->Count(), 4);

    // Another tab shown meanwhile brings its own settings.
    panel.TakeSettings(TTabState());
    EXPECT_EQ(panel.SortOrder, soName);
    EXPECT_EQ(panel.Files->ViewStyle(), vsReport);
    EXPECT_FALSE(panel.LivePending);

    panel.TakeSettings(tab);
    panel.TakeKeptListing(tab, *kept);
    panel.RestoreViewState(TFilePanel::TabView(tab));
    EXPECT_EQ(panel.Directory, "/kept/");
    EXPECT_EQ(panel.Files->ItemCount(), 4);
    EXPECT_EQ(panel.MarkedRows(), (std::vector<int>{1, 3}));
    EXPECT_EQ(panel.Files->GetFocusedIndex(), 2);
    EXPECT_EQ(panel.SortOrder, soSize);
    EXPECT_FALSE(panel.Ascending);
    EXPECT_EQ(panel.Files->ViewStyle(), vsList);
    EXPECT_EQ(SelectionLine(), "2 object(s) / 3,010 byte(s)");
}

TEST_F(FilePanelTest, ASwitchBackShowsTheKeptRowsAndReadsAgainOnlyAfterAChangeAndClosingKeepsOne)
{
    TempDir dir;
    dir.mkdir("a");
    dir.write("a/x.txt", "1");
    dir.mkdir("b");
    TTestOwner owner;
    panel.Owner = &owner;
    const auto landed = [&](const QString& folder) {
        return QTest::qWaitFor(
            [&] { return !panel.Read && panel.Directory == dir.path() + folder; }, 60000);
    };
    panel.Directory = dir.path() + "a/";
    panel.StartRead();
    ASSERT_TRUE(landed("a/"));
    ASSERT_TRUE(panel.OpenTab());
    panel.Directory = dir.path() + "b/";
    panel.StartRead();
    ASSERT_TRUE(landed("b/"));

    panel.ShowTab(0); // not kept when the second tab opened: read
    ASSERT_TRUE(landed("a/"));
    panel.Files->FocusItem(1); // x.txt
    panel.ShowTab(1);
    ASSERT_TRUE(landed("b/"));
    panel.LivePending = true; // a change seen in b, not yet read
    panel.ShowTab(0);         // a unchanged: its kept rows, no read
    EXPECT_FALSE(panel.Read);
    EXPECT_EQ(panel.Directory, dir.path() + "a/");
    EXPECT_EQ(panel.Files->GetFocusedIndex(), 1);
    EXPECT_EQ(owner.Rereads, 0);
    panel.ShowTab(1); // b changed while hidden: read again
    EXPECT_EQ(panel.Directory, dir.path() + "b/");
    EXPECT_EQ(owner.Rereads, 1);

    panel.CloseTab(0); // hidden: the shown one stays
    ASSERT_EQ(panel.Tabs.Count(), 1);
    EXPECT_EQ(panel.Directory, dir.path() + "b/");
    EXPECT_TRUE(panel.TabBar->isHidden());
    panel.CloseTab(0); // the last one stays
    EXPECT_EQ(panel.Tabs.Count(), 1);
}

TEST_F(FilePanelTest, AChangeWaitsWhileTheOwnerIsBusyAndAGoneFolderGivesWayToItsParent)
{
    TempDir dir;
    dir.mkdir("a");
    dir.mkdir("a/b");
    TTestOwner owner;
    panel.Owner = &owner;
    panel.Directory = dir.path() + "a/b/";
    panel.StartRead();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !panel.Read; }, 60000));
    panel.LastRead.start(); // as the watch set up on landing does: a few rows, no wait

    owner.Busy = true;
    panel.LivePending = true;
    panel.LiveReread();
    EXPECT_EQ(owner.Changes, 0);
    EXPECT_TRUE(panel.LivePending);
    EXPECT_TRUE(panel.LiveRetry.isActive()); // tried again later
    owner.Busy = false;
    panel.LiveReread();
    EXPECT_EQ(owner.Changes, 1);
    EXPECT_FALSE(panel.LivePending);

    ASSERT_TRUE(QDir(dir.path() + "a/b").removeRecursively());
    panel.LivePending = true;
    panel.LiveGone = TFilePanel::lgDeleted;
    panel.LiveReread();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !panel.Read; }, 60000));
    EXPECT_EQ(panel.Directory, dir.path() + "a/");
    EXPECT_EQ(owner.Changes, 1);
    EXPECT_TRUE(panel.Total->Text(3).endsWith(" is gone"));
}

} // namespace
