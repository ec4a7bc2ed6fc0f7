// Commands → Synchronise folders from the main window: the window it opens for the two
// panels' folders, the panels read again after a run, and an archive panel as the source
// side only.
#include "main/UserInputFixture.h"
#include "sync/uSync.h"

#include <QCheckBox>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>

namespace
{

class SyncFoldersTest : public UserInputTest
{
protected:
    // Commands → Synchronise folders… by its keys.
    void ChooseSynchronise()
    {
        main->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
        Key(Qt::Key_C, Qt::AltModifier);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        QTest::keyClick(menu, Qt::Key_S);
    }
};

TEST_F(SyncFoldersTest, BothPanelsFoldersAreSynchronisedAndShownAgain)
{
    dir.write("left/new.txt", "made on the left");
    dir.write("right/old.txt", "kept on the right");
    Reload();
    ChooseSynchronise();
    const auto windows = main->findChildren<TfSync*>();
    ASSERT_EQ(windows.size(), 1) << messages.join('\n').toStdString();
    TfSync* window = windows.front();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Comparing(); }, 30000));
    ASSERT_EQ(window->List->topLevelItemCount(), 2);
    // By default each only side is copied over: the plan says so before anything runs.
    EXPECT_TRUE(window->PlanText().startsWith("Will copy → 1 entries (1 files, 16 bytes)"))
        << window->PlanText().toStdString();
    QTest::mouseClick(window->ButtonSync, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Comparing(); }, 30000));
    EXPECT_EQ(readAll(right + "new.txt"), "made on the left");
    EXPECT_EQ(readAll(left + "old.txt"), "kept on the right");
    // Both panels show the copies; nothing of it can be undone, and the menu says so.
    EXPECT_TRUE(QTest::qWaitFor([&] { return Row(sdRight, "new.txt") >= 0; }, 30000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Row(sdLeft, "old.txt") >= 0; }, 30000));
    EXPECT_EQ(main->Commands().History().MenuText(), "Cannot undo a synchronisation of folders");
    window->close();
}

TEST_F(SyncFoldersTest, APanelInsideAnArchiveIsTheSourceSideOnly)
{
    dir.write("left/x.txt", "x from the archive");
    dir.write("left/sub/y.txt", "y");
    dir.write("right/x.txt", "x");
    QProcess zip;
    zip.setWorkingDirectory(left);
    zip.start("zip", {"-q", "-r", left + "pack.zip", "x.txt", "sub"});
    ASSERT_TRUE(zip.waitForFinished(60000));
    const QByteArray packed = readAll(left + "pack.zip");
    dir.write("right/only-right.txt", "stays");
    Reload();
    OpenArchive(sdLeft, "pack.zip");
    ChooseSynchronise();
    const auto windows = main->findChildren<TfSync*>();
    ASSERT_EQ(windows.size(), 1) << messages.join('\n').toStdString();
    TfSync* window = windows.front();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Comparing(); }, 30000));
    // Nothing toward the archive: its copy button is off, and the folder's own file is
    // left by default instead of copied into it.
    EXPECT_FALSE(window->ButtonAction[int(TSyncAction::CopyLeft)]->isEnabled());
    EXPECT_EQ(window->List->topLevelItemCount(), 3); // x.txt, sub, only-right.txt
    EXPECT_EQ(window->PlanText(), "Will copy → 1 entries (1 files, 1 bytes), 0 of them "
                                  "replacing; 2 rows left as they are.")
        << window->PlanText().toStdString();
    window->List->selectAll();
    window->SetSelected(TSyncAction::CopyRight);
    QTest::mouseClick(window->ButtonSync, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Comparing(); }, 30000));
    EXPECT_EQ(readAll(right + "x.txt"), "x from the archive");
    EXPECT_EQ(readAll(right + "sub/y.txt"), "y");
    EXPECT_EQ(readAll(right + "only-right.txt"), "stays");
    EXPECT_EQ(readAll(left + "pack.zip"), packed);
    // The folder panel shows the copies; the archive panel stays in the archive.
    EXPECT_TRUE(QTest::qWaitFor([&] { return Row(sdRight, "sub") >= 0; }, 30000));
    EXPECT_TRUE(main->ShowsArchive(sdLeft));
    window->close();

    // Two archives: refused, the other panel must show a folder.
    zip.setWorkingDirectory(right);
    zip.start("zip", {"-q", right + "other.zip", "x.txt"});
    ASSERT_TRUE(zip.waitForFinished(60000));
    Open(sdRight, right);
    OpenArchive(sdRight, "other.zip");
    messages.clear();
    ChooseSynchronise();
    EXPECT_TRUE(QTest::qWaitFor([&] { return main->findChildren<TfSync*>().isEmpty(); }, 30000));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("Synchronise folders takes one archive at most"))
        << messages[0].toStdString();
}

} // namespace
