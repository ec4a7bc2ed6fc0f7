#include "fileops/uConfirm.h"
#include "fileops/uProgress.h"
#include "main/FileOpsFixture.h"
#include "main/ViewDispatch.h"
#include "platform/FileOpsFaults.h"
#include "platform/base/OwnerTag.h"
#include "players/ModuleTestFiles.h"
#include "players/PlayerWindows.h"
#include "players/uModule.h"
#include "players/uMusic.h"
#include "viewers/ModalAnswer.h"
#include "viewers/uImage.h"
#include "viewers/uText.h"
#include "viewers/uTextView.h"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QTest>
#include <atomic>
#include <thread>

namespace
{

// This process's private folders in the system's temporary folder (others' come and go).
QStringList OwnPrivateFolders()
{
    const QString pattern =
        QStringLiteral("TRVX-%1-*").arg(QString::fromStdString(trvxbase::OwnerTag()));
    return QDir(QDir::tempPath(), pattern, QDir::Name, QDir::Dirs | QDir::CaseSensitive)
        .entryList();
}

TExtensionCategories Categories(const QString& module, const QString& music)
{
    TExtensionCategories c;
    c.SetCategory(TExtensionCategory::Image, "BMP PNG");
    c.SetCategory(TExtensionCategory::Text, "TXT GZ");
    c.SetCategory(TExtensionCategory::Module, module);
    c.SetCategory(TExtensionCategory::Music, music);
    c.SetCategory(TExtensionCategory::Program, "SH");
    c.SetCategory(TExtensionCategory::Database, "DBF");
    return c;
}

} // namespace

TEST(ViewDispatch, ExtensionsByCategoryInTheirOrder)
{
    const TExtensionCategories c = Categories("MOD MID", "MID");
    EXPECT_EQ(FindViewAction(c, "README.TXT", false), TViewAction::Text);
    EXPECT_EQ(FindViewAction(c, "readme.txt", false), TViewAction::Text);
    EXPECT_EQ(FindViewAction(c, "archive.tar.gz", false), TViewAction::Text);
    EXPECT_EQ(FindViewAction(c, "README", false), TViewAction::None);
    EXPECT_EQ(FindViewAction(c, "table.dbf", false), TViewAction::None);
    EXPECT_EQ(FindViewAction(c, "unknown.xyz", false), TViewAction::None);
    // Listed as module and as music: module from disk, music from an archive.
    EXPECT_EQ(FindViewAction(c, "song.mid", false), TViewAction::Module);
    EXPECT_EQ(FindViewAction(c, "dir/song.mid", true), TViewAction::Music);
    EXPECT_EQ(FindViewAction(c, "tune.mod", true), TViewAction::Module);
}

