// The quick view through keys on the real main window: Ctrl+Q puts a pane in the other
// panel's place that shows the file under the cursor, and gives the panel back as it was.
#include "main/UserInputFixture.h"
#include "modules/ViewerModules.h"
#include "platform/TempFolder.h"
#include "quickview/uQuickView.h"
#include "search/FileSearch.h"
#include "viewers/uTextView.h"

#include <QDataStream>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QScrollBar>
#include <QSplitter>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

class QuickViewTest : public UserInputTest
{
protected:
    TfQuickView* Pane() { return main->QuickView(); }

    // Moves the left panel's cursor onto `name` with Down and Up keys, one at a time.
    void WalkTo(const QString& name)
    {
        const int target = Row(sdLeft, name);
        ASSERT_GE(target, 0) << name.toStdString();
        TVirtualListView* files = main->Panel(sdLeft).Files;
        while (files->GetFocusedIndex() != target)
            Key(files->GetFocusedIndex() < target ? Qt::Key_Down : Qt::Key_Up);
    }

    // Waits until the pane shows what it loaded of `name` in the left folder.
    bool Rests(const QString& name)
    {
        const QString path = left + name;
        return QTest::qWaitFor([&] { return !Pane()->Loading() && Pane()->Shown().Path == path; },
                               30000);
    }

    // Waits until the pane shows what it loaded of the member `name` of `archive`.
    bool RestsOnMember(const QString& archive, const QString& name)
    {
        const QString path = archive + '/' + name;
        return QTest::qWaitFor([&] { return !Pane()->Loading() && Pane()->Shown().Path == path; },
                               30000);
    }

    // Enter on `archive` in the left panel; waits for its members.
    void EnterArchive(const QString& archive, const QString& member)
    {
        WalkTo(archive);
        Key(Qt::Key_Return);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return !main->Reading(sdLeft) && Row(sdLeft, member) >= 0; }, 30000));
    }

    void QuickView()
    {
        Key(Qt::Key_Q, Qt::ControlModifier);
        ASSERT_TRUE(main->QuickViewOn());
    }
};

// A solid picture of `colour`, `width` by `height`, saved as PNG.
void SavePicture(const QString& path, QColor colour, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    ASSERT_TRUE(image.save(path, "PNG"));
}

TEST_F(QuickViewTest, ShowsTextPictureMembersAndFolderAsTheCursorMoves)
{
    dir.write("left/a.txt", "hello quick view\nsecond line\n");
    SavePicture(dir("left/b.png"), Qt::red, 1600, 1200);
    dir.write("c.txt", "in the archive");
    ASSERT_FALSE(Zip("left/c.zip", {"c.txt"}).isEmpty());
    dir.mkdir("left/d/inner");
    dir.write("left/d/one", "12345");
    dir.write("left/d/inner/two", "1234567890");
    Open(sdLeft, left);
    QuickView();
    EXPECT_FALSE(main->Panel(sdRight).Panel->isVisible());
    EXPECT_TRUE(Pane()->isVisible());

    WalkTo("a.txt");
    ASSERT_TRUE(Rests("a.txt"));
    EXPECT_EQ(Pane()->Shown().Kind, quickview::TKind::Text);
    EXPECT_TRUE(Pane()->Page()->VisibleRows().contains("hello quick view"));
    EXPECT_TRUE(Pane()->StatusText().contains("a.txt")) << Pane()->StatusText().toStdString();
    EXPECT_TRUE(Pane()->StatusText().contains("text"));

    WalkTo("b.png");
    ASSERT_TRUE(Rests("b.png"));
    const QImage picture = Pane()->Picture();
    ASSERT_FALSE(picture.isNull());
    // Fitted into the pane, never larger than it.
    EXPECT_LE(picture.width(), Pane()->width());
    EXPECT_EQ(picture.pixelColor(picture.width() / 2, picture.height() / 2), QColor(Qt::red));
    EXPECT_TRUE(Pane()->StatusText().contains("1600 × 1200")) << Pane()->StatusText().toStdString();
    // A wider window gives the pane room: the picture is fitted to it again.
    main->resize(main->width() + 400, main->height());
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return Pane()->Picture().width() > picture.width(); }, 30000));
    EXPECT_LE(Pane()->Picture().width(), Pane()->width());

    WalkTo("c.zip");
    ASSERT_TRUE(Rests("c.zip"));
    EXPECT_TRUE(Pane()->LinesText().contains("c.txt")) << Pane()->LinesText().toStdString();
    EXPECT_TRUE(Pane()->StatusText().contains("ZIP archive"));

    WalkTo("d");
    ASSERT_TRUE(Rests("d"));
    EXPECT_TRUE(Pane()->LinesText().contains("1 file and 1 folder in it"))
        << Pane()->LinesText().toStdString();
    EXPECT_TRUE(Pane()->LinesText().contains("15 bytes in all"));

    // Back up to the text: the pane follows the cursor both ways.
    WalkTo("a.txt");
    ASSERT_TRUE(Rests("a.txt"));
    EXPECT_TRUE(Pane()->Page()->VisibleRows().contains("hello quick view"));
}

