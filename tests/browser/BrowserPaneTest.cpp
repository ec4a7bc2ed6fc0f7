// The HTML viewer's read-only page for the quick view's pane, on the real engine: a page
// with its pictures through PicLib and none of its scripts, a load dropped by the next,
// and the process's current directory left alone.
#include "browser/BrowserPane.h"
#include "BrowserFixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>
#include <QWebEngineScript>

namespace
{

// The result of a script run in the application's world of the pane's page (the page's
// own scripts do not run).
QVariant EvalIn(TBrowserPane* pane, const QString& script)
{
    QVariant result;
    QEventLoop loop;
    pane->View()->page()->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                                        [&](const QVariant& value) {
                                            result = value;
                                            loop.quit();
                                        });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    return result;
}

} // namespace

TEST_F(BrowserTest, ThePaneShowsAPageWithItsPicturesButRunsNoneOfItsScripts)
{
    auto* pane = new TBrowserPane(&Main);
    Main.setCentralWidget(pane);
    Dir.write("docs/pic.pcx", Pcx(6, 4));
    const QString first =
        Dir.write("docs/first page.html",
                  "<html><head><title>One</title></head><body><img id='p' src='pic.pcx'>"
                  "<script>document.title = 'scripted';</script></body></html>");
    const QString second =
        Dir.write("docs/second.html", "<html><head><title>Two</title></head><body></body></html>");
    const QString startFolder = QDir::currentPath();

    QSignalSpy shown(pane, &TBrowserPane::DocumentShown);
    // Asked for twice in a row: the first load is dropped and says nothing.
    pane->Show(second);
    pane->Show(first);
    ASSERT_TRUE(shown.wait(15000));
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown.first().at(0).toString(), first);
    EXPECT_TRUE(shown.first().at(1).toBool());
    EXPECT_EQ(pane->Path(), first);

    EXPECT_EQ(EvalIn(pane, "document.title").toString(), "One");
    const QString seen = EvalIn(pane, "JSON.stringify([document.images[0].naturalWidth, "
                                      "document.images[0].naturalHeight])")
                             .toString();
    EXPECT_EQ(QJsonDocument::fromJson(seen.toUtf8()).array(), QJsonArray({6, 4}))
        << seen.toStdString();
    EXPECT_EQ(QDir::currentPath(), startFolder);

    // An empty path empties the page.
    pane->Show({});
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return EvalIn(pane, "document.images.length + document.title.length") == 0; },
        15000));
}
