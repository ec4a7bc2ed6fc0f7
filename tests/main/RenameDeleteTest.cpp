#include "main/FileOpsFixture.h"

#include <QFile>
#include <QPlainTextEdit>

TEST_F(FileOpsTest, RenameTheSelectedEntryNeverReplacing)
{
    dir.write("left/a.txt", "a");
    dir.write("left/b.txt", "b");
    Reload();
    Select(sdLeft, {"b.txt"});
    main->Left().Files->FocusItem(Row(sdLeft, "a.txt")); // one selected, focused elsewhere
    main->Left().Files->SetItemSelected(Row(sdLeft, "b.txt"), true);
    main->Left().Files->SetItemSelected(Row(sdLeft, "a.txt"), false);
    QString asked;
    AnswerNextModal([&asked](QDialog* d) {
        asked = fSimple->Memo->toPlainText();
        d->findChild<QLineEdit*>()->setText("renamed.txt");
        d->done(1);
    });
    main->MenuRenameFileClick();
    EXPECT_TRUE(asked.contains("b.txt")) << asked.toStdString();
    EXPECT_EQ(readAll(left + "renamed.txt"), "b");
    EXPECT_EQ(readAll(left + "a.txt"), "a");

    Select(sdLeft, {"a.txt"});
    main->Left().Files->FocusItem(Row(sdLeft, "a.txt"));
    AnswerInput("renamed.txt"); // taken: nothing happens, nothing is lost
    main->MenuRenameFileClick();
    EXPECT_EQ(readAll(left + "renamed.txt"), "b");
    EXPECT_EQ(readAll(left + "a.txt"), "a");

    main->Left().Files->FocusItem(Row(sdLeft, "a.txt"));
    AnswerInput("../escaped.txt"); // a name never leaves its folder
    main->MenuRenameFileClick();
    EXPECT_FALSE(QFileInfo::exists(dir("escaped.txt")));
    EXPECT_EQ(main->ActivePanel, 1);
}

TEST_F(FileOpsTest, RenameByMask)
{
    dir.write("left/a.txt", "a");
    dir.write("left/b.txt", "b");
    Reload();
    Select(sdLeft, {"..", "a.txt", "b.txt"});
    AnswerInput("*.bak");
    main->MenuRenameFileClick();
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "a.bak", "b.bak"}));

    Select(sdLeft, {"a.bak", "b.bak"});
    AnswerInput("x.txt");
    main->MenuRenameFileClick();
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "b.bak", "x.txt"}));
    EXPECT_EQ(readAll(left + "x.txt"), "a");

    messages.clear();
    Select(sdLeft, {"b.bak", "x.txt"});
    AnswerInput("*?.txt"); // refused mask: every file skipped, the marks stay
    main->MenuRenameFileClick();
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "b.bak", "x.txt"}));
    EXPECT_EQ(SelectedNames(sdLeft), QStringList({"b.bak", "x.txt"}));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("Nothing was renamed: the mask \"*?.txt\" does not fit"));
    EXPECT_TRUE(messages[0].contains("\"b.bak\" would become \"b?.txt\""));
}

TEST_F(FileOpsTest, RenameByMaskKeepsNamesWithSeveralDotsAsThePanelShowsThem)
{
    dir.write("left/multi.dot.name.v2.final.txt", "m");
    dir.write("left/.hidden", "h");
    dir.write("left/README", "r");
    Reload();
    Select(sdLeft, {"multi.dot.name.v2.final.txt", ".hidden", "README"});
    AnswerInput("*.md");
    main->MenuRenameFileClick();
    EXPECT_EQ(Names(sdLeft),
              QStringList({"..", ".hidden.md", "multi.dot.name.v2.final.md", "README.md"}));
    EXPECT_EQ(messages, QStringList());

    // A name typed with wildcards for one entry is a mask for it, never a name.
    main->Left().Files->FocusItem(Row(sdLeft, "README.md"));
    AnswerInput("*_old.*");
    main->MenuRenameFileClick();
    EXPECT_TRUE(Names(sdLeft).contains("README_old.md"));
    EXPECT_FALSE(QFileInfo::exists(left + "*_old.*"));
    main->Left().Files->FocusItem(Row(sdLeft, "README_old.md"));
    AnswerInput("**.md");
    main->MenuRenameFileClick();
    EXPECT_TRUE(Names(sdLeft).contains("README_old.md"));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("\"README_old.md\" would become \"README_old*.md\""))
        << messages[0].toStdString();
}

