#include "platform/FolderWatcher.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace
{

// A settle time no loaded machine outlasts between two steps of a test: a burst made
// in steps is one burst.
constexpr int kLongSettleMs = 1500;

} // namespace

TEST(FolderWatcher, ABurstOfChangesIsReportedOnceAfterItSettles)
{
    TempDir dir;
    platform::TFolderWatcher watcher;
    watcher.SettleMs = kLongSettleMs;
    watcher.MostWaitMs = 60000;
    ASSERT_TRUE(watcher.Watch(dir.path()));
    QSignalSpy settled(&watcher, &platform::TFolderWatcher::Settled);
    for (int step = 0; step < 10; ++step) {
        for (int i = 0; i < 100; ++i)
            dir.write(QStringLiteral("f%1-%2").arg(step).arg(i), "x");
        QTest::qWait(20); // the watcher sees each step while the burst goes on
    }
    ASSERT_TRUE(settled.wait(10000));
    QTest::qWait(kLongSettleMs + 300);
    EXPECT_EQ(settled.size(), 1);

    // A rename, a change of contents and a removal: each a change.
    for (const auto& change : std::initializer_list<std::function<void()>>{
             [&] { QFile::rename(dir("f0-0"), dir("renamed")); },
             [&] { dir.write("f0-1", "longer contents"); },
             [&] { QFile::remove(dir("f0-2")); }}) {
        watcher.SettleMs = 50;
        change();
        EXPECT_TRUE(settled.wait(10000));
    }
}

TEST(FolderWatcher, AnEntryWatchedAloneAndAFolderThatGoes)
{
    TempDir dir;
    dir.write("folder/pack.zip", "1");
    platform::TFolderWatcher watcher;
    watcher.SettleMs = 50;
    ASSERT_TRUE(watcher.Watch(dir("folder/"), "pack.zip"));
    QSignalSpy settled(&watcher, &platform::TFolderWatcher::Settled);
    QSignalSpy gone(&watcher, &platform::TFolderWatcher::Gone);
    // Another file of the folder is nothing to an archive shown; its own file is.
    dir.write("folder/other.txt", "x");
    dir.write("folder/pack.zip", "2");
    ASSERT_TRUE(settled.wait(10000));
    QTest::qWait(200);
    EXPECT_EQ(settled.size(), 1);
    // Replaced by a rename, as tools that write a new copy do.
    dir.write("folder/.pack.new", "3");
    QFile::rename(dir("folder/pack.zip"), dir("folder/old"));
    QFile::rename(dir("folder/.pack.new"), dir("folder/pack.zip"));
    EXPECT_TRUE(settled.wait(10000));

    ASSERT_TRUE(QDir(dir("folder")).removeRecursively());
    ASSERT_TRUE(gone.wait(10000));
    EXPECT_EQ(gone[0][0].toBool(), false); // deleted, not unmounted
    EXPECT_FALSE(watcher.Watching());
    EXPECT_FALSE(watcher.Watch(dir("folder/")));
}

TEST(FolderWatcher, RenamesWithinTheFolderAreToldFromTheirFirstToTheirLastName)
{
    TempDir dir;
    dir.write("w/a.part", "1");
    dir.write("w/out.txt", "2");
    dir.write("elsewhere/in.txt", "3");
    platform::TFolderWatcher watcher;
    watcher.SettleMs = 50;
    ASSERT_TRUE(watcher.Watch(dir("w/")));
    QSignalSpy settled(&watcher, &platform::TFolderWatcher::Settled);
    ASSERT_TRUE(QFile::rename(dir("w/a.part"), dir("w/a.tmp")));
    ASSERT_TRUE(QFile::rename(dir("w/a.tmp"), dir("w/a")));
    // Moves out of the folder and into it are no renames within it.
    ASSERT_TRUE(QFile::rename(dir("w/out.txt"), dir("elsewhere/out.txt")));
    ASSERT_TRUE(QFile::rename(dir("elsewhere/in.txt"), dir("w/in.txt")));
    ASSERT_TRUE(settled.wait(10000));
    const QHash<QString, QString> renamed{{"a.part", "a"}};
    EXPECT_EQ(watcher.TakeRenames(), renamed);
    EXPECT_TRUE(watcher.TakeRenames().isEmpty());
}
