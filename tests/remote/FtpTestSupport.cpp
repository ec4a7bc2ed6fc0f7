#include "FtpTestSupport.h"

#include <QDir>

TFtpServer* FtpTest::Server = nullptr;

namespace
{

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new TServerEnvironment<TFtpServer>(FtpTest::Server));

} // namespace

platform::TLoginAnswer TLoginAsker::AskLogin(const platform::TLoginRequest& request)
{
    Logins.push_back(request);
    if (Logins.size() > Answers.size())
        return {};
    return Answers[Logins.size() - 1];
}

platform::TLoginAnswer TLoginAsker::Password(const QString& password)
{
    platform::TLoginAnswer answer;
    answer.Given = true;
    answer.User = TFtpServer::User();
    answer.Password = password;
    return answer;
}

platform::TLoginAnswer TLoginAsker::Anonymous()
{
    platform::TLoginAnswer answer;
    answer.Given = true;
    answer.Anonymous = true;
    return answer;
}

void FtpTest::SetUp()
{
    if (!Server)
        GTEST_SKIP() << qPrintable(TFtpServer::Unavailable());
    ASSERT_TRUE(Server->Error().isEmpty()) << qPrintable(Server->Error());
    // A test that stopped the server and failed before starting it again leaves it stopped.
    if (!Server->Running())
        ASSERT_TRUE(Server->Restart()) << qPrintable(Server->Error());
}

void FtpTest::MountUser()
{
    TLoginAsker asker;
    asker.Answers = {TLoginAsker::Password(TFtpServer::Password())};
    const platform::TRemoteResult result = Mount(Server->Uri(Server->Folder()), asker);
    ASSERT_TRUE(result.Ok) << qPrintable(result.Error);
}

void FtpTest::Unmount(const QString& uri)
{
    bool ended = false;
    Places().Unmount(uri, [&](const platform::TRemoteResult&) { ended = true; });
    ASSERT_TRUE(WaitFor([&] { return ended; }));
}

QStringList FtpTest::List(const QString& uri, QString* error)
{
    QStringList names;
    bool ended = false;
    QString why;
    const auto listing = Places().List(
        uri,
        [&](std::vector<platform::TRemoteEntry>&& entries) {
            for (const platform::TRemoteEntry& entry : entries)
                names << entry.Name;
        },
        [&](const QString& reason) {
            why = reason;
            ended = true;
        });
    EXPECT_TRUE(WaitFor([&] { return ended; }));
    if (error)
        *error = why;
    else
        EXPECT_TRUE(why.isEmpty()) << qPrintable(why);
    names.sort();
    return names;
}

QString FtpTest::ServedFolder(const QString& name)
{
    const QString folder = Server->Folder() + QLatin1Char('/') + name;
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    return folder;
}
