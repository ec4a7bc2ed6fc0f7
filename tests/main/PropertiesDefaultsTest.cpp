// The properties dialog's "Defaults": the shipped extension categories come back into the
// text, other sections and keys stay, and nothing is written before "Accept".
#include "fileops/ModalAnswer.h"
#include "main/Extensions.h"
#include "main/ShippedCategories.h"
#include "main/uProperties.h"
#include "platform/Messages.h"
#include "support/DesignFont.h"
#include "support/TempDir.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace
{

class PropertiesDefaults : public ::testing::Test
{
protected:
    void SetUp() override
    {
        path = dir.write("Trovel.ini", "");
        dialog.ConfigPath = path;
        dialog.UseRecycleBin = &useRecycleBin;
        dialog.OnReadConfiguration = [this] { categories.Read(path); };
        categories.Read(path);
        previous = platform::SetMessageHandler([this](const QString& t) { messages << t; });
    }
    void TearDown() override { platform::SetMessageHandler(previous); }

    int Open(const std::function<void(TfProperties&)>& act)
    {
        AnswerNextModal([this, act](QDialog*) { act(dialog); });
        return dialog.exec();
    }

    TempDir dir;
    QString path;
    AppFont font{DesignFont()};
    TfProperties dialog;
    bool useRecycleBin = false;
    TExtensionCategories categories;
    QStringList messages;
    platform::TMessageHandler previous;
};

} // namespace

TEST_F(PropertiesDefaults, AnEmptyFileGetsTheShippedCategoriesOnlyOnAccept)
{
    ASSERT_EQ(categories.Count(TExtensionCategory::Text), 0);
    // The shipped file is the one in the source tree, built into the program.
    const QString shipped =
        QString::fromUtf8(readAll(QT_TESTCASE_SOURCEDIR "/../../config/Trovel.ini"));
    ASSERT_FALSE(shipped.isEmpty());
    EXPECT_EQ(ShippedConfiguration(), shipped);

    // Defaults, then Cancel: the file stays empty.
    QString shown;
    Open([&shown](TfProperties& d) {
        QTest::mouseClick(d.ButtonDefaults, Qt::LeftButton);
        shown = d.Memo->toPlainText();
        QTest::mouseClick(d.ButtonCancel, Qt::LeftButton);
    });
    EXPECT_EQ(shown + "\n", shipped);
    EXPECT_EQ(readAll(path), "");
    EXPECT_EQ(categories.Count(TExtensionCategory::Text), 0);

    // Defaults, then Accept: written and read at once.
    const int result = Open([](TfProperties& d) {
        QTest::mouseClick(d.ButtonDefaults, Qt::LeftButton);
        QTest::mouseClick(d.ButtonAccept, Qt::LeftButton);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(QString::fromUtf8(readAll(path)), shipped);
    EXPECT_TRUE(categories.Matches(TExtensionCategory::Text, ".TXT"));
    EXPECT_TRUE(categories.Matches(TExtensionCategory::Image, ".PNG"));
    EXPECT_TRUE(categories.Matches(TExtensionCategory::HTML, ".HTML"));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(PropertiesDefaults, OtherSectionsAndKeysStayAndUndoTakesTheDefaultsBack)
{
    const QString own = "; mine\n[Extensions]\nText Files=NFO\nMy Key=1\nimage files=XYZ\n"
                        "[Other]\nText Files=stays\n";
    dir.write("Trovel.ini", own.toUtf8());
    QString shown, undone;
    Open([&](TfProperties& d) {
        QTest::mouseClick(d.ButtonDefaults, Qt::LeftButton);
        shown = d.Memo->toPlainText();
        QTest::keyClick(d.Memo, Qt::Key_Z, Qt::ControlModifier);
        undone = d.Memo->toPlainText();
        QTest::mouseClick(d.ButtonCancel, Qt::LeftButton);
    });
    QStringList lines = shown.split('\n');
    ASSERT_GE(lines.size(), 14) << shown.toStdString();
    EXPECT_EQ(lines.mid(0, 2), QStringList({"; mine", "[Extensions]"}));
    EXPECT_TRUE(lines[2].startsWith("Image Files=BMP "));
    EXPECT_TRUE(lines[10].startsWith("HTML Files="));
    EXPECT_EQ(lines.mid(11), QStringList({"My Key=1", "[Other]", "Text Files=stays"}));
    EXPECT_EQ(undone + "\n", own);

    // A text without the section gets it at its end.
    const QString added = WithShippedCategories("[Other]\nKey=a", ShippedConfiguration());
    EXPECT_TRUE(added.startsWith("[Other]\nKey=a\n\n[Extensions]\nImage Files="))
        << added.toStdString();
    EXPECT_EQ(added.count('\n'), 12);
}
