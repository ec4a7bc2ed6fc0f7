// Panels follow what other programs do to the folder or archive they show: rows come and
// go with the cursor and the marks kept, the focus stays where the user has it, an edit
// in place is never cut short, and a folder that goes takes the panel to its parent.
#include "fileops/uProgress.h"
#include "main/FileOpsFixture.h"
#include "platform/FolderWatcher.h"
#include "support/FaultHold.h"
#include "support/TickWatch.h"

namespace
{

// The 0.5 s, with room for a loaded machine.
constexpr int kSeenWithinMs = 10000;

class LiveFolderTest : public FileOpsTest
{
protected:
    // True once the panel's rows are `names` (in the listing's order).
    bool RowsBecome(TSide side, const QStringList& names)
    {
        return QTest::qWaitFor([&] { return Names(side) == names; }, kSeenWithinMs);
    }
    QString Focused(TSide side)
    {
        const int row = main->Panel(side).Files->GetFocusedIndex();
        return row >= 0 ? Names(side).value(row) : QString();
    }
    // What another program does: through a shell, not through the program's own code.
    static void Outside(const QString& command)
    {
        QProcess shell;
        shell.start("sh", {"-c", command});
        ASSERT_TRUE(shell.waitForFinished());
        ASSERT_EQ(shell.exitCode(), 0) << command.toStdString();
    }
    // Runs `command`; a question it asks is a failure, answered No so that nothing hangs.
    static void WithoutQuestion(const std::function<void()>& command)
    {
        QTimer watch;
        watch.setInterval(10);
        QObject::connect(&watch, &QTimer::timeout, [] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                ADD_FAILURE() << "asked: " << fConfirm->LabelNotice->text().toStdString();
                dialog->done(TfConfirm::mrNo);
            }
        });
        watch.start();
        command();
    }
};

} // namespace

TEST_F(LiveFolderTest, RowsFollowChangesFromOutsideWithCursorMarksAndFocusKept)
{
    dir.write("left/a.txt", "a");
    dir.write("left/b.txt", "b");
    dir.write("left/c.txt", "c");
    Reload();
    main->Panel(sdLeft).Files->FocusItem(Row(sdLeft, "b.txt"));
    main->Panel(sdLeft).Files->SetItemSelected(Row(sdLeft, "b.txt"), false);
    main->Panel(sdLeft).Files->SetItemSelected(Row(sdLeft, "c.txt"), true);
    // The user works in the right panel meanwhile.
    main->Panel(sdRight).Files->setFocus();
    main->FilesEnter(sdRight);

    Outside(QStringLiteral("cd '%1' && echo d > d.txt").arg(left));
    ASSERT_TRUE(RowsBecome(sdLeft, {"..", "a.txt", "b.txt", "c.txt", "d.txt"}));
    EXPECT_EQ(Focused(sdLeft), "b.txt");
    EXPECT_EQ(main->Panel(sdLeft).Files->SelectedRows(), std::vector<int>{Row(sdLeft, "c.txt")});

    Outside(QStringLiteral("cd '%1' && mv a.txt z.txt && rm d.txt").arg(left));
    ASSERT_TRUE(RowsBecome(sdLeft, {"..", "b.txt", "c.txt", "z.txt"}));
    EXPECT_EQ(Focused(sdLeft), "b.txt");
    EXPECT_EQ(main->Panel(sdLeft).Files->SelectedRows(), std::vector<int>{Row(sdLeft, "c.txt")});

    // A file that grows shows its new size; the focus never left the right panel.
    Outside(QStringLiteral("cd '%1' && printf 'longer' > b.txt").arg(left));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return main->Left().Listing[Row(sdLeft, "b.txt")].Size == 6; }, kSeenWithinMs));
    EXPECT_EQ(main->ActivePanel, 2);
    EXPECT_TRUE(main->Panel(sdRight).Files->ActiveView()->hasFocus());

    // Leaving for the drive list releases the watch.
    main->Panel(sdLeft).Directory = "Drives";
    main->RefreshPanel(sdLeft);
    EXPECT_FALSE(main->Panel(sdLeft).Watcher->Watching());
}