// A WAV file of `frames` silent 16-bit mono frames at `rate`.
QByteArray Wave(int rate, int frames)
{
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + frames * 2);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << quint32(rate) << quint32(rate * 2)
        << quint16(2) << quint16(16);
    out.writeRawData("data", 4);
    out << quint32(frames * 2);
    data.append(QByteArray(frames * 2, '\0'));
    return data;
}

TEST_F(QuickViewTest, SoundsShowTheirPropertiesAndDoNotPlay)
{
    dir.write("left/tone.wav", Wave(8000, 12000));
    dir.write("left/zz.wav", "not a sound at all");
    main->Categories.SetCategory(TExtensionCategory::Sound, "WAV");
    Open(sdLeft, left);
    QuickView();
    WalkTo("tone.wav");
    ASSERT_TRUE(Rests("tone.wav"));
    const QString lines = Pane()->LinesText();
    EXPECT_TRUE(lines.contains("Channels: 1")) << lines.toStdString();
    EXPECT_TRUE(lines.contains("Rate: 8,000 Hz"));
    EXPECT_TRUE(lines.contains("Length: 0:01.5"));
    EXPECT_TRUE(Pane()->StatusText().contains("sound")) << Pane()->StatusText().toStdString();
    WalkTo("zz.wav");
    ASSERT_TRUE(Rests("zz.wav"));
    EXPECT_TRUE(Pane()->StatusText().contains("undecodable")) << Pane()->StatusText().toStdString();
    // Nothing was played: no player window was made.
    for (QWidget* w : QApplication::topLevelWidgets())
        EXPECT_FALSE(w->isVisible() && w != main.get()) << w->metaObject()->className();
}

TEST_F(QuickViewTest, AFileThatCannotBeShownSaysWhy)
{
    dir.write("left/broken.jpg",
              QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11) + QByteArray(200, '\x55'));
    dir.write("left/huge.png", {});
    ASSERT_TRUE(QFile::resize(dir("left/huge.png"), quickview::MostPictureBytes + 1));
    Open(sdLeft, left);
    QuickView();
    WalkTo("broken.jpg");
    ASSERT_TRUE(Rests("broken.jpg"));
    EXPECT_EQ(Pane()->Shown().Kind, quickview::TKind::Failed);
    EXPECT_TRUE(Pane()->StatusText().contains("undecodable")) << Pane()->StatusText().toStdString();
    EXPECT_TRUE(Pane()->LinesText().contains("Not shown"));
    WalkTo("huge.png");
    ASSERT_TRUE(Rests("huge.png"));
    EXPECT_TRUE(Pane()->StatusText().contains("too large")) << Pane()->StatusText().toStdString();
}

