// The path line of a panel: opened with Ctrl+L or a click on the path, typed into with
// real keys; Enter goes to a folder, an archive, a file:// URI or "~"; Tab completes;
// Escape leaves it; a wrong path says why and the panel stays.
#include "panel/PathLine.h"
#include "main/UserInputFixture.h"

#include <QUrl>

namespace
{

class PathLineTest : public UserInputTest
{
protected:
    TPathLine* Line(TSide side) { return main->Panel(side).PathLine; }
    void Type(const QString& text)
    {
        for (const QChar c : text)
            QTest::keyClick(main->windowHandle(), c.toLatin1());
    }
    // Opens the line of the active panel, types `text` over what it holds, and presses
    // `key`.
    void TypePath(const QString& text, int key = Qt::Key_Return)
    {
        Key(Qt::Key_L, Qt::ControlModifier);
        Type(text);
        Key(key);
    }
    bool Lands(TSide side, const QString& folder)
    {
        return QTest::qWaitFor(
            [&] { return !main->Reading(side) && main->Panel(side).Directory == folder; }, 30000);
    }
    QString FocusedName(TSide side)
    {
        const int row = main->Panel(side).Files->GetFocusedIndex();
        return row >= 0 ? main->Panel(side).Listing[row].Name : QString();
    }
};

} // namespace

TEST_F(PathLineTest, CtrlLOpensThePathSelectedAndEnterGoesToATypedFolderOrFile)
{
    dir.write("right/deep/inner/f.txt", "f");
    dir.write("left/keep.txt", "k");
    Reload();
    Click(At(sdLeft, "keep.txt"));
    Key(Qt::Key_L, Qt::ControlModifier);
    ASSERT_TRUE(Line(sdLeft)->isVisible());
    EXPECT_TRUE(main->Left().DirectoryLabel->isHidden());
    EXPECT_EQ(Line(sdLeft)->text(), left);
    EXPECT_EQ(Line(sdLeft)->selectedText(), left);
    EXPECT_TRUE(Line(sdLeft)->hasFocus());
    // Typed keys stay in the line: F5 copies no file, Backspace goes nowhere.
    Key(Qt::Key_F5);
    Key(Qt::Key_Backspace);
    EXPECT_FALSE(QFileInfo::exists(right + "keep.txt"));
    EXPECT_EQ(main->Left().Directory, left);
    Type(right + "deep/inner/");
    Key(Qt::Key_Return);
    ASSERT_TRUE(Lands(sdLeft, right + "deep/inner/"));
    EXPECT_TRUE(Line(sdLeft)->isHidden());
    EXPECT_FALSE(main->Left().DirectoryLabel->isHidden());
    EXPECT_EQ(main->Left().DirectoryLabel->text(), right + "deep/inner/");
    EXPECT_TRUE(main->Left().Files->hasFocus());
    EXPECT_EQ(messages, QStringList());
    // A relative path, from the folder shown, to a file: its folder, the cursor on it.
    TypePath("../inner/f.txt");
    ASSERT_TRUE(Lands(sdLeft, right + "deep/inner/"));
    EXPECT_EQ(FocusedName(sdLeft), "f.txt");
    EXPECT_EQ(main->Right().Directory, right); // the other panel stays
}

TEST_F(PathLineTest, AnArchiveAUriAndTheHomeFolderAreGoneTo)
{
    ASSERT_TRUE(ArchiveWithOneMember(right, "pack.zip"));
    dir.write("home/docs/h.txt", "h");
    dir.mkdir("with space");
    TypePath(right + "pack.zip");
    ASSERT_TRUE(QTest::qWaitFor([&] { return main->ShowsArchive(sdLeft); }, 30000));
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "x.txt"}));
    // From inside the archive the line holds the archive's path.
    Key(Qt::Key_L, Qt::ControlModifier);
    EXPECT_EQ(Line(sdLeft)->text(), right + "pack.zip");
    Key(Qt::Key_Escape);
    EXPECT_TRUE(main->ShowsArchive(sdLeft));

    TypePath(QUrl::fromLocalFile(dir("with space")).toString(QUrl::FullyEncoded));
    ASSERT_TRUE(Lands(sdLeft, dir("with space") + "/"));
    EXPECT_FALSE(main->ShowsArchive(sdLeft));

    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", dir("home").toUtf8());
    TypePath("~/docs");
    qputenv("HOME", home);
    ASSERT_TRUE(Lands(sdLeft, dir("home/docs/")));
    EXPECT_EQ(messages, QStringList());
}

TEST_F(PathLineTest, AWrongPathSaysWhyAndThePanelStaysWhereItWas)
{
    dir.write("left/a.txt", "a");
    Reload();
    TypePath(left + "nowhere/else");
    TypePath("http://example.invalid/x");
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[0], "Cannot go to \"" + left + "nowhere/else\": no such file or folder.");
    EXPECT_EQ(messages[1], "Cannot go to \"http://example.invalid/x\": only local files and "
                           "folders can be shown.");
    EXPECT_EQ(main->Left().Directory, left);
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "a.txt"}));
    // The line stays open with the text to mend; Escape leaves it, the panel unchanged.
    EXPECT_TRUE(Line(sdLeft)->isVisible());
    EXPECT_EQ(Line(sdLeft)->text(), "http://example.invalid/x");
    Key(Qt::Key_Escape);
    EXPECT_TRUE(Line(sdLeft)->isHidden());
    EXPECT_EQ(main->Left().DirectoryLabel->text(), left);
    EXPECT_TRUE(main->Left().Files->hasFocus());
    EXPECT_EQ(main->Left().Directory, left);
}

TEST_F(PathLineTest, TabCompletesNamesOfTheTypedFolder)
{
    dir.mkdir("left/alpha");
    dir.write("left/alpine.txt", "a");
    dir.write("left/alpha/inside.txt", "i");
    Reload();
    Key(Qt::Key_L, Qt::ControlModifier);
    Type(left + "al");
    Key(Qt::Key_Tab);
    EXPECT_EQ(Line(sdLeft)->text(), left + "alp"); // the start both share
    Type("ha");
    Key(Qt::Key_Tab);
    EXPECT_EQ(Line(sdLeft)->text(), left + "alpha/"); // a single folder, with its "/"
    Key(Qt::Key_Tab);
    EXPECT_EQ(Line(sdLeft)->text(), left + "alpha/inside.txt");
    Type("x");
    Key(Qt::Key_Tab);
    EXPECT_EQ(Line(sdLeft)->text(), left + "alpha/inside.txtx"); // nothing matches
    EXPECT_TRUE(Line(sdLeft)->hasFocus());                       // Tab stays in the line
}

TEST_F(PathLineTest, AClickOnThePathOpensTheLineOfThatPanel)
{
    dir.mkdir("right/sub");
    Reload();
    QLabel* label = main->Right().DirectoryLabel;
    QTest::mouseClick(main->windowHandle(), Qt::LeftButton, {},
                      label->mapTo(main.get(), label->rect().center()));
    ASSERT_TRUE(Line(sdRight)->isVisible());
    EXPECT_EQ(main->ActivePanel, 2);
    Type("sub");
    Key(Qt::Key_Return);
    ASSERT_TRUE(Lands(sdRight, right + "sub/"));
    EXPECT_EQ(main->Left().Directory, left);
}
