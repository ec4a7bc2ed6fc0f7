// Reading a folder that takes long goes on in the background: the window keeps handling
// events, the panel says "Reading… N entries", Escape goes back. The fault hook makes each
// name of one folder slow to read (it runs on the reading thread).
#include "main/FileOpsFixture.h"
#include "platform/FileOpsFaults.h"
#include "support/TickWatch.h"

#include <QElapsedTimer>
#include <QTimer>
#include <thread>

namespace
{

class SlowReadTest : public FileOpsTest
{
protected:
    void TearDown() override
    {
        platform::SetFileOpsFaultHook({});
        FileOpsTest::TearDown();
    }

    // Makes `count` files in left/`folder`, each name of which takes `ms` to read.
    void MakeSlowFolder(const QString& folder, int count, int ms)
    {
        for (int i = 0; i < count; ++i)
            dir.write(QStringLiteral("left/%1/f%2.txt").arg(folder).arg(i, 3, 10, QChar('0')), "x");
        platform::SetFileOpsFaultHook([folder, ms](platform::TFileOpsStep step,
                                                   const QString& path) {
            if (step == platform::TFileOpsStep::DirectoryEntry && path.endsWith('/' + folder + '/'))
                std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            return 0;
        });
    }

    // Real keys to the window, where the focused list takes them.
    void Key(Qt::Key key) { QTest::keyClick(main->windowHandle(), key); }
    void EnterFolder(const QString& name, TSide side = sdLeft)
    {
        main->Panel(side).Files->setFocus();
        main->Panel(side).Files->FocusItem(Row(side, name));
        Key(Qt::Key_Return);
    }
    int ShownRows(TSide side) { return View(side)->model()->rowCount(); }
    QString Caption(TSide side) { return main->Panel(side).DirectoryLabel->text(); }
    QString Status(TSide side) { return main->Panel(side).Total->Text(1); }

    // Every text the left panel's status line shows while the event loop runs.
    void WatchStatus()
    {
        QObject::connect(&watch, &QTimer::timeout, [this] {
            if (seen.isEmpty() || seen.back() != Status(sdLeft))
                seen << Status(sdLeft);
        });
        watch.start(10);
    }
    QTimer watch;
    QStringList seen;
};

} // namespace

TEST_F(SlowReadTest, ASlowFolderIsReadInTheBackgroundAndItsRowsComeWhenDone)
{
    MakeSlowFolder("slow", 150, 10); // about 1.5 s
    dir.write("right/sub/r.txt", "r");
    Reload();
    TTickWatch ticks;
    WatchStatus();
    ticks.Start();
    EnterFolder("slow");
    EXPECT_LT(ticks.Elapsed(), 500);
    EXPECT_EQ(Caption(sdLeft), left + "slow/");
    EXPECT_TRUE(Status(sdLeft).startsWith("Reading… ")) << Status(sdLeft).toStdString();
    EXPECT_EQ(ShownRows(sdLeft), 0);
    // Meanwhile the other panel goes where the user takes it, and keeps the focus.
    EnterFolder("sub", sdRight);
    EXPECT_TRUE(main->Reading(sdLeft));
    EXPECT_EQ(main->Right().Directory, right + "sub/");
    EXPECT_EQ(Names(sdRight), QStringList({"..", "r.txt"}));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !main->Reading(sdLeft); }, 10000));
    EXPECT_GE(ticks.Elapsed(), 1000);
    EXPECT_LE(ticks.LongestGap(), 250);
    // The count went up on the way: some "Reading… N entries" with 0 < N < 151.
    const QStringList counts =
        seen.filter(QRegularExpression("^Reading… ([1-9]|[1-9]\\d|1[0-4]\\d|150) entries$"));
    EXPECT_FALSE(counts.isEmpty()) << seen.join(" | ").toStdString();
    // The rows, sorted as always, with the totals of the new folder.
    EXPECT_EQ(main->Left().Directory, left + "slow/");
    EXPECT_EQ(ShownRows(sdLeft), 151);
    EXPECT_EQ(Names(sdLeft).mid(0, 3), QStringList({"..", "f000.txt", "f001.txt"}));
    EXPECT_EQ(Names(sdLeft).back(), "f149.txt");
    EXPECT_EQ(Caption(sdLeft), left + "slow/");
    EXPECT_EQ(Status(sdLeft), "150 objects"); // ".." is no object
    EXPECT_EQ(main->ActivePanel, 2);
    EXPECT_TRUE(View(sdRight)->hasFocus());
}