TEST_F(LiveFolderTest, AnEditInPlaceIsNotCutShort)
{
    dir.write("left/old.txt", "o");
    Reload();
    main->Panel(sdLeft).Files->FocusItem(Row(sdLeft, "old.txt"));
    main->FilesEnter(sdLeft);
    main->MenuRenameInPlaceClick();
    TVirtualListView* files = main->Panel(sdLeft).Files;
    ASSERT_TRUE(files->IsEditing());
    Outside(QStringLiteral("cd '%1' && echo n > new.txt").arg(left));
    // Far longer than a re-read takes: the edit is still open, the rows as they were.
    QTest::qWait(1500);
    EXPECT_TRUE(files->IsEditing());
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "old.txt"}));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(RowsBecome(sdLeft, {"..", "new.txt", "old.txt"}));
}

TEST_F(LiveFolderTest, AFolderDeletedWhileShownLeavesForItsParent)
{
    dir.mkdir("left/sub/deeper");
    Open(sdLeft, left + "sub/deeper/");
    Outside(QStringLiteral("rm -r '%1sub'").arg(left));
    ASSERT_TRUE(QTest::qWaitFor([&] { return main->Left().Directory == left; }, kSeenWithinMs));
    EXPECT_EQ(main->Left().DirectoryLabel->text(), left);
    EXPECT_EQ(Names(sdLeft), QStringList({".."}));
    EXPECT_EQ(main->Left().Total->Text(3), left + "sub/deeper/ is gone");
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(LiveFolderTest, AnArchiveShownIsReadAgainWhenItsFileChanges)
{
    dir.write("left/one.txt", "1");
    dir.write("left/two.txt", "2");
    ASSERT_TRUE(RunZip(left, {"-q", "pack.zip", "one.txt"}));
    Reload();
    OpenArchive(sdLeft, "pack.zip");
    main->Panel(sdLeft).Files->FocusItem(Row(sdLeft, "one.txt"));
    Press(Qt::Key_Space); // marked
    ASSERT_EQ(main->Left().Selected->Text(1), "1 object(s)");
    ASSERT_TRUE(RunZip(left, {"-q", "pack.zip", "two.txt"}));
    ASSERT_TRUE(RowsBecome(sdLeft, {"..", "one.txt", "two.txt"}));
    EXPECT_TRUE(main->ShowsArchive(sdLeft));
    EXPECT_EQ(Focused(sdLeft), "one.txt");
    // The mark stays a mark: the cursor moves without taking it along.
    EXPECT_EQ(main->Left().Selected->Text(1), "1 object(s)");
    EXPECT_EQ(main->Left().Total->Text(1), "2 objects");
    Press(Qt::Key_Down);
    EXPECT_EQ(SelectedNames(sdLeft), QStringList({"one.txt"}));
    EXPECT_EQ(main->Left().DirectoryLabel->text(), left + "pack.zip");
}

TEST_F(LiveFolderTest, ACompressedTarRewrittenIsReadAgainOffTheWindowThread)
{
    dir.write("left/one.txt", "1");
    dir.write("left/two.txt", "2");
    Outside(QStringLiteral("cd '%1' && tar -cJf pack.tar.xz one.txt").arg(left));
    Reload();
    OpenArchive(sdLeft, "pack.tar.xz");
    ASSERT_EQ(Names(sdLeft), QStringList({"..", "one.txt"}));
    main->Panel(sdLeft).Files->FocusItem(Row(sdLeft, "one.txt"));
    // Reading the archive holds, as a slow disk or a large archive would.
    TFaultHold hold(platform::TFileOpsStep::ArchiveRead, left + "pack.tar.xz",
                    [] { return TFileWorker::Running() == 0; });
    TTickWatch ticks;
    ticks.Start();
    Outside(QStringLiteral("cd '%1' && tar -cJf pack.tar.xz one.txt two.txt").arg(left));
    ASSERT_TRUE(QTest::qWaitFor([&] { return hold.Held() >= 1; }, kSeenWithinMs));
    EXPECT_FALSE(hold.OnWindowThread());
    // The window goes on while it is held, with the rows it had.
    const qint64 heldAt = ticks.Elapsed();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks.Elapsed() > heldAt + 500; }, 60000));
    EXPECT_LT(ticks.LongestGap(), 5000);
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "one.txt"}));
    hold.Release();
    ASSERT_TRUE(RowsBecome(sdLeft, {"..", "one.txt", "two.txt"}));
    EXPECT_TRUE(main->ShowsArchive(sdLeft));
    EXPECT_EQ(Focused(sdLeft), "one.txt");
    EXPECT_EQ(main->Left().DirectoryLabel->text(), left + "pack.tar.xz");
}