TEST_F(QuickViewTest, FifoSparseAndVanishingFilesNeitherBlockNorCrash)
{
    main->LiveFolders = false; // the vanished file stays listed, as before a re-read
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir("left/pipe")).constData(), 0600), 0);
    dir.write("left/sparse", {});
    ASSERT_TRUE(QFile::resize(dir("left/sparse"), 10LL << 30));
    dir.write("left/vanishing", "soon gone");
    dir.write("left/z.txt", "last");
    Open(sdLeft, left);
    QuickView();

    WalkTo("pipe");
    ASSERT_TRUE(Rests("pipe"));
    EXPECT_TRUE(Pane()->StatusText().contains("FIFO")) << Pane()->StatusText().toStdString();
    EXPECT_TRUE(Pane()->StatusText().contains("not opened"));

    WalkTo("sparse");
    ASSERT_TRUE(Rests("sparse"));
    EXPECT_EQ(Pane()->Shown().Kind, quickview::TKind::Binary);
    EXPECT_TRUE(Pane()->StatusText().contains("10,737,418,240"))
        << Pane()->StatusText().toStdString();
    const QStringList rows = Pane()->Page()->VisibleRows();
    ASSERT_FALSE(rows.isEmpty());
    EXPECT_TRUE(rows.first().startsWith("00000000")) << rows.first().toStdString();

    ASSERT_TRUE(QFile::remove(dir("left/vanishing")));
    WalkTo("vanishing");
    ASSERT_TRUE(Rests("vanishing"));
    EXPECT_EQ(Pane()->Shown().Kind, quickview::TKind::Failed);
    EXPECT_TRUE(Pane()->StatusText().contains("gone")) << Pane()->StatusText().toStdString();

    WalkTo("z.txt"); // and the pane goes on
    ASSERT_TRUE(Rests("z.txt"));
    EXPECT_TRUE(Pane()->Page()->VisibleRows().contains("last"));
}

TEST_F(QuickViewTest, AFileReplacedByAFifoAfterItsLoadIsNotOpened)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir("left/pipe")).constData(), 0600), 0);
    // Held open at both ends, so that an open for reading would not wait: the pane must
    // refuse it by its type, not by luck.
    const int held = ::open(QFile::encodeName(dir("left/pipe")).constData(), O_RDWR);
    ASSERT_GE(held, 0);
    Open(sdLeft, left);
    QuickView();
    // The load found a text there: the file was replaced by the FIFO after it was read.
    Pane()->Loader().Load = [](const quickview::TQuickRequest& request,
                               platform::TFileOpsProgress&) {
        quickview::TQuickResult r;
        r.Path = request.Path;
        r.File = request.Path;
        r.Name = "pipe";
        r.Kind = quickview::TKind::Text;
        r.Encoding = "UTF-8";
        return r;
    };
    WalkTo("pipe");
    ASSERT_TRUE(Rests("pipe"));
    EXPECT_EQ(Pane()->Shown().Kind, quickview::TKind::Failed);
    EXPECT_TRUE(Pane()->StatusText().contains("replaced")) << Pane()->StatusText().toStdString();
    ::close(held);
}

