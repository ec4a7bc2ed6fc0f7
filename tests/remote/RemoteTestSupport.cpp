#include "RemoteTestSupport.h"

#include "platform/remote/GioPlaces.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>
#include <atomic>
#include <thread>

TSftpServer* RemoteTest::Server = nullptr;

namespace
{

// One server and session for the whole executable, set up before any test: GIO joins the
// session bus named in the environment the first time any test touches it.
class TRemoteEnvironment final : public ::testing::Environment
{
public:
    void SetUp() override
    {
        if (!TSftpServer::Unavailable().isEmpty())
            return;
        RemoteTest::Server = new TSftpServer;
        RemoteTest::Server->Start();
    }
    void TearDown() override
    {
        delete RemoteTest::Server;
        RemoteTest::Server = nullptr;
    }
};

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new TRemoteEnvironment);

} // namespace

void RemoteTest::SetUp()
{
    if (!Server)
        GTEST_SKIP() << qPrintable(TSftpServer::Unavailable());
    ASSERT_TRUE(Server->Error().isEmpty()) << qPrintable(Server->Error());
}

platform::TRemotePlaces& RemoteTest::Places()
{
    return platform::gio::GioPlaces();
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

bool WaitFor(const std::function<bool()>& done)
{
    return QTest::qWaitFor(done, 120000);
}

platform::TRemoteResult RemoteTest::Mount(const QString& uri, platform::TMountAsker& asker)
{
    bool ended = false;
    platform::TRemoteResult result;
    Places().Mount(uri, asker, nullptr, [&](const platform::TRemoteResult& outcome) {
        result = outcome;
        ended = true;
    });
    EXPECT_TRUE(WaitFor([&] { return ended; })) << "the mount never ended";
    return result;
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

platform::TRemoteResult RemoteTest::OnWorker(const std::function<platform::TRemoteResult()>& work)
{
    std::atomic<bool> ended{false};
    platform::TRemoteResult result;
    std::thread worker([&] {
        result = work();
        ended = true;
    });
    const bool inTime = WaitFor([&] { return ended.load(); });
    worker.join();
    EXPECT_TRUE(inTime);
    return result;
}

QString RemoteTest::RandomFile(const QString& path, qint64 size)
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

QStringList RemoteTest::PartFiles(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral(".*.part")},
                                  QDir::Files | QDir::Hidden | QDir::System);
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
