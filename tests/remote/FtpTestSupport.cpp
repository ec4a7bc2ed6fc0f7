#include "FtpTestSupport.h"

#include "platform/remote/GioPlaces.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTest>
#include <atomic>
#include <thread>

TFtpServer* FtpTest::Server = nullptr;

namespace
{

// One server and session for the whole executable, set up before any test: GIO joins the
// session bus named in the environment the first time any test touches it.
class TFtpEnvironment final : public ::testing::Environment
{
public:
    void SetUp() override
    {
        if (!TFtpServer::Unavailable().isEmpty())
            return;
        FtpTest::Server = new TFtpServer;
        FtpTest::Server->Start();
    }
    void TearDown() override
    {
        delete FtpTest::Server;
        FtpTest::Server = nullptr;
    }
};

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new TFtpEnvironment);

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

platform::TRemotePlaces& FtpTest::Places()
{
    return platform::gio::GioPlaces();
}

bool WaitUntil(const std::function<bool()>& done)
{
    return QTest::qWaitFor(done, 120000);
}

platform::TRemoteResult FtpTest::Mount(const QString& uri, platform::TMountAsker& asker)
{
    bool ended = false;
    platform::TRemoteResult result;
    Places().Mount(uri, asker, nullptr, [&](const platform::TRemoteResult& outcome) {
        result = outcome;
        ended = true;
    });
    EXPECT_TRUE(WaitUntil([&] { return ended; })) << "the mount never ended";
    return result;
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
    ASSERT_TRUE(WaitUntil([&] { return ended; }));
}

platform::TRemoteResult FtpTest::OnWorker(const std::function<platform::TRemoteResult()>& work)
{
    std::atomic<bool> ended{false};
    platform::TRemoteResult result;
    std::thread worker([&] {
        result = work();
        ended = true;
    });
    const bool inTime = WaitUntil([&] { return ended.load(); });
    worker.join();
    EXPECT_TRUE(inTime);
    return result;
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
    EXPECT_TRUE(WaitUntil([&] { return ended; }));
    if (error)
        *error = why;
    else
        EXPECT_TRUE(why.isEmpty()) << qPrintable(why);
    names.sort();
    return names;
}

QString FtpTest::RandomFile(const QString& path, qint64 size)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (qint64 left = size; left > 0; left -= block.size()) {
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(block.data()),
                                              block.size() / 4);
        file.write(block.constData(), std::min<qint64>(left, block.size()));
    }
    return path;
}

QStringList FtpTest::PartFiles(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral(".*.part")},
                                  QDir::Files | QDir::Hidden | QDir::System);
}

QString FtpTest::ServedFolder(const QString& name)
{
    const QString folder = Server->Folder() + QLatin1Char('/') + name;
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    return folder;
}

QByteArray ReadLocal(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
