// The read-only paged view (F3 on a text): a huge file opens without being read, the page
// shown is exact, search goes across chunk boundaries, wraps and goes back, hex shows the
// exact bytes, an encoding change decodes again, binary files open in hex; all by keys.
#include "platform/Memory.h"
#include "platform/Messages.h"
#include "support/TempDir.h"
#include "viewers/uTextView.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

namespace
{

void WriteAt(const QString& path, qint64 offset, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.seek(offset));
    ASSERT_EQ(bytes.size(), file.write(bytes));
}

// Waits, with a generous bound, until the search under way has ended.
bool SearchEnds(TfTextView* view)
{
    QElapsedTimer waited;
    waited.start();
    QCoreApplication::processEvents();
    while (view->Searching() && waited.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();
    return !view->Searching();
}

class TextView : public testing::Test
{
protected:
    void SetUp() override
    {
        platform::SetMessageHandler([this](const QString& text) { messages << text; });
    }
    void TearDown() override
    {
        if (view)
            view->close();
        platform::SetMessageHandler({});
    }

    TfTextView* Open(const QString& path)
    {
        view = TfTextView::Open(nullptr, path);
        if (view) {
            view->resize(900, 400);
            view->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(view)); // shortcuts need the active window
        }
        return view;
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
    }
    // Ctrl+F, the needle typed, Enter; true when the search ended.
    bool Search(const QString& needle)
    {
        Key(Qt::Key_F, Qt::ControlModifier);
        EXPECT_EQ(view->FindEdit, QApplication::focusWidget());
        view->FindEdit->clear();
        QTest::keyClicks(view->FindEdit, needle);
        Key(Qt::Key_Return);
        return SearchEnds(view);
    }
    bool Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        Key(key, modifiers);
        return SearchEnds(view);
    }

    TempDir dir;
    QPointer<TfTextView> view;
    QStringList messages;
};

} // namespace

TEST_F(TextView, TenGigabyteSparseFileOpensAtOnceReadingOnlyItsPages)
{
    const QString path = dir("huge.log");
    const qint64 size = 10LL << 30;
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(size)); // sparse: no block is written
    }
    const QByteArray tail = "\nfirst deep line\nsecond deep line\nthe very last line\n";
    WriteAt(path, size - tail.size(), tail);
    WriteAt(path, 16, "ABCDEFGHIJKLMNOP");

    const qint64 residentBefore = platform::ResidentBytes();
    QElapsedTimer opening;
    opening.start();
    ASSERT_NE(nullptr, Open(path));
    QCoreApplication::processEvents();
    const qint64 openMs = opening.elapsed();
    // NULs in the first block: hex, with exact offsets, bytes and characters.
    EXPECT_TRUE(view->MenuHex->isChecked());
    QStringList rows = view->Page->VisibleRows();
    ASSERT_GE(rows.size(), 2);
    EXPECT_EQ("000000000010  41 42 43 44 45 46 47 48  49 4A 4B 4C 4D 4E 4F 50  ABCDEFGHIJKLMNOP",
              rows[1]);

    Key(Qt::Key_H); // text
    EXPECT_FALSE(view->Page->Hex());
    Key(Qt::Key_End, Qt::ControlModifier);
    rows = view->Page->VisibleRows();
    ASSERT_GE(rows.size(), 3);
    EXPECT_EQ(QStringList({"first deep line", "second deep line", "the very last line"}),
              rows.mid(rows.size() - 3));
    EXPECT_TRUE(view->StatusText().contains("10,737,418,240 bytes"))
        << qPrintable(view->StatusText());
    EXPECT_TRUE(view->StatusText().contains("(100%)")) << qPrintable(view->StatusText());

    // Only the pages around what was shown were read, and memory stayed small.
    EXPECT_LT(view->Text().BytesRead(), 4 << 20);
    EXPECT_LT(platform::ResidentBytes() - residentBefore, 50LL << 20);
    EXPECT_LT(openMs, 5000); // 0.5 s is the aim; the bound is generous for a loaded machine
}

TEST_F(TextView, SearchCrossesChunkBoundariesWrapsAndGoesBack)
{
    // Short lines, with the needle across the first search chunk's end and a second one
    // across a read block's end; then one line longer than a chunk with a third across it.
    QByteArray bytes;
    const QByteArray line = "an ordinary line of the log, nothing to find here\n";
    while (bytes.size() < 3 * viewers::SearchChunk)
        bytes += line;
    const qint64 longLine = bytes.size();
    bytes += QByteArray(viewers::SearchChunk + 5000, 'x') + "\nlast\n";
    const qint64 first = viewers::SearchChunk - 3;
    const qint64 second = 2 * viewers::SearchChunk + viewers::TPagedText::BlockSize - 4;
    const qint64 third = longLine + viewers::SearchChunk - 3;
    bytes.replace(first, 7, "NeedleX");
    bytes.replace(second, 7, "needleX");
    ASSERT_LT(third + 7, bytes.size());
    bytes.replace(third, 7, "NEEDLEX");
    ASSERT_NE(nullptr, Open(dir.write("search.log", bytes)));

    ASSERT_TRUE(Search("needlex")); // without "Match case"
    EXPECT_EQ(first, view->Page->MatchOffset());
    EXPECT_TRUE(view->Page->VisibleRows().join('\n').contains("NeedleX"));
    ASSERT_TRUE(Press(Qt::Key_F3));
    EXPECT_EQ(second, view->Page->MatchOffset());
    ASSERT_TRUE(Press(Qt::Key_F3));
    EXPECT_EQ(third, view->Page->MatchOffset());
    ASSERT_TRUE(Press(Qt::Key_F3)); // round the end to the first again
    EXPECT_EQ(first, view->Page->MatchOffset());
    EXPECT_TRUE(view->FindStatus->text().contains("round the end"));

    ASSERT_TRUE(Press(Qt::Key_F3, Qt::ShiftModifier)); // back, round the start
    EXPECT_EQ(third, view->Page->MatchOffset());
    ASSERT_TRUE(Press(Qt::Key_F3, Qt::ShiftModifier));
    EXPECT_EQ(second, view->Page->MatchOffset());

    view->MatchCase->setChecked(true);
    ASSERT_TRUE(Search("NEEDLEX"));
    EXPECT_EQ(third, view->Page->MatchOffset());
    ASSERT_TRUE(Search("needlex"));
    EXPECT_TRUE(view->FindStatus->text().startsWith("Not found"));
    EXPECT_EQ(third, view->Page->MatchOffset());
}

