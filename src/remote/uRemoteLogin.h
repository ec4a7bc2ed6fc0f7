#pragma once
// The login a remote server asks for: the server's own message, the fields the request
// needs (user name, domain, password; the others hidden), "Connect anonymously" when the
// server takes it (it disables the other fields), and how long the password is kept when
// it may be kept: "Forget password immediately" (the default), "Remember password until
// you log out", "Remember forever". "Connect" (Enter) answers; "Cancel", Escape or
// closing cancel. The password field never shows what is typed. User-interface thread
// only.

#include "platform/RemoteQuestions.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class TfRemoteLogin final : public QDialog
{
    Q_OBJECT
public:
    explicit TfRemoteLogin(const platform::TLoginRequest& request, QWidget* parent = nullptr);

    // What the fields say now (Given: whether the dialog was accepted).
    platform::TLoginAnswer Answer() const;

    // Controls, owned by the dialog.
    QLabel* LabelMessage{nullptr};
    QCheckBox* CheckAnonymous{nullptr};
    QLabel* LabelUser{nullptr};
    QLineEdit* EditUser{nullptr};
    QLabel* LabelDomain{nullptr};
    QLineEdit* EditDomain{nullptr};
    QLabel* LabelPassword{nullptr};
    QLineEdit* EditPassword{nullptr};
    QRadioButton* RadioForget{nullptr};
    QRadioButton* RadioSession{nullptr};
    QRadioButton* RadioAlways{nullptr};
    QPushButton* ButtonAccept{nullptr};
    QPushButton* ButtonCancel{nullptr};

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Update();

    platform::TLoginRequest m_request;
};

// Shows the dialog modally over `parent`; Given is false when the user cancelled.
platform::TLoginAnswer AskRemoteLogin(QWidget* parent, const platform::TLoginRequest& request);