class ViewEditTest : public FileOpsTest
{
protected:
    void SetUp() override
    {
        FileOpsTest::SetUp();
        main->Categories = Categories("MOD", "MID");
    }
    void Focus(TSide side, const QString& name)
    {
        main->Panel(side).Files->FocusItem(Row(side, name));
        main->FilesEnter(side);
    }
    QList<TfText*> Editors() { return main->findChildren<TfText*>(); }
    // Presses a key in a panel's list, as a user does (F3, F4).
    void Press(TSide side, Qt::Key key)
    {
        QApplication::setActiveWindow(main.get());
        main->FilesEnter(side);
        QTest::keyClick(main->Panel(side).Files->ActiveView(), key);
    }
    // Types at the end of an editor's text and saves it with Ctrl+S.
    static void TypeAndSave(TfText* editor, const QString& text)
    {
        // The editor's own window must have the keys, not the main window, whose Ctrl+S
        // is another command (an editor counts as active already when its owner is).
        editor->activateWindow();
        EXPECT_TRUE(QTest::qWaitFor([editor] { return QApplication::activeWindow() == editor; }));
        editor->Memo->setFocus();
        editor->Memo->moveCursor(QTextCursor::End);
        QTest::keyClicks(editor->Memo, text);
        QTest::keyClick(editor->Memo, Qt::Key_S, Qt::ControlModifier);
    }
    // Answers the next file dialog by typing `path`; `folder` and `proposed` receive the
    // folder it started in and the name it proposed.
    static void AnswerSaveDialog(const QString& path, QString* folder, QString* proposed)
    {
        testmodal::AnswerNextModal<QFileDialog>([=](QFileDialog* d) {
            auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(name, nullptr);
            *folder = d->directory().absolutePath();
            *proposed = name->text();
            for (auto* view : d->findChildren<QAbstractItemView*>())
                if (view->selectionModel())
                    view->selectionModel()->clearSelection(); // the typed name counts
            name->setText(path);
            static_cast<QDialog*>(d)->accept();
        });
    }
    // Answers the next confirmation with Yes or No; `notice` receives what it said, and
    // `before` runs inside it before the answer, to schedule the answer of what follows.
    static void AnswerConfirm(bool yes, QString* notice, std::function<void()> before = {})
    {
        testmodal::AnswerNextModal<TfConfirm>([=](TfConfirm* d) {
            *notice = d->LabelNotice->text();
            if (before)
                before();
            (yes ? d->ButtonAccept : d->ButtonCancel)->click();
        });
    }
    // An archive in the left folder holding notes.txt ("first text\n") and other.txt,
    // shown in the left panel, with notes.txt open in an editor by F4.
    TfText* EditNotes()
    {
        dir.write("src/notes.txt", "first text\n");
        dir.write("src/other.txt", "other\n");
        EXPECT_TRUE(RunZip(dir("src"), {"-q", left + "backup.zip", "notes.txt", "other.txt"}));
        Reload();
        OpenArchive(sdLeft, "backup.zip");
        return EditAgain();
    }
    TfText* EditAgain()
    {
        main->Left().Files->FocusItem(Row(sdLeft, "notes.txt"));
        const int before = int(Editors().size());
        Press(sdLeft, Qt::Key_F4);
        return Editors().size() == before + 1 ? Editors().back() : nullptr;
    }
    static void Settle()
    {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
};

TEST_F(ViewEditTest, TextOnDiskOpensInTheReadOnlyViewAndAsAMemberFromAPrivateCopy)
{
    dir.write("left/notes.txt", "hello from disk");
    ASSERT_TRUE(RunZip(left, {"-q", "notes.zip", "notes.txt"}));
    Reload();
    Focus(sdLeft, "notes.txt");
    main->MenuViewFileClick();
    EXPECT_TRUE(Editors().isEmpty());
    const QList<TfTextView*> views = main->findChildren<TfTextView*>();
    ASSERT_EQ(views.size(), 1);
    EXPECT_EQ(views[0]->Page->VisibleRows(), QStringList("hello from disk"));
    EXPECT_EQ(views[0]->Text().Path(), left + "notes.txt");
    views[0]->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // The member is opened from a private copy, not from the file beside the archive.
    QFile::remove(left + "notes.txt");
    dir.write("left/notes.txt", "the user's other file");
    Open(sdLeft, left);
    OpenArchive(sdLeft, "notes.zip");
    Focus(sdLeft, "notes.txt");
    main->MenuViewFileClick(); // the read-only view, of a private copy
    EXPECT_TRUE(Editors().isEmpty());
    const QList<TfTextView*> memberViews = main->findChildren<TfTextView*>();
    ASSERT_EQ(memberViews.size(), 1);
    EXPECT_EQ(memberViews[0]->Page->VisibleRows(), QStringList("hello from disk"));
    const QString viewed = memberViews[0]->Text().Path();
    EXPECT_FALSE(viewed.startsWith(left));
    EXPECT_EQ(main->ExtractedCopies().Count(), 1);
    memberViews[0]->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(main->ExtractedCopies().Count(), 0);
    EXPECT_FALSE(QFileInfo::exists(viewed));

    main->MenuEditFileClick(); // the editor, whose Save can put it back
    ASSERT_EQ(Editors().size(), 1);
    TfText* editor = Editors()[0];
    EXPECT_TRUE(editor->Editable());
    EXPECT_EQ(editor->Memo->toPlainText(), "hello from disk");
    EXPECT_FALSE(editor->FileName().startsWith(left));
    EXPECT_EQ(main->ExtractedCopies().Count(), 1);
    const QString copy = editor->FileName();
    editor->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(main->ExtractedCopies().Count(), 0);
    EXPECT_FALSE(QFileInfo::exists(copy));
    EXPECT_EQ(readAll(left + "notes.txt"), "the user's other file");
}

TEST_F(ViewEditTest, SaveAsFromAMembersEditorStartsBesideTheArchive)
{
    dir.write("left/notes.txt", "hello from the archive");
    ASSERT_TRUE(RunZip(left, {"-q", "-m", "notes.zip", "notes.txt"}));
    Reload();
    OpenArchive(sdLeft, "notes.zip");
    Focus(sdLeft, "notes.txt");
    main->MenuEditFileClick();
    ASSERT_EQ(Editors().size(), 1);
    QPointer<TfText> editor = Editors()[0];

    // The dialog as the user sees it, answered by typing a bare name (empty: cancel).
    struct TSeen {
        QString Folder, Name;
    };
    const auto saveAs = [](TfText* editor, const QString& typed) {
        TSeen seen;
        AnswerNextModal([&seen, typed](QDialog* d) {
            auto* dialog = qobject_cast<QFileDialog*>(d);
            auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_TRUE(dialog && name);
            seen = {dialog->directory().absolutePath(), name->text()};
            for (auto* view : d->findChildren<QAbstractItemView*>())
                if (view->selectionModel())
                    view->selectionModel()->clearSelection(); // the typed name counts
            name->setText(typed);
            // A question of the dialog itself (overwrite, no access) is a failure; the
            // watch for one ends with the dialog.
            QObject during;
            testmodal::AnswerNextModal<QMessageBox>(
                [](QMessageBox* box) {
                    ADD_FAILURE() << "the file dialog asked: " << box->text().toStdString();
                    box->reject();
                },
                nullptr, &during);
            typed.isEmpty() ? d->reject() : d->accept();
        });
        editor->MenuFileSaveAs->trigger();
        return seen;
    };
    const QString archiveFolder = QDir(left).absolutePath();
    TSeen seen = saveAs(editor, "copy.txt");
    EXPECT_EQ(archiveFolder, seen.Folder);
    EXPECT_EQ("notes.txt", seen.Name);
    editor->MenuFileNew->trigger();
    EXPECT_EQ(archiveFolder, saveAs(editor, QString()).Folder);
    editor->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(editor.isNull());
    EXPECT_EQ(readAll(left + "copy.txt"), "hello from the archive");

    // A later untitled text does not start in the system's temporary folder either.
    main->MenuTextEditorClick();
    ASSERT_EQ(Editors().size(), 1);
    seen = saveAs(Editors()[0], QString());
    EXPECT_FALSE(seen.Folder.startsWith(QDir::tempPath())) << seen.Folder.toStdString();
    Editors()[0]->close();
}

// F3 on a file of no category (nor the database files') shows it read-only.
TEST_F(ViewEditTest, UnknownExtensionsOpenTheReadOnlyView)
{
    dir.write("left/README", "no extension");
    dir.write("left/data.dbf", "db");
    Reload();
    for (const QString& name : {"README", "data.dbf"}) {
        Focus(sdLeft, name);
        main->MenuViewFileClick();
    }
    EXPECT_TRUE(Editors().isEmpty());
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(main->findChildren<TfTextView*>().size(), 2);
}

TEST_F(ViewEditTest, DoubleClickOnAFileOpensIt)
{
    dir.write("left/a.txt", "text");
    Reload();
    DoubleClick(sdLeft, "a.txt");
    const QList<TfTextView*> views = main->findChildren<TfTextView*>();
    ASSERT_EQ(views.size(), 1);
    views[0]->close();
}

TEST_F(ViewEditTest, ProgramMemberIsStartedFromAPrivateCopyThatGoesAfterwards)
{
    const QString marker = dir("ran.txt");
    dir.write("src/run.sh", ("#!/bin/sh\necho started > '" + marker + "'\n").toUtf8());
    QFile::setPermissions(dir("src/run.sh"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_TRUE(RunZip(dir("src"), {"-q", left + "tools.zip", "run.sh"}));
    dir.write("left/run.sh", "#!/bin/sh\nexit 0\n"); // the user's file of the same name
    Reload();
    main->ProgramCopyLifetimeMs = 1500;
    const QStringList tempBefore = OwnPrivateFolders();
    OpenArchive(sdLeft, "tools.zip");
    Focus(sdLeft, "run.sh");
    main->MenuViewFileClick();
    EXPECT_EQ(main->ExtractedCopies().Count(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(marker); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return main->ExtractedCopies().Count() == 0; }, 5000));
    EXPECT_EQ(readAll(marker).trimmed(), "started");
    EXPECT_EQ(readAll(left + "run.sh"), "#!/bin/sh\nexit 0\n");
    EXPECT_EQ(OwnPrivateFolders(), tempBefore);
}

TEST_F(ViewEditTest, ModuleFromDiskAndMusicFromAnArchiveForOneExtension)
{
    // ".MID" stands in both categories; a real MIDI file plays in either player.
    main->Categories = Categories("MID", "MID");
    dir.write("src/song.mid", modfiles::MidiFile());
    ASSERT_TRUE(RunZip(dir("src"), {"-q", left + "songs.zip", "song.mid"}));
    dir.write("left/song.mid", modfiles::MidiFile());
    Reload();

    Focus(sdLeft, "song.mid");
    main->MenuViewFileClick();
    ASSERT_NE(fModule, nullptr);
    EXPECT_EQ(fModule->FileName, left + "song.mid");
    EXPECT_TRUE(fMusic == nullptr || !fMusic->isVisible());
    fModule->close();

    OpenArchive(sdLeft, "songs.zip");
    Focus(sdLeft, "song.mid");
    main->MenuViewFileClick();
    ASSERT_NE(fMusic, nullptr);
    EXPECT_TRUE(fMusic->isVisible());
    EXPECT_TRUE(fMusic->FileName.endsWith("/song.mid"));
    EXPECT_FALSE(fMusic->FileName.startsWith(left));
    EXPECT_EQ(main->ExtractedCopies().Count(), 1);
    fMusic->close();
    EXPECT_EQ(main->ExtractedCopies().Count(), 0);
}

TEST_F(ViewEditTest, F4EditsTheFileUnderTheCursorWhateverItsCategory)
{
    dir.write("left/picture.png", "not a picture, but text");
    dir.write("left/README", "no extension");
    dir.mkdir("left/folder");
    Reload();
    for (const QString& name : {"picture.png", "README"}) {
        main->Left().Files->FocusItem(Row(sdLeft, name));
        Press(sdLeft, Qt::Key_F4);
        ASSERT_EQ(Editors().size(), 1) << qPrintable(name);
        QPointer<TfText> editor = Editors()[0];
        EXPECT_TRUE(editor->Editable());
        EXPECT_EQ(editor->FileName(), left + name);
        TypeAndSave(editor, "!");
        editor->close();
        Settle();
        EXPECT_TRUE(editor.isNull());
    }
    EXPECT_EQ(readAll(left + "picture.png"), "not a picture, but text!");
    EXPECT_EQ(readAll(left + "README"), "no extension!");
    // Folders and ".." are not files to edit.
    for (const QString& name : {"folder", ".."}) {
        main->Left().Files->FocusItem(Row(sdLeft, name));
        Press(sdLeft, Qt::Key_F4);
        EXPECT_TRUE(Editors().isEmpty()) << qPrintable(name);
    }
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}

TEST_F(ViewEditTest, QuittingWithAChangedTextCanBeCancelledAndKeepsTheText)
{
    dir.write("left/notes.txt", "hello");
    Reload();
    main->Left().Files->FocusItem(Row(sdLeft, "notes.txt"));
    Press(sdLeft, Qt::Key_F4);
    ASSERT_EQ(Editors().size(), 1);
    QPointer<TfText> editor = Editors()[0];
    editor->Memo->moveCursor(QTextCursor::End);
    QTest::keyClicks(editor->Memo, " world");
    for (const testmodal::TAnswer answer :
         {testmodal::TAnswer::Escape, testmodal::TAnswer::CloseBox}) {
        testmodal::AnswerQuestion(answer);
        main->Actions.MenuExit->trigger();
        Settle();
        EXPECT_TRUE(main->isVisible());
        ASSERT_FALSE(editor.isNull());
        EXPECT_EQ(editor->Memo->toPlainText(), "hello world");
        EXPECT_TRUE(editor->Modified());
    }
    EXPECT_EQ(readAll(left + "notes.txt"), "hello");
    testmodal::AnswerQuestion(testmodal::TAnswer::No);
    editor->close();
    Settle();
    EXPECT_TRUE(editor.isNull());
}

TEST_F(ViewEditTest, AMembersCopyOutlivesMinimisingAndGoesWithItsWindow)
{
    dir.write("left/notes.txt", "hello");
    ASSERT_TRUE(RunZip(left, {"-q", "-m", "notes.zip", "notes.txt"}));
    Reload();
    OpenArchive(sdLeft, "notes.zip");
    main->Left().Files->FocusItem(Row(sdLeft, "notes.txt"));
    Press(sdLeft, Qt::Key_F4);
    ASSERT_EQ(Editors().size(), 1);
    QPointer<TfText> editor = Editors()[0];
    const QString copy = editor->FileName();
    editor->showMinimized();
    Settle();
    ASSERT_TRUE(editor->isMinimized());
    EXPECT_EQ(main->ExtractedCopies().Count(), 1);
    EXPECT_EQ(readAll(copy), "hello");
    editor->showNormal();
    Settle();
    EXPECT_EQ(main->ExtractedCopies().Count(), 1);
    EXPECT_TRUE(QFileInfo::exists(copy));
    editor->close();
    Settle();
    EXPECT_TRUE(editor.isNull());
    EXPECT_EQ(main->ExtractedCopies().Count(), 0);
    EXPECT_FALSE(QFileInfo::exists(copy));
}

namespace
{

// What `unzip` says of an archive: the test's exit code, then the member names in order.
QString UnzipCheck(const QString& archive)
{
    QProcess test, names;
    test.start("unzip", {"-tq", archive});
    names.start("unzip", {"-Z1", archive});
    test.waitForFinished();
    names.waitForFinished();
    return QString::number(test.exitCode()) + ": " +
           QString::fromUtf8(names.readAllStandardOutput()).trimmed().replace('\n', ' ');
}

} // namespace

TEST_F(ViewEditTest, AnEditedMemberIsPutBackIntoItsArchiveAndNothingElseChanges)
{
    dir.write("src/notes.txt", "first text\n");
    dir.write("src/other.txt", "untouched\n");
    dir.write("src/sub/deep.txt", "deep\n");
    ASSERT_TRUE(
        RunZip(dir("src"), {"-q", "-r", left + "backup.zip", "notes.txt", "other.txt", "sub"}));
    const QString archive = left + "backup.zip";
    Reload();
    Open(sdRight, left); // the folder that holds the archive
    OpenArchive(sdLeft, "backup.zip");

    // F4, then the window is minimised and comes back before the save.
    main->Left().Files->FocusItem(Row(sdLeft, "notes.txt"));
    Press(sdLeft, Qt::Key_F4);
    ASSERT_EQ(Editors().size(), 1);
    QPointer<TfText> editor = Editors()[0];
    EXPECT_EQ(editor->windowTitle(), "notes.txt in backup.zip");
    EXPECT_TRUE(editor->Editable());
    const QString copy = editor->FileName();
    editor->showMinimized();
    Settle();
    editor->showNormal();
    Settle();
    QString asked;
    testmodal::AnswerQuestion(testmodal::TAnswer::Yes, &asked);
    TypeAndSave(editor, "second");
    EXPECT_TRUE(asked.startsWith("Put the changed notes.txt back into backup.zip?\n"))
        << qPrintable(asked);
    EXPECT_FALSE(editor->Modified());
    EXPECT_EQ(MemberContent(archive, "notes.txt"), "first text\nsecond");
    EXPECT_EQ(MemberContent(archive, "other.txt"), "untouched\n");
    EXPECT_EQ(UnzipCheck(archive), "0: notes.txt other.txt sub/ sub/deep.txt");
    // Both panels show the change: the member's new size, the archive's.
    const TFileListing& members = main->Left().Listing;
    EXPECT_EQ(members[Row(sdLeft, "notes.txt")].Size, 17);
    EXPECT_EQ(main->Right().Listing[Row(sdRight, "backup.zip")].Size, QFileInfo(archive).size());
    editor->close();
    Settle();
    EXPECT_TRUE(editor.isNull());
    EXPECT_FALSE(QFileInfo::exists(copy));

    // A member in a folder is put back in it.
    main->Left().Files->FocusItem(Row(sdLeft, "sub"));
    Press(sdLeft, Qt::Key_Return); // into the archive's folder sub
    main->Left().Files->FocusItem(Row(sdLeft, "sub/deep.txt"));
    Press(sdLeft, Qt::Key_F4);
    ASSERT_EQ(Editors().size(), 1);
    editor = Editors()[0];
    EXPECT_EQ(editor->windowTitle(), "sub/deep.txt in backup.zip");
    testmodal::AnswerQuestion(testmodal::TAnswer::Yes);
    TypeAndSave(editor, "er");
    EXPECT_EQ(MemberContent(archive, "sub/deep.txt"), "deep\ner");
    EXPECT_EQ(UnzipCheck(archive), "0: notes.txt other.txt sub/ sub/deep.txt");
    editor->close();
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}

// After the put-back's question the editor has the keys again: the next Ctrl+S is the
// editor's, not the main window's.
TEST_F(ViewEditTest, AnEditorHasTheKeysAgainAfterPuttingAMemberBack)
{
    TfText* editor = EditNotes();
    ASSERT_NE(editor, nullptr);
    testmodal::AnswerQuestion(testmodal::TAnswer::Yes);
    TypeAndSave(editor, "second");
    EXPECT_EQ(MemberContent(left + "backup.zip", "notes.txt"), "first text\nsecond");
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), editor);

