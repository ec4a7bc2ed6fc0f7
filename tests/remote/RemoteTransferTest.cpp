// Copies and moves of files and folder trees to, from and between remote places: what a
// move deletes, what a taken name asks, and what stays.
#include "transfer/RemoteTransfer.h"
#include "RemoteTestSupport.h"
#include "transfer/RemoteTree.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>
#include <csignal>

namespace
{

using platform::TCollision;
using platform::TCollisionAnswer;
using platform::TCollisionChoice;
using platform::TRemoteTransferItem;

// Every file and folder under `root` by its relative path, with a file's bytes (a folder's
// path ends in "/").
QMap<QString, QByteArray> Tree(const QString& root)
{
    QMap<QString, QByteArray> tree;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        const QString rel = QDir(root).relativeFilePath(info.filePath());
        tree.insert(info.isDir() ? rel + '/' : rel,
                    info.isDir() ? QByteArray() : ReadFile(info.filePath()));
    }
    return tree;
}

void Write(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// The GIO places with a hook after each whole copy, to alter what arrived as a failing
// disk or link would.
class TAlteringPlaces final : public platform::TRemotePlaces
{
public:
    TAlteringPlaces(platform::TRemotePlaces& places, std::function<void(const QString&)> after)
        : m_places(places), m_after(std::move(after))
    {
    }
    void Mount(const QString& uri, platform::TMountAsker& asker,
               std::shared_ptr<platform::TRemoteCancel> cancel,
               platform::TRemoteMountEnd end) override
    {
        m_places.Mount(uri, asker, std::move(cancel), std::move(end));
    }
    void Unmount(const QString& uri, platform::TRemoteMountEnd end) override
    {
        m_places.Unmount(uri, std::move(end));
    }
    std::vector<platform::TRemoteMount> Mounts() override { return m_places.Mounts(); }
    void SetReconnectAsker(platform::TMountAsker* asker) override
    {
        m_places.SetReconnectAsker(asker);
    }
    void ForgetReconnectAsker(platform::TMountAsker* asker) override
    {
        m_places.ForgetReconnectAsker(asker);
    }
    std::unique_ptr<platform::TRemoteListing> List(const QString& uri, platform::TRemoteBatch batch,
                                                   platform::TRemoteEnd end) override
    {
        return m_places.List(uri, std::move(batch), std::move(end));
    }
    platform::TRemoteFileInfo Query(const QString& uri, platform::TRemoteCancel* cancel) override
    {
        return m_places.Query(uri, cancel);
    }
    platform::TRemoteSpace FreeSpace(const QString& uri, platform::TRemoteCancel* cancel) override
    {
        return m_places.FreeSpace(uri, cancel);
    }
    platform::TRemoteFolder ReadFolder(const QString& uri, platform::TRemoteCancel* cancel) override
    {
        return m_places.ReadFolder(uri, cancel);
    }
    platform::TRemoteResult Copy(const platform::TRemoteCopy& copy,
                                 platform::TRemoteCancel* cancel) override
    {
        platform::TRemoteCopy watched = copy;
        if (During)
            watched.Progress = [this, &copy](qint64 done, qint64 total) {
                During(copy.TargetName, done, total);
                if (copy.Progress)
                    copy.Progress(done, total);
            };
        const platform::TRemoteResult result = m_places.Copy(watched, cancel);
        if (result.Ok)
            m_after(copy.TargetName);
        return result;
    }
    platform::TRemoteResult Delete(const QString& uri, platform::TRemoteCancel* cancel) override
    {
        return m_places.Delete(uri, cancel);
    }
    platform::TRemoteResult Trash(const QString& uri, platform::TRemoteCancel* cancel) override
    {
        return m_places.Trash(uri, cancel);
    }
    platform::TRemoteResult MakeFolder(const QString& folderUri, const QString& name,
                                       platform::TRemoteCancel* cancel) override
    {
        return m_places.MakeFolder(folderUri, name, cancel);
    }
    platform::TRemoteResult Rename(const QString& uri, const QString& newName,
                                   platform::TRemoteCancel* cancel) override
    {
        return m_places.Rename(uri, newName, cancel);
    }
    platform::TRemoteResult Move(const QString& uri, const QString& folderUri, const QString& name,
                                 platform::TRemoteCancel* cancel) override
    {
        return m_places.Move(uri, folderUri, name, cancel);
    }
    platform::TRemoteResult Replace(const QString& uri, const QString& targetUri,
                                    platform::TRemoteCancel* cancel) override
    {
        return m_places.Replace(uri, targetUri, cancel);
    }
    platform::TRemoteResult ReadBlocks(const QString& uri, const platform::TRemoteBlock& block,
                                       platform::TRemoteCancel* cancel) override
    {
        return m_places.ReadBlocks(uri, block, cancel);
    }
    void DropPart(const QString& uri) override { m_places.DropPart(uri); }
    QString Child(const QString& folderUri, const QString& name) override
    {
        return m_places.Child(folderUri, name);
    }
    QByteArray Digest(const QString& uri, QString& error, platform::TRemoteCancel* cancel) override
    {
        return m_places.Digest(uri, error, cancel);
    }

    // Called with each copy's progress, by the name it takes.
    std::function<void(const QString& name, qint64 done, qint64 total)> During;

private:
    platform::TRemotePlaces& m_places;
    std::function<void(const QString&)> m_after;
};

class RemoteTransferTest : public RemoteTest
{
protected:
    // Runs a transfer of `items` from `source` to `target` on a worker; returns its errors.
    QStringList Transfer(platform::TRemotePlaces& places, const QString& source,
                         const QString& target, const std::vector<TRemoteTransferItem>& items,
                         bool move)
    {
        platform::TFileOpsProgress progress;
        platform::TRemoteCancel cancel;
        platform::TRemoteTransfer transfer(
            places, progress,
            [this](const TCollision& collision) {
                collisions.push_back(collision);
                return answer(collision);
            },
            cancel, move);
        OnWorker([&] {
            transfer.Run(source, target, items);
            return platform::TRemoteResult{true};
        });
        return transfer.Errors();
    }

    std::vector<TCollision> collisions;
    std::function<TCollisionAnswer(const TCollision&)> answer = [](const TCollision&) {
        return TCollisionAnswer{};
    };
};

TRemoteTransferItem FolderItem(const QString& name)
{
    return {name, true, 0, {}};
}
TRemoteTransferItem FileItem(const QString& name)
{
    return {name, false, 0, {}};
}

} // namespace

