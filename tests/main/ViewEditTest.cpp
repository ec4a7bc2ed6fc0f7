#include "main/FileOpsFixture.h"
#include "main/ViewDispatch.h"
#include "main/Windows.h"
#include "players/ModuleTestFiles.h"
#include "players/uModule.h"
#include "players/uMusic.h"
#include "viewers/uImage.h"
#include "viewers/uText.h"

#include <QFile>
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
