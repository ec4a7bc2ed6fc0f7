#include "fileops/ModalAnswer.h"
#include "fileops/uConfirm.h"
#include "fileops/uSimple.h"
#include "support/DesignFont.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <gtest/gtest.h>

namespace
{

class ConfirmDialog : public ::testing::Test
{
protected:
    void SetUp() override { fConfirm = &dialog; }
    void TearDown() override { fConfirm = nullptr; }
    AppFont font{DesignFont()};
    TfConfirm dialog;
};

TEST_F(ConfirmDialog, StartsWithItsCaptionSizeAndButtons)
{
    EXPECT_EQ(dialog.windowTitle(), "Confirmation");
    EXPECT_EQ(dialog.size(), QSize(360, 95));
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    EXPECT_EQ(dialog.ButtonAccept->text(), "Yes");
    EXPECT_EQ(dialog.ButtonCancel->text(), "No");
    EXPECT_TRUE(dialog.ButtonAccept->isDefault());
    EXPECT_EQ(dialog.ButtonAccept->geometry(), QRect(195, 65, 75, 25));
    EXPECT_EQ(dialog.ButtonCancel->geometry(), QRect(280, 65, 75, 25));
    EXPECT_EQ(dialog.PanelNotice->geometry(), QRect(0, 0, 360, 31));
    EXPECT_EQ(dialog.PanelConfirm->geometry(), QRect(0, 35, 360, 21));
    // With a font of 20 pixels every size grows by 20 / 11.
    QFont big = DesignFont();
    big.setPixelSize(20);
    const AppFont large(big);
    const TfConfirm scaled;
    EXPECT_EQ(scaled.size(), QSize(655, 173));
    EXPECT_EQ(scaled.ButtonCancel->geometry(), QRect(509, 118, 136, 46));
}

TEST_F(ConfirmDialog, QuestionIsAnsweredByButtonsAndKeys)
{
    QString seenNotice;
    AnswerNextModal([&seenNotice](QDialog* d) {
        seenNotice = static_cast<TfConfirm*>(d)->LabelNotice->text();
        PressKey(d, Qt::Key_Return);
    });
    EXPECT_TRUE(
        AskConfirmation("You have selected 3 files to be deleted.", "Do you want to proceed ?"));
    EXPECT_EQ(seenNotice, "You have selected 3 files to be deleted.");
    EXPECT_EQ(dialog.LabelConfirm->text(), "Do you want to proceed ?");

    AnswerNextModal([](QDialog* d) { PressKey(d, Qt::Key_Escape); });
    EXPECT_FALSE(AskConfirmation("n", "c"));
    AnswerNextModal([](QDialog* d) { static_cast<TfConfirm*>(d)->ButtonCancel->click(); });
    EXPECT_FALSE(AskConfirmation("n", "c"));
    AnswerNextModal([](QDialog* d) { static_cast<TfConfirm*>(d)->ButtonAccept->click(); });
    EXPECT_TRUE(AskConfirmation("n", "c"));
    AnswerNextModal([](QDialog* d) { d->close(); });
    EXPECT_FALSE(AskConfirmation("n", "c"));
}

TEST_F(ConfirmDialog, ModalResultsAreOneAndTwo)
{
    AnswerNextModal([](QDialog* d) { static_cast<TfConfirm*>(d)->ButtonAccept->click(); });
    EXPECT_EQ(dialog.exec(), 1);
    AnswerNextModal([](QDialog* d) { PressKey(d, Qt::Key_Escape); });
    EXPECT_EQ(dialog.exec(), 2);
}

TEST_F(ConfirmDialog, NoticeShowsCloseOnlyThenRestoresYesAndNo)
{
    bool acceptVisible = true;
    QString cancelText;
    AnswerNextModal([&](QDialog* d) {
        auto* c = static_cast<TfConfirm*>(d);
        acceptVisible = c->ButtonAccept->isVisible();
        cancelText = c->ButtonCancel->text();
        PressKey(d, Qt::Key_Return); // the only button answers Enter too
    });
    ShowNotice("You cannot rename files located in a zipped file.",
               "Perhaps in a future version...");
    EXPECT_FALSE(acceptVisible);
    EXPECT_EQ(cancelText, "Close");
    EXPECT_EQ(dialog.windowTitle(), "Confirmation");
    EXPECT_EQ(dialog.ButtonCancel->text(), "No");
    EXPECT_FALSE(dialog.ButtonAccept->isHidden());

    // The next question offers both answers again and Enter still means "Yes".
    bool bothVisible = false;
    AnswerNextModal([&](QDialog* d) {
        auto* c = static_cast<TfConfirm*>(d);
        bothVisible = c->ButtonAccept->isVisible() && c->ButtonCancel->isVisible();
        PressKey(d, Qt::Key_Return);
    });
    EXPECT_TRUE(
        AskConfirmation("The file a.txt has been modified.", "Do you want to save the changes ?"));
    EXPECT_TRUE(bothVisible);
}

namespace
{

// The rows of `image` within `area` where anything is drawn in `ink`.
QList<int> InkRows(const QImage& image, const QRect& area, const QColor& ink)
{
    QList<int> rows;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) == ink) {
                rows << y;
                break;
            }
    return rows;
}

} // namespace