TEST_F(RemoteTransferTest, MovesAndCopiesFolderTreesBothWaysAndBetweenRemoteFolders)
{
    MountServer();
    QTemporaryDir local;
    const QString src = local.filePath(QStringLiteral("src"));
    RandomFile(src + QStringLiteral("/tree/a.bin"), (2 << 20) + 5);
    Write(src + QStringLiteral("/tree/sub folder/b.txt"), "bee");
    QDir().mkpath(src + QStringLiteral("/tree/empty"));
    Write(src + QStringLiteral("/top.txt"), "top");
    const QMap<QString, QByteArray> tree = Tree(src + QStringLiteral("/tree"));
    const QString up = Server->Folder() + QStringLiteral("/up");
    const QString other = Server->Folder() + QStringLiteral("/other");
    QDir().mkpath(up);
    QDir().mkpath(other);

    // Local to remote: everything arrives, and the originals are gone.
    QStringList errors = Transfer(Places(), src, Server->Uri(up),
                                  {FolderItem(QStringLiteral("tree")), FileItem("top.txt")}, true);
    EXPECT_TRUE(errors.isEmpty()) << qPrintable(errors.join('\n'));
    EXPECT_EQ(Tree(up + QStringLiteral("/tree")), tree);
    EXPECT_EQ(ReadFile(up + QStringLiteral("/top.txt")), QByteArray("top"));
    EXPECT_EQ(Tree(src), (QMap<QString, QByteArray>{}));

    // Between two remote folders.
    errors = Transfer(Places(), Server->Uri(up), Server->Uri(other),
                      {FolderItem(QStringLiteral("tree"))}, true);
    EXPECT_TRUE(errors.isEmpty()) << qPrintable(errors.join('\n'));
    EXPECT_EQ(Tree(other + QStringLiteral("/tree")), tree);
    EXPECT_FALSE(QFileInfo::exists(up + QStringLiteral("/tree")));

    // Remote to local, as a copy: both stay.
    errors =
        Transfer(Places(), Server->Uri(other), src, {FolderItem(QStringLiteral("tree"))}, false);
    EXPECT_TRUE(errors.isEmpty()) << qPrintable(errors.join('\n'));
    EXPECT_EQ(Tree(src + QStringLiteral("/tree")), tree);
    EXPECT_EQ(Tree(other + QStringLiteral("/tree")), tree);
    EXPECT_TRUE(collisions.empty());
    EXPECT_TRUE(PartFiles(other + QStringLiteral("/tree")).isEmpty());
    EXPECT_TRUE(PartFiles(src + QStringLiteral("/tree")).isEmpty());
}

