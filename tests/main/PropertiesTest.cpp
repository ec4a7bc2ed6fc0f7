#include "fileops/ModalAnswer.h"
#include "main/Extensions.h"
#include "main/uProperties.h"
#include "platform/Messages.h"
#include "support/DesignFont.h"
#include "support/TempDir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace
{

const QByteArray kFile = "; Travodex\n"
                         "[Extensions]\n"
                         "Image Files=BMP GIF PCX JPG PNG\n"
                         "Text Files=TXT\n"
                         "[Other]\n"
                         "Key=a, b, c\n";

// The dialog wired as the main window wires it, with the messages it shows captured.
class PropertiesDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        path = dir.write("Trovel.ini", kFile);
        dialog.ConfigPath = path;
        dialog.UseRecycleBin = &useRecycleBin;
        dialog.OnReadConfiguration = [this] {
            ++reads;
            categories.Read(path);
        };
        categories.Read(path);
        previous = platform::SetMessageHandler([this](const QString& t) { messages << t; });
    }
    void TearDown() override { platform::SetMessageHandler(previous); }

    // Opens the dialog modally and lets `edit` act on it before answering.
    int Open(const std::function<void(TfProperties&)>& edit)
    {
        AnswerNextModal([this, edit](QDialog*) { edit(dialog); });
        return dialog.exec();
    }

    TempDir dir;
    QString path;
    AppFont font{DesignFont()};
    TfProperties dialog;
    bool useRecycleBin = false;
    int reads = 0;
    TExtensionCategories categories;
    QStringList messages;
    platform::TMessageHandler previous;
};

TEST_F(PropertiesDialog, HasItsCaptionPagesAndButtons)
{
    EXPECT_EQ(dialog.windowTitle(), "Properties");
    EXPECT_EQ(dialog.size(), QSize(400, 250));
    // Scaled with the desktop font: 20 / 11 of the design size.
    QFont big = DesignFont();
    big.setPixelSize(20);
    const AppFont large(big);
    EXPECT_EQ(TfProperties().size(), QSize(727, 455));
    ASSERT_EQ(dialog.Page->count(), 3);
    EXPECT_EQ(dialog.Page->tabText(0), "Extensions");
    EXPECT_EQ(dialog.Page->tabText(1), "Options");
    EXPECT_EQ(dialog.Page->tabText(2), "Programs");
    EXPECT_EQ(dialog.CheckBoxBin->text(), "Use bin for files deletion");
    EXPECT_TRUE(dialog.ButtonAccept->isDefault());
    EXPECT_EQ(dialog.Memo->lineWrapMode(), QPlainTextEdit::NoWrap);
}

