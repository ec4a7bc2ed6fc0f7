#include "fileops/ModalAnswer.h"
#include "remote/RemoteAsker.h"
#include "remote/uRemoteQuestion.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <gtest/gtest.h>

using platform::TMountQuestion;

namespace
{

TfRemoteQuestion* Question(QDialog* d)
{
    return static_cast<TfRemoteQuestion*>(d);
}

const QString kFingerprint = "SHA256:uNiVztksCsDhcc0u9e8BujQXVUpKZIDTMczCvj3tD2s";

TMountQuestion HostKey()
{
    return {"The identity of the remote computer (127.0.0.1) is unknown.\n"
            "The identity sent by the remote computer is\n" +
                kFingerprint + "\nAsk its administrator whether that is its key.",
            {"Log In Anyway", "Cancel Login", "R&D"}};
}

} // namespace

TEST(RemoteQuestion, ShowsTheMessageToSelectInFixedPitchAndOneButtonPerChoice)
{
    TfRemoteQuestion dialog(HostKey());
    dialog.show();
    EXPECT_EQ(dialog.Message->text(), HostKey().Message);
    EXPECT_TRUE(dialog.Message->textInteractionFlags() & Qt::TextSelectableByMouse);
    EXPECT_TRUE(dialog.Message->textInteractionFlags() & Qt::TextSelectableByKeyboard);
    // Every character as wide as every other, so fingerprints line up.
    const QFontMetrics metrics(dialog.Message->font());
    EXPECT_EQ(metrics.horizontalAdvance("iiii"), metrics.horizontalAdvance("WWWW"));
    // Each line on one row, the whole message in view.
    const int rows = int(HostKey().Message.count('\n')) + 1;
    EXPECT_LT(dialog.Message->heightForWidth(dialog.Message->width()),
              (rows + 1) * metrics.lineSpacing());
    EXPECT_GE(dialog.Message->height(), dialog.Message->heightForWidth(dialog.Message->width()));
    ASSERT_EQ(dialog.Buttons.size(), 3);
    EXPECT_EQ(dialog.Buttons[0]->text(), "Log In Anyway");
    EXPECT_EQ(dialog.Buttons[1]->text(), "Cancel Login");
    EXPECT_EQ(dialog.Buttons[2]->text(), "R&&D"); // shown as typed, no mnemonic
    for (QPushButton* b : dialog.Buttons)
        EXPECT_FALSE(b->isDefault());

    // A long line wraps at its blanks: the dialog stays within the screen.
    TfRemoteQuestion wide({QString("word ").repeated(200), {"OK"}});
    wide.show();
    EXPECT_LE(wide.frameGeometry().width(),
              QGuiApplication::primaryScreen()->availableGeometry().width());
}

TEST(RemoteQuestion, AnswersTheIndexOfTheButtonClickedOrChosenByKeys)
{
    AnswerNextModal([](QDialog* d) { QTest::mouseClick(Question(d)->Buttons[1], Qt::LeftButton); });
    EXPECT_EQ(AskRemoteQuestion(nullptr, HostKey()), 1);

    // Enter in the message takes no choice; Tab to the first button and Enter takes it.
    bool openAfterEnter = false;
    AnswerNextModal([&](QDialog* d) {
        EXPECT_EQ(d->focusWidget(), Question(d)->Message);
        PressKey(d, Qt::Key_Return);
        openAfterEnter = d->isVisible();
        PressKey(d, Qt::Key_Tab);
        EXPECT_EQ(d->focusWidget(), Question(d)->Buttons[0]);
        PressKey(d, Qt::Key_Return);
    });
    EXPECT_EQ(AskRemoteQuestion(nullptr, HostKey()), 0);
    EXPECT_TRUE(openAfterEnter);

    AnswerNextModal([](QDialog* d) { PressKey(d, Qt::Key_Escape); });
    EXPECT_EQ(AskRemoteQuestion(nullptr, HostKey()), -1);
    AnswerNextModal([](QDialog* d) { d->close(); });
    EXPECT_EQ(AskRemoteQuestion(nullptr, HostKey()), -1);
}

TEST(RemoteAsker, OpensTheQuestionModallyOverItsWindow)
{
    QWidget window;
    window.show();
    TRemoteAsker asker(&window);
    platform::TMountAsker& ask = asker;
    QWidget* over = nullptr;
    AnswerNextModal([&](QDialog* d) {
        over = d->parentWidget();
        QTest::mouseClick(Question(d)->Buttons[2], Qt::LeftButton);
    });
    EXPECT_EQ(ask.AskQuestion(HostKey()), 2);
    EXPECT_EQ(over, &window);
}