TEST_F(SlowReadTest, EscapeOrAnotherLocationEndsTheReadAndThePanelShowsWhatItShowedBefore)
{
    dir.write("left/a.txt", "a");
    MakeSlowFolder("slow", 150, 10);
    Reload();
    const QStringList names = Names(sdLeft);
    const QString caption = Caption(sdLeft), status = Status(sdLeft),
                  bytes = main->Left().Total->Text(2);
    EnterFolder("slow");
    ASSERT_TRUE(main->Reading(sdLeft));
    ASSERT_TRUE(QTest::qWaitFor([this] { return Status(sdLeft) != "Reading… 0 entries"; }));
    Key(Qt::Key_Escape);
    EXPECT_FALSE(main->Reading(sdLeft));
    const auto asBefore = [&] {
        EXPECT_EQ(main->Left().Directory, left);
        EXPECT_EQ(Names(sdLeft), names);
        EXPECT_EQ(ShownRows(sdLeft), names.size());
        EXPECT_EQ(Caption(sdLeft), caption);
        EXPECT_EQ(Status(sdLeft), status);
        EXPECT_EQ(main->Left().Total->Text(2), bytes);
    };
    asBefore();
    EXPECT_EQ(main->Left().Files->GetFocusedIndex(), Row(sdLeft, "slow"));
    // Nothing of the read lands later.
    QTest::qWait(300);
    asBefore();

    // Choosing another location meanwhile: that one is shown, the slow read never lands.
    EnterFolder("slow");
    ASSERT_TRUE(main->Reading(sdLeft));
    Open(sdLeft, right);
    EXPECT_FALSE(main->Reading(sdLeft));
    QTest::qWait(300);
    EXPECT_EQ(main->Left().Directory, right);
    EXPECT_EQ(Caption(sdLeft), right);
    EXPECT_EQ(Names(sdLeft), QStringList({".."}));
}

TEST_F(SlowReadTest, AReadUnder200MsLandsBeforeTheKeyReturnsAndNeverSaysReading)
{
    MakeSlowFolder("quick", 10, 5); // about 50 ms, well under 200
    Reload();
    WatchStatus();
    EnterFolder("quick");
    EXPECT_FALSE(main->Reading(sdLeft));
    EXPECT_EQ(ShownRows(sdLeft), 11);
    EXPECT_EQ(Caption(sdLeft), left + "quick/");
    EXPECT_EQ(Status(sdLeft), "10 objects");
    QTest::qWait(100);
    EXPECT_TRUE(seen.filter("Reading").isEmpty()) << seen.join(" | ").toStdString();
}

namespace
{

// Reads of left/FOLDER/ that stop at their `at`-th name until `release` is set (at most
// 10 s): with at >= 2, after the first readdir has fetched the names.
class HeldReadTest : public SlowReadTest
{
protected:
    // A read still held, after a failure, is let go before the hook and the fixture go.
    void TearDown() override
    {
        release.store(true);
        EXPECT_TRUE(QTest::qWaitFor([] { return TFileWorker::Running() == 0; }, 15000));
        SlowReadTest::TearDown();
    }
    void HoldRead(const QString& folder, int at)
    {
        platform::SetFileOpsFaultHook(
            [this, folder, at](platform::TFileOpsStep step, const QString& path) {
                if (step != platform::TFileOpsStep::DirectoryEntry ||
                    !path.endsWith('/' + folder + '/'))
                    return 0;
                static thread_local int calls = 0; // each read runs on a thread of its own
                if (++calls == at)
                    for (int i = 0; i < 1000 && !release.load(); ++i)
                        std::this_thread::sleep_for(std::chrono::milliseconds(10));
                return 0;
            });
    }
    // The read is under way in the background; lets it go on and waits until it landed.
    void ReleaseAndWait(TSide side = sdLeft)
    {
        release.store(true);
        ASSERT_TRUE(QTest::qWaitFor([this, side] { return !main->Reading(side); }, 10000));
    }
    std::atomic<bool> release{false};
};

} // namespace