TEST_F(PropertiesDialog, ShowsTheWholeFileTheOptionAndTheFirstPage)
{
    useRecycleBin = true;
    dialog.Page->setCurrentWidget(dialog.TabOptions);
    QString shown;
    bool checked = false;
    QWidget* page = nullptr;
    Open([&](TfProperties& d) {
        shown = d.Memo->toPlainText();
        checked = d.CheckBoxBin->isChecked();
        page = d.Page->currentWidget();
        PressKey(&d, Qt::Key_Escape);
    });
    EXPECT_EQ(shown + "\n", QString::fromUtf8(kFile));
    EXPECT_TRUE(checked);
    EXPECT_EQ(page, dialog.TabExtensions);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(PropertiesDialog, AcceptWritesTheFileRereadsItAndTakesTheOption)
{
    ASSERT_EQ(categories.Count(TExtensionCategory::Image), 5);
    const int result = Open([](TfProperties& d) {
        QString text = d.Memo->toPlainText();
        text.replace("BMP GIF PCX JPG PNG", "PNG TGA");
        d.Memo->setPlainText(text);
        d.CheckBoxBin->setChecked(true);
        d.ButtonAccept->click();
    });
    EXPECT_EQ(result, QDialog::Accepted);
    QByteArray expected = kFile;
    expected.replace("BMP GIF PCX JPG PNG", "PNG TGA");
    EXPECT_EQ(readAll(path), expected); // other sections and keys kept as text
    EXPECT_EQ(reads, 1);
    EXPECT_TRUE(useRecycleBin);
    EXPECT_EQ(categories.Count(TExtensionCategory::Image), 2);
    EXPECT_TRUE(categories.Matches(TExtensionCategory::Image, ".TGA"));
    EXPECT_FALSE(categories.Matches(TExtensionCategory::Image, ".BMP"));

    // Enter accepts too, and clearing the box turns the option off again.
    Open([](TfProperties& d) {
        d.CheckBoxBin->setChecked(false);
        PressKey(&d, Qt::Key_Return);
    });
    EXPECT_FALSE(useRecycleBin);
    EXPECT_EQ(reads, 2);
}

TEST_F(PropertiesDialog, CancelChangesNeitherTheFileNorTheOption)
{
    Open([](TfProperties& d) {
        d.Memo->setPlainText("[Extensions]\nText Files=\n");
        d.CheckBoxBin->setChecked(true);
        d.ButtonCancel->click();
    });
    EXPECT_EQ(readAll(path), kFile);
    EXPECT_FALSE(useRecycleBin);
    EXPECT_EQ(reads, 0);

    // The next opening shows the file again, not the abandoned edit.
    QString shown;
    Open([&shown](TfProperties& d) {
        shown = d.Memo->toPlainText();
        PressKey(&d, Qt::Key_Escape);
    });
    EXPECT_EQ(shown + "\n", QString::fromUtf8(kFile));
}

TEST_F(PropertiesDialog, MissingFileIsReportedAndAcceptCreatesIt)
{
    QFile::remove(path);
    QString shown;
    Open([&shown](TfProperties& d) {
        shown = d.Memo->toPlainText();
        d.Memo->setPlainText("[Extensions]\nHelp Files=HLP");
        d.ButtonAccept->click();
    });
    EXPECT_EQ(messages, QStringList{"Ne peut ouvrir le fichier " + path});
    EXPECT_EQ(shown, "Memo");
    EXPECT_EQ(readAll(path), "[Extensions]\nHelp Files=HLP\n");
    EXPECT_TRUE(categories.Matches(TExtensionCategory::Help, ".HLP"));
}

TEST_F(PropertiesDialog, AFileThatWasNeverShownIsNotReplaced)
{
    QFile::remove(path);
    Open([this](TfProperties& d) {
        dir.write("Trovel.ini", "[Extensions]\nText Files=LOG\n"); // written meanwhile
        d.ButtonAccept->click();
        EXPECT_TRUE(d.isVisible()); // nothing was saved: the text stays in the dialog
        d.ButtonCancel->click();
    });
    EXPECT_EQ(readAll(path), "[Extensions]\nText Files=LOG\n");
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[1], QString::fromUtf8("Ne peut créer le fichier ") + path +
                               " (it exists and its text was not the one shown).\nNothing was "
                               "saved; the text stays here.");
    EXPECT_EQ(reads, 0);
}

