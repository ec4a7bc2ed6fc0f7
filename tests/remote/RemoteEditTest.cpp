// A remote file edited through a private copy, against the real SSH server: the copy is
// put back only while the file on the server is the one fetched, through a hidden name.
#include "remote/RemoteEdit.h"
#include "RemoteTestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace
{

void Write(const QString& path, const QByteArray& data)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(data);
}

// Gives the file a modification time `seconds` away from the one it has.
void Touch(const QString& path, int seconds)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QDateTime was = file.fileTime(QFileDevice::FileModificationTime);
    ASSERT_TRUE(file.setFileTime(was.addSecs(seconds), QFileDevice::FileModificationTime));
}

class RemoteEditTest : public RemoteTest
{
protected:
    void SetUp() override
    {
        RemoteTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        MountServer();
    }
    // A remote folder holding `name` with `data`, fetched into the private folder.
    remote::TFetchedFile Fetch(const QString& folderName, const QString& name,
                               const QByteArray& data)
    {
        folder = Server->Folder() + '/' + folderName;
        QDir().mkpath(folder);
        Write(folder + '/' + name, data);
        remote::TFetchedFile file{Server->Uri(folder), name, {}, {}};
        const platform::TRemoteResult fetched =
            OnWorker([&] { return remote::FetchCopy(Places(), file, copies.path(), {}, nullptr); });
        EXPECT_TRUE(fetched.Ok) << qPrintable(fetched.Error);
        EXPECT_EQ(ReadFile(file.Copy), data);
        return file;
    }
    platform::TRemoteResult PutBack(remote::TFetchedFile& file)
    {
        return OnWorker([&] { return remote::PutBack(Places(), file, nullptr); });
    }

    QTemporaryDir copies;
    QString folder;
};

TEST_F(RemoteEditTest, AnEditedCopyGoesBackWhileTheServerFileIsUnchanged)
{
    remote::TFetchedFile file =
        Fetch(QStringLiteral("edit ok"), QStringLiteral("notes.txt"), "one");
    Write(file.Copy, "one two");
    platform::TRemoteResult result = PutBack(file);
    ASSERT_TRUE(result.Ok) << qPrintable(result.Error);
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/notes.txt")), QByteArray("one two"));
    EXPECT_TRUE(PartFiles(folder).isEmpty()) << qPrintable(PartFiles(folder).join(' '));
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 1);

    // The next save checks against the file put back, not the one first fetched.
    Write(file.Copy, "one two three");
    result = PutBack(file);
    ASSERT_TRUE(result.Ok) << qPrintable(result.Error);
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/notes.txt")), QByteArray("one two three"));
}

TEST_F(RemoteEditTest, APutBackIsRefusedWhenTheServerFileChangedOrWent)
{
    remote::TFetchedFile file =
        Fetch(QStringLiteral("edit changed"), QStringLiteral("a.txt"), "aaaa");
    const QString remotePath = folder + QStringLiteral("/a.txt");
    Write(file.Copy, "edited");

    // Changed on the server with the same size: only its time tells.
    Write(remotePath, "bbbb");
    Touch(remotePath, 7);
    platform::TRemoteResult result = PutBack(file);
    EXPECT_FALSE(result.Ok);
    EXPECT_TRUE(result.Error.contains(QStringLiteral("changed on the server")))
        << qPrintable(result.Error);
    EXPECT_EQ(ReadFile(remotePath), QByteArray("bbbb"));

    // Changed in size, its time put back as it was fetched.
    Write(remotePath, "bbbbbbbb");
    QFile(remotePath)
        .setFileTime(QDateTime::fromSecsSinceEpoch(file.Fetched.Modified),
                     QFileDevice::FileModificationTime);
    result = PutBack(file);
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(ReadFile(remotePath), QByteArray("bbbbbbbb"));

    // Gone from the server: nothing is made in its place.
    QFile::remove(remotePath);
    result = PutBack(file);
    EXPECT_FALSE(result.Ok);
    EXPECT_TRUE(result.Error.contains(QStringLiteral("no longer on the server")))
        << qPrintable(result.Error);
    EXPECT_FALSE(QFileInfo::exists(remotePath));
    EXPECT_TRUE(QDir(folder).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_EQ(ReadFile(file.Copy), QByteArray("edited"));
}

TEST_F(RemoteEditTest, AKeptCopyNeverReplacesOne)
{
    QTemporaryDir kept;
    const QString edited = copies.filePath(QStringLiteral("k.txt"));
    Write(edited, "first");
    QString why;
    QString first, second;
    OnWorker([&] {
        first = remote::KeepCopy(Places(), edited, kept.path(), why);
        return platform::TRemoteResult{};
    });
    Write(edited, "second");
    OnWorker([&] {
        second = remote::KeepCopy(Places(), edited, kept.path(), why);
        return platform::TRemoteResult{};
    });
    EXPECT_EQ(first, kept.filePath(QStringLiteral("k.txt"))) << qPrintable(why);
    EXPECT_EQ(second, kept.filePath(QStringLiteral("k (2).txt"))) << qPrintable(why);
    EXPECT_EQ(ReadFile(first), QByteArray("first"));
    EXPECT_EQ(ReadFile(second), QByteArray("second"));
}

} // namespace
