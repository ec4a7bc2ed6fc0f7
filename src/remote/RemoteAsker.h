#pragma once
// The window's answers to the questions of a mount: each question opens its dialog
// (TfRemoteLogin, TfRemoteQuestion) modally over the given window. User-interface thread
// only.

#include "platform/RemoteQuestions.h"

#include <QPointer>
#include <QWidget>

class TRemoteAsker final : public platform::TMountAsker
{
public:
    // `parent`: the window the dialogs open over (none: they open on their own).
    explicit TRemoteAsker(QWidget* parent) : m_parent(parent) {}

    platform::TLoginAnswer AskLogin(const platform::TLoginRequest& request) override;
    int AskQuestion(const platform::TMountQuestion& question) override;

private:
    QPointer<QWidget> m_parent;
};
