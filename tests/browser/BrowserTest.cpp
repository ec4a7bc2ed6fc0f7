// The HTML viewer on the real engine: size and place, pictures from the document's folder,
// caption, requests while visible, missing documents and folders, frames, anchors, default
// colours, and the current directory never left in a removed folder.
#include "BrowserFixture.h"

#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QScreen>
#include <QTest>

namespace
{

QString Page(const QString& title, const QString& body)
{
    return QStringLiteral("<html><head><title>%1</title></head><body>%2</body></html>")
        .arg(title, body);
}

// An <img> that records how its load ended.
QString Img(const QString& id, const QString& src)
{
    return QStringLiteral("<img id='%1' src='%2' onload=\"this.dataset.end='load'\" "
                          "onerror=\"this.dataset.end='error'\">")
        .arg(id, src);
}

} // namespace

TEST_F(BrowserTest, ClientAreaIsThreeQuartersOfTheMainWindowsAndCentredOnlyTheFirstTime)
{
    Main.resize(688, 434 + Main.menuBar()->height());
    const QString doc = Dir.write("a.html", Page("A", "text").toUtf8());
    ASSERT_TRUE(ShowDocument(doc));
    EXPECT_EQ(Browser->ClientSize(), QSize(516, 325));
    EXPECT_EQ(Browser->HtmlView->parentWidget(), Browser);
    const QRect screen = Main.screen()->availableGeometry();
    EXPECT_EQ(Browser->frameGeometry().center(), screen.center());

    // Later showings size the window again from the main window, but keep its place.
    Browser->hide();
    Browser->move(40, 30);
    Main.resize(401, 301 + Main.menuBar()->height());
    ASSERT_TRUE(ShowDocument(doc));
    EXPECT_EQ(Browser->ClientSize(), QSize(300, 225));
    EXPECT_EQ(Browser->pos(), QPoint(40, 30));
}

TEST_F(BrowserTest, PicturesComeFromWhereTheyAreReferencedElseByBareNameThroughPicLib)
{
    Dir.write("docs/logo.gif", Pcx(7, 5));
    Dir.write("docs/images/logo.gif", Pcx(50, 50)); // where the reference leads
    Dir.write("docs/pic.bmp", Pcx(3, 9));
    Dir.write("docs/upper.pcx", Pcx(4, 4));
    Dir.write("docs/bad.gif", "not a picture at all");
    const QString body = Img("logo", "images/logo.gif") + Img("pic", "file:///c|/web/pic.bmp") +
                         Img("upper", "Sub/UPPER.PCX") + Img("missing", "gone.gif") +
                         Img("bad", "bad.gif") + Img("parent", "../docs/logo.gif");
    const QString doc = Dir.write("docs/page.html", Page("Pictures here", body).toUtf8());
    ASSERT_TRUE(ShowDocument(doc));

    EXPECT_EQ(Browser->windowTitle(), "Pictures here");
    EXPECT_EQ(QDir::currentPath(), Dir("docs"));
    EXPECT_EQ(Browser->PictureFolder(), Dir("docs"));
    const QVariant seen = Eval("JSON.stringify([...document.images].map(i => "
                               "[i.id, i.naturalWidth, i.naturalHeight, i.dataset.end || '']))");
    const QJsonArray images = QJsonDocument::fromJson(seen.toString().toUtf8()).array();
    // Missing and undecodable pictures fail: the engine draws its broken-picture mark.
    const QJsonArray expected = QJsonDocument::fromJson(R"([["logo", 50, 50, "load"],
        ["pic", 3, 9, "load"], ["upper", 4, 4, "load"],
        ["missing", 0, 0, "error"], ["bad", 0, 0, "error"], ["parent", 7, 5, "load"]])")
                                    .array();
    EXPECT_EQ(images, expected) << seen.toString().toStdString();
}

