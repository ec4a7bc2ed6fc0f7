#pragma once
// What the fixtures of the remote tests share, whatever the server: one server and session
// for the whole executable, started before the first test, the GIO layer, and helpers to
// mount, wait, work on a worker thread and make and find files.

#include "platform/RemotePlaces.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <gtest/gtest.h>

// Starts `server` (a TSftpServer or TFtpServer) before the first test and stops it after
// the last; leaves it null where the set-up cannot run on this machine. GIO joins the
// session bus named in the environment the first time any test touches it.
template <typename TServer> class TServerEnvironment final : public ::testing::Environment
{
public:
    explicit TServerEnvironment(TServer*& server) : m_server(server) {}
    void SetUp() override
    {
        if (!TServer::Unavailable().isEmpty())
            return;
        m_server = new TServer;
        m_server->Start();
    }
    void TearDown() override
    {
        delete m_server;
        m_server = nullptr;
    }

private:
    TServer*& m_server;
};

class GioTest : public ::testing::Test
{
protected:
    platform::TRemoteResult Mount(const QString& uri, platform::TMountAsker& asker);
    // Runs `work` on a worker thread while this thread keeps its event loop turning.
    platform::TRemoteResult OnWorker(const std::function<platform::TRemoteResult()>& work);
    // A local file of `size` random bytes (its folder made).
    static QString RandomFile(const QString& path, qint64 size);
    // Names in `folder` that are part files (".NAME….part").
    static QStringList PartFiles(const QString& folder);

    static platform::TRemotePlaces& Places();
};

QByteArray ReadFile(const QString& path);
// Waits, turning the event loop, until `done` holds (at most two minutes).
bool WaitFor(const std::function<bool()>& done);
