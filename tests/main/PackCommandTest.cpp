// Pack from the main window, driven by keys: Alt+F5 opens the dialog on the cursor's or
// the marked entries, the archive lands in the other panel's folder with its cursor on
// it, Ctrl+Z removes it; a move removes the originals and its undo says it cannot bring
// them back; a taken name is refused in the dialog.
#include "main/UserInputFixture.h"
#include "pack/uPack.h"

#include <QComboBox>
#include <QLabel>

namespace
{

class PackCommandTest : public UserInputTest
{
protected:
    QStringList Entries(const QString& folder)
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                      QDir::Name);
    }
    QStringList ListTar(const QString& archive)
    {
        QProcess tar;
        tar.start("tar", {"-tf", archive});
        tar.waitForFinished(60000);
        return QString::fromUtf8(tar.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    }
};

} // namespace

TEST_F(PackCommandTest, AltF5PacksIntoTheOtherPanelAndUndoRemovesTheArchive)
{
    dir.write("left/docs/a.txt", "alpha\n");
    dir.write("left/docs/sub/b.txt", "beta\n");
    dir.write("right/docs.tar", "taken\n");
    Reload();
    main->Left().Files->FocusItem(Row(sdLeft, "docs"));
    QString proposed, refused;
    AnswerNextModal([&](QDialog* dialog) {
        auto* pack = qobject_cast<TfPack*>(dialog);
        ASSERT_NE(pack, nullptr);
        proposed = pack->Name->text();
        pack->Formats->setFocus();
        PressKey(dialog, Qt::Key_Down); // tar: docs.tar is taken
        PressKey(dialog, Qt::Key_Return);
        refused = pack->Problem->text();
        EXPECT_TRUE(pack->isVisible());
        pack->Formats->setFocus();
        PressKey(dialog, Qt::Key_Down); // tar.gz
        PressKey(dialog, Qt::Key_Return);
    });
    Key(Qt::Key_F5, Qt::AltModifier);
    EXPECT_EQ(proposed, "docs.zip");
    EXPECT_TRUE(refused.contains("docs.tar")) << refused.toStdString();
    ASSERT_EQ(Entries(right), (QStringList{"docs.tar", "docs.tar.gz"}))
        << messages.join('\n').toStdString();
    EXPECT_EQ(readAll(right + "docs.tar"), "taken\n");
    EXPECT_EQ(ListTar(right + "docs.tar.gz"),
              (QStringList{"docs/", "docs/a.txt", "docs/sub/", "docs/sub/b.txt"}));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(main->Right().Files->GetFocusedIndex(), Row(sdRight, "docs.tar.gz"));

    EXPECT_EQ(main->Actions.MenuUndo->text(), "Undo create file docs.tar.gz");
    main->Left().Files->setFocus();
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Entries(right), QStringList{"docs.tar"});
    EXPECT_EQ(Entries(left + "docs"), (QStringList{"a.txt", "sub"}));
}

TEST_F(PackCommandTest, MoveIntoTheArchiveRemovesTheMarkedOriginalsAndUndoSaysWhy)
{
    dir.write("left/a.txt", "alpha\n");
    dir.write("left/b.txt", "beta\n");
    dir.write("left/c.txt", "stays\n");
    Reload();
    Select(sdLeft, {"a.txt", "b.txt"});
    AnswerNextModal([&](QDialog* dialog) {
        auto* pack = qobject_cast<TfPack*>(dialog);
        ASSERT_NE(pack, nullptr);
        EXPECT_EQ(pack->Name->text(), "left.zip");
        pack->Formats->setCurrentIndex(1);
        pack->MoveBox->setChecked(true);
        PressKey(dialog, Qt::Key_Return);
    });
    Key(Qt::Key_F5, Qt::AltModifier);
    ASSERT_EQ(Entries(right), QStringList{"left.tar"}) << messages.join('\n').toStdString();
    EXPECT_EQ(ListTar(right + "left.tar"), (QStringList{"a.txt", "b.txt"}));
    EXPECT_EQ(Entries(left), QStringList{"c.txt"});
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_TRUE(main->Actions.MenuUndo->text().startsWith("Cannot undo a move into the archive"))
        << main->Actions.MenuUndo->text().toStdString();
}

// Unpack and Test on ".." (no archive under the cursor, none marked) say what they need
// rather than doing nothing without a word.
TEST_F(PackCommandTest, UnpackAndTestWithoutAnArchiveSayWhatTheyNeed)
{
    Reload();
    main->Left().Files->FocusItem(Row(sdLeft, ".."));
    Key(Qt::Key_F9, Qt::AltModifier);
    Key(Qt::Key_F9, Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_EQ(messages,
              (QStringList{"Put the cursor on an archive, or mark archives, to unpack them.",
                           "Put the cursor on an archive, or mark archives, to test them."}));
}
