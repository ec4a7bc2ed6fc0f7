// Going about in the HTML viewer as a user does: a page whose pictures lie in a pics/
// folder (made by ImageMagick), links followed with Enter, the history keys, and a
// link to a file that is not there.
#include "BrowserFixture.h"

#include <QProcess>
#include <QTest>

// Waits up to ten seconds for `actual` to equal `expected`, then checks it. (Qt's QTRY
// macros report to QTest, which a gtest run does not hear.)
#define EXPECT_SOON(actual, expected)                                                              \
    do {                                                                                           \
        static_cast<void>(QTest::qWaitFor([&] { return (actual) == (expected); }, 10000));         \
        EXPECT_EQ(actual, expected);                                                               \
    } while (false)

namespace
{

bool Convert(const QStringList& arguments)
{
    QProcess convert;
    convert.start("convert", arguments);
    return convert.waitForFinished(60000) && convert.exitCode() == 0;
}

class BrowserNavigationTest : public BrowserTest
{
protected:
    // Follows the link with id `id` as from the keyboard: the link takes the focus (as
    // Tab gives it) and Enter is pressed. (Mouse clicks sent to the offscreen engine before
    // its first frame are dropped on a loaded machine.)
    void FollowLink(const QString& id)
    {
        Eval(QStringLiteral("document.getElementById('%1').focus()").arg(id));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return Eval("document.activeElement.id").toString() == id; }, 5000));
        Key(Qt::Key_Return);
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(Browser->HtmlView->focusProxy(), key, modifiers);
    }
    QString Location() { return Browser->HtmlView->url().toLocalFile(); }
};

} // namespace

TEST_F(BrowserNavigationTest, PicturesInAFolderLinksHistoryKeysAndAMissingFile)
{
    Dir.mkdir("site/pics");
    ASSERT_TRUE(Convert({"-size", "12x8", "xc:red", Dir("site/pics/pic.png")}));
    ASSERT_TRUE(Convert({"-size", "5x6", "xc:blue", Dir("site/pics/other.gif")}));
    const QString first =
        Dir.write("site/index.html",
                  "<html><head><title>First page</title></head><body>"
                  "<img id='pic' src='pics/pic.png'><img id='lost' src='pics/lost.png'><br>"
                  "<a id='next' href='more/second.html'>second</a> "
                  "<a id='gone' href='nothere.html'>gone</a></body></html>");
    const QString second =
        Dir.write("site/more/second.html", "<html><head><title>Second page</title></head><body>"
                                           "<img id='up' src='../pics/other.gif'></body></html>");
    ASSERT_TRUE(ShowDocument(first));
    const auto size = [&](const QString& id) {
        return Eval(QStringLiteral("(() => { const i = document.getElementById('%1'); "
                                   "return i.naturalWidth + 'x' + i.naturalHeight; })()")
                        .arg(id))
            .toString();
    };
    EXPECT_SOON(size("pic"), QString("12x8"));
    EXPECT_EQ(size("lost"), "0x0");
    EXPECT_EQ(Browser->windowTitle(), "First page");

    // A link followed: the caption follows the page.
    FollowLink("next");
    EXPECT_SOON(Browser->windowTitle(), QString("Second page"));
    EXPECT_EQ(Location(), second);
    EXPECT_SOON(size("up"), QString("5x6"));

    // Back with Alt+Left, forward with Alt+Right, back again with Backspace.
    Key(Qt::Key_Left, Qt::AltModifier);
    EXPECT_SOON(Browser->windowTitle(), QString("First page"));
    EXPECT_EQ(Location(), first);
    Key(Qt::Key_Right, Qt::AltModifier);
    EXPECT_SOON(Browser->windowTitle(), QString("Second page"));
    Key(Qt::Key_Backspace);
    EXPECT_SOON(Browser->windowTitle(), QString("First page"));

    // A link to a file that is not there says so; the page stays.
    ASSERT_TRUE(Messages.isEmpty()) << Messages.join('\n').toStdString();
    FollowLink("gone");
    EXPECT_SOON(Messages, QStringList{"Can't locate file: " + Dir("site/nothere.html")});
    QTest::qWait(300);
    EXPECT_EQ(Location(), first);
    EXPECT_EQ(Browser->windowTitle(), "First page");
    EXPECT_EQ(size("pic"), "12x8");
}

TEST_F(BrowserNavigationTest, BackspaceInATextFieldDeletesAndStaysOnThePage)
{
    const QString first = Dir.write("a.html", "<html><head><title>A</title></head><body>"
                                              "<a id='next' href='b.html'>b</a></body></html>");
    Dir.write("b.html", "<html><head><title>B</title></head><body>"
                        "<input id='field' value='abc' autofocus></body></html>");
    ASSERT_TRUE(ShowDocument(first));
    FollowLink("next");
    EXPECT_SOON(Browser->windowTitle(), QString("B"));
    EXPECT_SOON(Eval("document.activeElement.id").toString(), QString("field"));
    Eval("document.getElementById('field').setSelectionRange(3, 3)");
    Key(Qt::Key_Backspace);
    EXPECT_SOON(Eval("document.getElementById('field').value").toString(), QString("ab"));
    QTest::qWait(300);
    EXPECT_EQ(Browser->windowTitle(), "B");
}

TEST_F(BrowserNavigationTest, EscapeClosesTheWindow)
{
    ASSERT_TRUE(ShowDocument(Dir.write("esc.html", "<html><head><title>E</title></head>"
                                                   "<body>text</body></html>")));
    ASSERT_TRUE(Browser->isVisible());
    Key(Qt::Key_Escape);
    EXPECT_SOON(Browser->isVisible(), false);
}