TEST_F(FileOpsTest, InPlaceRenameTakesTheWholeNameTyped)
{
    dir.write("left/archive.tar.gz", "z");
    dir.mkdir("left/plain");
    Reload();
    main->Left().Files->FocusItem(Row(sdLeft, "archive.tar.gz"));
    main->FilesEdited(sdLeft, "backup");
    EXPECT_TRUE(Names(sdLeft).contains("backup"));
    EXPECT_FALSE(Names(sdLeft).contains("archive.tar.gz"));
    main->Left().Files->FocusItem(Row(sdLeft, "plain"));
    main->FilesEdited(sdLeft, "renamed dir");
    EXPECT_TRUE(Names(sdLeft).contains("renamed dir"));
    EXPECT_FALSE(Names(sdLeft).contains("plain"));
}

TEST_F(FileOpsTest, RenamingInsideAnArchiveShowsTheNoticeAndKeepsYesNo)
{
    dir.write("left/m.txt", "m");
    ASSERT_TRUE(RunZip(left, {"-q", "r.zip", "m.txt"}));
    Reload();
    OpenArchive(sdLeft, "r.zip");
    Select(sdLeft, {"m.txt"});
    QStringList texts;
    AnswerQuestion(2, &texts);
    main->MenuRenameFileClick();
    EXPECT_EQ(texts, QStringList({"You cannot rename files located in a zipped file.",
                                  "Perhaps in a future version..."}));
    EXPECT_EQ(fConfirm->ButtonCancel->text(), "No");
    EXPECT_FALSE(fConfirm->ButtonAccept->isHidden());
    EXPECT_TRUE(Names(sdLeft).contains("m.txt"));
}

TEST_F(FileOpsTest, DeleteAsksWithTheSelectedNameOrTheCount)
{
    dir.write("left/a.txt", "a");
    dir.write("left/b.txt", "b");
    Reload();
    Select(sdLeft, {"b.txt"});
    main->Left().Files->FocusItem(Row(sdLeft, "a.txt"));
    main->Left().Files->SetItemSelected(Row(sdLeft, "a.txt"), false);
    main->Left().Files->SetItemSelected(Row(sdLeft, "b.txt"), true);
    QStringList texts;
    AnswerQuestion(2, &texts);
    main->MenuDeleteFileClick();
    EXPECT_EQ(texts, QStringList({"You have selected the file b.txt to be deleted.\nIt will be "
                                  "deleted for good.",
                                  "Do you want to proceed ?"}));
    EXPECT_TRUE(QFileInfo::exists(left + "b.txt")); // "No" changes nothing

    AnswerQuestion(1, &texts);
    main->MenuDeleteFileClick();
    EXPECT_FALSE(QFileInfo::exists(left + "b.txt"));
    EXPECT_TRUE(QFileInfo::exists(left + "a.txt"));

    // The ".." row is nothing to delete: no question.
    Select(sdLeft, {".."});
    main->Left().Files->FocusItem(0);
    texts.clear();
    main->MenuDeleteFileClick();
    EXPECT_EQ(texts, QStringList());
    EXPECT_TRUE(QFileInfo::exists(left + "a.txt"));
    EXPECT_TRUE(QFileInfo::exists(left));
}

TEST_F(FileOpsTest, DeleteToTheTrash)
{
    TempDir home;
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    dir.write("left/t.txt", "trash me");
    Reload();
    main->UseRecycleBin = true;
    Select(sdLeft, {"t.txt"});
    AnswerQuestion(1);
    main->MenuDeleteFileClick();
    qunsetenv("XDG_DATA_HOME");
    EXPECT_FALSE(QFileInfo::exists(left + "t.txt"));
    EXPECT_EQ(readAll(home("Trash/files/t.txt")), "trash me");
}