TEST_F(RemoteTransferTest, AMoveDeletesOnlyOriginalsWhoseCopiesReadBackAsTheyWere)
{
    MountServer();
    QTemporaryDir local;
    const QString src = local.filePath(QStringLiteral("src"));
    Write(src + QStringLiteral("/tree/good.txt"), "good");
    const QString bad = RandomFile(src + QStringLiteral("/tree/bad.bin"), 1 << 20);
    const QByteArray badBytes = ReadFile(bad);
    Write(src + QStringLiteral("/tree/short.txt"), "short of bytes");
    Write(src + QStringLiteral("/tree/sub/more.txt"), "more");
    const QString target = Server->Folder() + QStringLiteral("/verified");
    QDir().mkpath(target);

    // One copy gets a byte changed after it arrived (same size), another loses its end.
    TAlteringPlaces altering(Places(), [&](const QString& name) {
        QFile file(target + QStringLiteral("/tree/") + name);
        if (name == QLatin1String("bad.bin")) {
            ASSERT_TRUE(file.open(QIODevice::ReadWrite));
            file.seek(1000);
            file.write(QByteArray(1, char(badBytes[1000] ^ 1)));
        } else if (name == QLatin1String("short.txt")) {
            ASSERT_TRUE(file.resize(5));
        }
    });
    const QStringList errors =
        Transfer(altering, src, Server->Uri(target), {FolderItem(QStringLiteral("tree"))}, true);
    ASSERT_EQ(errors.size(), 2) << qPrintable(errors.join('\n'));
    EXPECT_TRUE(errors[0].contains(QStringLiteral("bad.bin")) ^
                errors[1].contains(QStringLiteral("bad.bin")));
    // The originals of the unverified copies stay whole, and so does their folder; what
    // was verified went.
    EXPECT_EQ(Tree(src + QStringLiteral("/tree")),
              (QMap<QString, QByteArray>{{QStringLiteral("bad.bin"), badBytes},
                                         {QStringLiteral("short.txt"), "short of bytes"}}));
    EXPECT_EQ(ReadFile(target + QStringLiteral("/tree/good.txt")), QByteArray("good"));
    EXPECT_EQ(ReadFile(target + QStringLiteral("/tree/sub/more.txt")), QByteArray("more"));
}