TEST_F(PropertiesDialog, UnwritableFileIsReportedAndTheTextGoesToTheUsersFile)
{
    const QString blocked = dir("no-such-folder/Trovel.ini");
    const QString alsoBlocked = dir.write("plain-file", "x") + "/Trovel.ini";
    dialog.ConfigPath = blocked;
    dialog.FallbackPath = alsoBlocked;
    QString kept;
    Open([&kept](TfProperties& d) {
        d.Memo->setPlainText("[Extensions]\nText Files=NFO");
        d.CheckBoxBin->setChecked(true);
        QTest::mouseClick(d.ButtonAccept, Qt::LeftButton);
        kept = d.isVisible() ? d.Memo->toPlainText() : QString();
        d.ButtonCancel->click();
    });
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[0], "Ne peut ouvrir le fichier " + blocked);
    EXPECT_TRUE(messages[1].startsWith(QString::fromUtf8("Ne peut créer le fichier ") + blocked +
                                       " (No such file or directory).\nNe peut créer le fichier " +
                                       alsoBlocked + " ("))
        << messages[1].toStdString();
    EXPECT_TRUE(messages[1].endsWith("\nNothing was saved; the text stays here."));
    EXPECT_EQ(kept, "[Extensions]\nText Files=NFO"); // nothing typed is lost
    EXPECT_FALSE(useRecycleBin);
    EXPECT_EQ(reads, 0);

    // With a user's folder to write to, the text goes there and is taken.
    messages.clear();
    const QString users = dir("user/travodex/Trovel.ini");
    dialog.FallbackPath = users;
    const int result = Open([](TfProperties& d) {
        d.Memo->setPlainText("[Extensions]\nText Files=NFO");
        d.CheckBoxBin->setChecked(true);
        QTest::mouseClick(d.ButtonAccept, Qt::LeftButton);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(readAll(users), "[Extensions]\nText Files=NFO\n");
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[1], QString::fromUtf8("Ne peut créer le fichier ") + blocked +
                               " (No such file or directory).\nThe text was saved to " + users +
                               ", which is read first from now on.");
    EXPECT_EQ(dialog.ConfigPath, users);
    EXPECT_TRUE(useRecycleBin);
    EXPECT_EQ(reads, 1);
}

TEST_F(PropertiesDialog, Latin1FileStaysLatin1)
{
    const QByteArray latin1 = "[Extensions]\n; caf\xe9\nText Files=TXT\n";
    dir.write("Trovel.ini", latin1);
    Open([](TfProperties& d) { d.ButtonAccept->click(); });
    EXPECT_EQ(readAll(path), latin1);
}

} // namespace

TEST_F(PropertiesDialog, AnOutsideEditorTypedOnTheProgramsPageGoesIntoTheFile)
{
    EXPECT_EQ(Open([](TfProperties& d) {
                  d.Page->setCurrentWidget(d.TabPrograms);
                  d.ComboCategory->setCurrentIndex(int(TExtensionCategory::Text));
                  d.EditEditor->setFocus();
                  QTest::keyClicks(d.EditEditor, QStringLiteral("my-editor --new %f"));
                  d.ComboCategory->setCurrentIndex(int(TExtensionCategory::Image));
                  QTest::keyClicks(d.EditViewer, QStringLiteral("viewer"));
                  d.ButtonAccept->click();
              }),
              QDialog::Accepted);
    const QByteArray written = readAll(path);
    EXPECT_TRUE(written.startsWith(kFile)) << written.constData();
    EXPECT_TRUE(written.contains("[Programs]\n")) << written.constData();
    EXPECT_TRUE(written.contains("\nText Files Editor=my-editor --new %f\n"))
        << written.constData();
    EXPECT_TRUE(written.contains("\nImage Files Viewer=viewer\n")) << written.constData();

    // Shown again from the file; emptied on the page, the line goes.
    QString shown;
    EXPECT_EQ(Open([&shown](TfProperties& d) {
                  d.Page->setCurrentWidget(d.TabPrograms);
                  d.ComboCategory->setCurrentIndex(int(TExtensionCategory::Text));
                  shown = d.EditEditor->text();
                  d.EditEditor->selectAll();
                  QTest::keyClick(d.EditEditor, Qt::Key_Delete);
                  d.ButtonAccept->click();
              }),
              QDialog::Accepted);
    EXPECT_EQ(shown, QStringLiteral("my-editor --new %f"));
    EXPECT_FALSE(readAll(path).contains("Text Files Editor")) << readAll(path).constData();
    EXPECT_TRUE(readAll(path).contains("\nImage Files Viewer=viewer\n"));
}