TEST_F(TextView, HexShowsTheExactBytesAtAnOffset)
{
    QByteArray bytes;
    for (int i = 0; i < 4096; ++i)
        bytes.append(char(i * 7 % 256));
    bytes.replace(0x800, 4, "Wxyz");
    ASSERT_NE(nullptr, Open(dir.write("table.txt", bytes)));
    EXPECT_TRUE(view->Page->Hex()); // NULs: binary
    for (int i = 0; i < 3; ++i)
        Key(Qt::Key_PageDown);
    Key(Qt::Key_End, Qt::ControlModifier);
    const QStringList rows = view->Page->VisibleRows();
    ASSERT_FALSE(rows.isEmpty());
    EXPECT_EQ("000000000FF0  90 97 9E A5 AC B3 BA C1  C8 CF D6 DD E4 EB F2 F9  ................",
              rows.last());
    ASSERT_TRUE(Search("wXYZ"));
    EXPECT_EQ(0x800, view->Page->MatchOffset());
    const QStringList shown = view->Page->VisibleRows();
    EXPECT_TRUE(shown.contains("000000000800  57 78 79 7A 1C 23 2A 31  38 3F 46 4D 54 5B 62 69  "
                               "Wxyz.#*18?FMT[bi"))
        << qPrintable(shown.join('\n'));
}

TEST_F(TextView, EncodingChangeDecodesAgainAndBinaryOpensInHex)
{
    // Windows-1251 bytes, not UTF-8: guessed as Windows-1252.
    ASSERT_NE(nullptr, Open(dir.write("ru.txt", "\xcf\xf0\xe8\xe2\xe5\xf2\nline two\n")));
    EXPECT_FALSE(view->Page->Hex());
    EXPECT_EQ(QStringList({QString::fromUtf8("Ïðèâåò"), "line two"}), view->Page->VisibleRows());
    EXPECT_TRUE(view->StatusText().contains("Windows-1252"));
    QAction* cyrillic = nullptr;
    for (QAction* a : view->EncodingGroup->actions())
        if (a->text() == "Windows-1251")
            cyrillic = a;
    ASSERT_NE(nullptr, cyrillic);
    cyrillic->trigger();
    EXPECT_EQ(QStringList({QString::fromUtf8("Привет"), "line two"}), view->Page->VisibleRows());
    EXPECT_TRUE(view->StatusText().contains("Windows-1251"));
    view->close();

    // UTF-16 has NULs but is text; its lines end at whole units.
    QByteArray utf16;
    for (const char c : QByteArray("one\ntwo\n"))
        utf16 += QByteArray(1, c) + '\0';
    ASSERT_NE(nullptr, Open(dir.write("u16.txt", utf16)));
    EXPECT_FALSE(view->Page->Hex());
    EXPECT_EQ(QStringList({"one", "two"}), view->Page->VisibleRows());
    view->close();

    ASSERT_NE(nullptr, Open(dir.write("prog.bin", QByteArray("\x7f"
                                                             "ELF\x02\x01\x01\0\0\0",
                                                             10))));
    EXPECT_TRUE(view->Page->Hex());
    EXPECT_TRUE(view->MenuHex->isChecked());
    EXPECT_EQ(QStringList({"000000000000  7F 45 4C 46 02 01 01 00  00 00                  "
                           "  .ELF......"}),
              view->Page->VisibleRows());
}

TEST_F(TextView, LinesAreSelectedAndCopiedAGrownFileIsReadAgainAndEscapeCloses)
{
    const QString path = dir.write("app.log", "alpha\nbeta\ngamma\ndelta\n");
    ASSERT_NE(nullptr, Open(path));
    Key(Qt::Key_Down, Qt::ShiftModifier);
    Key(Qt::Key_Down, Qt::ShiftModifier);
    Key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ("alpha\nbeta\ngamma", QApplication::clipboard()->text());

    WriteAt(path, 23, "epsilon\n");
    EXPECT_EQ(4, view->Page->VisibleRows().size());
    Key(Qt::Key_F5);
    EXPECT_EQ(QStringList({"alpha", "beta", "gamma", "delta", "epsilon"}),
              view->Page->VisibleRows());

    Key(Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(view.isNull());

    EXPECT_EQ(nullptr, TfTextView::Open(nullptr, dir("missing.txt")));
    ASSERT_EQ(1, messages.size());
    EXPECT_TRUE(messages[0].startsWith("Cannot read the file " + dir("missing.txt") + ": "));
}