TEST_F(RemoteTransferTest, TakenNamesAskAndNothingIsReplacedOrMovedIntoItself)
{
    MountServer();
    QTemporaryDir local;
    const QString src = local.filePath(QStringLiteral("src"));
    Write(src + QStringLiteral("/tree/x.txt"), "x");
    Write(src + QStringLiteral("/merge/same.txt"), "incoming");
    Write(src + QStringLiteral("/merge/new.txt"), "new");
    const QString target = Server->Folder() + QStringLiteral("/collisions");
    Write(target + QStringLiteral("/tree"), "a file where the folder goes");
    Write(target + QStringLiteral("/merge/same.txt"), "the user's own");

    // The folder meeting a file takes the suggested name; the file meeting a file is skipped.
    answer = [](const TCollision& collision) {
        if (collision.Incoming.Folder)
            return TCollisionAnswer{TCollisionChoice::Rename, collision.Suggested};
        return TCollisionAnswer{TCollisionChoice::Skip, {}};
    };
    QStringList errors =
        Transfer(Places(), src, Server->Uri(target),
                 {FolderItem(QStringLiteral("tree")), FolderItem(QStringLiteral("merge"))}, true);
    EXPECT_TRUE(errors.isEmpty()) << qPrintable(errors.join('\n'));
    ASSERT_EQ(collisions.size(), 2u);
    EXPECT_FALSE(collisions[0].CanReplace);
    EXPECT_FALSE(collisions[1].CanReplace);
    EXPECT_EQ(Tree(target),
              (QMap<QString, QByteArray>{{QStringLiteral("tree"), "a file where the folder goes"},
                                         {QStringLiteral("tree (2)/"), {}},
                                         {QStringLiteral("tree (2)/x.txt"), "x"},
                                         {QStringLiteral("merge/"), {}},
                                         {QStringLiteral("merge/same.txt"), "the user's own"},
                                         {QStringLiteral("merge/new.txt"), "new"}}));
    // The skipped file stays, and with it its folder.
    EXPECT_EQ(Tree(src),
              (QMap<QString, QByteArray>{{QStringLiteral("merge/"), {}},
                                         {QStringLiteral("merge/same.txt"), "incoming"}}));

    // A folder moved into a folder of its own says so and leaves everything where it was.
    const QMap<QString, QByteArray> before = Tree(target);
    errors = Transfer(Places(), Server->Uri(target), Server->Uri(target + QStringLiteral("/merge")),
                      {FolderItem(QStringLiteral("merge"))}, true);
    EXPECT_EQ(errors.size(), 1) << qPrintable(errors.join('\n'));
    EXPECT_EQ(Tree(target), before);
}

TEST_F(RemoteTransferTest, TreesAreMeasuredAndDeletedForGoodAndNoTrashSaysSo)
{
    MountServer();
    const QString folder = Server->Folder() + QStringLiteral("/deleting");
    Write(folder + QStringLiteral("/tree/a.txt"), "12345");
    Write(folder + QStringLiteral("/tree/deep/er/b.txt"), "123");
    QDir().mkpath(folder + QStringLiteral("/tree/empty"));
    Write(folder + QStringLiteral("/kept.txt"), "kept");
    Write(folder + QStringLiteral("/loose.txt"), "loose");
    // A link back to the folder above: a walk that followed it would never end, and a
    // delete that followed it would take kept.txt.
    ASSERT_TRUE(QFile::link(folder, folder + QStringLiteral("/tree/deep/link")));
    platform::TFileOpsProgress progress;
    platform::TRemoteCancel cancel;
    const QString uri = Server->Uri(folder);
    qint64 size = -2, linkSize = -2;
    bool canTrash = true;
    OnWorker([&] {
        size = platform::RemoteTreeSize(Places(), Places().Child(uri, QStringLiteral("tree")),
                                        progress, cancel);
        const platform::TRemoteFolder deep =
            Places().ReadFolder(Server->Uri(folder + QStringLiteral("/tree/deep")), nullptr);
        for (const platform::TRemoteEntry& entry : deep.Entries)
            if (entry.Symlink)
                linkSize = entry.Size;
        canTrash =
            Places().Query(Places().Child(uri, QStringLiteral("loose.txt")), nullptr).CanTrash;
        return platform::TRemoteResult{true};
    });
    // The link counts as the entry it is, never as the tree it points to.
    ASSERT_GE(linkSize, 0);
    EXPECT_EQ(size, 8 + linkSize);

    // SFTP has no trash: nothing goes, and the message says so.
    QStringList errors;
    const auto remove = [&](const std::vector<platform::TRemoteName>& items, bool toTrash) {
        OnWorker([&] {
            errors = platform::DeleteRemoteItems(Places(), uri, items, toTrash, progress, cancel);
            return platform::TRemoteResult{true};
        });
    };
    EXPECT_FALSE(canTrash);
    remove({{QStringLiteral("loose.txt"), false}}, true);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(QStringLiteral("no"))) << qPrintable(errors[0]);
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/loose.txt")));

    // For good: the whole tree goes, the link without what it points to.
    remove({{QStringLiteral("tree"), true}, {QStringLiteral("loose.txt"), false}}, false);
    EXPECT_TRUE(errors.isEmpty()) << qPrintable(errors.join('\n'));
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{QStringLiteral("kept.txt")});
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/kept.txt")), QByteArray("kept"));
}

