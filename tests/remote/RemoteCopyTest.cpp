// Copies to, from and between remote places through part files.
#include "RemoteTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <atomic>
#include <csignal>

namespace
{

constexpr qint64 kSmall = 3 * 1024 * 1024 + 17;
constexpr qint64 kLarge = 48 * 1024 * 1024;

// A progress callback that runs `act` once, the first time part of the file has gone.
platform::TRemoteProgress Midway(std::function<void()> act)
{
    auto done = std::make_shared<std::atomic<bool>>(false);
    return [act = std::move(act), done](qint64 copied, qint64 total) {
        if (copied > 0 && copied < total && !done->exchange(true))
            act();
    };
}

} // namespace

TEST_F(RemoteTest, CopiesBothWaysAndBetweenRemoteFoldersByteForByte)
{
    MountServer();
    QTemporaryDir local;
    const QString source = RandomFile(local.filePath(QStringLiteral("up.bin")), kSmall);
    const QString remote = Server->Folder() + QStringLiteral("/copies");
    QDir().mkpath(remote);
    qint64 lastProgress = 0;

    platform::TRemoteCopy up{source, Server->Uri(remote), QStringLiteral("up.bin"),
                             [&](qint64 done, qint64) { lastProgress = done; }};
    platform::TRemoteResult result = OnWorker([&] { return Places().Copy(up, nullptr); });
    ASSERT_TRUE(result.Ok) << qPrintable(result.Error);
    EXPECT_EQ(ReadFile(remote + QStringLiteral("/up.bin")), ReadFile(source));
    EXPECT_EQ(lastProgress, kSmall);

    const QString back = local.filePath(QStringLiteral("back"));
    QDir().mkpath(back);
    platform::TRemoteCopy down{
        Server->Uri(remote + QStringLiteral("/up.bin")), back, QStringLiteral("down.bin"), {}};
    result = OnWorker([&] { return Places().Copy(down, nullptr); });
    ASSERT_TRUE(result.Ok) << qPrintable(result.Error);
    EXPECT_EQ(ReadFile(back + QStringLiteral("/down.bin")), ReadFile(source));

    QDir().mkpath(remote + QStringLiteral("/other"));
    platform::TRemoteCopy across{Server->Uri(remote + QStringLiteral("/up.bin")),
                                 Server->Uri(remote + QStringLiteral("/other")),
                                 QStringLiteral("again.bin"),
                                 {}};
    result = OnWorker([&] { return Places().Copy(across, nullptr); });
    ASSERT_TRUE(result.Ok) << qPrintable(result.Error);
    EXPECT_EQ(ReadFile(remote + QStringLiteral("/other/again.bin")), ReadFile(source));

    EXPECT_TRUE(PartFiles(remote).isEmpty());
    EXPECT_TRUE(PartFiles(back).isEmpty());
    EXPECT_TRUE(PartFiles(remote + QStringLiteral("/other")).isEmpty());
}

TEST_F(RemoteTest, ACopyNeverReplacesANameTakenBeforeOrDuringIt)
{
    MountServer();
    QTemporaryDir local;
    const QString source = RandomFile(local.filePath(QStringLiteral("new.bin")), kLarge);
    const QString remote = Server->Folder() + QStringLiteral("/taken");
    QDir().mkpath(remote);
    const QString target = remote + QStringLiteral("/new.bin");
    QFile before(target);
    ASSERT_TRUE(before.open(QIODevice::WriteOnly));
    before.write("the user's own file");
    before.close();

    platform::TRemoteCopy copy{source, Server->Uri(remote), QStringLiteral("new.bin"), {}};
    platform::TRemoteResult result = OnWorker([&] { return Places().Copy(copy, nullptr); });
    EXPECT_FALSE(result.Ok);
    EXPECT_TRUE(result.Exists) << qPrintable(result.Error);
    EXPECT_EQ(ReadFile(target), QByteArray("the user's own file"));

    // The name taken while the copy runs, in either direction.
    QFile::remove(target);
    copy.Progress = Midway([&] {
        QFile arrived(target);
        arrived.open(QIODevice::WriteOnly);
        arrived.write("arrived first");
    });
    result = OnWorker([&] { return Places().Copy(copy, nullptr); });
    EXPECT_TRUE(result.Exists) << qPrintable(result.Error);
    EXPECT_EQ(ReadFile(target), QByteArray("arrived first"));

    const QString localTarget = local.filePath(QStringLiteral("down.bin"));
    platform::TRemoteCopy down{Server->Uri(remote + QStringLiteral("/big.bin")), local.path(),
                               QStringLiteral("down.bin"), Midway([&] {
                                   QFile arrived(localTarget);
                                   arrived.open(QIODevice::WriteOnly);
                                   arrived.write("arrived first");
                               })};
    QFile::copy(source, remote + QStringLiteral("/big.bin"));
    result = OnWorker([&] { return Places().Copy(down, nullptr); });
    EXPECT_TRUE(result.Exists) << qPrintable(result.Error);
    EXPECT_EQ(ReadFile(localTarget), QByteArray("arrived first"));

    EXPECT_TRUE(PartFiles(remote).isEmpty());
    EXPECT_TRUE(PartFiles(local.path()).isEmpty());
}