TEST_F(LiveFolderTest, AnArchiveThatIsBackIsNoLongerSaidToBeGone)
{
    dir.write("left/one.txt", "1");
    ASSERT_TRUE(RunZip(left, {"-q", "arc.zip", "one.txt"}));
    Reload();
    OpenArchive(sdLeft, "arc.zip");
    Outside(QStringLiteral("rm '%1arc.zip'").arg(left));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !main->ShowsArchive(sdLeft); }, kSeenWithinMs));
    ASSERT_TRUE(RowsBecome(sdLeft, {"..", "one.txt"}));
    EXPECT_EQ(main->Left().Total->Text(3), left + "arc.zip is gone");
    // Another change that does not bring it back leaves the word.
    Outside(QStringLiteral("cd '%1' && echo 2 > two.txt").arg(left));
    ASSERT_TRUE(RowsBecome(sdLeft, {"..", "one.txt", "two.txt"}));
    EXPECT_EQ(main->Left().Total->Text(3), left + "arc.zip is gone");
    // Back: said no more.
    ASSERT_TRUE(RunZip(left, {"-q", "arc.zip", "one.txt"}));
    ASSERT_TRUE(RowsBecome(sdLeft, {"..", "arc.zip", "one.txt", "two.txt"}));
    EXPECT_EQ(main->Left().Total->Text(3), QString());
    EXPECT_TRUE(messages.isEmpty());
}

// A download's part file takes its final name while the cursor is on it: the cursor goes
// with it, and F5 copies it. A file that goes without a rename the watch saw leaves the
// cursor on its neighbour's row: a command within a second of that asks first, naming
// both; later it does not.
TEST_F(LiveFolderTest, TheCursorFollowsARenameAndACommandJustAfterAJumpAsksFirst)
{
    dir.write("left/a.txt", "a");
    dir.write("left/film.mkv.nfo", "n");
    dir.write("left/film.mkv.part", "f");
    dir.write("left/z.txt", "z");
    const QString away = dir.mkdir("away");
    Reload();
    qint64 now = 50000;
    main->SteadyClockMs = [&now] { return now; };
    main->Panel(sdLeft).Files->FocusItem(Row(sdLeft, "film.mkv.part"));
    main->FilesEnter(sdLeft);

    // The new name sorts two rows up: the row the cursor stood on holds another file.
    Outside(QStringLiteral("cd '%1' && mv film.mkv.part film.mkv").arg(left));
    ASSERT_TRUE(RowsBecome(sdLeft, {"..", "a.txt", "film.mkv", "film.mkv.nfo", "z.txt"}));
    EXPECT_EQ(Focused(sdLeft), "film.mkv");
    WithoutQuestion([this] { Press(Qt::Key_F5); });
    EXPECT_EQ(readAll(right + "film.mkv"), "f");

    // Moved to another folder: no rename in this one; the cursor stays on its row.
    Outside(QStringLiteral("cd '%1' && mv film.mkv '%2'").arg(left, away));
    ASSERT_TRUE(RowsBecome(sdLeft, {"..", "a.txt", "film.mkv.nfo", "z.txt"}));
    EXPECT_EQ(Focused(sdLeft), "film.mkv.nfo");
    now += 999;
    QStringList texts;
    AnswerQuestion(TfConfirm::mrNo, &texts);
    Press(Qt::Key_F5);
    EXPECT_EQ(texts, QStringList({"film.mkv was removed or renamed by another program a moment "
                                  "ago, and the cursor moved to film.mkv.nfo.",
                                  "Copy film.mkv.nfo ?"}));
    EXPECT_FALSE(QFileInfo::exists(right + "film.mkv.nfo"));

    // Asked once: the jump is forgotten. A second after another jump, no question.
    Outside(QStringLiteral("cd '%1' && rm film.mkv.nfo").arg(left));
    ASSERT_TRUE(RowsBecome(sdLeft, {"..", "a.txt", "z.txt"}));
    EXPECT_EQ(Focused(sdLeft), "z.txt");
    now += 1000;
    WithoutQuestion([this] { Press(Qt::Key_F5); });
    EXPECT_EQ(readAll(right + "z.txt"), "z");
}
