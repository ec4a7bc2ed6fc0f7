#include "fileops/ModalAnswer.h"
#include "remote/RemoteAsker.h"
#include "remote/uRemoteLogin.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

using platform::TLoginAnswer;
using platform::TLoginRequest;
using platform::TPasswordKeep;

namespace
{

// Clicks a check box or radio button where a user does: on its box.
void ClickBox(QAbstractButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton, {},
                      QPoint(button->height() / 2, button->height() / 2));
}

TfRemoteLogin* Login(QDialog* d)
{
    return static_cast<TfRemoteLogin*>(d);
}

TLoginRequest Request(bool user, bool domain, bool password, bool anonymous, bool keep)
{
    TLoginRequest r;
    r.Message = "Enter password for ftp on files.example.org";
    r.NeedUser = user;
    r.NeedDomain = domain;
    r.NeedPassword = password;
    r.AnonymousAllowed = anonymous;
    r.CanKeep = keep;
    return r;
}

} // namespace

TEST(RemoteLogin, ShowsOnlyTheFieldsTheServerAsksFor)
{
    struct TCase {
        TLoginRequest Request;
        bool User, Domain, Password, Anonymous, Keep;
    };
    const TCase cases[] = {
        {Request(false, false, true, false, false), false, false, true, false, false},
        {Request(true, false, true, false, true), true, false, true, false, true},
        {Request(true, true, true, false, false), true, true, true, false, false},
        {Request(true, false, true, true, true), true, false, true, true, true},
        {Request(false, false, false, true, true), false, false, false, true, false},
    };
    for (const TCase& c : cases) {
        TfRemoteLogin dialog(c.Request);
        dialog.show();
        EXPECT_EQ(dialog.LabelMessage->text(), c.Request.Message);
        EXPECT_EQ(dialog.EditUser->isVisible(), c.User);
        EXPECT_EQ(dialog.LabelUser->isVisible(), c.User);
        EXPECT_EQ(dialog.EditDomain->isVisible(), c.Domain);
        EXPECT_EQ(dialog.LabelDomain->isVisible(), c.Domain);
        EXPECT_EQ(dialog.EditPassword->isVisible(), c.Password);
        EXPECT_EQ(dialog.LabelPassword->isVisible(), c.Password);
        EXPECT_EQ(dialog.CheckAnonymous->isVisible(), c.Anonymous);
        for (QRadioButton* r : {dialog.RadioForget, dialog.RadioSession, dialog.RadioAlways})
            EXPECT_EQ(r->isVisible(), c.Keep);
        EXPECT_EQ(dialog.EditPassword->echoMode(), QLineEdit::Password);
        EXPECT_TRUE(dialog.RadioForget->isChecked());
        dialog.close();
    }
}

TEST(RemoteLogin, AnsweredByTypingAndClicking)
{
    TLoginRequest request = Request(true, true, true, false, true);
    request.DefaultDomain = "WORKGROUP";
    bool startsOnUser = false;
    AnswerNextModal([&](QDialog* d) {
        auto* l = Login(d);
        startsOnUser = d->focusWidget() == l->EditUser;
        QTest::keyClicks(d->focusWidget(), "anna");
        PressKey(d, Qt::Key_Tab); // to the domain, filled in already
        EXPECT_EQ(d->focusWidget(), l->EditDomain);
        PressKey(d, Qt::Key_Tab);
        QTest::keyClicks(d->focusWidget(), "pa ss");
        ClickBox(l->RadioSession);
        l->EditPassword->setFocus();
        PressKey(d, Qt::Key_Return);
    });
    const TLoginAnswer answer = AskRemoteLogin(nullptr, request);
    EXPECT_TRUE(startsOnUser);
    EXPECT_TRUE(answer.Given);
    EXPECT_FALSE(answer.Anonymous);
    EXPECT_EQ(answer.User, "anna");
    EXPECT_EQ(answer.Domain, "WORKGROUP");
    EXPECT_EQ(answer.Password, "pa ss");
    EXPECT_EQ(answer.Keep, TPasswordKeep::Session);

    // Only the password asked: the user comes from the request, focus starts on the password.
    request = Request(false, false, true, false, true);
    request.DefaultUser = "bob";
    AnswerNextModal([&](QDialog* d) {
        EXPECT_EQ(d->focusWidget(), Login(d)->EditPassword);
        QTest::keyClicks(d->focusWidget(), "pw");
        ClickBox(Login(d)->RadioAlways);
        QTest::mouseClick(Login(d)->ButtonAccept, Qt::LeftButton);
    });
    const TLoginAnswer kept = AskRemoteLogin(nullptr, request);
    EXPECT_EQ(kept.User, "bob");
    EXPECT_EQ(kept.Password, "pw");
    EXPECT_EQ(kept.Keep, TPasswordKeep::Always);
}

