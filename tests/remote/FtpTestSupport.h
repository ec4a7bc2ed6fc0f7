#pragma once
// The fixture of the FTP tests: one FTP server and D-Bus session for the whole executable,
// started before the first test, the GIO layer, and helpers to mount and to work on a
// worker thread.

#include "GioTestSupport.h"
#include "support/FtpServer.h"

// Answers each login with the next of its answers (cancels when they run out) and records
// what was asked.
class TLoginAsker final : public platform::TMountAsker
{
public:
    platform::TLoginAnswer AskLogin(const platform::TLoginRequest& request) override;
    int AskQuestion(const platform::TMountQuestion&) override { return 0; }
    static platform::TLoginAnswer Password(const QString& password);
    static platform::TLoginAnswer Anonymous();

    std::vector<platform::TLoginAnswer> Answers;
    std::vector<platform::TLoginRequest> Logins;
};

class FtpTest : public GioTest
{
public:
    static TFtpServer* Server; // set up once for the executable (FtpTestSupport.cpp)

protected:
    void SetUp() override;

    // Mounts the user's place with the right password.
    void MountUser();
    void Unmount(const QString& uri);
    // Reads the folder `uri` as a panel does; the error is empty when it was read whole.
    QStringList List(const QString& uri, QString* error = nullptr);
    // A folder `name` under the user's folder, made afresh.
    static QString ServedFolder(const QString& name);
};
