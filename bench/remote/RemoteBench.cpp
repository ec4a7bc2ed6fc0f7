// Remote places through GIO on a local SFTP server: listing 10,000 entries against
// `gio list`, and copying 1 GiB to and from the server against `gio copy` (and scp), in
// the same run; then listing 10,000 entries of a local FTP server against `gio list`. The server is
// on 127.0.0.1, so the figures measure the layers, not a network.
#include "platform/remote/GioPlaces.h"
#include "support/Bench.h"
#include "support/FtpServer.h"
#include "support/SftpServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstdio>

namespace
{

constexpr int kEntries = 10000;
constexpr qint64 kCopyBytes = 1024LL * 1024 * 1024;
constexpr int kRepeats = 3;

// Takes the host key and, when asked, logs in with `password`.
class TAcceptingAsker final : public platform::TMountAsker
{
public:
    explicit TAcceptingAsker(QString password = {}) : m_password(std::move(password)) {}
    platform::TLoginAnswer AskLogin(const platform::TLoginRequest&) override
    {
        platform::TLoginAnswer answer;
        answer.Given = !m_password.isEmpty();
        answer.User = TFtpServer::User();
        answer.Password = m_password;
        return answer;
    }
    int AskQuestion(const platform::TMountQuestion&) override { return 0; }

private:
    QString m_password;
};

bool Mount(const QString& uri, const QString& password = {})
{
    TAcceptingAsker asker(password);
    QEventLoop loop;
    bool ok = false;
    platform::gio::GioPlaces().Mount(uri, asker, nullptr,
                                     [&](const platform::TRemoteResult& result) {
                                         ok = result.Ok;
                                         if (!ok)
                                             std::fprintf(stderr, "%s\n", qPrintable(result.Error));
                                         loop.quit();
                                     });
    loop.exec();
    return ok;
}

int ListOnce(const QString& uri)
{
    QEventLoop loop;
    int count = 0;
    const auto listing = platform::gio::GioPlaces().List(
        uri, [&](std::vector<platform::TRemoteEntry>&& entries) { count += int(entries.size()); },
        [&](const QString&) { loop.quit(); });
    loop.exec();
    return count;
}

void WriteRandom(const QString& path, qint64 size)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (qint64 done = 0; done < size; done += block.size()) {
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(block.data()),
                                              block.size() / 4);
        file.write(block);
    }
}

double CopySeconds(const QString& source, const QString& folder, const QString& target,
                   platform::TRemoteProgress progress = {})
{
    return bench::BestSeconds(kRepeats, [&] {
        QFile::remove(target);
        const platform::TRemoteResult result = platform::gio::GioPlaces().Copy(
            {source, folder, QStringLiteral("copy.bin"), progress}, nullptr);
        if (!result.Ok)
            std::fprintf(stderr, "%s\n", qPrintable(result.Error));
    });
}

double CommandSeconds(const QString& command, const QString& removeBefore)
{
    return bench::BestCommandSeconds(
        kRepeats, QStringLiteral("rm -f '%1'; %2 >/dev/null").arg(removeBefore, command));
}

QString FillFolder(const QString& folder)
{
    QDir().mkpath(folder);
    for (int i = 0; i < kEntries; ++i)
        QFile(QStringLiteral("%1/file-%2.txt").arg(folder).arg(i, 5, 10, QLatin1Char('0')))
            .open(QIODevice::WriteOnly);
    return folder;
}