TEST_F(BrowserTest, ARequestWhileVisibleKeepsTheFirstDocumentUntilTheNextShowing)
{
    const QString first = Dir.write("first.html", Page("First", "one").toUtf8());
    const QString second = Dir.write("other/second.html", Page("Second", "two").toUtf8());
    ASSERT_TRUE(ShowDocument(first));
    QSignalSpy shown(Browser, &TfBrowser::DocumentShown);
    Browser->FileName = second;
    Browser->show();
    Browser->raise();
    QTest::qWait(300);
    EXPECT_EQ(shown.count(), 0);
    EXPECT_EQ(Browser->windowTitle(), "First");
    EXPECT_EQ(Browser->HtmlView->url(), QUrl::fromLocalFile(first));

    Browser->close();
    ASSERT_TRUE(ShowDocument(second));
    EXPECT_EQ(Browser->windowTitle(), "Second");
    EXPECT_EQ(QDir::currentPath(), Dir("other"));
}

TEST_F(BrowserTest, AMissingDocumentOrFolderIsReportedAndTheWindowKeepsItsContent)
{
    // The engine starts with the first showing, not with the window.
    EXPECT_EQ(Browser->HtmlView, nullptr);
    // Shown before any document: the default caption, and no complaint.
    Browser->show();
    EXPECT_NE(Browser->HtmlView, nullptr);
    EXPECT_EQ(Browser->windowTitle(), "HTML viewer");
    EXPECT_TRUE(Messages.isEmpty());
    Browser->hide();

    const QString first = Dir.write("first.html", Page("First", "one").toUtf8());
    ASSERT_TRUE(ShowDocument(first));
    Browser->hide();

    // A file that is not there, and a link to one.
    const QString missing = Dir("missing.html");
    const QString dangling = Dir("dangling.html");
    ASSERT_TRUE(QFile::link(Dir("gone.html"), dangling));
    for (const QString& path : {missing, dangling}) {
        Messages.clear();
        Browser->FileName = path;
        Browser->show();
        QTest::qWait(300);
        EXPECT_EQ(Messages, QStringList{"Can't locate file: " + path});
        EXPECT_TRUE(Browser->isVisible());
        EXPECT_EQ(Browser->windowTitle(), "First");
        EXPECT_EQ(Browser->HtmlView->url(), QUrl::fromLocalFile(first));
        Browser->hide();
    }

    // A folder that cannot be entered stops before loading, with the system's error.
    Messages.clear();
    Browser->FileName = Dir("nowhere/doc.html");
    Browser->show();
    ASSERT_EQ(Messages.size(), 1);
    EXPECT_TRUE(Messages[0].startsWith("I/O error 2:")) << Messages[0].toStdString();
    EXPECT_EQ(QDir::currentPath(), Dir.path().chopped(1));
    EXPECT_EQ(Browser->windowTitle(), "First");
}

TEST_F(BrowserTest, AFramesetShowsBothFramesAndItsOwnTitle)
{
    Dir.write("site/logo.gif", Pcx(6, 6));
    Dir.write("site/left.html", "<html><body style='background:#ff0000'>left</body></html>");
    // A frame from another folder still takes its pictures from the document's folder.
    Dir.write("site/parts/right.html", ("<html><body style='background:#0000ff'>" +
                                        Img("logo", "logo.gif") + "</body></html>")
                                           .toUtf8());
    const QString doc = Dir.write("site/frames.html",
                                  "<html><head><title>Two frames</title></head>"
                                  "<frameset cols='50%,50%'><frame src='left.html'>"
                                  "<frame name='right' src='parts/right.html'></frameset></html>");
    ASSERT_TRUE(ShowDocument(doc));
    EXPECT_EQ(Browser->windowTitle(), "Two frames");

    // Both halves are painted with their frame's colour once the compositor has drawn them.
    const auto pixelAt = [&](double x) {
        const QImage shot = Browser->HtmlView->grab().toImage();
        return shot.pixelColor(int(shot.width() * x), shot.height() / 2);
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return pixelAt(0.25) == QColor(255, 0, 0); }, 5000))
        << pixelAt(0.25).name().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return pixelAt(0.75) == QColor(0, 0, 255); }, 5000))
        << pixelAt(0.75).name().toStdString();
}