TEST_F(RemoteTest, ACancelledCopyLeavesNoPartFileEitherWay)
{
    MountServer();
    QTemporaryDir local;
    const QString source = RandomFile(local.filePath(QStringLiteral("big.bin")), kLarge);
    const QString remote = Server->Folder() + QStringLiteral("/cancelled");
    QDir().mkpath(remote);
    QFile::copy(source, remote + QStringLiteral("/there.bin"));

    platform::TRemoteCancel cancelUp;
    platform::TRemoteCopy up{source, Server->Uri(remote), QStringLiteral("big.bin"),
                             Midway([&] { cancelUp.Cancel(); })};
    platform::TRemoteResult result = OnWorker([&] { return Places().Copy(up, &cancelUp); });
    EXPECT_TRUE(result.Cancelled) << qPrintable(result.Error);
    EXPECT_FALSE(QFileInfo::exists(remote + QStringLiteral("/big.bin")));
    EXPECT_TRUE(PartFiles(remote).isEmpty()) << qPrintable(PartFiles(remote).join(' '));

    const QString back = local.filePath(QStringLiteral("back"));
    QDir().mkpath(back);
    platform::TRemoteCancel cancelDown;
    platform::TRemoteCopy down{Server->Uri(remote + QStringLiteral("/there.bin")), back,
                               QStringLiteral("there.bin"), Midway([&] { cancelDown.Cancel(); })};
    result = OnWorker([&] { return Places().Copy(down, &cancelDown); });
    EXPECT_TRUE(result.Cancelled) << qPrintable(result.Error);
    EXPECT_FALSE(QFileInfo::exists(back + QStringLiteral("/there.bin")));
    EXPECT_TRUE(PartFiles(back).isEmpty()) << qPrintable(PartFiles(back).join(' '));
}

TEST_F(RemoteTest, ASessionKilledMidCopyEndsInAnErrorWithNoFileUnderTheRealName)
{
    MountServer();
    QTemporaryDir local;
    const QString source = RandomFile(local.filePath(QStringLiteral("big.bin")), kLarge);
    const QString remote = Server->Folder() + QStringLiteral("/killed");
    QDir().mkpath(remote);
    QFile::copy(source, remote + QStringLiteral("/there.bin"));

    std::atomic<int> kills{0};
    const auto kill = [&] {
        Server->SignalSessions(SIGKILL);
        ++kills;
    };
    platform::TRemoteCopy up{source, Server->Uri(remote), QStringLiteral("big.bin"), Midway(kill)};
    platform::TRemoteResult result = OnWorker([&] { return Places().Copy(up, nullptr); });
    EXPECT_FALSE(result.Ok);
    EXPECT_FALSE(result.Cancelled);
    EXPECT_FALSE(result.Error.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(remote + QStringLiteral("/big.bin")));
    EXPECT_EQ(kills, 1);

    // GIO drops the mount whose connection died, and its backend ends; then it is mounted
    // anew.
    ASSERT_TRUE(WaitFor([&] { return Server->SftpBackends() == 0; }));
    MountServer();
    const QString back = local.filePath(QStringLiteral("back"));
    QDir().mkpath(back);
    platform::TRemoteCopy down{Server->Uri(remote + QStringLiteral("/there.bin")), back,
                               QStringLiteral("there.bin"), Midway(kill)};
    result = OnWorker([&] { return Places().Copy(down, nullptr); });
    EXPECT_FALSE(result.Ok);
    EXPECT_FALSE(result.Error.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(back + QStringLiteral("/there.bin")));
    EXPECT_TRUE(PartFiles(back).isEmpty()) << qPrintable(PartFiles(back).join(' '));
    EXPECT_EQ(kills, 2);
    ASSERT_TRUE(WaitFor([&] { return Server->SftpBackends() == 0; }));
}