TEST_F(FileOpsTest, DeleteMembersOfAnArchiveByTheirExactNames)
{
    // Each selected name deletes its own member, however much it reads like a pattern.
    const QStringList names = {"m1.txt",     "photo [1].jpg",   "photo 1.jpg",
                               "what?.txt",  "whatX.txt",       "star*.txt",
                               "starry.txt", "back\\slash.txt", "back/slash.txt"};
    for (const QString& name : names)
        dir.write("left/" + name, name.toUtf8());
    ASSERT_TRUE(RunZip(left, QStringList{"-q", "d.zip"} + names));
    Reload();
    OpenArchive(sdLeft, "d.zip");
    Select(sdLeft, {"m1.txt", "photo [1].jpg", "what?.txt", "star*.txt", "back\\slash.txt"});
    AnswerQuestion(1);
    main->MenuDeleteFileClick();
    EXPECT_EQ(Names(sdLeft),
              QStringList({"..", "back", "photo 1.jpg", "starry.txt", "whatX.txt"}));
    EXPECT_TRUE(QFileInfo::exists(left + "m1.txt")); // the disk file of that name stays
    EXPECT_TRUE(messages.isEmpty());

    // With no member selected there is nothing to ask about and nothing is deleted.
    const QByteArray archive = readAll(left + "d.zip");
    Select(sdLeft, {".."});
    bool asked = false;
    QTimer::singleShot(300, [&asked] {
        if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            asked = true;
            d->done(1);
        }
    });
    main->MenuDeleteFileClick();
    QTest::qWait(400);
    EXPECT_FALSE(asked);
    EXPECT_EQ(readAll(left + "d.zip"), archive);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(FileOpsTest, AMemberNameHeldTwiceIsNeitherDeletedNorMoved)
{
    dir.write("left/d.txt", "first");
    dir.write("left/e.txt", "other");
    ASSERT_TRUE(RunZip(left, {"-q", "twice.zip", "d.txt", "e.txt"}));
    QByteArray bytes = readAll(left + "twice.zip");
    bytes.replace("e.txt", "d.txt"); // two members named d.txt, told apart by nothing
    dir.write("left/twice.zip", bytes);
    Reload();
    OpenArchive(sdLeft, "twice.zip");
    ASSERT_EQ(Names(sdLeft), QStringList({"..", "d.txt", "d.txt"}));
    main->Left().Files->ClearItemStates();
    main->Left().Files->SetItemSelected(1, true);
    main->FilesEnter(sdLeft);
    AnswerQuestion(1);
    main->MenuDeleteFileClick();
    EXPECT_EQ(readAll(left + "twice.zip"), bytes);
    EXPECT_EQ(messages, QStringList({"d.txt: not deleted, the archive holds more than one "
                                     "member of that name"}));
    messages.clear();
    main->Left().Files->SetItemSelected(1, true);
    main->MenuMoveFileClick();
    EXPECT_EQ(readAll(left + "twice.zip"), bytes);
    EXPECT_FALSE(QFileInfo::exists(right + "d.txt"));
    EXPECT_EQ(messages, QStringList({"d.txt: not moved, the archive holds more than one "
                                     "member of that name"}));
}

TEST_F(FileOpsTest, CreateDirectoryOnceAndThenAMessageThatTheNameIsTaken)
{
    AnswerNextModal([](QDialog* d) { d->done(1); }); // the proposal as it stands
    main->MenuCreateDirectoryClick();
    EXPECT_TRUE(QFileInfo(left + "New directory").isDir());
    EXPECT_TRUE(Names(sdLeft).contains("New directory"));
    AnswerNextModal([](QDialog* d) { d->done(1); });
    main->MenuCreateDirectoryClick();
    EXPECT_EQ(messages, QStringList({"The directory \"New directory\" was not created: an entry "
                                     "of that name exists already."}));
    AnswerNextModal([](QDialog* d) { d->done(2); });
    main->MenuCreateDirectoryClick(); // cancelled: nothing
}

