// A remote file edited through a private copy, against the real SSH server: the copy is
// put back only while the file on the server is the one fetched, through a hidden name.
#include "remote/RemoteEdit.h"
#include "RemoteTestSupport.h"
#include "platform/FileOpsFaults.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <atomic>
#include <csignal>
#include <thread>

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

// Cancel while the server does not answer, after the edit went up under its hidden name:
// the put-back ends at once, the server's file stays as it was, and the hidden copy goes
// once the server answers again.
TEST_F(RemoteEditTest, ACancelWhileTheServerIsStoppedEndsAtOnceAndItsCopyGoesLater)
{
    remote::TFetchedFile file =
        Fetch(QStringLiteral("edit stopped"), QStringLiteral("s.txt"), "as fetched");
    Write(file.Copy, "edited");
    platform::TRemoteCancel cancel;
    std::atomic<bool> stopped{false};
    const platform::TFileOpsFaultHook before =
        platform::SetFileOpsFaultHook([&](platform::TFileOpsStep step, const QString&) {
            if (step == platform::TFileOpsStep::RemoteSaveWritten && !stopped.exchange(true)) {
                Server->SignalSessions(SIGSTOP);
                cancel.Cancel();
            }
            return 0;
        });
    std::atomic<bool> ended{false};
    platform::TRemoteResult result;
    std::thread worker([&] {
        result = remote::PutBack(Places(), file, &cancel);
        ended = true;
    });
    const bool endedWhileStopped = WaitFor([&] { return ended.load(); });
    Server->SignalSessions(SIGCONT);
    worker.join();
    platform::SetFileOpsFaultHook(before);

    EXPECT_TRUE(stopped);
    EXPECT_TRUE(endedWhileStopped) << "the put-back waited for the stopped server";
    EXPECT_FALSE(result.Ok);
    EXPECT_TRUE(result.Cancelled) << qPrintable(result.Error);
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/s.txt")), QByteArray("as fetched"));
    EXPECT_TRUE(WaitFor([&] {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden) ==
               QStringList{QStringLiteral("s.txt")};
    })) << qPrintable(QDir(folder).entryList(QDir::Files | QDir::Hidden).join(' '));
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
