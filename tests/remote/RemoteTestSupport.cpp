#include "RemoteTestSupport.h"

TSftpServer* RemoteTest::Server = nullptr;

namespace
{

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new TServerEnvironment<TSftpServer>(RemoteTest::Server));

} // namespace

void RemoteTest::SetUp()
{
    if (!Server)
        GTEST_SKIP() << qPrintable(TSftpServer::Unavailable());
    ASSERT_TRUE(Server->Error().isEmpty()) << qPrintable(Server->Error());
}

::testing::AssertionResult AsksAboutTheHostKey(const QString& message, const QString& fingerprint)
{
    if (!message.contains(QLatin1String("127.0.0.1")))
        return ::testing::AssertionFailure()
               << "the question names no host: " << qPrintable(message);
    if (message.contains(fingerprint) || message.contains(QStringLiteral("\u201c???\u201d")))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "no fingerprint " << qPrintable(fingerprint) << " in " << qPrintable(message);
}

void RemoteTest::MountServer()
{
    TRecordingAsker asker;
    const platform::TRemoteResult result = Mount(Server->Uri(Server->Folder()), asker);
    ASSERT_TRUE(result.Ok) << qPrintable(result.Error);
    // Shown in a panel, as a mounted place is: this process then holds the window thread's
    // connection to the backend, whose closing tells GIO that a lost mount is gone.
    bool listed = false;
    QString error;
    const auto listing = Places().List(Server->Uri(Server->Folder()), {}, [&](const QString& why) {
        error = why;
        listed = true;
    });
    ASSERT_TRUE(WaitFor([&] { return listed; }));
    ASSERT_TRUE(error.isEmpty()) << qPrintable(error);
}

void RemoteTest::Unmount()
{
    bool ended = false;
    Places().Unmount(Server->RootUri() + QLatin1Char('/'),
                     [&](const platform::TRemoteResult&) { ended = true; });
    ASSERT_TRUE(WaitFor([&] { return ended; }));
    // Until its backend has ended, the mount daemon still counts the place as mounted.
    ASSERT_TRUE(WaitFor([&] { return Server->SftpBackends() == 0; }));
}
