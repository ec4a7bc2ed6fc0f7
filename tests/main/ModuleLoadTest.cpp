// The players and the HTML viewer live in modules loaded by F3 on their first file: what
// a user sees when a module or a library it needs is missing, the real players' module
// loaded from beside the program, and the wait cursor over a first load.
#include "main/FileOpsFixture.h"
#include "modules/ViewerModules.h"
#include "players/PlayerWindows.h"
#include "players/WavFiles.h"
#include "viewers/uText.h"

#include <QCursor>
#include <QTest>

namespace
{

// Stands in for a module: records the cursor it was shown under and opens a plain window.
class TFakeModule final : public TViewerModule
{
public:
    QWidget* Show(TModuleWindow, QWidget* mainWindow, const QString& path) override
    {
        const QCursor* cursor = QApplication::overrideCursor();
        Cursors << (cursor ? cursor->shape() : Qt::ArrowCursor);
        auto* window = new QWidget(mainWindow, Qt::Window);
        window->setWindowTitle(path);
        window->show();
        return window;
    }
    QList<Qt::CursorShape> Cursors;
};

} // namespace

class ModuleLoadTest : public FileOpsTest
{
protected:
    void SetUp() override
    {
        FileOpsTest::SetUp();
        TExtensionCategories c;
        c.SetCategory(TExtensionCategory::Text, "TXT");
        c.SetCategory(TExtensionCategory::Sound, "WAV");
        c.SetCategory(TExtensionCategory::HTML, "HTM HTML");
        main->Categories = c;
        dir.write("left/notes.txt", "notes");
        dir.write("left/page.html", "<html><head><title>Page</title></head></html>");
        dir.write("left/tone.wav", WavBytes(8000, 1, 8, QByteArray(800, '\x80')));
        Open(sdLeft, left);
        // Every case loads from a folder of its own; the players are the file's, not the
        // test executable's own.
        SetModuleDirectory(dir.mkdir("modules"));
        RegisterViewerModule(kPlayersModuleFile, nullptr);
    }
    void TearDown() override
    {
        RegisterViewerModule(kPlayersModuleFile, &PlayersModule());
        SetModuleDirectory({});
        FileOpsTest::TearDown();
    }
    // F3 on a file of the left panel, as a user presses it.
    void View(const QString& name)
    {
        QApplication::setActiveWindow(main.get());
        main->Panel(sdLeft).Files->FocusItem(Row(sdLeft, name));
        main->FilesEnter(sdLeft);
        QTest::keyClick(main->Panel(sdLeft).Files->ActiveView(), Qt::Key_F3);
    }
    QStringList VisibleWindowTitles()
    {
        QStringList titles;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w != main.get())
                titles << w->windowTitle();
        return titles;
    }
};

TEST_F(ModuleLoadTest, MissingModulesAreNamedAndTheProgramRunsOn)
{
    View("page.html");
    View("tone.wav");
    EXPECT_EQ(messages,
              QStringList({"The HTML viewer cannot start: libtrvx_browser.so is missing.",
                           "The sound player cannot start: libtrvx_players.so is missing."}));
    EXPECT_EQ(VisibleWindowTitles(), QStringList());
    // A second F3 says it again; a text still opens in the editor.
    View("page.html");
    EXPECT_EQ(messages.size(), 3);
    View("notes.txt");
    const QList<TfText*> editors = main->findChildren<TfText*>();
    ASSERT_EQ(editors.size(), 1);
    EXPECT_EQ(editors[0]->FileName(), left + "notes.txt");
}

TEST_F(ModuleLoadTest, ALibraryTheModuleNeedsIsNamed)
{
    SetModuleDirectory(QStringLiteral(TRVX_BROKEN_MODULE_DIR));
    View("page.html");
    EXPECT_EQ(messages,
              QStringList("The HTML viewer cannot start: libtrvx_test_gone.so is missing."));
    EXPECT_EQ(VisibleWindowTitles(), QStringList());
}

TEST_F(ModuleLoadTest, ALibraryWithoutTheEntryIsRefused)
{
    ASSERT_TRUE(QFile::copy(QStringLiteral(TRVX_LIB_DIR "/libziplib.so"),
                            dir("modules/libtrvx_browser.so")));
    View("page.html");
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("The HTML viewer cannot start: "))
        << messages[0].toStdString();
    EXPECT_TRUE(messages[0].contains("TravodexViewerModule1")) << messages[0].toStdString();
    EXPECT_EQ(VisibleWindowTitles(), QStringList());
}

TEST_F(ModuleLoadTest, ThePlayersModuleBesideTheProgramPlaysTheSound)
{
    SetModuleDirectory(QStringLiteral(TRVX_LIB_DIR));
    View("tone.wav");
    EXPECT_EQ(messages, QStringList());
    EXPECT_EQ(VisibleWindowTitles(), QStringList("tone.wav"));
}

TEST_F(ModuleLoadTest, OnlyTheFirstShowingOfAModuleWaitsUnderTheWaitCursor)
{
    TFakeModule fake;
    RegisterViewerModule(kPlayersModuleFile, &fake);
    View("tone.wav");
    View("tone.wav");
    EXPECT_EQ(fake.Cursors, QList<Qt::CursorShape>({Qt::WaitCursor, Qt::ArrowCursor}));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(VisibleWindowTitles(), QStringList({left + "tone.wav", left + "tone.wav"}));
    EXPECT_EQ(messages, QStringList());
}