TEST_F(RemoteTransferTest, ASessionKilledMidMoveEndsInOneMessageNamingWhatArrived)
{
    MountServer();
    QTemporaryDir local;
    Write(local.filePath(QStringLiteral("a.txt")), "arrives");
    RandomFile(local.filePath(QStringLiteral("b.bin")), 48 << 20);
    Write(local.filePath(QStringLiteral("c.txt")), "never starts");
    const QByteArray b = ReadFile(local.filePath(QStringLiteral("b.bin")));
    const QString target = Server->Folder() + QStringLiteral("/lost");
    QDir().mkpath(target);

    // Progress handed on after the kill may still show b.bin under way; a copy begun
    // again would show its count of bytes starting over.
    bool killed = false, begunAgain = false;
    qint64 lastDone = 0;
    TAlteringPlaces killing(Places(), [](const QString&) {});
    killing.During = [&](const QString& name, qint64 done, qint64 total) {
        if (name != QLatin1String("b.bin"))
            return;
        begunAgain = begunAgain || done < lastDone;
        lastDone = done;
        if (!killed && done > 0 && done < total) {
            killed = true;
            Server->SignalSessions(SIGKILL);
        }
    };
    const QStringList errors =
        Transfer(killing, local.path(), Server->Uri(target),
                 {FileItem(QStringLiteral("a.txt")), FileItem(QStringLiteral("b.bin")),
                  FileItem(QStringLiteral("c.txt"))},
                 true);
    ASSERT_EQ(errors.size(), 1) << qPrintable(errors.join('\n'));
    const QStringList lines = errors[0].split('\n');
    ASSERT_EQ(lines.size(), 4) << qPrintable(errors[0]);
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral(": a.txt"))) << qPrintable(lines[1]);
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral(": b.bin, c.txt"))) << qPrintable(lines[2]);
    // What arrived was moved; what did not stays whole where it was, and nothing partial
    // has a real name on the server (the part file the dead session could not remove
    // keeps its hidden name).
    QMap<QString, QByteArray> arrived = Tree(target);
    for (const QString& part : PartFiles(target))
        arrived.remove(part);
    EXPECT_EQ(arrived, (QMap<QString, QByteArray>{{QStringLiteral("a.txt"), "arrives"}}));
    EXPECT_EQ(Tree(local.path()),
              (QMap<QString, QByteArray>{{QStringLiteral("b.bin"), b},
                                         {QStringLiteral("c.txt"), "never starts"}}));
    EXPECT_TRUE(killed);
    EXPECT_FALSE(begunAgain);
    ASSERT_TRUE(WaitFor([&] { return Server->SftpBackends() == 0; }));
}
