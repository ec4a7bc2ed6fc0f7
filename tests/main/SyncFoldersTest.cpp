// Commands → Synchronise folders from the main window: the window it opens for the two
// panels' folders, the panels read again after a run, and the refusal for an archive.
#include "main/UserInputFixture.h"
#include "sync/uSync.h"

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

TEST_F(SyncFoldersTest, APanelInsideAnArchiveIsRefused)
{
    dir.write("left/x.txt", "x");
    QProcess zip;
    zip.setWorkingDirectory(left);
    zip.start("zip", {"-q", left + "pack.zip", "x.txt"});
    ASSERT_TRUE(zip.waitForFinished(60000));
    Reload();
    OpenArchive(sdLeft, "pack.zip");
    ChooseSynchronise();
    EXPECT_TRUE(main->findChildren<TfSync*>().isEmpty());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("Synchronise folders works on folders only"))
        << messages[0].toStdString();
}

} // namespace
