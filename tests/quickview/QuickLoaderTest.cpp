// The quick view's loader: loads stuck in the file system hold nothing up, requests made
// while every load thread is busy collapse into the latest, and only the latest request's
// result is delivered. A member's load makes its private copy only when it is not
// cancelled.
#include "quickview/QuickCore.h"
#include "support/TempDir.h"

#include <QProcess>
#include <QTest>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>

TEST(QuickLoader, OnlyTheLatestRequestIsDeliveredAndWaitingRequestsCollapse)
{
    struct TGate {
        std::mutex Lock;
        std::condition_variable Opened;
        bool Open{false};
    };
    auto gate = std::make_shared<TGate>();
    quickview::TQuickLoader loader;
    // Loads of "stuck…" wait for the gate whatever their cancel flag says.
    loader.Load = [gate](const quickview::TQuickRequest& request, platform::TFileOpsProgress&) {
        const QString& path = request.Path;
        if (path.startsWith("stuck")) {
            std::unique_lock lock(gate->Lock);
            gate->Opened.wait(lock, [&] { return gate->Open; });
        }
        quickview::TQuickResult r;
        r.Path = path;
        return r;
    };
    QStringList delivered;
    QObject::connect(&loader, &quickview::TQuickLoader::Loaded,
                     [&](const quickview::TQuickResult& r) { delivered << r.Path; });
    for (const char* path : {"stuck1", "stuck2", "a", "b", "c"})
        loader.Request({QString::fromLatin1(path), QSize(10, 10), {}});
    EXPECT_EQ(loader.Running(), quickview::TQuickLoader::MaxRunning);
    QTest::qWait(50); // nothing may come while both threads are stuck
    EXPECT_TRUE(delivered.isEmpty());
    {
        std::lock_guard lock(gate->Lock);
        gate->Open = true;
    }
    gate->Opened.notify_all();
    ASSERT_TRUE(QTest::qWaitFor([&] { return loader.Running() == 0; }, 20000));
    EXPECT_EQ(delivered, QStringList{"c"});
    EXPECT_EQ(loader.Started(), 3); // "a" and "b" never started
}

TEST(QuickLoad, AMemberLoadCancelledBeforeItsCopyMakesNone)
{
    TempDir dir;
    dir.write("t.txt", "member");
    QProcess zip;
    zip.setWorkingDirectory(dir.path());
    zip.start("zip", {"-q", "m.zip", "t.txt"});
    ASSERT_TRUE(zip.waitForFinished() && zip.exitCode() == 0);
    const quickview::TMemberSource member{dir("m.zip"), "t.txt", 6, true};
    const quickview::TQuickRequest request{dir("m.zip") + "/t.txt", {100, 100}, {}, member};

    platform::TFileOpsProgress whole;
    const quickview::TQuickResult shown = quickview::LoadQuick(request, whole);
    ASSERT_NE(shown.Copy, nullptr);
    EXPECT_EQ(shown.Kind, quickview::TKind::Text);
    EXPECT_EQ(shown.Path, request.Path);

    platform::TFileOpsProgress cancelled;
    cancelled.Cancel();
    const quickview::TQuickResult dropped = quickview::LoadQuick(request, cancelled);
    EXPECT_EQ(dropped.Copy, nullptr);
    EXPECT_NE(dropped.Kind, quickview::TKind::Failed); // a cancel is no failure to show
}
