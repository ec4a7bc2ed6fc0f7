// Mounting an SFTP server through GIO with the questions put to the asker.
#include "RemoteTestSupport.h"

#include <QDir>
#include <QScopeGuard>

namespace
{

class TCancellingAsker final : public platform::TMountAsker
{
public:
    platform::TLoginAnswer AskLogin(const platform::TLoginRequest&) override { return {}; }
    int AskQuestion(const platform::TMountQuestion&) override
    {
        ++Asked;
        return -1;
    }
    int Asked{0};
};

} // namespace

TEST_F(RemoteTest, MountAsksAboutANewHostKeyAndMountsOnlyOnce)
{
    Unmount();
    Server->ForgetHostKey();
    const int runsBefore = Server->SshRuns();
    TRecordingAsker asker;
    platform::TRemoteResult result = Mount(Server->Uri(Server->Folder()), asker);
    ASSERT_TRUE(result.Ok) << qPrintable(result.Error);
    ASSERT_EQ(asker.Questions.size(), 1u);
    EXPECT_TRUE(AsksAboutTheHostKey(asker.Questions[0].Message, Server->HostFingerprint()));
    EXPECT_GE(asker.Questions[0].Choices.size(), 2);
    // gvfsd-sftp found the test's ssh through the session's PATH.
    EXPECT_GT(Server->SshRuns(), runsBefore);

    // Mounted already: nothing is asked and no new connection is made.
    const int runsMounted = Server->SshRuns();
    TRecordingAsker again;
    result = Mount(Server->Uri(Server->Folder() + QStringLiteral("/below")), again);
    EXPECT_TRUE(result.Ok) << qPrintable(result.Error);
    EXPECT_TRUE(again.Questions.empty());
    EXPECT_EQ(Server->SshRuns(), runsMounted);

    bool listed = false;
    for (const platform::TRemoteMount& mount : Places().Mounts())
        listed = listed || (mount.RootUri.startsWith(Server->RootUri()) && !mount.Local &&
                            !mount.Name.isEmpty());
    EXPECT_TRUE(listed);
}

TEST_F(RemoteTest, AFailedMountSaysWhyInOneMessage)
{
    TRecordingAsker asker;
    const platform::TRemoteResult refused =
        Mount(QStringLiteral("sftp://nobody-here@127.0.0.1:%1/").arg(Server->Port()), asker);
    EXPECT_FALSE(refused.Ok);
    EXPECT_FALSE(refused.Cancelled);
    EXPECT_TRUE(refused.Error.startsWith(QStringLiteral("Cannot connect to ")))
        << qPrintable(refused.Error);
    EXPECT_FALSE(refused.Error.contains(QLatin1Char('\n'))) << qPrintable(refused.Error);

    // The question about the host key answered with Cancel.
    Unmount();
    Server->ForgetHostKey();
    TCancellingAsker cancelling;
    const platform::TRemoteResult cancelled = Mount(Server->Uri(Server->Folder()), cancelling);
    EXPECT_EQ(cancelling.Asked, 1);
    EXPECT_FALSE(cancelled.Ok);
    EXPECT_TRUE(cancelled.Cancelled) << qPrintable(cancelled.Error);
}

namespace
{

class TPassphraseAsker final : public platform::TMountAsker
{
public:
    platform::TLoginAnswer AskLogin(const platform::TLoginRequest& request) override
    {
        Logins.push_back(request);
        platform::TLoginAnswer answer;
        answer.Given = true;
        answer.Password = TSftpServer::Passphrase();
        return answer;
    }
    int AskQuestion(const platform::TMountQuestion&) override { return 0; }
    std::vector<platform::TLoginRequest> Logins;
};

} // namespace

TEST_F(RemoteTest, APassphraseIsAskedForThroughTheAskerAndItsCancelSaysSo)
{
    Unmount();
    Server->UseLockedKey(true);
    const auto unlock = qScopeGuard([] { Server->UseLockedKey(false); });

    TRecordingAsker declining;
    const platform::TRemoteResult declined = Mount(Server->Uri(Server->Folder()), declining);
    EXPECT_FALSE(declined.Ok);
    EXPECT_TRUE(declined.Cancelled) << qPrintable(declined.Error);
    EXPECT_EQ(declining.Logins.size(), 1u);

    TPassphraseAsker asker;
    const platform::TRemoteResult result = Mount(Server->Uri(Server->Folder()), asker);
    ASSERT_TRUE(result.Ok) << qPrintable(result.Error);
    ASSERT_EQ(asker.Logins.size(), 1u);
    EXPECT_TRUE(asker.Logins[0].NeedPassword);
    EXPECT_FALSE(asker.Logins[0].Message.isEmpty());
    Unmount();
}
