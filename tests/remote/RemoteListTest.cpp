// Reading remote folders without waiting on the window's thread.
#include "RemoteTestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QThread>
#include <QTimer>
#include <csignal>
#include <set>
#include <sys/stat.h>
#include <utime.h>

TEST_F(RemoteTest, ListsTenThousandEntriesAsTheyArriveOnTheWindowThread)
{
    MountServer();
    const QString folder = Server->Folder() + QStringLiteral("/many");
    QDir().mkpath(folder + QStringLiteral("/sub"));
    std::set<QString> expected{QStringLiteral("sub"), QStringLiteral(".hidden"),
                               QStringLiteral("link"), QStringLiteral("sized")};
    for (int i = 0; i < 10000; ++i) {
        const QString name = QStringLiteral("file-%1").arg(i, 5, 10, QLatin1Char('0'));
        QFile(folder + QLatin1Char('/') + name).open(QIODevice::WriteOnly);
        expected.insert(name);
    }
    QFile(folder + QStringLiteral("/.hidden")).open(QIODevice::WriteOnly);
    QFile::link(QStringLiteral("sized"), folder + QStringLiteral("/link"));
    QFile sized(folder + QStringLiteral("/sized"));
    ASSERT_TRUE(sized.open(QIODevice::WriteOnly));
    sized.write(QByteArray(1234, 'x'));
    sized.close();
    ::chmod(QFile::encodeName(sized.fileName()).constData(), 0640);
    const utimbuf times{1000000000, 1000000000};
    ::utime(QFile::encodeName(sized.fileName()).constData(), &times);

    std::vector<platform::TRemoteEntry> seen;
    int batches = 0;
    bool onWindowThread = true;
    bool ended = false;
    QString error = QStringLiteral("not ended");
    const auto listing = Places().List(
        Server->Uri(folder),
        [&](std::vector<platform::TRemoteEntry>&& entries) {
            ++batches;
            onWindowThread = onWindowThread && QThread::currentThread() == qApp->thread();
            seen.insert(seen.end(), entries.begin(), entries.end());
        },
        [&](const QString& why) {
            error = why;
            ended = true;
        });
    ASSERT_TRUE(WaitFor([&] { return ended; }));
    EXPECT_TRUE(error.isEmpty()) << qPrintable(error);
    EXPECT_TRUE(onWindowThread);
    EXPECT_GT(batches, 1);
    std::set<QString> names;
    std::map<QString, platform::TRemoteEntry> byName;
    for (const platform::TRemoteEntry& entry : seen) {
        names.insert(entry.Name);
        byName[entry.Name] = entry;
    }
    EXPECT_EQ(seen.size(), expected.size());
    EXPECT_EQ(names, expected);
    EXPECT_TRUE(byName[QStringLiteral("sub")].Folder);
    EXPECT_TRUE(byName[QStringLiteral(".hidden")].Hidden);
    EXPECT_FALSE(byName[QStringLiteral("sized")].Hidden);
    const platform::TRemoteEntry file = byName[QStringLiteral("sized")];
    EXPECT_EQ(file.Size, 1234);
    EXPECT_EQ(file.Modified, 1000000000);
    EXPECT_FALSE(file.Folder);
    // The link shows as what it leads to.
    EXPECT_EQ(byName[QStringLiteral("link")].Size, 1234);
    EXPECT_FALSE(byName[QStringLiteral("link")].Folder);

    // The whole read of the same folder also says which entry is a link, and the modes.
    platform::TRemoteFolder whole;
    OnWorker([&] {
        whole = Places().ReadFolder(Server->Uri(folder), nullptr);
        return platform::TRemoteResult{};
    });
    ASSERT_EQ(whole.Entries.size(), expected.size()) << qPrintable(whole.Error);
    for (const platform::TRemoteEntry& entry : whole.Entries) {
        EXPECT_EQ(entry.Symlink, entry.Name == QStringLiteral("link")) << qPrintable(entry.Name);
        if (entry.Name == QStringLiteral("sized"))
            EXPECT_EQ(entry.Mode & 07777, 0640u);
    }
}

TEST_F(RemoteTest, AStoppedServerLeavesTheEventLoopTurningAndCancelEndsTheListingAtOnce)
{
    MountServer();
    const QString folder = Server->Folder() + QStringLiteral("/stopped");
    QDir().mkpath(folder);
    QFile(folder + QStringLiteral("/one")).open(QIODevice::WriteOnly);
    // The folder read once while the server answers.
    bool first = false;
    const auto before =
        Places().List(Server->Uri(folder), {}, [&](const QString&) { first = true; });
    ASSERT_TRUE(WaitFor([&] { return first; }));

    Server->SignalSessions(SIGSTOP);
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(10);
    bool heard = false;
    auto listing = Places().List(
        Server->Uri(folder), [&](std::vector<platform::TRemoteEntry>&&) { heard = true; },
        [&](const QString&) { heard = true; });
    EXPECT_TRUE(WaitFor([&] { return ticks >= 20; }));
    EXPECT_FALSE(heard);
    // A timer always due would keep the test's waiting from dispatching GIO's callbacks.
    timer.stop();
    listing->Cancel();
    Server->SignalSessions(SIGCONT);

    // A later listing of the same folder ends after the abandoned one's answer came back.
    bool later = false;
    QString error = QStringLiteral("not ended");
    const auto again = Places().List(Server->Uri(folder), {}, [&](const QString& why) {
        error = why;
        later = true;
    });
    ASSERT_TRUE(WaitFor([&] { return later; }));
    EXPECT_TRUE(error.isEmpty()) << qPrintable(error);
    EXPECT_FALSE(heard);
}