TEST_F(QuickViewTest, CtrlQAndEscapeGiveThePanelBackWithItsPlaceCursorAndMarks)
{
    for (int i = 0; i < 300; ++i)
        dir.write(QStringLiteral("right/f%1").arg(i, 3, 10, QLatin1Char('0')), "x");
    dir.write("left/a.txt", "text");
    Open(sdRight, right);
    TPanel& r = main->Panel(sdRight);
    r.Files->FocusItem(Row(sdRight, "f250"));
    r.Files->SetItemSelected(Row(sdRight, "f010"), true);
    r.Files->SetItemSelected(Row(sdRight, "f250"), true);
    View(sdRight)->scrollTo(View(sdRight)->model()->index(Row(sdRight, "f250"), 0));
    const int scroll = View(sdRight)->verticalScrollBar()->value();
    ASSERT_GT(scroll, 0);
    const QRect place = r.Panel->geometry();
    Open(sdLeft, left); // the left panel is the active one

    for (bool byEscape : {false, true}) {
        QuickView();
        EXPECT_FALSE(r.Panel->isVisible());
        EXPECT_EQ(Pane()->geometry(), place);
        WalkTo("a.txt");
        ASSERT_TRUE(Rests("a.txt"));
        if (byEscape) {
            Pane()->Page()->setFocus();
            Key(Qt::Key_Escape);
        } else {
            Key(Qt::Key_Q, Qt::ControlModifier);
        }
        ASSERT_FALSE(main->QuickViewOn());
        ASSERT_TRUE(r.Panel->isVisible());
        EXPECT_EQ(r.Panel->geometry(), place);
        EXPECT_EQ(r.Files->GetFocusedIndex(), Row(sdRight, "f250"));
        EXPECT_EQ(main->MarkedRows(sdRight),
                  (std::vector<int>{Row(sdRight, "f010"), Row(sdRight, "f250")}));
        EXPECT_EQ(View(sdRight)->verticalScrollBar()->value(), scroll);
        EXPECT_EQ(main->ActiveSide(), sdLeft);
    }
}

// Stands in for the HTML viewer's module, put in place of its file while it lives: its
// page for the pane is a label naming the file it was last asked to show.
class TFakeHtmlModule final : public TViewerModule
{
public:
    TFakeHtmlModule() { RegisterViewerModule(kBrowserModuleFile, this); }
    ~TFakeHtmlModule() override { RegisterViewerModule(kBrowserModuleFile, nullptr); }
    QWidget* Show(TModuleWindow, QWidget*, const QString&) override { return nullptr; }
    QStringList Properties(TModuleWindow, const QString&, QString*) override { return {}; }
    QWidget* MakePane(TModuleWindow window, QWidget* parent) override
    {
        ++Made;
        EXPECT_EQ(window, TModuleWindow::Html);
        Page = new QLabel(parent);
        return Page;
    }
    void ShowInPane(QWidget* pane, const QString& path) override
    {
        EXPECT_EQ(pane, Page.data());
        Page->setText(path);
    }
    int Made{0};
    QPointer<QLabel> Page;
};

TEST_F(QuickViewTest, HtmlFilesShowAsPagesOfTheModuleMadeForTheFirstOfThem)
{
    TFakeHtmlModule module;
    dir.write("left/a.txt", "plain");
    dir.write("left/b.html", "<html><body>bee</body></html>");
    dir.write("left/c.htm", "<p>sea</p>");
    Open(sdLeft, left);
    QuickView();
    WalkTo("a.txt");
    ASSERT_TRUE(Rests("a.txt"));
    EXPECT_EQ(module.Made, 0); // no page before the first HTML file

    WalkTo("b.html");
    ASSERT_TRUE(Rests("b.html"));
    ASSERT_EQ(module.Made, 1);
    EXPECT_TRUE(Pane()->ShowsHtmlPage());
    EXPECT_TRUE(module.Page->isVisible());
    EXPECT_EQ(module.Page->text(), left + "b.html");
    EXPECT_TRUE(Pane()->StatusText().contains("HTML")) << Pane()->StatusText().toStdString();

    // Another file: the page drops its document.
    WalkTo("a.txt");
    ASSERT_TRUE(Rests("a.txt"));
    EXPECT_FALSE(Pane()->ShowsHtmlPage());
    EXPECT_EQ(module.Page->text(), "");
    EXPECT_TRUE(Pane()->Page()->VisibleRows().contains("plain"));

    // The next HTML file goes to the same page.
    WalkTo("c.htm");
    ASSERT_TRUE(Rests("c.htm"));
    EXPECT_EQ(module.Made, 1);
    EXPECT_EQ(module.Page->text(), left + "c.htm");

    // Put away with a page shown, the pane leaves it empty.
    Key(Qt::Key_Q, Qt::ControlModifier);
    ASSERT_FALSE(main->QuickViewOn());
    EXPECT_EQ(module.Page->text(), "");
}

