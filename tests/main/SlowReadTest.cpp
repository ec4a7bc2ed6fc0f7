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
    EXPECT_EQ(Status(sdLeft), "151 objects");
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
    EXPECT_EQ(Status(sdLeft), "11 objects");
    QTest::qWait(100);
    EXPECT_TRUE(seen.filter("Reading").isEmpty()) << seen.join(" | ").toStdString();
}
