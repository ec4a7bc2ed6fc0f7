// Names as the panels show and edit them, and marks that stay while the cursor moves:
// driven by real keys and clicks on the lists, checked on disk.
#include "main/UserInputFixture.h"
#include "main/uProperties.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWindow>

namespace
{

class NamesMarksTest : public UserInputTest
{
protected:
    // Types `text` through the window, into whatever has the focus.
    void Type(const QString& text)
    {
        for (const QChar c : text)
            QTest::keyClick(main->windowHandle(), c.toLatin1());
    }
    QString Cell(TSide side, const QString& name, int column)
    {
        return View(side)->model()->index(Row(side, name), column).data().toString();
    }
    QLineEdit* Editor(TSide side) { return View(side)->viewport()->findChild<QLineEdit*>(); }
    QStringList Files(const QString& folder)
    {
        return QDir(folder).entryList(
            QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }
    QString SelectedLine(TSide side) { return main->Panel(side).Selected->Text(1); }
};

} // namespace

TEST_F(NamesMarksTest, NamesWithSeveralDotsAndDotFilesShowAndRenameWhole)
{
    for (const char* name : {"report.v1.txt", "tree.tar.gz", "tree.tar.bz2", ".hidden"})
        dir.write(QString("left/") + name, "x");
    Reload();
    EXPECT_EQ(Cell(sdLeft, "report.v1.txt", 0), "report.v1");
    EXPECT_EQ(Cell(sdLeft, "report.v1.txt", 1), "txt");
    EXPECT_EQ(Cell(sdLeft, "tree.tar.gz", 0), "tree.tar");
    EXPECT_EQ(Cell(sdLeft, ".hidden", 0), ".hidden");
    EXPECT_EQ(Cell(sdLeft, ".hidden", 1), "");

    // Type-ahead reads the whole name.
    Click(At(sdLeft, ".hidden"));
    Type("tree.tar.g");
    EXPECT_EQ(FocusedName(sdLeft), "tree.tar.gz");

    // F2 edits the whole name with the part before the extension selected: what is
    // typed replaces that part, the extension stays.
    Click(At(sdLeft, "report.v1.txt"));
    Key(Qt::Key_F2);
    ASSERT_NE(Editor(sdLeft), nullptr);
    EXPECT_EQ(Editor(sdLeft)->text(), "report.v1.txt");
    EXPECT_EQ(Editor(sdLeft)->selectedText(), "report.v1");
    Type("report.v1_new");
    Key(Qt::Key_Return);
    EXPECT_TRUE(Files(left).contains("report.v1_new.txt"))
        << Files(left).join(' ').toStdString() << messages.join('|').toStdString();
    EXPECT_EQ(FocusedName(sdLeft), "report.v1_new.txt"); // the cursor follows the new name

    Click(At(sdLeft, ".hidden"));
    Key(Qt::Key_F2);
    ASSERT_NE(Editor(sdLeft), nullptr);
    EXPECT_EQ(Editor(sdLeft)->text(), ".hidden");
    EXPECT_EQ(Editor(sdLeft)->selectedText(), ".hidden"); // a leading dot starts no extension
    Key(Qt::Key_End);
    Type("x");
    Key(Qt::Key_Return);
    EXPECT_EQ(Files(left),
              QStringList({".hiddenx", "report.v1_new.txt", "tree.tar.bz2", "tree.tar.gz"}));
}

TEST_F(NamesMarksTest, ViewsWithoutAnExtensionColumnShowAndEditWholeNames)
{
    for (const char* name : {"pic.png", "pic.jpg"})
        dir.write(QString("left/") + name, "x");
    Reload();
    main->Actions.MenuView[vsList]->trigger();
    QAbstractItemView* view = View(sdLeft);
    view->setFocus();
    // Two labels that read only "pic" would draw alike.
    const auto label = [&](const QString& name) {
        const QRect cell = view->visualRect(view->model()->index(Row(sdLeft, name), 0));
        return view->viewport()->grab(cell.adjusted(20, 0, 0, 0)).toImage();
    };
    main->Left().Files->ClearItemStates();
    EXPECT_NE(label("pic.png"), label("pic.jpg"));
    main->Left().Files->FocusItem(Row(sdLeft, "pic.png"));
    Key(Qt::Key_F2);
    ASSERT_NE(Editor(sdLeft), nullptr);
    EXPECT_EQ(Editor(sdLeft)->text(), "pic.png");
    EXPECT_EQ(Editor(sdLeft)->selectedText(), "pic");
    Editor(sdLeft)->setText("pic.gif");
    Key(Qt::Key_Return);
    EXPECT_EQ(Files(left), QStringList({"pic.gif", "pic.jpg"}));
}

TEST_F(NamesMarksTest, AnInPlaceEditChangesTheExtensionToo)
{
    dir.write("left/gamma.tar.gz.bak", "gamma bytes");
    dir.write("left/delta.txt", "d");
    Reload();
    // The whole name is in the field: selected whole and typed over, the extension goes.
    Click(At(sdLeft, "gamma.tar.gz.bak"));
    Key(Qt::Key_F2);
    ASSERT_NE(Editor(sdLeft), nullptr);
    EXPECT_EQ(Editor(sdLeft)->selectedText(), "gamma.tar.gz");
    Key(Qt::Key_A, Qt::ControlModifier);
    Type("gamma.zip");
    Key(Qt::Key_Return);
    EXPECT_EQ(Files(left), QStringList({"delta.txt", "gamma.zip"}));
    EXPECT_EQ(readAll(dir("left/gamma.zip")), "gamma bytes");
    EXPECT_EQ(FocusedName(sdLeft), "gamma.zip");
    // Only the extension: End, then Backspace over it.
    Click(At(sdLeft, "delta.txt"));
    Key(Qt::Key_F2);
    ASSERT_NE(Editor(sdLeft), nullptr);
    Key(Qt::Key_End);
    for (int i = 0; i < 3; ++i)
        Key(Qt::Key_Backspace);
    Type("md");
    Key(Qt::Key_Return);
    EXPECT_EQ(Files(left), QStringList({"delta.md", "gamma.zip"}));
}

TEST_F(NamesMarksTest, MarksStayWhileTheCursorMovesAndCommandsTakeThem)
{
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt", "f.txt", "g.txt"})
        dir.write(QString("left/") + name, "x");
    Reload();
    Click(At(sdLeft, "a.txt"));
    for (int i = 0; i < 4; ++i)
        Key(Qt::Key_Insert);
    EXPECT_EQ(SelectedLine(sdLeft), "4 object(s)");
    // Keys, Page keys, Home/End and type-ahead move the cursor, not the marks.
    Key(Qt::Key_Down);
    Key(Qt::Key_End);
    Key(Qt::Key_PageUp);
    Type("f");
    EXPECT_EQ(FocusedName(sdLeft), "f.txt");
    EXPECT_EQ(SelectedLine(sdLeft), "4 object(s)");
    // ".." is never marked: not by Insert, not by Ctrl+click.
    Key(Qt::Key_Home);
    Key(Qt::Key_Insert);
    Click(At(sdLeft, ".."), Qt::ControlModifier);
    EXPECT_EQ(SelectedNames(sdLeft), QStringList({"a.txt", "b.txt", "c.txt", "d.txt"}));
    // F5 copies the marked rows, wherever the cursor stands.
    Key(Qt::Key_End);
    Key(Qt::Key_F5);
    EXPECT_EQ(Files(right), QStringList({"a.txt", "b.txt", "c.txt", "d.txt"}));

    // A plain click still selects one row, and without marks the cursor's row is the one.
    Click(At(sdLeft, "b.txt"));
    EXPECT_EQ(SelectedNames(sdLeft), QStringList({"b.txt"}));
    Key(Qt::Key_Down);
    EXPECT_EQ(SelectedNames(sdLeft), QStringList({"c.txt"}));
    // Ctrl+A marks every row but "..".
    Key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(SelectedLine(sdLeft), "7 object(s)");
    EXPECT_FALSE(SelectedNames(sdLeft).contains(".."));
    Key(Qt::Key_Up);
    EXPECT_EQ(SelectedLine(sdLeft), "7 object(s)");
}

// Insert on lower.txt marks it and moves the cursor to Mixed.Txt: every command that acts
// on entries takes the mark, not the cursor's row. View (F3), Edit (F4) and rename in
// place (F2) are not among them: they open the one file or field under the cursor.
TEST_F(NamesMarksTest, OneMarkAndTheCursorOnAnotherEveryCommandTakesTheMark)
{
    dir.write("left/lower.txt", "l");
    dir.write("left/Mixed.Txt", "M");
    main->UseRecycleBin = false; // deletes stay in the test's folder
    const auto markLower = [this] {
        Reload();
        Click(At(sdLeft, "lower.txt"));
        Key(Qt::Key_Insert);
        ASSERT_EQ(FocusedName(sdLeft), "Mixed.Txt");
        ASSERT_EQ(SelectedNames(sdLeft), QStringList({"lower.txt"}));
    };
    markLower();
    QString asked;
    AnswerNextModal([&asked](QDialog* d) {
        asked = fSimple->Memo->toPlainText();
        d->findChild<QLineEdit*>()->setText("*_old.*");
        d->done(1);
    });
    Key(Qt::Key_F9);
    EXPECT_TRUE(asked.contains("lower.txt")) << asked.toStdString();
    EXPECT_EQ(Files(left), QStringList({"Mixed.Txt", "lower_old.txt"}));
    ASSERT_TRUE(QFile::rename(left + "lower_old.txt", left + "lower.txt"));

    markLower();
    Key(Qt::Key_F5);
    EXPECT_EQ(Files(right), QStringList({"lower.txt"}));
    ASSERT_TRUE(QFile::remove(right + "lower.txt"));

    markLower();
    Key(Qt::Key_F6);
    EXPECT_EQ(Files(right), QStringList({"lower.txt"}));
    EXPECT_EQ(Files(left), QStringList({"Mixed.Txt"}));
    ASSERT_TRUE(QFile::rename(right + "lower.txt", left + "lower.txt"));

    // A drag from the left panel dropped on the right one moves.
    markLower();
    main->FilesMouseMove(sdRight, Qt::LeftButton, Qt::NoModifier);
    main->FilesMouseUp(sdRight);
    EXPECT_EQ(Files(right), QStringList({"lower.txt"}));
    EXPECT_EQ(Files(left), QStringList({"Mixed.Txt"}));
    ASSERT_TRUE(QFile::rename(right + "lower.txt", left + "lower.txt"));

    for (const auto& [key, modifiers] :
         {std::pair{Qt::Key_F8, Qt::NoModifier}, std::pair{Qt::Key_Delete, Qt::NoModifier},
          std::pair{Qt::Key_Delete, Qt::ShiftModifier}}) {
        markLower();
        QStringList texts;
        AnswerQuestion(TfConfirm::mrYes, &texts);
        Key(key, modifiers);
        EXPECT_TRUE(texts.value(0).startsWith("You have selected the file lower.txt"))
            << texts.value(0).toStdString();
        EXPECT_EQ(Files(left), QStringList({"Mixed.Txt"}));
        dir.write("left/lower.txt", "l");
    }
    EXPECT_EQ(readAll(left + "Mixed.Txt"), "M");
}

TEST_F(NamesMarksTest, DeleteShiftDeleteAndCtrlPageUpAreKeysOfTheirCommands)
{
    dir.write("left/sub/one.txt", "1");
    dir.write("left/sub/two.txt", "2");
    const QString home = dir.mkdir("data");
    qputenv("XDG_DATA_HOME", home.toUtf8());
    Reload();
    Open(sdLeft, left + "sub/");
    main->UseRecycleBin = true;
    Click(At(sdLeft, "one.txt"));
    QStringList texts;
    AnswerQuestion(TfConfirm::mrYes, &texts);
    Key(Qt::Key_Delete);
    EXPECT_EQ(texts.value(0),
              "You have selected the file one.txt to be deleted.\nIt will be moved to the trash.");
    EXPECT_TRUE(QFileInfo::exists(home + "Trash/files/one.txt"));
    // Shift+Delete asks too, then deletes for good whatever the setting.
    Click(At(sdLeft, "two.txt"));
    AnswerQuestion(TfConfirm::mrYes, &texts);
    Key(Qt::Key_Delete, Qt::ShiftModifier);
    qunsetenv("XDG_DATA_HOME");
    EXPECT_EQ(texts.value(0),
              "You have selected the file two.txt to be deleted.\nIt will be deleted for good.");
    EXPECT_EQ(Files(left + "sub/"), QStringList());
    EXPECT_FALSE(QFileInfo::exists(home + "Trash/files/two.txt"));
    // Ctrl+PgUp goes up and lands on the folder it left.
    Key(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(main->Left().Directory, left);
    EXPECT_EQ(FocusedName(sdLeft), "sub");
}

// The delete question counts what goes and says what its folders hold; a single entry
// keeps its name in the question. Nothing goes on "No".
TEST_F(NamesMarksTest, TheDeleteQuestionSaysWhatGoesAndWhatItsFoldersHold)
{
    dir.write("left/a.txt", "a");
    dir.write("left/b.txt", "b");
    dir.write("left/tree/one.bin", QByteArray(1000, 'x'));
    dir.write("left/tree/deep/two.bin", QByteArray(2000, 'y'));
    dir.write("left/tree/deep/three.bin", QByteArray(500, 'z'));
    dir.mkdir("left/void/empty");
    Reload();
    QStringList texts;
    const auto ask = [&](int key, Qt::KeyboardModifiers keys = {}) {
        texts.clear();
        AnswerQuestion(TfConfirm::mrNo, &texts);
        Key(key, keys);
        return texts.value(0);
    };
    Click(At(sdLeft, "tree"));
    EXPECT_EQ(ask(Qt::Key_F8), "You have selected the folder tree to be deleted.\nIt holds 3 "
                               "files, 3.5 kB.\nIt will be deleted for good.");
    Click(At(sdLeft, "void"));
    EXPECT_EQ(ask(Qt::Key_Delete, Qt::ShiftModifier),
              "You have selected the folder void to be deleted.\nIt holds no files.\nIt will "
              "be deleted for good.");
    main->UseRecycleBin = true;
    Key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(ask(Qt::Key_Delete), "You have selected 2 files and 2 folders (with 3 files, 3.5 "
                                   "kB inside) to be deleted.\nThey will be moved to the trash.");
    Click(At(sdLeft, "b.txt"), Qt::ControlModifier); // unmarked: one file and two folders
    EXPECT_EQ(ask(Qt::Key_Delete, Qt::ShiftModifier),
              "You have selected 1 file and 2 folders (with 3 files, 3.5 kB inside) to be "
              "deleted.\nThey will be deleted for good.");
    EXPECT_EQ(Files(left), QStringList({"a.txt", "b.txt", "tree", "void"}));
    // Marked files alone are counted as files.
    for (const char* name : {"b.txt", "tree", "void"})
        Click(At(sdLeft, name), Qt::ControlModifier);
    EXPECT_EQ(ask(Qt::Key_Delete, Qt::ShiftModifier),
              "You have selected 2 files to be deleted.\nThey will be deleted for good.");
    AnswerQuestion(TfConfirm::mrYes);
    Key(Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(Files(left), QStringList({"tree", "void"}));
}

// A tree too large to measure at once keeps the question waiting briefly; the question
// says the count stopped.
TEST_F(NamesMarksTest, AHugeTreeIsCountedOnlyUpToABound)
{
    const QString huge = dir.mkdir("left/huge");
    for (int i = 0; i < 10001; ++i)
        QFile(huge + QString::number(i)).open(QIODevice::WriteOnly);
    Reload();
    Click(At(sdLeft, "huge"));
    QStringList texts;
    AnswerQuestion(TfConfirm::mrNo, &texts);
    Key(Qt::Key_F8);
    EXPECT_TRUE(texts.value(0).startsWith("You have selected the folder huge to be deleted.\nIt "
                                          "holds at least "))
        << texts.value(0).toStdString();
    EXPECT_TRUE(texts.value(0).contains(" files, 0 bytes.")) << texts.value(0).toStdString();
    EXPECT_EQ(QDir(huge).count(), 10003u); // with "." and ".."
}

TEST_F(NamesMarksTest, MessagesNameTheItemAndSayWhatWentWrong)
{
    dir.mkdir("left/made");
    dir.write("left/gone.txt", "g");
    dir.write("x.txt", "x");
    ASSERT_TRUE(RunZip(dir.path(), {"-q", right + "pack.zip", "x.txt"}));
    Reload();
    Click(At(sdLeft, "made"));
    TypeInput("sub1/sub2");
    Key(Qt::Key_F7);
    TypeInput("made");
    Key(Qt::Key_F7);
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[0], "The directory \"sub1/sub2\" was not created: a name cannot contain "
                           "\"/\"; make one folder at a time.");
    EXPECT_EQ(messages[1],
              "The directory \"made\" was not created: an entry of that name exists already.");
    // A folder is called a folder in the delete question.
    QStringList texts;
    AnswerQuestion(TfConfirm::mrNo, &texts);
    Key(Qt::Key_F8);
    EXPECT_TRUE(texts.value(0).startsWith("You have selected the folder made to be deleted."));
    // A file deleted behind the panel's back, then copied into an archive.
    Click(At(sdRight, "pack.zip"));
    Key(Qt::Key_Return);
    Click(At(sdLeft, "gone.txt"));
    QFile::remove(left + "gone.txt");
    messages.clear();
    Key(Qt::Key_F5);
    EXPECT_EQ(messages, QStringList({"gone.txt: not copied, the file is no longer there (deleted "
                                     "or moved since the panel was read)"}));
}

TEST_F(NamesMarksTest, AFirstStartDeletesToTheTrashAndTheSettingIsKeptAcrossRuns)
{
    const QString config = dir.mkdir("config");
    qputenv("XDG_CONFIG_HOME", config.toUtf8());
    const auto nextRun = [this] {
        delete fProperties; // it belongs to the window that goes
        fProperties = nullptr;
        main = std::make_unique<TfMain>();
    };
    nextRun(); // nothing stored yet
    const bool firstStart = main->UseRecycleBin;
    const auto turnTrash = [this](bool on) {
        AnswerNextModal([this, on](QDialog* d) {
            auto* properties = static_cast<TfProperties*>(d);
            properties->ConfigPath = dir("config/Trovel.ini"); // the test's, not the program's
            properties->CheckBoxBin->setChecked(on);
            properties->ButtonAccept->click();
        });
        main->Actions.MenuProperties->trigger();
    };
    turnTrash(false);
    ASSERT_FALSE(main->UseRecycleBin);
    nextRun();
    const bool keptOff = !main->UseRecycleBin;
    turnTrash(true);
    nextRun();
    const bool keptOn = main->UseRecycleBin;
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_TRUE(firstStart);
    EXPECT_TRUE(keptOff);
    EXPECT_TRUE(keptOn);
}

// Right after a re-read moved the cursor off a file another program took away, each
// command that would act on the row it landed on asks first; "No" leaves everything.
TEST_F(NamesMarksTest, EveryCommandJustAfterACursorJumpAsksFirst)
{
    dir.write("left/landed.txt", "l");
    Reload();
    main->UseRecycleBin = false;
    qint64 now = 7000;
    main->SteadyClockMs = [&now] { return now; };
    Click(At(sdLeft, "landed.txt"));
    const auto jump = [this, &now] {
        main->Left().CursorJump = {now - 500, "gone.part", "landed.txt"};
    };
    const struct {
        const char* verb;
        std::function<void()> command;
    } commands[] = {
        {"Copy", [this] { Key(Qt::Key_F5); }},
        {"Move", [this] { Key(Qt::Key_F6); }},
        {"Rename", [this] { Key(Qt::Key_F9); }},
        {"Delete", [this] { Key(Qt::Key_F8); }},
        {"Delete", [this] { Key(Qt::Key_Delete, Qt::ShiftModifier); }},
        {"Move", [this] {
             main->FilesMouseMove(sdRight, Qt::LeftButton, Qt::NoModifier);
             main->FilesMouseUp(sdRight);
         }},
    };
    for (const auto& c : commands) {
        jump();
        QStringList texts;
        AnswerQuestion(TfConfirm::mrNo, &texts);
        c.command();
        EXPECT_EQ(texts, QStringList({"gone.part was removed or renamed by another program a "
                                      "moment ago, and the cursor moved to landed.txt.",
                                      QString(c.verb) + " landed.txt ?"}));
        EXPECT_EQ(Files(left), QStringList({"landed.txt"}));
        EXPECT_EQ(Files(right), QStringList());
    }
}