TEST(RemoteLogin, AUserNameAskedForMustBeGiven)
{
    bool emptyOk = true, typedOk = false;
    AnswerNextModal([&](QDialog* d) {
        emptyOk = Login(d)->ButtonAccept->isEnabled();
        PressKey(d, Qt::Key_Return); // nothing to connect with yet
        QTest::keyClicks(Login(d)->EditUser, "anna");
        typedOk = Login(d)->ButtonAccept->isEnabled();
        QTest::mouseClick(Login(d)->ButtonAccept, Qt::LeftButton);
    });
    const TLoginAnswer answer = AskRemoteLogin(nullptr, Request(true, false, true, false, false));
    EXPECT_FALSE(emptyOk);
    EXPECT_TRUE(typedOk);
    EXPECT_EQ(answer.User, "anna");
    // Without CanKeep the choices are hidden and the password is forgotten.
    EXPECT_EQ(answer.Keep, TPasswordKeep::Forget);
}

TEST(RemoteLogin, AnonymousDisablesTheNamedLoginAndSendsNoPassword)
{
    bool userOn = true, passwordOn = true, keepOn = true, ok = false;
    AnswerNextModal([&](QDialog* d) {
        auto* l = Login(d);
        QTest::keyClicks(l->EditPassword, "typed before");
        ClickBox(l->CheckAnonymous);
        userOn = l->EditUser->isEnabled();
        passwordOn = l->EditPassword->isEnabled();
        keepOn = l->RadioAlways->isEnabled();
        ok = l->ButtonAccept->isEnabled();
        QTest::mouseClick(l->ButtonAccept, Qt::LeftButton);
    });
    const TLoginAnswer answer = AskRemoteLogin(nullptr, Request(true, false, true, true, true));
    EXPECT_FALSE(userOn);
    EXPECT_FALSE(passwordOn);
    EXPECT_FALSE(keepOn);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(answer.Given);
    EXPECT_TRUE(answer.Anonymous);
    EXPECT_TRUE(answer.User.isEmpty());
    EXPECT_TRUE(answer.Password.isEmpty());
    EXPECT_EQ(answer.Keep, TPasswordKeep::Forget);
}

TEST(RemoteLogin, EscapeCancelButtonAndClosingCancelWithNothingGiven)
{
    const std::function<void(QDialog*)> ways[] = {
        [](QDialog* d) { PressKey(d, Qt::Key_Escape); },
        [](QDialog* d) { QTest::mouseClick(Login(d)->ButtonCancel, Qt::LeftButton); },
        [](QDialog* d) { d->close(); },
    };
    for (const auto& cancel : ways) {
        AnswerNextModal([&](QDialog* d) {
            QTest::keyClicks(Login(d)->EditUser, "anna");
            QTest::keyClicks(Login(d)->EditPassword, "secret");
            cancel(d);
        });
        const TLoginAnswer answer =
            AskRemoteLogin(nullptr, Request(true, false, true, false, true));
        EXPECT_FALSE(answer.Given);
        EXPECT_TRUE(answer.User.isEmpty());
        EXPECT_TRUE(answer.Password.isEmpty());
    }
}

TEST(RemoteAsker, OpensTheLoginModallyOverItsWindow)
{
    QWidget window;
    window.show();
    TRemoteAsker asker(&window);
    platform::TMountAsker& ask = asker;
    QWidget* over = nullptr;
    bool modal = false;
    AnswerNextModal([&](QDialog* d) {
        over = d->parentWidget();
        modal = d->isModal();
        QTest::keyClicks(d->focusWidget(), "pw");
        PressKey(d, Qt::Key_Return);
    });
    const TLoginAnswer answer = ask.AskLogin(Request(false, false, true, false, false));
    EXPECT_EQ(over, &window);
    EXPECT_TRUE(modal);
    EXPECT_TRUE(answer.Given);
    EXPECT_EQ(answer.Password, "pw");
}
