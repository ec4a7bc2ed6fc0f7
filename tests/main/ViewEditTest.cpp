#include "main/FileOpsFixture.h"
#include "main/ViewDispatch.h"
#include "main/Windows.h"
#include "players/ModuleTestFiles.h"
#include "players/uModule.h"
#include "players/uMusic.h"
#include "viewers/ModalAnswer.h"
#include "viewers/uImage.h"
#include "viewers/uText.h"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPlainTextEdit>

namespace
{

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
};

TEST_F(ViewEditTest, TextOnDiskOpensEditableAndAsAMemberReadOnly)
{
    dir.write("left/notes.txt", "hello from disk");
    ASSERT_TRUE(RunZip(left, {"-q", "notes.zip", "notes.txt"}));
    Reload();
    Focus(sdLeft, "notes.txt");
    main->MenuViewFileClick();
    ASSERT_EQ(Editors().size(), 1);
    EXPECT_TRUE(Editors()[0]->Editable());
    EXPECT_EQ(Editors()[0]->Memo->toPlainText(), "hello from disk");
    EXPECT_EQ(Editors()[0]->FileName(), left + "notes.txt");
    Editors()[0]->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // The member is opened from a private copy, not from the file beside the archive.
    QFile::remove(left + "notes.txt");
    dir.write("left/notes.txt", "the user's other file");
    Open(sdLeft, left);
    OpenArchive(sdLeft, "notes.zip");
    Focus(sdLeft, "notes.txt");
    main->MenuViewFileClick();
    ASSERT_EQ(Editors().size(), 1);
    TfText* editor = Editors()[0];
    EXPECT_FALSE(editor->Editable());
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
    main->MenuViewFileClick();
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
            // A question of the dialog itself (overwrite, no access) is a failure.
            testmodal::AnswerNextModal<QMessageBox>([](QMessageBox* box) {
                ADD_FAILURE() << "the file dialog asked: " << box->text().toStdString();
                box->reject();
            });
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

TEST_F(ViewEditTest, NothingHappensForUnknownExtensions)
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
}

TEST_F(ViewEditTest, DoubleClickOnAFileOpensIt)
{
    dir.write("left/a.txt", "text");
    Reload();
    DoubleClick(sdLeft, "a.txt");
    ASSERT_EQ(Editors().size(), 1);
    Editors()[0]->close();
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
    const QStringList tempBefore =
        QDir(QDir::tempPath(), "TRVX-*", QDir::Name, QDir::Dirs | QDir::CaseSensitive).entryList();
    OpenArchive(sdLeft, "tools.zip");
    Focus(sdLeft, "run.sh");
    main->MenuViewFileClick();
    EXPECT_EQ(main->ExtractedCopies().Count(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(marker), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(main->ExtractedCopies().Count(), 0, 5000);
    EXPECT_EQ(readAll(marker).trimmed(), "started");
    EXPECT_EQ(readAll(left + "run.sh"), "#!/bin/sh\nexit 0\n");
    EXPECT_EQ(
        QDir(QDir::tempPath(), "TRVX-*", QDir::Name, QDir::Dirs | QDir::CaseSensitive).entryList(),
        tempBefore);
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
