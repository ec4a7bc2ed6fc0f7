#include "GioTestSupport.h"

#include "platform/remote/GioPlaces.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTest>
#include <atomic>
#include <thread>

platform::TRemotePlaces& GioTest::Places()
{
    return platform::gio::GioPlaces();
}

bool WaitFor(const std::function<bool()>& done)
{
    return QTest::qWaitFor(done, 120000);
}

platform::TRemoteResult GioTest::Mount(const QString& uri, platform::TMountAsker& asker)
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

platform::TRemoteResult GioTest::OnWorker(const std::function<platform::TRemoteResult()>& work)
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

QString GioTest::RandomFile(const QString& path, qint64 size)
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

QStringList GioTest::PartFiles(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral(".*.part")},
                                  QDir::Files | QDir::Hidden | QDir::System);
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
