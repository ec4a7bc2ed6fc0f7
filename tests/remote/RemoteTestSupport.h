#pragma once
// The fixture of the remote tests: one SSH server and D-Bus session for the whole
// executable, started before the first test, the GIO layer, and helpers to mount, wait and copy on
// a worker thread.

#include "GioTestSupport.h"
#include "support/SftpServer.h"

// Answers every question with its first choice and records what was asked.
class TRecordingAsker final : public platform::TMountAsker
{
public:
    platform::TLoginAnswer AskLogin(const platform::TLoginRequest& request) override
    {
        Logins.push_back(request);
        return {};
    }
    int AskQuestion(const platform::TMountQuestion& question) override
    {
        Questions.push_back(question);
        return 0;
    }
    std::vector<platform::TLoginRequest> Logins;
    std::vector<platform::TMountQuestion> Questions;
};

class RemoteTest : public GioTest
{
public:
    static TSftpServer* Server; // set up once for the executable (RemoteTestSupport.cpp)

protected:
    void SetUp() override;

    // Mounts the server (answering the host key question when asked); fails the test if
    // it cannot.
    void MountServer();
    void Unmount();
};

// The host-key question `message` names the test server and its key's fingerprint. gvfsd-sftp
// reads the fingerprint from ssh's prompt and, when that text reaches it in pieces, shows
// "???" in its place: then only the host is checked.
::testing::AssertionResult AsksAboutTheHostKey(const QString& message, const QString& fingerprint);