TEST_F(QuickViewTest, WithoutTheHtmlModuleTheSourceShowsAndTheStatusLineSaysWhy)
{
    dir.mkdir("no-modules");
    SetModuleDirectory(dir("no-modules"));
    dir.write("left/b.html", "<p>the source</p>");
    Open(sdLeft, left);
    QuickView();
    WalkTo("b.html");
    ASSERT_TRUE(Rests("b.html"));
    SetModuleDirectory({});
    EXPECT_FALSE(Pane()->ShowsHtmlPage());
    EXPECT_TRUE(Pane()->Page()->VisibleRows().contains("<p>the source</p>"));
    const QString status = Pane()->StatusText();
    EXPECT_TRUE(status.contains("shown as source: The HTML viewer cannot start"))
        << status.toStdString();
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString(); // no message box
}

TEST_F(QuickViewTest, MembersShowFromPrivateCopiesThatGoWhenThePaneMovesOnOrCloses)
{
    dir.write("t.txt", "member text\nits second line\n");
    SavePicture(dir("p.png"), Qt::blue, 300, 200);
    dir.write("big.bin", QByteArray(quickview::MostMemberBytes + 1, '\0'));
    ASSERT_FALSE(Zip("left/m.zip", {"t.txt", "p.png", "big.bin"}).isEmpty());
    Open(sdLeft, left);
    EnterArchive("m.zip", "t.txt");
    QuickView();
    const QString archive = left + "m.zip";

    WalkTo("t.txt");
    ASSERT_TRUE(RestsOnMember(archive, "t.txt"));
    EXPECT_EQ(Pane()->Shown().Kind, quickview::TKind::Text);
    EXPECT_TRUE(Pane()->Page()->VisibleRows().contains("member text"));
    EXPECT_TRUE(Pane()->StatusText().startsWith("t.txt — 28 bytes — text"))
        << Pane()->StatusText().toStdString();
    const QString textCopy = Pane()->Shown().File;
    EXPECT_TRUE(platform::InPrivateFolder(textCopy)) << textCopy.toStdString();
    EXPECT_TRUE(QFileInfo(textCopy).isFile());

    WalkTo("p.png");
    ASSERT_TRUE(RestsOnMember(archive, "p.png"));
    const QImage picture = Pane()->Picture();
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.pixelColor(picture.width() / 2, picture.height() / 2), QColor(Qt::blue));
    EXPECT_TRUE(Pane()->StatusText().contains("300 × 200")) << Pane()->StatusText().toStdString();
    // The pane moved on: the text's copy is gone with its folder.
    EXPECT_FALSE(QFileInfo::exists(textCopy));
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(textCopy).absolutePath()));
    const QString pictureCopy = Pane()->Shown().File;
    EXPECT_TRUE(QFileInfo(pictureCopy).isFile());

    WalkTo("big.bin");
    ASSERT_TRUE(RestsOnMember(archive, "big.bin"));
    EXPECT_EQ(Pane()->Shown().Kind, quickview::TKind::Failed);
    EXPECT_TRUE(Pane()->StatusText().contains("too large to show"))
        << Pane()->StatusText().toStdString();
    EXPECT_EQ(Pane()->Shown().Copy, nullptr);

    // Back to the picture, then the pane closes: no copy is left behind.
    WalkTo("p.png");
    ASSERT_TRUE(RestsOnMember(archive, "p.png"));
    const QString lastCopy = Pane()->Shown().File;
    ASSERT_TRUE(QFileInfo(lastCopy).isFile());
    Key(Qt::Key_Q, Qt::ControlModifier);
    ASSERT_FALSE(main->QuickViewOn());
    EXPECT_FALSE(QFileInfo::exists(lastCopy));
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(lastCopy).absolutePath()));
}