// The file system blocks a read for 5 s whatever the cancel flag says (a dead network
// mount): Escape, another location and closing the window return at once all the same.
TEST_F(SlowReadTest, AStuckReadIsLeftBehindAtOnceByEscapeAnotherLocationAndQuitting)
{
    dir.write("left/stuck/a.txt", "a");
    Reload();
    auto blocked = std::make_shared<std::atomic<int>>(0);
    platform::SetFileOpsFaultHook([blocked](platform::TFileOpsStep step, const QString& path) {
        static thread_local bool once = false; // once per read: each runs on its own thread
        if (step == platform::TFileOpsStep::DirectoryEntry && path.endsWith("/stuck/") &&
            !std::exchange(once, true)) {
            ++*blocked;
            std::this_thread::sleep_for(std::chrono::seconds(5));
            --*blocked;
        }
        return 0;
    });
    QElapsedTimer clock;
    EnterFolder("stuck");
    ASSERT_TRUE(main->Reading(sdLeft));
    clock.start();
    Key(Qt::Key_Escape);
    EXPECT_LT(clock.elapsed(), 2500);
    EXPECT_FALSE(main->Reading(sdLeft));
    EXPECT_EQ(main->Left().Directory, left);

    EnterFolder("stuck");
    ASSERT_TRUE(main->Reading(sdLeft));
    clock.start();
    Open(sdLeft, right);
    EXPECT_LT(clock.elapsed(), 2500);
    EXPECT_EQ(main->Left().Directory, right);

    Open(sdLeft, left);
    EnterFolder("stuck");
    ASSERT_TRUE(main->Reading(sdLeft));
    clock.start();
    main->close();
    main.reset();
    EXPECT_LT(clock.elapsed(), 2500);
    // The reads left behind end on their own; the hook stays until they have.
    EXPECT_TRUE(QTest::qWaitFor([] { return TFileWorker::Running() == 0; }, 15000));
    EXPECT_EQ(blocked->load(), 0);
}

// F7 in the other panel, in the folder this one leaves and in the one it goes to: the
// read goes on, and its rows hold what the command made.
TEST_F(HeldReadTest, CommandsInTheOtherPanelNeverCancelAReadAndItsRowsShowWhatTheyChanged)
{
    dir.write("left/slow/a.txt", "a");
    Reload();
    Open(sdRight, left);
    HoldRead("slow", 1);
    EnterFolder("slow");
    ASSERT_TRUE(main->Reading(sdLeft));
    main->Right().Files->setFocus(); // the user works in the other panel
    TypeInput("beside");
    Press(Qt::Key_F7);
    EXPECT_TRUE(QFileInfo(left + "beside").isDir());
    EXPECT_TRUE(main->Reading(sdLeft));
    ReleaseAndWait();
    EXPECT_EQ(main->Left().Directory, left + "slow/");
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "a.txt"}));

    // Now the names of the folder being read are fetched before the command makes one.
    Open(sdLeft, left);
    Open(sdRight, left + "slow/");
    release.store(false);
    HoldRead("slow", 2);
    EnterFolder("slow");
    ASSERT_TRUE(main->Reading(sdLeft));
    main->Right().Files->setFocus(); // the user works in the other panel
    TypeInput("made");
    Press(Qt::Key_F7);
    ASSERT_TRUE(QFileInfo(left + "slow/made").isDir());
    ReleaseAndWait();
    EXPECT_EQ(main->Left().Directory, left + "slow/");
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "made", "a.txt"}));
}