TEST_F(ConfirmDialog, LongNamesWrapAndTheDialogGrowsUpToTheScreenWidth)
{
    // A 254-character name does not fit one line of the screen: it wraps.
    const QString notice =
        "You have selected the file " + QString(250, 'L') + ".txt to be deleted.";
    QImage band;
    QSize size;
    AnswerNextModal([&](QDialog* d) {
        size = d->size();
        band = dialog.PanelNotice->grab().toImage();
        d->done(2);
    });
    AskConfirmation(notice, "Do you want to proceed ?");
    const int screen = QGuiApplication::primaryScreen()->availableGeometry().width();
    EXPECT_GT(size.width(), 360);
    EXPECT_LE(size.width(), screen);
    // White text on the band on at least three lines: the name is all there.
    const QList<int> rows = InkRows(band, band.rect().adjusted(4, 2, -4, -2), Qt::white);
    ASSERT_FALSE(rows.isEmpty());
    const int lineHeight = QFontMetrics(dialog.LabelNotice->font()).lineSpacing();
    EXPECT_GE(rows.last() - rows.first(), 2 * lineHeight - 2);
    // A short question keeps the design size.
    AnswerNextModal([&](QDialog* d) {
        size = d->size();
        d->done(2);
    });
    AskConfirmation("You have selected 3 files to be deleted.", "Do you want to proceed ?");
    EXPECT_EQ(size, QSize(360, 95));
}

class SimpleDialog : public ::testing::Test
{
protected:
    void SetUp() override { fSimple = &dialog; }
    void TearDown() override { fSimple = nullptr; }
    AppFont font{DesignFont()};
    TfSimple dialog;
};

TEST_F(SimpleDialog, StartsWithItsCaptionSizeAndControls)
{
    EXPECT_EQ(dialog.windowTitle(), "Enter information");
    EXPECT_EQ(dialog.size(), QSize(360, 150));
    EXPECT_FALSE(dialog.Memo->isEnabled());
    EXPECT_EQ(dialog.Memo->toPlainText(), "Memo");
    EXPECT_EQ(dialog.Edit->geometry(), QRect(85, 90, 275, 21));
    EXPECT_EQ(dialog.ButtonAccept->text(), "Accept");
    EXPECT_EQ(dialog.ButtonCancel->text(), "Cancel");
    EXPECT_TRUE(dialog.ButtonAccept->isDefault());
}

TEST_F(SimpleDialog, EnterAcceptsTheEditedTextAsTyped)
{
    QString memo, caption;
    AnswerNextModal([&](QDialog* d) {
        auto* s = static_cast<TfSimple*>(d);
        memo = s->Memo->toPlainText();
        caption = s->LabelCaption->text();
        s->Edit->setText("  New name  ");
        PressKey(d, Qt::Key_Return);
    });
    QString value = "New directory";
    EXPECT_TRUE(
        AskInput("Enter the name for the directory to be created then press the [Accept] button.",
                 "Name :", value));
    EXPECT_EQ(value, "  New name  ");
    EXPECT_EQ(memo,
              "Enter the name for the directory to be created then press the [Accept] button.");
    EXPECT_EQ(caption, "Name :");
}

TEST_F(SimpleDialog, TypingReplacesTheSelectedProposal)
{
    AnswerNextModal([](QDialog* d) {
        QTest::keyClicks(d->focusWidget(), "*.bak");
        PressKey(d, Qt::Key_Enter);
    });
    QString value = "*.*";
    EXPECT_TRUE(AskInput("Enter the mask", "Mask :", value));
    EXPECT_EQ(value, "*.bak");
}

TEST_F(SimpleDialog, EscapeCancelsEvenAfterEditing)
{
    AnswerNextModal([](QDialog* d) {
        static_cast<TfSimple*>(d)->Edit->setText("changed");
        PressKey(d, Qt::Key_Escape);
    });
    QString value = "report.doc";
    EXPECT_FALSE(AskInput("Enter the new name", "Name :", value));
    EXPECT_EQ(value, "report.doc");

    AnswerNextModal([](QDialog* d) { static_cast<TfSimple*>(d)->ButtonCancel->click(); });
    EXPECT_FALSE(AskInput("i", "c", value));
    EXPECT_EQ(value, "report.doc");
}

TEST_F(SimpleDialog, AnEmptyFieldIsAcceptedAsEmptyText)
{
    AnswerNextModal([](QDialog* d) {
        static_cast<TfSimple*>(d)->Edit->clear();
        static_cast<TfSimple*>(d)->ButtonAccept->click();
    });
    QString value = "something";
    EXPECT_TRUE(AskInput("i", "Name :", value));
    EXPECT_TRUE(value.isEmpty());
}

TEST_F(SimpleDialog, EachUseReplacesThePreviousInstructions)
{
    AnswerNextModal([](QDialog* d) { PressKey(d, Qt::Key_Escape); });
    QString value;
    AskInput("first", "a", value);
    AnswerNextModal([](QDialog* d) { PressKey(d, Qt::Key_Escape); });
    AskInput("second", "b", value);
    EXPECT_EQ(dialog.Memo->toPlainText(), "second");
    EXPECT_EQ(dialog.LabelCaption->text(), "b");
}

} // namespace

TEST_F(SimpleDialog, LongInstructionsShowWholeWithoutScrolling)
{
    const QString name = QString(250, 'L') + ".txt";
    bool whole = false;
    int width = 0;
    AnswerNextModal([&](QDialog* d) {
        QApplication::processEvents(); // the memo lays its lines out
        whole = dialog.Memo->verticalScrollBar()->maximum() == 0;
        width = d->width();
        d->done(2);
    });
    QString value = name;
    AskInput("Enter the new name for the file " + name + " then press the [Accept] button.",
             "Name :", value);
    EXPECT_TRUE(whole);
    EXPECT_LE(width, QGuiApplication::primaryScreen()->availableGeometry().width());
}