// An FTP server in the session the SFTP server set up (GIO joins one session per process,
// and `gio list` must see the same mount).
void ListFtp()
{
    const QString unavailable = TFtpServer::Unavailable();
    if (!unavailable.isEmpty()) {
        std::printf("remote: FTP skipped, %s\n", qPrintable(unavailable));
        return;
    }
    TFtpServer server;
    if (!server.Start(false) || !Mount(server.Uri(server.Folder()), TFtpServer::Password())) {
        std::fprintf(stderr, "remote: the FTP server did not start: %s\n",
                     qPrintable(server.Error()));
        return;
    }
    const QString many = FillFolder(server.Folder() + QStringLiteral("/many"));
    int listed = 0;
    const double list = bench::BestSeconds(kRepeats, [&] { listed = ListOnce(server.Uri(many)); });
    const double gioList = bench::BestCommandSeconds(
        kRepeats, QStringLiteral("gio list '%1' >/dev/null").arg(server.Uri(many)));
    if (listed != kEntries)
        std::fprintf(stderr, "remote: listed %d of %d FTP entries\n", listed, kEntries);
    bench::Report(QStringLiteral("list 10,000-entry FTP folder"), list, gioList,
                  QStringLiteral("gio list"));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString unavailable = TSftpServer::Unavailable();
    if (!unavailable.isEmpty()) {
        std::printf("remote: skipped, %s\n", qPrintable(unavailable));
        return 0;
    }
    TSftpServer server;
    if (!server.Start() || !Mount(server.Uri(server.Folder()))) {
        std::fprintf(stderr, "remote: the SFTP server did not start: %s\n",
                     qPrintable(server.Error()));
        return 1;
    }
    const QString many = FillFolder(server.Folder() + QStringLiteral("/many"));
    int listed = 0;
    const double list = bench::BestSeconds(kRepeats, [&] { listed = ListOnce(server.Uri(many)); });
    const double gioList = bench::BestCommandSeconds(
        kRepeats, QStringLiteral("gio list '%1' >/dev/null").arg(server.Uri(many)));
    if (listed != kEntries)
        std::fprintf(stderr, "remote: listed %d of %d entries\n", listed, kEntries);
    bench::Report(QStringLiteral("list 10,000-entry SFTP folder"), list, gioList,
                  QStringLiteral("gio list"));

    QTemporaryDir local;
    const QString source = local.filePath(QStringLiteral("source.bin"));
    WriteRandom(source, kCopyBytes);
    const QString served = server.Folder() + QStringLiteral("/copies");
    QDir().mkpath(served);
    const QString remoteCopy = served + QStringLiteral("/copy.bin");
    const QString localCopy = local.filePath(QStringLiteral("copy.bin"));
    const QString remoteSource = served + QStringLiteral("/source.bin");
    QFile::copy(source, remoteSource);
    const QString scp =
        QStringLiteral("scp -q -F '%1' -P %2 ").arg(server.SshConfig()).arg(server.Port());
    const QString host = QStringLiteral("%1@127.0.0.1:").arg(server.User());

    const double toServer = CopySeconds(source, server.Uri(served), remoteCopy);
    const double gioUp = CommandSeconds(
        QStringLiteral("gio copy '%1' '%2'").arg(source, server.Uri(remoteCopy)), remoteCopy);
    const double scpUp = CommandSeconds(
        scp + QStringLiteral("'%1' '%2%3'").arg(source, host, remoteCopy), remoteCopy);
    bench::Report(QStringLiteral("copy 1 GiB to SFTP"), toServer, gioUp,
                  QStringLiteral("gio copy"));
    bench::Figure(QStringLiteral("copy 1 GiB to SFTP, scp"), scpUp, QStringLiteral("s"));
    // As the file-work worker copies: with a progress receiver.
    const double withProgress =
        CopySeconds(source, server.Uri(served), remoteCopy, [](qint64, qint64) {});
    bench::Report(QStringLiteral("copy 1 GiB to SFTP with progress"), withProgress, gioUp,
                  QStringLiteral("gio copy"));

    const double fromServer = CopySeconds(server.Uri(remoteSource), local.path(), localCopy);
    const double gioDown = CommandSeconds(
        QStringLiteral("gio copy '%1' '%2'").arg(server.Uri(remoteSource), localCopy), localCopy);
    const double scpDown = CommandSeconds(
        scp + QStringLiteral("'%1%2' '%3'").arg(host, remoteSource, localCopy), localCopy);
    bench::Report(QStringLiteral("copy 1 GiB from SFTP"), fromServer, gioDown,
                  QStringLiteral("gio copy"));
    bench::Figure(QStringLiteral("copy 1 GiB from SFTP, scp"), scpDown, QStringLiteral("s"));
    ListFtp();
    return 0;
}