    testmodal::AnswerQuestion(testmodal::TAnswer::Yes);
    QTest::keyClicks(editor->Memo, "!");
    QTest::keyClick(editor->Memo, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(MemberContent(left + "backup.zip", "notes.txt"), "first text\nsecond!");
    EXPECT_FALSE(editor->Modified());
}

TEST_F(ViewEditTest, PuttingAMemberBackKeepsTheProgramBeforeTheArchive)
{
    dir.write("src/notes.txt", "text");
    ASSERT_TRUE(RunZip(dir("src"), {"-q", dir("plain.zip"), "notes.txt"}));
    const QByteArray program("#!/bin/sh\necho a self-extracting program\nexit 0\n");
    dir.write("left/tool.zip", program + readAll(dir("plain.zip")));
    ASSERT_TRUE(RunZip(left, {"-q", "-A", "tool.zip"})); // offsets that count the program
    Reload();
    OpenArchive(sdLeft, "tool.zip");
    main->Left().Files->FocusItem(Row(sdLeft, "notes.txt"));
    Press(sdLeft, Qt::Key_F4);
    ASSERT_EQ(Editors().size(), 1);
    testmodal::AnswerQuestion(testmodal::TAnswer::Yes);
    TypeAndSave(Editors()[0], " changed");
    EXPECT_TRUE(readAll(left + "tool.zip").startsWith(program));
    EXPECT_EQ(MemberContent(left + "tool.zip", "notes.txt"), "text changed");
    EXPECT_TRUE(UnzipCheck(left + "tool.zip").startsWith("0: "))
        << qPrintable(UnzipCheck(left + "tool.zip"));
    Editors()[0]->close();
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}

TEST_F(ViewEditTest, AMemberThatCannotBePutBackKeepsTheEditorItsTextAndItsCopy)
{
    dir.write("src/notes.txt", "text");
    dir.write("src/other.txt", "other");
    ASSERT_TRUE(RunZip(dir("src"), {"-q", left + "backup.zip", "notes.txt", "other.txt"}));
    Reload();
    OpenArchive(sdLeft, "backup.zip");
    main->Left().Files->FocusItem(Row(sdLeft, "notes.txt"));
    Press(sdLeft, Qt::Key_F4);
    ASSERT_EQ(Editors().size(), 1);
    QPointer<TfText> editor = Editors()[0];
    // Another program takes the member out meanwhile.
    ASSERT_TRUE(RunZip(left, {"-q", "-d", "backup.zip", "notes.txt"}));
    const QByteArray before = readAll(left + "backup.zip");
    QString notice;
    testmodal::AnswerQuestion(testmodal::TAnswer::Yes, nullptr,
                              [&] { AnswerConfirm(false, &notice); });
    TypeAndSave(editor, " edited");
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
    EXPECT_TRUE(notice.contains("notes.txt") && notice.contains("no member")) << qPrintable(notice);
    EXPECT_EQ(readAll(left + "backup.zip"), before);
    ASSERT_FALSE(editor.isNull());
    EXPECT_TRUE(editor->Modified());
    EXPECT_EQ(editor->Memo->toPlainText(), "text edited");
    EXPECT_EQ(readAll(editor->FileName()), "text edited"); // the private copy is there

    // No: Save as, starting beside the archive; the editor then shows that file.
    QString folder, proposed;
    testmodal::AnswerQuestion(testmodal::TAnswer::No, nullptr,
                              [&] { AnswerSaveDialog(left + "rescued.txt", &folder, &proposed); });
    editor->MenuFileSave->trigger();
    EXPECT_EQ(folder, QDir(left).absolutePath());
    EXPECT_EQ(proposed, "notes.txt");
    EXPECT_EQ(readAll(left + "rescued.txt"), "text edited");
    EXPECT_EQ(editor->windowTitle(), left + "rescued.txt");
    EXPECT_FALSE(editor->Modified());
    editor->close();
}

TEST_F(ViewEditTest, AMemberOfAReadOnlyArchiveSaysSoAndIsSavedBesideIt)
{
    dir.write("src/notes.txt", "in a tar");
    QProcess tar;
    tar.start("tar", {"-cf", left + "notes.tar", "-C", dir("src"), "notes.txt"});
    ASSERT_TRUE(tar.waitForFinished() && tar.exitCode() == 0);
    Reload();
    DoubleClick(sdLeft, "notes.tar");
    ASSERT_TRUE(main->ShowsReadOnlyArchive(sdLeft));
    main->Left().Files->FocusItem(Row(sdLeft, "notes.txt"));
    Press(sdLeft, Qt::Key_F4);
    ASSERT_EQ(Editors().size(), 1);
    TfText* editor = Editors()[0];
    EXPECT_EQ(editor->windowTitle(), "notes.txt in notes.tar (read-only)");
    QString folder, proposed;
    AnswerSaveDialog(left + "copy.txt", &folder, &proposed);
    TypeAndSave(editor, "!");
    EXPECT_EQ(folder, QDir(left).absolutePath());
    EXPECT_EQ(proposed, "notes.txt");
    EXPECT_EQ(readAll(left + "copy.txt"), "in a tar!");
    editor->close();
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}

// Another program updates the member after F4: the save never replaces the newer member,
// says what changed, and offers a file of its own for the edited text.
TEST_F(ViewEditTest, AMemberChangedSinceItWasExtractedIsNeverOverwrittenAndTheEditIsKept)
{
    TfText* editor = EditNotes();
    ASSERT_NE(editor, nullptr);
    dir.write("src/notes.txt", "the other program's text\n");
    ASSERT_TRUE(RunZip(dir("src"), {"-q", left + "backup.zip", "notes.txt"}));
    const QByteArray theirs = readAll(left + "backup.zip");
    QString notice, folder, proposed;
    testmodal::AnswerQuestion(testmodal::TAnswer::Yes, nullptr, [&] {
        AnswerConfirm(true, &notice,
                      [&] { AnswerSaveDialog(left + "mine.txt", &folder, &proposed); });
    });
    TypeAndSave(editor, "mine");
    EXPECT_TRUE(notice.contains("notes.txt in it changed since it was extracted: its size "
                                "from 11 to 25 bytes"))
        << qPrintable(notice);
    EXPECT_EQ(readAll(left + "backup.zip"), theirs);
    EXPECT_EQ(readAll(left + "mine.txt"), "first text\nmine");
    EXPECT_EQ(folder, QDir(left).absolutePath());
    EXPECT_FALSE(editor->Modified());
    editor->close();
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}

// The archive is renamed and a copy of it takes its name: the member is the same, but the
// save never goes into the other file.
TEST_F(ViewEditTest, AnotherArchiveUnderTheSameNameIsNeverWritten)
{
    TfText* editor = EditNotes();
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(QFile::rename(left + "backup.zip", left + "old.zip"));
    ASSERT_TRUE(QFile::copy(left + "old.zip", left + "backup.zip"));
    const QByteArray before = readAll(left + "backup.zip");
    QString notice;
    testmodal::AnswerQuestion(testmodal::TAnswer::Yes, nullptr,
                              [&] { AnswerConfirm(false, &notice); });
    TypeAndSave(editor, "mine");
    EXPECT_TRUE(notice.contains("the archive is another file than the one notes.txt was "
                                "extracted from"))
        << qPrintable(notice);
    EXPECT_EQ(readAll(left + "backup.zip"), before);
    EXPECT_EQ(readAll(left + "old.zip"), before);
    EXPECT_TRUE(editor->Modified());
    EXPECT_EQ(readAll(editor->FileName()), "first text\nmine"); // the private copy holds it
    testmodal::AnswerQuestion(testmodal::TAnswer::No);          // closing drops the edit
    editor->close();
}

// Two editors on one member: the first save goes back, the second is refused as a
// changed member; the first editor's later saves go on, checked against its own put-back.
TEST_F(ViewEditTest, TheSecondEditorOfOneMemberCannotOverwriteTheFirstOnesSave)
{
    QPointer<TfText> first = EditNotes();
    QPointer<TfText> second = EditAgain();
    ASSERT_TRUE(first && second && first != second);
    testmodal::AnswerQuestion(testmodal::TAnswer::Yes);
    TypeAndSave(first, "one");
    EXPECT_EQ(MemberContent(left + "backup.zip", "notes.txt"), "first text\none");

    QString notice;
    testmodal::AnswerQuestion(testmodal::TAnswer::Yes, nullptr,
                              [&] { AnswerConfirm(false, &notice); });
    TypeAndSave(second, "two");
    EXPECT_TRUE(notice.contains("its size from 11 to 14 bytes")) << qPrintable(notice);
    EXPECT_EQ(MemberContent(left + "backup.zip", "notes.txt"), "first text\none");
    EXPECT_TRUE(second->Modified());

    testmodal::AnswerQuestion(testmodal::TAnswer::Yes);
    TypeAndSave(first, " more");
    EXPECT_EQ(MemberContent(left + "backup.zip", "notes.txt"), "first text\none more");
    EXPECT_FALSE(first->Modified());
    first->close();
    testmodal::AnswerQuestion(testmodal::TAnswer::No); // closing drops the edit
    second->close();
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}

// A folder read that ends while a put-back runs waits for it to end: it never lands
// inside it, and what the read has to say is shown, not taken into the put-back's answer.
TEST_F(ViewEditTest, AReadEndingDuringAPutBackLandsAfterItAndSaysWhatItHasToSay)
{
    TfText* editor = EditNotes();
    ASSERT_NE(editor, nullptr);
    dir.write("right/slow/a.txt", "a");
    dir.write("right/slow/b.txt", "b");
    const auto release = std::make_shared<std::atomic<bool>>(false);
    platform::SetFileOpsFaultHook([release](platform::TFileOpsStep step, const QString& path) {
        if (step != platform::TFileOpsStep::DirectoryEntry || !path.endsWith("/slow/"))
            return 0;
        static thread_local int calls = 0;
        if (++calls == 1)
            for (int i = 0; i < 1000 && !release->load(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return calls == 2 ? EIO : 0; // and then fails
    });
    const auto unhook = qScopeGuard([release] {
        release->store(true);
        EXPECT_TRUE(QTest::qWaitFor([] { return TFileWorker::Running() == 0; }, 15000));
        platform::SetFileOpsFaultHook({});
    });
    main->Right().Directory = right + "slow/";
    main->RefreshPanel(sdRight);
    ASSERT_TRUE(main->Reading(sdRight));
    // The read ends; its rows are posted, not yet taken.
    release->store(true);
    for (int i = 0; i < 1000 && TFileWorker::Running() > 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(TFileWorker::Running(), 0);

    QFile copy(editor->FileName());
    ASSERT_TRUE(copy.open(QIODevice::WriteOnly | QIODevice::Truncate));
    copy.write("edited\n");
    copy.close();
    EXPECT_EQ(editor->Member().PutBack(editor->FileName()), QString());
    EXPECT_TRUE(main->Reading(sdRight)); // not landed inside the put-back
    EXPECT_EQ(MemberContent(left + "backup.zip", "notes.txt"), "edited\n");
    ASSERT_TRUE(QTest::qWaitFor([this] { return !main->Reading(sdRight); }, 10000));
    EXPECT_EQ(messages.filter(right + "slow/").size(), 1) << qPrintable(messages.join('\n'));
    editor->close();
}

// The "editor" is a script that writes its arguments, one a line, then the file's text.
TEST_F(ViewEditTest, AnOutsideEditorOrViewerGetsTheFilesPathAndAMissingOneSaysSo)
{
    const QString said = dir("said.txt");
    const QString script = dir.write(
        "bin/fake editor.sh", ("#!/bin/sh\n{ for a in \"$@\"; do printf '%s\\n' \"$a\"; done; "
                               "for a in \"$@\"; do last=$a; done; cat \"$last\"; } > '" +
                               said + ".part' && mv '" + said + ".part' '" + said + "'\n")
                                  .toUtf8());
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    main->Programs.SetCommand(TExtensionCategory::Text, TExternalRole::Editor,
                              "\"" + script + "\" --edit %f");
    main->Programs.SetCommand(TExtensionCategory::Image, TExternalRole::Viewer,
                              "\"" + script + "\"");
    dir.write("left/my notes.txt", "typed text\n");
    dir.write("left/photo.png", "pixels\n");
    Reload();
    const auto waitForSaid = [&] {
        const bool came = QTest::qWaitFor([&] { return QFileInfo::exists(said); }, 20000);
        const QByteArray text = readAll(said);
        QFile::remove(said);
        return came ? text : QByteArray("(nothing came)");
    };

    main->Left().Files->FocusItem(Row(sdLeft, "my notes.txt"));
    Press(sdLeft, Qt::Key_F4);
    EXPECT_EQ(waitForSaid(), ("--edit\n" + left + "my notes.txt\ntyped text\n").toUtf8());
    main->Left().Files->FocusItem(Row(sdLeft, "photo.png"));
    Press(sdLeft, Qt::Key_F3);
    EXPECT_EQ(waitForSaid(), (left + "photo.png\npixels\n").toUtf8());
    EXPECT_TRUE(Editors().isEmpty());
    EXPECT_TRUE(main->findChildren<TfImage*>().isEmpty());

    // A member: the path of its extracted copy, which holds the member's text.
    dir.write("src/inside.txt", "member text\n");
    ASSERT_TRUE(RunZip(dir("src"), {"-q", left + "pack.zip", "inside.txt"}));
    Reload();
    OpenArchive(sdLeft, "pack.zip");
    main->Left().Files->FocusItem(Row(sdLeft, "inside.txt"));
    Press(sdLeft, Qt::Key_F4);
    const QList<QByteArray> lines = waitForSaid().split('\n');
    ASSERT_EQ(lines.size(), 4) << lines.join('|').constData();
    EXPECT_TRUE(lines[1].endsWith("/inside.txt") && !lines[1].startsWith(left.toUtf8()))
        << lines[1].constData();
    EXPECT_EQ(lines[2], "member text");
    EXPECT_TRUE(Editors().isEmpty());
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));

    // A program that cannot start says so, and nothing else opens.
    main->Programs.SetCommand(TExtensionCategory::Text, TExternalRole::Editor,
                              dir("bin/no such editor") + " %f");
    Press(sdLeft, Qt::Key_F4);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("Cannot start ") && messages[0].contains("inside.txt"))
        << qPrintable(messages[0]);
    EXPECT_TRUE(Editors().isEmpty());
}
