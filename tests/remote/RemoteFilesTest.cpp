// The single-file commands on a remote place: new folder, rename, query, free space, trash,
// delete.
#include "RemoteTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace
{

void Write(const QString& path, const QByteArray& data)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(data);
}

} // namespace

TEST_F(RemoteTest, FolderAndFileCommandsOnTheServer)
{
    MountServer();
    const QString folder = Server->Folder() + QStringLiteral("/commands");
    QDir().mkpath(folder);
    Write(folder + QStringLiteral("/a.txt"), "alpha");
    Write(folder + QStringLiteral("/b.txt"), "bravo");
    platform::TRemotePlaces& places = Places();
    const auto uri = [&](const QString& name) {
        return Server->Uri(folder + QLatin1Char('/') + name);
    };

    platform::TRemoteResult result =
        OnWorker([&] { return places.MakeFolder(Server->Uri(folder), "made", nullptr); });
    EXPECT_TRUE(result.Ok) << qPrintable(result.Error);
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/made")).isDir());

    result = OnWorker([&] { return places.Rename(uri("a.txt"), "b.txt", nullptr); });
    EXPECT_TRUE(result.Exists) << qPrintable(result.Error);
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/a.txt")), QByteArray("alpha"));
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/b.txt")), QByteArray("bravo"));
    result = OnWorker([&] { return places.Rename(uri("a.txt"), "c.txt", nullptr); });
    EXPECT_TRUE(result.Ok) << qPrintable(result.Error);
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/c.txt")), QByteArray("alpha"));
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/a.txt")));

    platform::TRemoteFileInfo info;
    OnWorker([&] {
        info = places.Query(uri("c.txt"), nullptr);
        return platform::TRemoteResult{};
    });
    EXPECT_TRUE(info.Found) << qPrintable(info.Error);
    EXPECT_EQ(info.Size, 5);
    EXPECT_EQ(info.Modified,
              QFileInfo(folder + QStringLiteral("/c.txt")).lastModified().toSecsSinceEpoch());
    platform::TRemoteSpace space;
    OnWorker([&] {
        space = places.FreeSpace(Server->Uri(folder), nullptr);
        return platform::TRemoteResult{};
    });
    EXPECT_TRUE(space.Known);
    EXPECT_GT(space.Free, 0);
    EXPECT_GE(space.Size, space.Free);

    // SFTP has no trash: said so, and the file stays.
    result = OnWorker([&] { return places.Trash(uri("c.txt"), nullptr); });
    EXPECT_TRUE(result.NotSupported) << qPrintable(result.Error);
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/c.txt")));
    result = OnWorker([&] { return places.Delete(uri("c.txt"), nullptr); });
    EXPECT_TRUE(result.Ok) << qPrintable(result.Error);
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/c.txt")));
}

TEST_F(RemoteTest, RenamingALocalFileNeverReplacesEither)
{
    QTemporaryDir local;
    Write(local.filePath(QStringLiteral("a")), "alpha");
    Write(local.filePath(QStringLiteral("b")), "bravo");
    const platform::TRemoteResult result = OnWorker(
        [&] { return Places().Rename(local.filePath(QStringLiteral("a")), "b", nullptr); });
    EXPECT_TRUE(result.Exists) << qPrintable(result.Error);
    EXPECT_EQ(ReadFile(local.filePath(QStringLiteral("b"))), QByteArray("bravo"));
    EXPECT_EQ(ReadFile(local.filePath(QStringLiteral("a"))), QByteArray("alpha"));
}

TEST_F(RemoteTest, AFolderReadWholeOnAWorkerHasEveryEntryOrSaysWhyNot)
{
    MountServer();
    const QString folder = Server->Folder() + QStringLiteral("/whole");
    QDir().mkpath(folder + QStringLiteral("/sub"));
    for (int i = 0; i < 2500; ++i) // more than one batch of the enumerator
        Write(folder + QStringLiteral("/f%1").arg(i), QByteArray(i % 7, 'x'));
    platform::TRemotePlaces& places = Places();

    platform::TRemoteFolder read;
    OnWorker([&] {
        read = places.ReadFolder(Server->Uri(folder), nullptr);
        return platform::TRemoteResult{};
    });
    EXPECT_TRUE(read.Error.isEmpty()) << qPrintable(read.Error);
    ASSERT_EQ(read.Entries.size(), 2501u);
    int folders = 0;
    for (const platform::TRemoteEntry& entry : read.Entries) {
        if (entry.Folder) {
            ++folders;
            EXPECT_EQ(entry.Name, QStringLiteral("sub"));
        } else {
            EXPECT_EQ(entry.Size, entry.Name.mid(1).toInt() % 7) << qPrintable(entry.Name);
        }
    }
    EXPECT_EQ(folders, 1);

    OnWorker([&] {
        read = places.ReadFolder(Server->Uri(folder + QStringLiteral("/gone")), nullptr);
        return platform::TRemoteResult{};
    });
    EXPECT_TRUE(read.Entries.empty());
    EXPECT_TRUE(read.Error.contains(QStringLiteral("gone"))) << qPrintable(read.Error);
    EXPECT_FALSE(read.Cancelled);

    platform::TRemoteCancel cancel;
    cancel.Cancel();
    OnWorker([&] {
        read = places.ReadFolder(Server->Uri(folder), &cancel);
        return platform::TRemoteResult{};
    });
    EXPECT_TRUE(read.Cancelled) << qPrintable(read.Error);
    EXPECT_TRUE(read.Entries.empty());
}