// The user works in the right panel and has a dialog open when the left panel's rows
// land: a dialog of no command, then the input dialog of F7.
TEST_F(HeldReadTest, AReadLandingWhileADialogIsOpenLeavesTheActivePanelAndFocusAlone)
{
    dir.write("left/slow/a.txt", "a");
    dir.write("right/sub/r.txt", "r");
    Reload();
    for (const bool command : {false, true}) {
        Open(sdLeft, left);
        release.store(false);
        HoldRead("slow", 1);
        EnterFolder("slow");
        ASSERT_TRUE(main->Reading(sdLeft));
        main->Right().Files->setFocus();
        EXPECT_EQ(main->ActivePanel, 2);
        // The read returns while the dialog is open (within a command it lands after).
        AnswerNextModal([this](QDialog* d) {
            release.store(true);
            EXPECT_TRUE(QTest::qWaitFor(
                [this] { return !main->Left().Read || main->Left().Read->Done; }, 10000));
            QTest::qWait(50);
            d->done(0);
        });
        if (command) {
            Press(Qt::Key_F7); // the answer cancels it
        } else {
            QDialog dialog(main.get());
            dialog.exec();
        }
        ASSERT_TRUE(QTest::qWaitFor([this] { return !main->Reading(sdLeft); }, 10000));
        QApplication::setActiveWindow(main.get());
        EXPECT_EQ(main->ActivePanel, 2) << command;
        EXPECT_TRUE(QTest::qWaitFor([this] { return View(sdRight)->hasFocus(); }, 1000)) << command;
        EXPECT_EQ(Names(sdLeft), QStringList({"..", "a.txt"}));
    }
}

// Names that stop midway (readdir fails with EIO at the third name): what was read is
// shown, with the reason.
TEST_F(SlowReadTest, AFolderReadInPartShowsItsRowsAndSaysWhy)
{
    for (int i = 0; i < 5; ++i)
        dir.write(QStringLiteral("left/broken/f%1.txt").arg(i), "x");
    Reload();
    int calls = 0;
    platform::SetFileOpsFaultHook([&calls](platform::TFileOpsStep step, const QString& path) {
        return step == platform::TFileOpsStep::DirectoryEntry && path.endsWith("/broken/") &&
                       ++calls >= 3
                   ? EIO
                   : 0;
    });
    EnterFolder("broken");
    ASSERT_TRUE(QTest::qWaitFor([this] { return !main->Reading(sdLeft); }, 10000));
    EXPECT_EQ(main->Left().Directory, left + "broken/");
    EXPECT_GE(Names(sdLeft).size(), 1);
    EXPECT_LE(Names(sdLeft).size(), 2);
    EXPECT_EQ(messages,
              QStringList({QStringLiteral("The folder %1broken/ could not be read completely: "
                                          "Input/output error. Only the entries read before "
                                          "the error are shown (%2).")
                               .arg(left)
                               .arg(Names(sdLeft).size())}));
}

// A folder that cannot be opened or searched (EACCES from the hook: the tests run as
// root, whom permission bits do not stop): the panel says why and stays, and its keys
// still work.
TEST_F(SlowReadTest, AFolderThatCannotBeReadSaysWhyAndThePanelStaysWhereItWas)
{
    dir.write("left/locked/secret.txt", "s");
    dir.write("left/z.txt", "z");
    Reload();
    platform::SetFileOpsFaultHook([](platform::TFileOpsStep step, const QString& path) {
        return step == platform::TFileOpsStep::OpenDirectory && path.endsWith("/locked/") ? EACCES
                                                                                          : 0;
    });
    const QStringList names = Names(sdLeft);
    EnterFolder("locked");
    ASSERT_TRUE(QTest::qWaitFor([this] { return !main->Reading(sdLeft); }, 10000));
    EXPECT_EQ(messages, QStringList({QStringLiteral("The folder %1locked/ cannot be read: "
                                                    "Permission denied.")
                                         .arg(left)}));
    EXPECT_EQ(main->Left().Directory, left);
    EXPECT_EQ(Caption(sdLeft), left);
    EXPECT_EQ(Names(sdLeft), names);
    EXPECT_EQ(ShownRows(sdLeft), names.size());
    EXPECT_EQ(FocusedName(sdLeft), "locked");
    Key(Qt::Key_Backspace);
    EXPECT_EQ(main->Left().Directory, dir.path());
}