TEST_F(BrowserTest, AnchorsScrollAndNamesWithAHashAreTakenWhole)
{
    const QString tall = Page("Tall", "<div style='height:5000px'>top</div><a name='end'>end</a>");
    const QString doc = Dir.write("tall.html", tall.toUtf8());
    ASSERT_TRUE(ShowDocument(doc + "#end"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Eval("window.scrollY").toDouble() > 4000; }, 5000));
    Browser->hide();

    const QString hashed = Dir.write("odd#name.html", Page("Hash in name", "x").toUtf8());
    ASSERT_TRUE(ShowDocument(hashed));
    EXPECT_EQ(Browser->windowTitle(), "Hash in name");
    EXPECT_TRUE(Messages.isEmpty()) << Messages.join('\n').toStdString();
}

TEST_F(BrowserTest, DefaultColoursAndFontsYieldToTheDocumentsOwn)
{
    const QString plain =
        Dir.write("plain.html",
                  Page("", "<p id='t'>text</p><a id='l' href='nowhere.html'>link</a>").toUtf8());
    ASSERT_TRUE(ShowDocument(plain));
    EXPECT_EQ(Browser->windowTitle(), ""); // a document without a title
    const QColor text = Browser->palette().color(QPalette::Text);
    EXPECT_EQ(Eval("getComputedStyle(document.getElementById('t')).color").toString(),
              QStringLiteral("rgb(%1, %2, %3)").arg(text.red()).arg(text.green()).arg(text.blue()));
    EXPECT_EQ(Eval("getComputedStyle(document.getElementById('l')).color").toString(),
              "rgb(0, 0, 255)");
    EXPECT_EQ(Eval("getComputedStyle(document.body).fontSize").toString(), "16px");
    EXPECT_TRUE(Eval("getComputedStyle(document.body).fontFamily").toString().contains("Times"));
    Browser->hide();

    const QString own =
        Dir.write("own.html", "<html><body text='#ff0000' link='#00ff00'><p id='t'>text</p>"
                              "<a id='l' href='nowhere.html'>link</a></body></html>");
    ASSERT_TRUE(ShowDocument(own));
    EXPECT_EQ(Eval("getComputedStyle(document.getElementById('t')).color").toString(),
              "rgb(255, 0, 0)");
    EXPECT_EQ(Eval("getComputedStyle(document.getElementById('l')).color").toString(),
              "rgb(0, 255, 0)");
}

TEST_F(BrowserTest, TheCurrentDirectoryLeavesAFolderThatIsRemoved)
{
    // Removed while the window shows the document: the watch moves the process out.
    const QString doc = Dir.write("a/gone/doc.html", Page("Gone", "x").toUtf8());
    ASSERT_TRUE(ShowDocument(doc));
    ASSERT_EQ(QDir::currentPath(), Dir("a/gone"));
    ASSERT_TRUE(QDir(Dir("a/gone")).removeRecursively());
    EXPECT_TRUE(QTest::qWaitFor([&] { return QDir::currentPath() == Dir("a"); }, 5000))
        << QDir::currentPath().toStdString();

    // Removed as the window hides (private copies of archive members go then): the process
    // is out by the time hiding is over, and without waiting for the watch.
    Browser->hide();
    const QString copy = Dir.write("b/TRVX-copy/doc.html", Page("Copy", "x").toUtf8());
    ASSERT_TRUE(ShowDocument(copy));
    struct TRemoveOnHide final : QObject {
        QString Folder;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Hide)
                QDir(Folder).removeRecursively();
            return false;
        }
    } remover;
    remover.Folder = Dir("b/TRVX-copy");
    Browser->installEventFilter(&remover);
    Browser->hide();
    Browser->removeEventFilter(&remover);
    EXPECT_FALSE(QDir(Dir("b/TRVX-copy")).exists());
    EXPECT_EQ(QDir::currentPath(), Dir("b"));
}