TEST_F(QuickViewTest, AMemberOfAnotherArchiveFormatShowsThroughTheArchiveModule)
{
    dir.write("pack/t.txt", "in the tar\n");
    QProcess tar;
    tar.start("tar", {"-czf", dir("left/t.tar.gz"), "-C", dir("pack"), "t.txt"});
    ASSERT_TRUE(tar.waitForFinished() && tar.exitCode() == 0);
    Open(sdLeft, left);
    EnterArchive("t.tar.gz", "t.txt");
    QuickView();
    WalkTo("t.txt");
    ASSERT_TRUE(RestsOnMember(left + "t.tar.gz", "t.txt"));
    EXPECT_TRUE(Pane()->Page()->VisibleRows().contains("in the tar"))
        << Pane()->StatusText().toStdString();
    const QString copy = Pane()->Shown().File;
    EXPECT_TRUE(platform::InPrivateFolder(copy)) << copy.toStdString();
    Key(Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(QFileInfo::exists(copy));
}

TEST_F(QuickViewTest, AMembersCopyGoesAsSoonAsTheCursorMovesOn)
{
    dir.write("t.txt", "first");
    dir.write("u.txt", "second");
    ASSERT_FALSE(Zip("left/m.zip", {"t.txt", "u.txt"}).isEmpty());
    Open(sdLeft, left);
    EnterArchive("m.zip", "t.txt");
    QuickView();
    WalkTo("t.txt");
    ASSERT_TRUE(RestsOnMember(left + "m.zip", "t.txt"));
    const QString copy = Pane()->Shown().File;
    ASSERT_TRUE(QFileInfo(copy).isFile());

    // The next load waits until it is let go: the copy must not wait for it.
    struct TGate {
        std::mutex Lock;
        std::condition_variable Opened;
        bool Open{false};
    };
    auto gate = std::make_shared<TGate>();
    Pane()->Loader().Load = [gate](const quickview::TQuickRequest& request,
                                   platform::TFileOpsProgress& progress) {
        std::unique_lock lock(gate->Lock);
        gate->Opened.wait(lock, [&] { return gate->Open; });
        return quickview::LoadQuick(request, progress);
    };
    WalkTo("u.txt");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !QFileInfo::exists(copy); }, 30000));
    EXPECT_TRUE(Pane()->Loading());
    {
        std::lock_guard lock(gate->Lock);
        gate->Open = true;
    }
    gate->Opened.notify_all();
    ASSERT_TRUE(RestsOnMember(left + "m.zip", "u.txt"));
    EXPECT_TRUE(Pane()->Page()->VisibleRows().contains("second"));
}

TEST_F(QuickViewTest, MembersAmongSearchResultsShowFromPrivateCopiesToo)
{
    dir.write("pack/docs/t.txt", "found inside\n");
    ASSERT_TRUE(RunZip(dir("pack"), {"-qr", left + "pack.zip", "docs"}));
    QProcess tar;
    tar.start("tar", {"-czf", left + "pack.tar.gz", "-C", dir("pack"), "docs"});
    ASSERT_TRUE(tar.waitForFinished() && tar.exitCode() == 0);
    Open(sdLeft, left);
    std::vector<TSearchHit> hits;
    for (const char* archive : {"pack.zip", "pack.tar.gz"}) {
        TSearchHit& hit = hits.emplace_back();
        hit.Folder = left;
        hit.Name = archive;
        hit.Member = "docs/t.txt";
        hit.Size = 13;
    }
    main->FeedToPanel(left, hits);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !main->Reading(sdLeft); }, 60000));
    QuickView();
    for (const QString archive : {"pack.zip", "pack.tar.gz"}) {
        WalkTo(archive + "/docs/t.txt");
        ASSERT_TRUE(RestsOnMember(left + archive, "docs/t.txt")) << archive.toStdString();
        EXPECT_TRUE(Pane()->Page()->VisibleRows().contains("found inside"))
            << Pane()->StatusText().toStdString();
        EXPECT_TRUE(platform::InPrivateFolder(Pane()->Shown().File));
    }
}

} // namespace
