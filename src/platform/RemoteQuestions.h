#pragma once
// What mounting a remote place asks the user, and the answers, as plain data: the GIO side
// (GMountOperation's "ask-password" and "ask-question") fills the questions, the window's
// dialogs answer them through a TMountAsker. Nothing here calls GIO.

#include <QString>
#include <QStringList>

namespace platform
{

// How long a password given for a login is kept.
enum class TPasswordKeep { Forget, Session, Always };

// A login the server asks for: which fields it needs and what it offers.
struct TLoginRequest {
    QString Message; // the backend's own text ("Enter password for …")
    QString DefaultUser;
    QString DefaultDomain;
    bool NeedUser{false};
    bool NeedPassword{true};
    bool NeedDomain{false};
    bool AnonymousAllowed{false}; // the server takes an anonymous login
    bool CanKeep{false};          // the password may be kept (session or keyring)
};

struct TLoginAnswer {
    bool Given{false}; // false: the user cancelled
    bool Anonymous{false};
    QString User;
    QString Password;
    QString Domain;
    TPasswordKeep Keep{TPasswordKeep::Forget};
};

// A question with fixed choices, such as an unknown host key with its fingerprint.
struct TMountQuestion {
    QString Message;
    QStringList Choices; // in the backend's order; the answer is an index into them
};

// Answers the questions of a mount, on the window's thread. Either answer may open a
// modal dialog.
class TMountAsker
{
  public:
    virtual ~TMountAsker() = default;
    virtual TLoginAnswer AskLogin(const TLoginRequest& request) = 0;
    // The index of the choice taken, or -1 when the user cancelled.
    virtual int AskQuestion(const TMountQuestion& question) = 0;
};

} // namespace platform
