// The players and the HTML viewer live in modules loaded by F3 on their first file, the
// archive formats other than ZIP and the printing in modules loaded on first use: what a
// user sees when a module or a library it needs is missing, the real modules loaded from
// beside the program, and the wait cursor over a first load.
#include "main/FileOpsFixture.h"
#include "modules/SupportModules.h"
#include "modules/ViewerModules.h"
#include "players/PlayerWindows.h"
#include "players/WavFiles.h"
#include "viewers/uText.h"
#include "viewers/uTextView.h"

#include <QCursor>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

extern "C" const TArchiveModule* TravodexArchiveModule3();

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
    QStringList Properties(TModuleWindow, const QString&, QString*) override { return {}; }
    QWidget* MakePane(TModuleWindow, QWidget*) override { return nullptr; }
    void ShowInPane(QWidget*, const QString&) override {}
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
        dir.write("packed/member.txt", "packed member");
        QProcess tar;
        tar.start("tar", {"-czf", left + "pack.tar.gz", "-C", dir("packed"), "member.txt"});
        ASSERT_TRUE(tar.waitForFinished() && tar.exitCode() == 0);
        Open(sdLeft, left);
        // Every case loads from a folder of its own; the players are the file's, not the
        // test executable's own.
        SetModuleDirectory(dir.mkdir("modules"));
        RegisterViewerModule(kPlayersModuleFile, nullptr);
        RegisterArchiveModule(nullptr);
    }
    void TearDown() override
    {
        RegisterArchiveModule(TravodexArchiveModule3());
        RegisterViewerModule(kPlayersModuleFile, &PlayersModule());
        SetModuleDirectory({});
        FileOpsTest::TearDown();
    }
    // F3 (or `key`) on a file of the left panel, as a user presses it.
    void View(const QString& name, Qt::Key key = Qt::Key_F3)
    {
        QApplication::setActiveWindow(main.get());
        main->Panel(sdLeft).Files->FocusItem(Row(sdLeft, name));
        main->FilesEnter(sdLeft);
        QTest::keyClick(main->Panel(sdLeft).Files->ActiveView(), key);
    }
    // Enter on a file of the left panel.
    void Enter(const QString& name)
    {
        QApplication::setActiveWindow(main.get());
        main->Panel(sdLeft).Files->FocusItem(Row(sdLeft, name));
        main->FilesEnter(sdLeft);
        QTest::keyClick(main->Panel(sdLeft).Files->ActiveView(), Qt::Key_Return);
    }
    // The text editor's File menu entry "&Print" on `name` of the left panel.
    void PrintFromEditor(const QString& name)
    {
        View(name, Qt::Key_F4);
        const QList<TfText*> editors = main->findChildren<TfText*>();
        ASSERT_EQ(editors.size(), 1);
        for (QAction* action : editors[0]->menuBar()->actions()[0]->menu()->actions())
            if (action->text() == QLatin1String("&Print"))
                action->trigger();
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
    // A second F3 says it again; a text still opens in the view.
    View("page.html");
    EXPECT_EQ(messages.size(), 3);
    View("notes.txt");
    const QList<TfTextView*> views = main->findChildren<TfTextView*>();
    ASSERT_EQ(views.size(), 1);
    EXPECT_EQ(views[0]->Text().Path(), left + "notes.txt");
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
    EXPECT_TRUE(messages[0].contains("TravodexViewerModule3")) << messages[0].toStdString();
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

TEST_F(ModuleLoadTest, WithoutTheArchiveAndPrintingModulesTheUserIsToldWhatIsMissing)
{
    // The program's error box shows what Enter raises.
    try {
        Enter("pack.tar.gz");
        ADD_FAILURE() << "Enter on pack.tar.gz raised nothing";
    } catch (const platform::EError& e) {
        EXPECT_EQ(e.Message(),
                  "Archives other than ZIP cannot be read: libtrvx_archives.so is missing.");
    }
    EXPECT_FALSE(main->ShowsReadOnlyArchive(sdLeft));
    PrintFromEditor("notes.txt");
    EXPECT_EQ(messages, QStringList("The text cannot be printed: libtrvx_print.so is missing."));
    EXPECT_TRUE(QFile::exists(left + "pack.tar.gz"));
}

TEST_F(ModuleLoadTest, TheArchiveAndPrintingModulesBesideTheProgramOpenATarAndPrint)
{
    SetModuleDirectory(QStringLiteral(TRVX_LIB_DIR));
    Enter("pack.tar.gz");
    ASSERT_TRUE(main->ShowsReadOnlyArchive(sdLeft));
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "member.txt"}));
    Enter("..");
    View("notes.txt", Qt::Key_F4); // printing is the editor's
    const QList<TfText*> editors = main->findChildren<TfText*>();
    ASSERT_EQ(editors.size(), 1);
    EXPECT_EQ(editors[0]->PrintDocument(dir("notes.pdf")), QString());
    EXPECT_TRUE(readAll(dir("notes.pdf")).startsWith("%PDF"));
    EXPECT_EQ(messages, QStringList());
}
