// A place whose connection died: the layer mounts it again once and the call goes on.
#include "RemoteTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>

namespace
{

QStringList ListNames(platform::TRemotePlaces& places, const QString& uri, QString& error)
{
    QStringList names;
    bool ended = false;
    const auto listing = places.List(
        uri,
        [&](std::vector<platform::TRemoteEntry>&& entries) {
            for (const platform::TRemoteEntry& entry : entries)
                names << entry.Name;
        },
        [&](const QString& why) {
            error = why;
            ended = true;
        });
    EXPECT_TRUE(WaitFor([&] { return ended; }));
    names.sort();
    return names;
}

} // namespace

TEST_F(RemoteTest, AKilledSessionIsMountedAgainForTheNextCalls)
{
    MountServer();
    const QString folder = Server->Folder() + QStringLiteral("/again");
    QDir().mkpath(folder);
    QFile(folder + QStringLiteral("/one.txt")).open(QIODevice::WriteOnly);
    QString error;
    ASSERT_EQ(ListNames(Places(), Server->Uri(folder), error), QStringList{"one.txt"});
    ASSERT_TRUE(error.isEmpty()) << qPrintable(error);

    // Listed on the window's thread.
    Server->SignalSessions(SIGKILL);
    EXPECT_EQ(ListNames(Places(), Server->Uri(folder), error), QStringList{"one.txt"});
    EXPECT_TRUE(error.isEmpty()) << qPrintable(error);

    // Asked on a worker: the window's thread mounts again while the worker waits.
    Server->SignalSessions(SIGKILL);
    ASSERT_TRUE(WaitFor([&] { return Server->SftpBackends() == 0; }));
    platform::TRemoteFileInfo info;
    OnWorker([&] {
        info = Places().Query(Server->Uri(folder + QStringLiteral("/one.txt")), nullptr);
        return platform::TRemoteResult{};
    });
    EXPECT_TRUE(info.Found) << qPrintable(info.Error);

    // A copy to a place found dead starts once it is mounted again, through a part file.
    Server->SignalSessions(SIGKILL);
    ASSERT_TRUE(WaitFor([&] { return Server->SftpBackends() == 0; }));
    QTemporaryDir local;
    const QString source = RandomFile(local.filePath(QStringLiteral("two.bin")), 1 << 20);
    const platform::TRemoteCopy up{source, Server->Uri(folder), QStringLiteral("two.bin"), {}};
    const platform::TRemoteResult copied = OnWorker([&] { return Places().Copy(up, nullptr); });
    EXPECT_TRUE(copied.Ok) << qPrintable(copied.Error);
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/two.bin")), ReadFile(source));
    EXPECT_TRUE(PartFiles(folder).isEmpty());
}
