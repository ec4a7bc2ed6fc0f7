#include "remote/RemoteAsker.h"

#include "remote/uRemoteLogin.h"
#include "remote/uRemoteQuestion.h"

platform::TLoginAnswer TRemoteAsker::AskLogin(const platform::TLoginRequest& request)
{
    return AskRemoteLogin(m_parent, request);
}

int TRemoteAsker::AskQuestion(const platform::TMountQuestion& question)
{
    return AskRemoteQuestion(m_parent, question);
}
