// FTP through GIO against a real FTP server on 127.0.0.1: the login through the asker,
// anonymous reading, a large folder, copies both ways, never replacing, the folder
// commands and Cancel.
#include "FtpTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <csignal>
#include <thread>

namespace
{

constexpr qint64 kSmall = 2 * 1024 * 1024 + 13;
constexpr qint64 kLarge = 64 * 1024 * 1024;

bool WriteLocal(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

TEST_F(FtpTest, TheLoginIsAskedThroughTheAskerAndAWrongPasswordIsRefusedInOneMessage)
{
    Unmount(Server->RootUri() + QLatin1Char('/'));
    TLoginAsker wrong;
    wrong.Answers = {TLoginAsker::Password(QStringLiteral("not it"))};
    const platform::TRemoteResult refused = Mount(Server->Uri(Server->Folder()), wrong);
    EXPECT_FALSE(refused.Ok);
    EXPECT_FALSE(refused.Cancelled) << qPrintable(refused.Error);
    EXPECT_TRUE(refused.Error.startsWith(QStringLiteral("Cannot connect to ")))
        << qPrintable(refused.Error);
    EXPECT_FALSE(refused.Error.contains(QLatin1Char('\n'))) << qPrintable(refused.Error);
    EXPECT_EQ(wrong.Logins.size(), 1u) << "asked again after a refused password";

    TLoginAsker right;
    right.Answers = {TLoginAsker::Password(TFtpServer::Password())};
    const platform::TRemoteResult result = Mount(Server->Uri(Server->Folder()), right);
    ASSERT_TRUE(result.Ok) << qPrintable(result.Error);
    ASSERT_EQ(right.Logins.size(), 1u);
    EXPECT_TRUE(right.Logins[0].NeedPassword);
    // Mounted already: nothing more is asked.
    TLoginAsker again;
    EXPECT_TRUE(Mount(Server->Uri(Server->Folder()), again).Ok);
    EXPECT_TRUE(again.Logins.empty());
}

TEST_F(FtpTest, AnAnonymousLoginReadsThePublicFolderAndCannotWriteThere)
{
    const QString file = RandomFile(Server->PublicFolder() + QStringLiteral("/notes.bin"), kSmall);
    TLoginAsker asker;
    asker.Answers = {TLoginAsker::Anonymous()};
    const platform::TRemoteResult result = Mount(Server->PublicUri(Server->PublicFolder()), asker);
    ASSERT_TRUE(result.Ok) << qPrintable(result.Error);
    ASSERT_EQ(asker.Logins.size(), 1u);
    EXPECT_TRUE(asker.Logins[0].AnonymousAllowed);
    EXPECT_TRUE(List(Server->PublicUri(Server->PublicFolder())).contains("notes.bin"));

    QTemporaryDir local;
    platform::TRemoteCopy down{
        Server->PublicUri(file), local.path(), QStringLiteral("notes.bin"), {}};
    const platform::TRemoteResult copied = OnWorker([&] { return Places().Copy(down, nullptr); });
    ASSERT_TRUE(copied.Ok) << qPrintable(copied.Error);
    EXPECT_EQ(ReadFile(local.filePath(QStringLiteral("notes.bin"))), ReadFile(file));

    platform::TRemoteCopy up{
        file, Server->PublicUri(Server->PublicFolder()), QStringLiteral("up.bin"), {}};
    const platform::TRemoteResult refused = OnWorker([&] { return Places().Copy(up, nullptr); });
    EXPECT_FALSE(refused.Ok);
    EXPECT_FALSE(refused.Error.isEmpty());
    EXPECT_EQ(QDir(Server->PublicFolder()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("notes.bin")});
}

TEST_F(FtpTest, AFolderOfTwoThousandEntriesIsListedWhole)
{
    MountUser();
    const QString folder = ServedFolder(QStringLiteral("many"));
    QStringList expected;
    for (int i = 0; i < 2000; ++i) {
        const QString name = QStringLiteral("entry %1.txt").arg(i, 4, 10, QLatin1Char('0'));
        ASSERT_TRUE(WriteLocal(folder + QLatin1Char('/') + name, name.toUtf8()));
        expected << name;
    }
    QDir().mkdir(folder + QStringLiteral("/a folder"));
    expected << QStringLiteral("a folder");
    expected.sort();
    EXPECT_EQ(List(Server->Uri(folder)), expected);
}

TEST_F(FtpTest, CopiesBothWaysByteForByteAndNeverReplaceATakenName)
{
    MountUser();
    QTemporaryDir local;
    const QString source = RandomFile(local.filePath(QStringLiteral("up.bin")), kSmall);
    const QString remote = ServedFolder(QStringLiteral("copies"));
    platform::TRemoteCopy up{source, Server->Uri(remote), QStringLiteral("up.bin"), {}};
    platform::TRemoteResult result = OnWorker([&] { return Places().Copy(up, nullptr); });
    ASSERT_TRUE(result.Ok) << qPrintable(result.Error);
    EXPECT_EQ(ReadFile(remote + QStringLiteral("/up.bin")), ReadFile(source));

    const QString back = local.filePath(QStringLiteral("back"));
    QDir().mkpath(back);
    platform::TRemoteCopy down{
        Server->Uri(remote + QStringLiteral("/up.bin")), back, QStringLiteral("down.bin"), {}};
    result = OnWorker([&] { return Places().Copy(down, nullptr); });
    ASSERT_TRUE(result.Ok) << qPrintable(result.Error);
    EXPECT_EQ(ReadFile(back + QStringLiteral("/down.bin")), ReadFile(source));

    // A taken name on the server is never replaced, by a copy or by a rename.
    ASSERT_TRUE(WriteLocal(remote + QStringLiteral("/taken.bin"), "the user's own file"));
    platform::TRemoteCopy onto{source, Server->Uri(remote), QStringLiteral("taken.bin"), {}};
    result = OnWorker([&] { return Places().Copy(onto, nullptr); });
    EXPECT_FALSE(result.Ok);
    EXPECT_TRUE(result.Exists) << qPrintable(result.Error);
    result = OnWorker([&] {
        return Places().Rename(Server->Uri(remote + QStringLiteral("/up.bin")),
                               QStringLiteral("taken.bin"), nullptr);
    });
    EXPECT_FALSE(result.Ok);
    EXPECT_TRUE(result.Exists) << qPrintable(result.Error);
    EXPECT_EQ(ReadFile(remote + QStringLiteral("/taken.bin")), QByteArray("the user's own file"));
    EXPECT_EQ(ReadFile(remote + QStringLiteral("/up.bin")), ReadFile(source));
    EXPECT_TRUE(PartFiles(remote).isEmpty()) << qPrintable(PartFiles(remote).join(' '));
    EXPECT_TRUE(PartFiles(back).isEmpty());
}

TEST_F(FtpTest, FoldersAreMadeRenamedAndDeleted)
{
    MountUser();
    const QString remote = ServedFolder(QStringLiteral("folders"));
    platform::TRemoteResult result =
        OnWorker([&] { return Places().MakeFolder(Server->Uri(remote), "new one", nullptr); });
    ASSERT_TRUE(result.Ok) << qPrintable(result.Error);
    EXPECT_TRUE(QFileInfo(remote + QStringLiteral("/new one")).isDir());
    result = OnWorker([&] { return Places().MakeFolder(Server->Uri(remote), "new one", nullptr); });
    EXPECT_FALSE(result.Ok);

    result = OnWorker([&] {
        return Places().Rename(Server->Uri(remote + QStringLiteral("/new one")),
                               QStringLiteral("renamed"), nullptr);
    });
    ASSERT_TRUE(result.Ok) << qPrintable(result.Error);
    EXPECT_TRUE(QFileInfo(remote + QStringLiteral("/renamed")).isDir());

    ASSERT_TRUE(WriteLocal(remote + QStringLiteral("/gone.txt"), "x"));
    for (const char* name : {"/gone.txt", "/renamed"}) {
        result = OnWorker(
            [&] { return Places().Delete(Server->Uri(remote + QLatin1String(name)), nullptr); });
        EXPECT_TRUE(result.Ok) << qPrintable(result.Error);
    }
    EXPECT_TRUE(QDir(remote).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

TEST_F(FtpTest, CancelOfALargeCopyLeavesNoPartFileEitherWay)
{
    MountUser();
    QTemporaryDir local;
    const QString remote = ServedFolder(QStringLiteral("cancel"));
    const QString source = RandomFile(local.filePath(QStringLiteral("large.bin")), kLarge);
    RandomFile(remote + QStringLiteral("/large.bin"), kLarge);
    const QString back = local.filePath(QStringLiteral("back"));
    QDir().mkpath(back);
    const platform::TRemoteCopy copies[] = {
        {source, Server->Uri(remote), QStringLiteral("up.bin"), {}},
        {Server->Uri(remote + QStringLiteral("/large.bin")), back, QStringLiteral("down.bin"), {}}};
    for (platform::TRemoteCopy copy : copies) {
        platform::TRemoteCancel cancel;
        std::atomic<bool> pressed{false};
        copy.Progress = [&](qint64 done, qint64 total) {
            if (done > 0 && done < total && !pressed.exchange(true))
                cancel.Cancel();
        };
        const platform::TRemoteResult result =
            OnWorker([&] { return Places().Copy(copy, &cancel); });
        EXPECT_FALSE(result.Ok);
        EXPECT_TRUE(result.Cancelled) << qPrintable(result.Error);
    }
    EXPECT_TRUE(PartFiles(remote).isEmpty()) << qPrintable(PartFiles(remote).join(' '));
    EXPECT_TRUE(PartFiles(back).isEmpty()) << qPrintable(PartFiles(back).join(' '));
    EXPECT_FALSE(QFile::exists(remote + QStringLiteral("/up.bin")));
    EXPECT_FALSE(QFile::exists(back + QStringLiteral("/down.bin")));
}

TEST_F(FtpTest, AServerGoneSaysSoInOneMessageAndIsMountedAgainWithThePasswordOnceBack)
{
    MountUser();
    const QString folder = ServedFolder(QStringLiteral("gone"));
    ASSERT_TRUE(WriteLocal(folder + QStringLiteral("/kept.txt"), "kept"));
    ASSERT_EQ(List(Server->Uri(folder)), QStringList{QStringLiteral("kept.txt")});
    TLoginAsker again;
    again.Answers = {TLoginAsker::Password(TFtpServer::Password())};
    Places().SetReconnectAsker(&again);
    struct TForget {
        platform::TRemotePlaces& Places;
        platform::TMountAsker* Asker;
        ~TForget() { Places.ForgetReconnectAsker(Asker); }
    } forget{Places(), &again};

    Server->Stop();
    QString error;
    EXPECT_TRUE(List(Server->Uri(folder), &error).isEmpty());
    // Mounting again was tried, and says why it failed.
    EXPECT_TRUE(error.startsWith(QStringLiteral("Cannot connect to "))) << qPrintable(error);
    EXPECT_FALSE(error.contains(QLatin1Char('\n'))) << qPrintable(error);
    platform::TRemoteFileInfo info;
    OnWorker([&] {
        info = Places().Query(Server->Uri(folder + QStringLiteral("/kept.txt")), nullptr);
        return platform::TRemoteResult{};
    });
    EXPECT_FALSE(info.Found);
    EXPECT_TRUE(info.Error.startsWith(QStringLiteral("Cannot connect to ")))
        << qPrintable(info.Error);

    ASSERT_TRUE(Server->Restart()) << qPrintable(Server->Error());
    EXPECT_EQ(List(Server->Uri(folder), &error), QStringList{QStringLiteral("kept.txt")});
    EXPECT_TRUE(error.isEmpty()) << qPrintable(error);
    // The dropped place was mounted anew, its password asked again through the asker.
    EXPECT_EQ(again.Logins.size(), 1u);
}

TEST_F(FtpTest, CancelEndsTheWaitForAPlaceBeingMountedAgain)
{
    MountUser();
    const QString folder = ServedFolder(QStringLiteral("stalled"));
    ASSERT_TRUE(WriteLocal(folder + QStringLiteral("/file.txt"), "x"));
    TLoginAsker again;
    again.Answers = {TLoginAsker::Password(TFtpServer::Password())};
    Places().SetReconnectAsker(&again);
    struct TResume {
        platform::TRemotePlaces& Places;
        platform::TMountAsker* Asker;
        ~TResume()
        {
            Server->Signal(SIGCONT);
            Places.ForgetReconnectAsker(Asker);
        }
    } resume{Places(), &again};
    // The place is gone from GIO (as when its backend died), and the server takes
    // connections but never answers: mounting again waits.
    Unmount(Server->RootUri() + QLatin1Char('/'));
    ASSERT_TRUE(WaitFor([] { return Server->Connections() == 0; }));
    Server->Signal(SIGSTOP);

    platform::TRemoteCancel cancel;
    std::atomic<bool> ended{false};
    platform::TRemoteFileInfo info;
    std::thread worker([&] {
        info = Places().Query(Server->Uri(folder + QStringLiteral("/file.txt")), &cancel);
        ended = true;
    });
    const bool connecting = WaitFor([] { return Server->Connections() > 0; });
    cancel.Cancel();
    // Within a few seconds, however long the server would keep the mount waiting.
    const bool inTime = QTest::qWaitFor([&] { return ended.load(); }, 5000);
    Server->Signal(SIGCONT);
    EXPECT_TRUE(WaitFor([&] { return ended.load(); }));
    worker.join();
    EXPECT_TRUE(connecting);
    EXPECT_TRUE(inTime);
    EXPECT_FALSE(info.Found);
    // The server, answering again, asks for the password of the abandoned mount: the
    // question goes to the asker set at that moment, none, so it is declined and the
    // connection closed; never to an asker forgotten meanwhile.
    Places().ForgetReconnectAsker(&again);
    EXPECT_TRUE(WaitFor([] { return Server->Connections() == 0; }));
    EXPECT_TRUE(again.Logins.empty());
}

TEST_F(FtpTest, ACancelledMountAsksNothingWhenTheServerAnswersLate)
{
    Unmount(Server->RootUri() + QLatin1Char('/'));
    ASSERT_TRUE(WaitFor([] { return Server->Connections() == 0; }));
    Server->Signal(SIGSTOP);
    struct TResume {
        ~TResume() { Server->Signal(SIGCONT); }
    } resume;
    TLoginAsker asker;
    asker.Answers = {TLoginAsker::Password(TFtpServer::Password())};
    auto cancel = std::make_shared<platform::TRemoteCancel>();
    bool ended = false;
    Places().Mount(Server->Uri(Server->Folder()), asker, cancel,
                   [&](const platform::TRemoteResult&) { ended = true; });
    ASSERT_TRUE(WaitFor([] { return Server->Connections() > 0; }));
    cancel->Cancel();
    Server->Signal(SIGCONT);
    // The server's greeting comes after the Cancel: its login question is declined, not put
    // to an asker its caller may have dropped, and the connection is closed.
    EXPECT_TRUE(WaitFor([&] { return ended && Server->Connections() == 0; }));
    EXPECT_TRUE(asker.Logins.empty());
}