TEST_F(FileOpsTest, DraggingMovesOrCopiesOnceAndCancelsOverTheSource)
{
    dir.write("left/d1.txt", "1");
    dir.write("left/d2.txt", "2");
    Reload();
    Select(sdLeft, {"d1.txt"});
    main->FilesMouseMove(sdRight, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(main->DragMode, 2);
    main->FilesMouseMove(sdLeft, Qt::LeftButton, Qt::ControlModifier); // back over the source
    EXPECT_EQ(main->DragMode, 0);
    main->FilesMouseUp(sdLeft);
    EXPECT_FALSE(QFileInfo::exists(right + "d1.txt"));

    main->FilesMouseMove(sdRight, Qt::LeftButton, Qt::ControlModifier);
    main->FilesMouseUp(sdRight);
    EXPECT_EQ(readAll(right + "d1.txt"), "1");
    EXPECT_TRUE(QFileInfo::exists(left + "d1.txt"));
    EXPECT_EQ(main->DragMode, 0);

    Open(sdLeft, left);
    Select(sdLeft, {"d2.txt"});
    main->FilesMouseMove(sdRight, Qt::LeftButton, Qt::NoModifier);
    EXPECT_EQ(main->DragMode, 1);
    main->FilesMouseUp(sdRight);
    EXPECT_FALSE(QFileInfo::exists(left + "d2.txt"));
    EXPECT_EQ(readAll(right + "d2.txt"), "2");
    main->FilesMouseUp(sdRight); // a release without a new drag does nothing more
    EXPECT_EQ(readAll(right + "d2.txt"), "2");
}

TEST_F(FileOpsTest, DragCursorTellsOneItemFromSeveral)
{
    dir.write("left/a", "a");
    dir.write("left/b", "b");
    Reload();
    const auto shown = [this] {
        auto* view = static_cast<QAbstractItemView*>(main->Right().Files->ActiveView());
        return view->viewport()->cursor().pixmap().cacheKey();
    };
    Select(sdLeft, {"a"});
    main->FilesMouseMove(sdRight, Qt::LeftButton, Qt::NoModifier);
    EXPECT_EQ(shown(), SingleDragCursor().pixmap().cacheKey());
    Select(sdLeft, {"a", "b"});
    main->FilesMouseMove(sdRight, Qt::LeftButton, Qt::NoModifier);
    EXPECT_EQ(shown(), MultiDragCursor().pixmap().cacheKey());
    Select(sdLeft, {});
    main->FilesMouseMove(sdRight, Qt::LeftButton, Qt::NoModifier);
    EXPECT_EQ(shown(), MultiDragCursor().pixmap().cacheKey());
    main->FilesMouseMove(sdRight, Qt::NoButton, Qt::NoModifier);
    EXPECT_EQ(main->DragMode, 0);
    auto* view = static_cast<QAbstractItemView*>(main->Right().Files->ActiveView());
    EXPECT_EQ(view->viewport()->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(FileOpsTest, TheOtherPanelFollowsRenameDeleteAndNewDirectoryKeepingItsRows)
{
    dir.write("left/a.txt", "a");
    dir.write("left/b.txt", "b");
    dir.write("left/c.txt", "c");
    dir.write("left/sub/inner/deep.txt", "d");
    Reload();
    Open(sdRight, left);
    Select(sdRight, {"b.txt", "c.txt"});
    main->Right().Files->FocusItem(Row(sdRight, "c.txt"));
    main->Right().Files->SetItemSelected(Row(sdRight, "b.txt"), true);
    Select(sdLeft, {"a.txt"});
    main->Left().Files->FocusItem(Row(sdLeft, "a.txt"));

    TypeInput("renamed.txt");
    Press(Qt::Key_F9);
    EXPECT_TRUE(Names(sdRight).contains("renamed.txt"));
    EXPECT_FALSE(Names(sdRight).contains("a.txt"));
    EXPECT_EQ(SelectedNames(sdRight), QStringList({"b.txt", "c.txt"}));
    EXPECT_EQ(FocusedName(sdRight), "c.txt");
    EXPECT_EQ(main->ActivePanel, 1);

    Select(sdLeft, {"b.txt"});
    AnswerNextModal([](QDialog* d) { PressKey(d, Qt::Key_Return); }); // "Yes"
    Press(Qt::Key_F8);
    EXPECT_FALSE(Names(sdRight).contains("b.txt"));
    EXPECT_EQ(SelectedNames(sdRight), QStringList({"c.txt"}));
    EXPECT_EQ(FocusedName(sdRight), "c.txt");

    AnswerNextModal([](QDialog* d) { PressKey(d, Qt::Key_Return); }); // the proposal
    Press(Qt::Key_F7);
    EXPECT_TRUE(Names(sdRight).contains("New directory"));

    main->Left().Files->FocusItem(Row(sdLeft, "c.txt"));
    main->FilesEdited(sdLeft, "edited.txt");
    EXPECT_TRUE(Names(sdRight).contains("edited.txt"));
    EXPECT_FALSE(Names(sdRight).contains("c.txt"));

    // A panel inside a renamed tree follows it; inside a deleted one it goes up.
    Open(sdRight, left + "sub/inner/");
    Open(sdLeft, left);
    main->Left().Files->FocusItem(Row(sdLeft, "sub"));
    TypeInput("moved");
    Press(Qt::Key_F9);
    EXPECT_EQ(main->Right().Directory, left + "moved/inner/");
    EXPECT_TRUE(Names(sdRight).contains("deep.txt"));
    EXPECT_EQ(main->Right().DirectoryLabel->text(), left + "moved/inner/");
    Select(sdLeft, {"moved"});
    AnswerQuestion(1);
    Press(Qt::Key_F8);
    EXPECT_EQ(main->Right().Directory, left);
    EXPECT_FALSE(Names(sdRight).contains("moved"));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(FileOpsTest, RenamesThatFailSayWhatAndWhyInOneMessage)
{
    dir.write("left/a.txt", "a");
    dir.write("left/b.txt", "b");
    Reload();
    for (const QString& name : {"a.txt", "nowhere/b.txt", ""}) {
        main->Left().Files->FocusItem(Row(sdLeft, "b.txt"));
        TypeInput(name);
        Press(Qt::Key_F9);
    }
    main->Left().Files->FocusItem(Row(sdLeft, "b.txt"));
    main->FilesEdited(sdLeft, "a.txt");
    EXPECT_EQ(messages,
              QStringList({"\"b.txt\" was not renamed to \"a.txt\": an entry of that name exists "
                           "already.",
                           "\"b.txt\" was not renamed to \"nowhere/b.txt\": a name cannot contain "
                           "\"/\".",
                           "\"b.txt\" was not renamed to \"\": the new name is empty.",
                           "\"b.txt\" was not renamed to \"a.txt\": an entry of that name exists "
                           "already."}));
    messages.clear();
    Select(sdLeft, {"a.txt", "b.txt"});
    TypeInput("a.*"); // the first keeps its name, the second meets it
    Press(Qt::Key_F9);
    Select(sdLeft, {"a.txt", "b.txt"});
    TypeInput("*?.txt");
    Press(Qt::Key_F9);
    const QString why = QStringLiteral(": the \"?\" after a \"*\" in the mask stands for nothing "
                                       "and would stay in the name.");
    EXPECT_EQ(messages, QStringList({"\"b.txt\" was not renamed to \"a.txt\": an entry of that "
                                     "name exists already.",
                                     "Nothing was renamed: the mask \"*?.txt\" does not fit every "
                                     "name.\n\"a.txt\" would become \"a?.txt\"" +
                                         why + "\n\"b.txt\" would become \"b?.txt\"" + why}));
    EXPECT_EQ(readAll(left + "a.txt"), "a");
    EXPECT_EQ(readAll(left + "b.txt"), "b");
}

TEST_F(FileOpsTest, NewDirectoryWithoutANameOrOnTheDriveListSaysWhy)
{
    TypeInput("");
    Press(Qt::Key_F7);
    TypeInput("..");
    Press(Qt::Key_F7);
    Open(sdLeft, "Drives");
    Press(Qt::Key_F7); // no dialog: the drive list takes no directory
    EXPECT_EQ(messages, QStringList({"No directory was created: the name is empty.",
                                     "The directory \"..\" was not created: \"..\" is not a "
                                     "name.",
                                     "No directory can be created here: the drive list is not a "
                                     "folder."}));
    EXPECT_EQ(QDir(left).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}
