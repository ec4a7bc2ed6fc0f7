// Long file work runs off the interface thread: the progress window after 400 ms, a main
// window that keeps handling timers, and Cancel with its guarantees. The fault hook makes
// the work long (it runs on the worker thread) without gigabytes of data.
#include "fileops/uProgress.h"
#include "main/FileOpsFixture.h"
#include "platform/FileNames.h"
#include "platform/FileOpsFaults.h"
#include "support/TickWatch.h"
#include "viewers/uText.h"
#include "viewers/uTextView.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtEndian>
#include <atomic>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace
{

// Counts the progress windows shown while it lives, and keeps their titles.
class ProgressWatch final : public QObject
{
public:
    ProgressWatch() { qApp->installEventFilter(this); }
    ~ProgressWatch() override { qApp->removeEventFilter(this); }
    int shown{0};
    QStringList titles;

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() == QEvent::Show && qobject_cast<TfProgress*>(object)) {
            ++shown;
            titles << static_cast<TfProgress*>(object)->windowTitle();
        }
        return false;
    }
};

// The first progress window on screen, or null.
TfProgress* VisibleProgress()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* p = qobject_cast<TfProgress*>(w); p && p->isVisible())
            return p;
    return nullptr;
}

QByteArray Pattern(int size)
{
    QByteArray data(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        data[i] = char((unsigned(i) * 7919u) >> 5);
    return data;
}

// Relative path and bytes of every entry below `root`.
QMap<QString, QByteArray> Tree(const QString& root)
{
    QMap<QString, QByteArray> tree;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info = it.nextFileInfo();
        tree[info.filePath().mid(root.size())] = info.isDir() ? "dir" : readAll(info.filePath());
    }
    return tree;
}

} // namespace

class LongWorkTest : public FileOpsTest
{
protected:
    void TearDown() override
    {
        platform::SetFileOpsFaultHook({});
        FileOpsTest::TearDown();
    }

    // Selects a 48 MiB big.bin and a small.txt in the left panel, big.bin's first chunk
    // held until the user cancels; returns big.bin's content.
    QByteArray SelectBigAndSmallWithBigHeld()
    {
        const QByteArray big = Pattern(48 << 20);
        dir.write("left/big.bin", big);
        dir.write("left/small.txt", "small");
        Reload();
        Select(sdLeft, {"big.bin", "small.txt"});
        HoldFirstChunkUntilCancelled("big.bin");
        return big;
    }

    // Makes the first chunk of the file `name` wait until the user has cancelled (at most
    // 10 s), so the cancel arrives in the middle of that file.
    void HoldFirstChunkUntilCancelled(const QString& name)
    {
        platform::SetFileOpsFaultHook(
            [this, name](platform::TFileOpsStep step, const QString& path) {
                if (step == platform::TFileOpsStep::OpenSource)
                    inFile.store(path.endsWith('/' + name));
                if (step != platform::TFileOpsStep::ChunkCopied || !inFile.load() ||
                    held.exchange(true))
                    return 0;
                for (int i = 0; i < 1000 && !cancelled.load(); ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                return 0;
            });
    }

    // Once the progress window is on screen, `press` acts on it and the hook is released.
    void CancelWhenShown(const std::function<void(TfProgress*)>& press)
    {
        auto* poll = new QTimer(main.get());
        QObject::connect(poll, &QTimer::timeout, poll, [this, poll, press] {
            if (TfProgress* window = VisibleProgress()) {
                press(window);
                cancelled.store(true);
                poll->deleteLater();
            }
        });
        poll->start(20);
    }

    std::atomic<bool> inFile{false}, held{false}, cancelled{false};
};

TEST_F(LongWorkTest, ALongCopyShowsProgressKeepsTheWindowLiveAndCopiesEveryByte)
{
    for (int i = 0; i < 6; ++i)
        dir.write(QStringLiteral("left/tree/d%1/f%1.bin").arg(i), Pattern(100000 + i));
    dir.write("left/tree/top.txt", "top");
    Reload();
    Select(sdLeft, {"tree"});
    // Each file takes 150 ms to open: about a second in all.
    platform::SetFileOpsFaultHook([](platform::TFileOpsStep step, const QString&) {
        if (step == platform::TFileOpsStep::OpenSource)
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
        return 0;
    });
    ProgressWatch watch;
    TTickWatch ticks;
    // What the window says, as last seen: its title and its lines.
    QString title, lines;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (TfProgress* window = VisibleProgress()) {
            title = window->windowTitle();
            lines.clear();
            for (QLabel* label : window->findChildren<QLabel*>())
                lines += label->text() + '\n';
        }
    });
    look.start(50);
    ticks.Start();
    Press(Qt::Key_F5);
    EXPECT_GE(ticks.Elapsed(), 900);
    EXPECT_LE(ticks.LongestGap(), 250);
    EXPECT_EQ(watch.shown, 1);
    EXPECT_EQ(title, "Copying");
    // The totals were counted meanwhile: the folder and the 13 entries below it.
    EXPECT_TRUE(lines.contains(" of 14 items\n")) << lines.toStdString();
    EXPECT_EQ(VisibleProgress(), nullptr);
    EXPECT_EQ(Tree(right + "tree"), Tree(left + "tree"));
    EXPECT_EQ(Tree(right + "tree").size(), 13);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_TRUE(Names(sdRight).contains("tree"));
}

// The user switches to another program before the progress window comes, then clicks a
// row of the main window and presses F8, and a timer asks for the parent folder: the
// progress window is modal to the main window all the same, and nothing starts inside
// the copy.
TEST_F(LongWorkTest, WhileACommandRunsNoOtherStartsFromAnyPath)
{
    dir.write("left/keep.txt", "keep");
    const QByteArray big = SelectBigAndSmallWithBigHeld();
    int focused = -1, afterClick = -1;
    QTimer::singleShot(100, main.get(), [] { QApplication::setActiveWindow(nullptr); });
    QPointer<QWidget> owner;
    Qt::WindowModality modality = Qt::NonModal;
    auto* poll = new QTimer(main.get());
    QObject::connect(poll, &QTimer::timeout, poll, [&, poll] {
        TfProgress* window = VisibleProgress();
        if (!window)
            return;
        poll->stop();
        owner = window->parentWidget();
        modality = window->windowModality();
        QApplication::setActiveWindow(main.get()); // the click brings the main window back
        QAbstractItemView* view = View(sdLeft);
        const QRect row = view->visualRect(view->model()->index(Row(sdLeft, "keep.txt"), 0));
        focused = main->Left().Files->GetFocusedIndex();
        QTest::mouseClick(main->windowHandle(), Qt::LeftButton, {},
                          view->viewport()->mapTo(main.get(), row.center()));
        afterClick = main->Left().Files->GetFocusedIndex();
        QTest::keyClick(main->windowHandle(), Qt::Key_F8);
        main->Actions.MenuParentFolder->trigger();
        cancelled.store(true); // the copy goes on to its end
    });
    poll->start(20);
    Press(Qt::Key_F5);
    EXPECT_EQ(owner, main.get());
    EXPECT_EQ(modality, Qt::WindowModal);
    EXPECT_EQ(readAll(right + "big.bin"), big);
    EXPECT_EQ(readAll(right + "small.txt"), "small");
    EXPECT_EQ(readAll(left + "keep.txt"), "keep");
    EXPECT_EQ(main->Left().Directory, left);
    EXPECT_NE(focused, Row(sdLeft, "keep.txt"));
    EXPECT_EQ(afterClick, focused);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(LongWorkTest, QuickCommandsShowNoProgressWindow)
{
    dir.write("left/a.txt", "a");
    dir.write("left/b/c.txt", "c");
    Reload();
    ProgressWatch watch;
    Select(sdLeft, {"a.txt", "b"});
    Press(Qt::Key_F5);
    Open(sdLeft, left);
    Select(sdLeft, {"a.txt"});
    AnswerTakenName(&TfCollision::ButtonRename);
    Press(Qt::Key_F6);
    EXPECT_EQ(readAll(right + "b/c.txt"), "c");
    EXPECT_EQ(readAll(right + "a (2).txt"), "a");
    EXPECT_EQ(watch.shown, 0);
}

TEST_F(LongWorkTest, EscapeInTheMiddleOfAFileLeavesNoPartialCopyAndStartsNothingMore)
{
    const QByteArray big = SelectBigAndSmallWithBigHeld();
    CancelWhenShown([](TfProgress* window) { QTest::keyClick(window, Qt::Key_Escape); });
    Press(Qt::Key_F5);
    EXPECT_TRUE(held.load());
    EXPECT_FALSE(QFileInfo::exists(right + "big.bin"));
    EXPECT_FALSE(QFileInfo::exists(right + "small.txt"));
    EXPECT_EQ(readAll(left + "big.bin"), big);
    EXPECT_EQ(messages, QStringList({"Copied 0 of 2 items; cancelled"}));
    EXPECT_EQ(VisibleProgress(), nullptr);
}

// The file at work is named as the panel shows it: a Latin-1 byte as U+FFFD.
TEST_F(LongWorkTest, TheProgressWindowShowsANameThatIsNotUtf8Readably)
{
    QProcess sh;
    sh.setWorkingDirectory(left);
    sh.start("sh", {"-c", "head -c 50331648 /dev/zero >\"$(printf 'caf\\351.bin')\""});
    ASSERT_TRUE(sh.waitForFinished() && sh.exitCode() == 0);
    const QString name = platform::DecodeFileName("caf\xe9.bin");
    Reload();
    Select(sdLeft, {name});
    HoldFirstChunkUntilCancelled(name);
    auto shown = std::make_shared<QStringList>(); // the window's texts, kept past the test
    CancelWhenShown([shown](TfProgress* window) {
        for (const QLabel* label : window->findChildren<QLabel*>())
            *shown << label->text();
        QTest::keyClick(window, Qt::Key_Escape);
    });
    Press(Qt::Key_F5);
    EXPECT_TRUE(held.load());
    const QString texts = shown->join('\n');
    EXPECT_TRUE(texts.contains(QString("caf") + QChar(0xFFFD) + ".bin")) << texts.toStdString();
    EXPECT_FALSE(texts.contains(QChar(0xDCE9)));
    EXPECT_TRUE(::unlink(QByteArray(QFile::encodeName(left) + "caf\xe9.bin").constData()) == 0);
}

// A move between file systems copies first: Cancel keeps every source whose copy did not
// complete, and undoes nothing complete.
TEST_F(LongWorkTest, CancelledMoveKeepsEverySourceNotFullyCopied)
{
    QTemporaryDir other(QStringLiteral("/dev/shm/trvx-move-XXXXXX"));
    struct stat here {
    }, there{};
    if (!other.isValid() || ::stat(left.toUtf8().constData(), &here) != 0 ||
        ::stat(other.path().toUtf8().constData(), &there) != 0 || here.st_dev == there.st_dev)
        GTEST_SKIP() << "needs a second file system at /dev/shm";
    const QString target = other.path() + '/';
    const QByteArray big = Pattern(48 << 20);
    dir.write("left/a/first.txt", "first");
    dir.write("left/b/big.bin", big);
    dir.write("left/b/after.txt", "after");
    dir.write("left/c.txt", "last");
    Open(sdRight, target);
    Open(sdLeft, left);
    Select(sdLeft, {"a", "b", "c.txt"});
    HoldFirstChunkUntilCancelled("big.bin");
    CancelWhenShown(
        [](TfProgress* window) { QTest::mouseClick(window->ButtonCancel, Qt::LeftButton); });
    Press(Qt::Key_F6);
    EXPECT_EQ(readAll(target + "a/first.txt"), "first");
    EXPECT_FALSE(QFileInfo::exists(left + "a"));
    EXPECT_EQ(readAll(left + "b/big.bin"), big);
    EXPECT_EQ(readAll(left + "b/after.txt"), "after");
    EXPECT_FALSE(QFileInfo::exists(target + "b"));
    EXPECT_EQ(readAll(left + "c.txt"), "last");
    EXPECT_FALSE(QFileInfo::exists(target + "c.txt"));
    EXPECT_EQ(messages, QStringList({"Moved 1 of 3 items; cancelled"}));
}

// Deleting for good stops at the next entry: what is left is whole, and the message counts
// the entries that went of those counted beforehand.
TEST_F(LongWorkTest, CancelledDeleteKeepsEveryEntryNotDeletedWhole)
{
    for (int i = 0; i < 3; ++i)
        dir.write(QStringLiteral("left/tree/d%1/f%1.bin").arg(i), Pattern(70000 + i));
    dir.write("left/tree/top.txt", "top");
    Reload();
    const QMap<QString, QByteArray> before = Tree(left);
    ASSERT_EQ(before.size(), 8);
    // The first removal waits until the totals are on screen, the fourth until the user
    // has cancelled; that one still goes, and the folder it emptied.
    std::atomic<bool> counted{false}, atFourth{false};
    std::atomic<int> removals{0};
    platform::SetFileOpsFaultHook([&](platform::TFileOpsStep step, const QString&) {
        if (step != platform::TFileOpsStep::RemoveEntry)
            return 0;
        const int n = ++removals;
        for (int i = 0; i < 1000 && n == 1 && !counted.load(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (n == 4)
            atFourth.store(true);
        for (int i = 0; i < 1000 && n == 4 && !cancelled.load(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return 0;
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        TfProgress* window = VisibleProgress();
        if (!window || cancelled.load())
            return;
        for (QLabel* label : window->findChildren<QLabel*>())
            counted.store(counted.load() || label->text().endsWith(" of 8 items"));
        if (atFourth.load()) {
            QTest::mouseClick(window->ButtonCancel, Qt::LeftButton);
            cancelled.store(true);
        }
    });
    poll.start(20);
    Select(sdLeft, {"tree"});
    AnswerQuestion(1);
    Press(Qt::Key_F8);
    EXPECT_TRUE(counted.load());
    const QMap<QString, QByteArray> after = Tree(left);
    EXPECT_GE(after.size(), 3);
    for (auto it = after.begin(); it != after.end(); ++it)
        EXPECT_EQ(it.value(), before.value(it.key())) << it.key().toStdString();
    EXPECT_EQ(messages, QStringList({QStringLiteral("Deleted %1 of 8 items; cancelled")
                                         .arg(before.size() - after.size())}));
    EXPECT_TRUE(Names(sdLeft).contains("tree"));
}

TEST_F(LongWorkTest, CancelledDirectorySizesKeepOnlyFoldersMeasuredWhole)
{
    dir.write("left/a/x", QByteArray(100, 'x'));
    dir.write("left/b/y", QByteArray(50, 'y'));
    dir.write("left/b/sub/z", QByteArray(30, 'z'));
    dir.write("left/c/w", QByteArray(20, 'w'));
    Reload();
    const TFileListing& listing = main->Left().Listing;
    const qint64 before = listing[Row(sdLeft, "b")].Size;
    // b is held after its first folder, with its subfolder still to measure.
    platform::SetFileOpsFaultHook([this](platform::TFileOpsStep step, const QString& path) {
        if (step == platform::TFileOpsStep::DirectoryMeasured && path.endsWith("/b/"))
            for (int i = 0; i < 1000 && !cancelled.load(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return 0;
    });
    CancelWhenShown([](TfProgress* window) { window->close(); });
    main->Actions.MenuDirectorySize->trigger();
    EXPECT_EQ(listing[Row(sdLeft, "a")].Size, 100);
    EXPECT_EQ(listing[Row(sdLeft, "b")].Size, before);
    EXPECT_EQ(listing[Row(sdLeft, "c")].Size, before);
    EXPECT_EQ(messages, QStringList({"Measured 1 of 3 items; cancelled"}));
}

// The archive cases: the libraries call back on the worker thread, where these handlers
// hold the first file until the user has cancelled.
TEST_F(LongWorkTest, CancelledArchiveWorkKeepsTheArchiveAndWholeMembersOnly)
{
    ASSERT_TRUE(ArchiveWithOneMember(right, "t.zip"));
    dir.write("left/m1.txt", "one");
    dir.write("left/m2.txt", "two");
    ASSERT_TRUE(RunZip(left, {"-q", "pack.zip", "m1.txt", "m2.txt"}));
    const QByteArray archive = readAll(right + "t.zip");
    Reload();
    OpenArchive(sdRight, "t.zip");
    const auto hold = [this](QObject*, ProgressType type, const QString&, qint64) {
        if (type == ptFileStart && !held.exchange(true))
            for (int i = 0; i < 1000 && !cancelled.load(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
    };
    main->Right().Zip->OnProgress = hold;
    Select(sdLeft, {"m1.txt", "m2.txt"});
    CancelWhenShown(
        [](TfProgress* window) { QTest::mouseClick(window->ButtonCancel, Qt::LeftButton); });
    Press(Qt::Key_F6);
    EXPECT_TRUE(held.load());
    EXPECT_EQ(readAll(right + "t.zip"), archive);
    EXPECT_EQ(readAll(left + "m1.txt"), "one");
    EXPECT_EQ(readAll(left + "m2.txt"), "two");
    EXPECT_EQ(messages, QStringList({"Adding to t.zip was cancelled; the archive holds what "
                                     "it held before"}));

    // Extracting: the member at work is finished, no further one is started.
    held = cancelled = false;
    messages.clear();
    Open(sdRight, right);
    Open(sdLeft, left);
    OpenArchive(sdLeft, "pack.zip");
    main->Left().Zip->OnProgress = hold;
    Select(sdLeft, {"m1.txt", "m2.txt"});
    CancelWhenShown([](TfProgress* window) { QTest::keyClick(window, Qt::Key_Escape); });
    Press(Qt::Key_F5);
    EXPECT_EQ(readAll(right + "m1.txt"), "one");
    EXPECT_FALSE(QFileInfo::exists(right + "m2.txt"));
    EXPECT_EQ(messages, QStringList({"Extracted 1 of 2 items; cancelled"}));
}

// Files and folders go into an archive as one command behind one progress window; each
// file the library starts takes 500 ms here.
TEST_F(LongWorkTest, FilesAndFoldersGoIntoAnArchiveBehindOneProgressWindow)
{
    ASSERT_TRUE(ArchiveWithOneMember(right, "t.zip"));
    dir.write("left/a.txt", "file a");
    dir.write("left/box/b.txt", "box b");
    Reload();
    OpenArchive(sdRight, "t.zip");
    main->Right().Zip->OnProgress = [](QObject*, ProgressType type, const QString&, qint64) {
        if (type == ptFileStart)
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
    };
    ProgressWatch watch;
    Select(sdLeft, {"a.txt", "box"});
    Press(Qt::Key_F5);
    EXPECT_EQ(watch.shown, 1);
    EXPECT_EQ(Names(sdRight), QStringList({"..", "box", "a.txt", "x.txt"}));
    EXPECT_EQ(MemberContent(right + "t.zip", "a.txt"), "file a");
    EXPECT_EQ(MemberContent(right + "t.zip", "box/b.txt"), "box b");
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

// One large member: Cancel stops it in the middle (the library reports a step per MiB and
// asks the cancel flag there), its partly written file goes, the archive is untouched.
TEST_F(LongWorkTest, CancelInTheMiddleOfALargeMemberLeavesNoPartialFile)
{
    const QByteArray big = Pattern(48 << 20);
    dir.write("left/big.bin", big);
    ASSERT_TRUE(RunZip(left, {"-q", "-0", "one.zip", "big.bin"}));
    QFile::remove(left + "big.bin");
    const QByteArray archive = readAll(left + "one.zip");
    Reload();
    OpenArchive(sdLeft, "one.zip");
    // Held at the first step inside the member, until the user has cancelled.
    main->Left().Zip->OnProgress = [this](QObject*, ProgressType type, const QString&, qint64) {
        if (type == ptFileStep && !held.exchange(true))
            for (int i = 0; i < 1000 && !cancelled.load(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
    };
    Select(sdLeft, {"big.bin"});
    CancelWhenShown(
        [](TfProgress* window) { QTest::mouseClick(window->ButtonCancel, Qt::LeftButton); });
    Press(Qt::Key_F5);
    EXPECT_TRUE(held.load());
    EXPECT_TRUE(Tree(right).isEmpty()) << Tree(right).keys().join(' ').toStdString();
    EXPECT_EQ(readAll(left + "one.zip"), archive);
    EXPECT_EQ(messages, QStringList({"Extracted 0 of 1 items; cancelled"}));
    EXPECT_EQ(VisibleProgress(), nullptr);
}

// Closing the main window during a command quits: the command is cancelled first, with
// the guarantees of Cancel, and then the program ends without a message box to answer,
// whether the window closes while the progress window is up or before it came.
TEST_F(LongWorkTest, ClosingTheMainWindowMidCopyCancelsTheCopyFirst)
{
    const QByteArray big = SelectBigAndSmallWithBigHeld();
    CancelWhenShown([this](TfProgress*) {
        QCloseEvent close; // as the window manager sends it
        QApplication::sendEvent(main.get(), &close);
        EXPECT_FALSE(close.isAccepted());
    });
    Press(Qt::Key_F5);
    EXPECT_FALSE(QFileInfo::exists(right + "big.bin"));
    EXPECT_FALSE(QFileInfo::exists(right + "small.txt"));
    EXPECT_EQ(readAll(left + "big.bin"), big);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_TRUE(QTest::qWaitFor([this] { return !main->isVisible(); }, 2000));
}

TEST_F(LongWorkTest, ClosingTheMainWindowBeforeTheProgressWindowQuitsWithoutAMessage)
{
    const QByteArray big = Pattern(48 << 20);
    dir.write("left/big.bin", big);
    Reload();
    Select(sdLeft, {"big.bin"});
    HoldFirstChunkUntilCancelled("big.bin");
    QTimer::singleShot(100, main.get(), [this] {
        QCloseEvent close;
        QApplication::sendEvent(main.get(), &close);
        EXPECT_FALSE(close.isAccepted());
        cancelled.store(true);
    });
    ProgressWatch watch;
    Press(Qt::Key_F5);
    EXPECT_TRUE(held.load());
    EXPECT_EQ(watch.shown, 0);
    EXPECT_FALSE(QFileInfo::exists(right + "big.bin"));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_TRUE(QTest::qWaitFor([this] { return !main->isVisible(); }, 2000));
}

// A large read-only archive: the hook holds its reading (3 s, deaf to Cancel, as a long
// decompression is). Opening goes behind the progress window, whose Cancel returns at
// once and leaves the panel where it was; opening again and copying out go behind it too.
TEST_F(LongWorkTest, ReadOnlyArchivesAreOpenedAndCopiedOutBehindTheProgressWindow)
{
    dir.write("src/b.txt", QByteArray(23, 'b'));
    QProcess tar;
    tar.setWorkingDirectory(dir("src"));
    tar.start("tar", {"-cJf", left + "big.tar.xz", "b.txt"});
    ASSERT_TRUE(tar.waitForFinished() && tar.exitCode() == 0);
    Reload();
    const QStringList names = Names(sdLeft);
    auto holdMs = std::make_shared<std::atomic<int>>(3000);
    platform::SetFileOpsFaultHook([holdMs](platform::TFileOpsStep step, const QString&) {
        if (step == platform::TFileOpsStep::ArchiveRead)
            std::this_thread::sleep_for(std::chrono::milliseconds(holdMs->load()));
        return 0;
    });
    ProgressWatch watch;
    TTickWatch ticks;
    QElapsedTimer sinceCancel;
    CancelWhenShown([&](TfProgress* window) {
        QTest::mouseClick(window->ButtonCancel, Qt::LeftButton);
        sinceCancel.start();
    });
    ticks.Start();
    main->Left().Files->FocusItem(Row(sdLeft, "big.tar.xz"));
    Press(Qt::Key_Return);
    EXPECT_LT(sinceCancel.elapsed(), 2000);
    EXPECT_LE(ticks.LongestGap(), 250);
    EXPECT_EQ(watch.titles, QStringList({"Opening big.tar.xz"}));
    EXPECT_FALSE(main->ShowsArchive(sdLeft));
    EXPECT_EQ(Names(sdLeft), names);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    ASSERT_TRUE(QTest::qWaitFor([] { return TFileWorker::Running() == 0; }, 10000));

    holdMs->store(600);
    Press(Qt::Key_Return);
    EXPECT_EQ(watch.shown, 2);
    ASSERT_TRUE(main->ShowsReadOnlyArchive(sdLeft));
    Select(sdLeft, {"b.txt"});
    ticks.Start();
    Press(Qt::Key_F5);
    EXPECT_LE(ticks.LongestGap(), 250);
    EXPECT_EQ(watch.titles.mid(2), QStringList({"Extracting"}));
    EXPECT_EQ(readAll(right + "b.txt"), QByteArray(23, 'b'));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

// An ISO image whose Rock Ridge continuation area holds a continuation pointing at itself,
// on which libarchive goes round for ever inside one call: Cancel leaves the panel where
// it was, and the reading left behind ends too (nothing keeps a core busy).
TEST_F(LongWorkTest, AnAbandonedOpeningOfAnArchiveLibarchiveLoopsOnEnds)
{
    dir.write("src/" + QString(240, 'n'), "long name");
    QProcess xorriso;
    xorriso.setWorkingDirectory(dir("src"));
    xorriso.start("xorriso", {"-as", "mkisofs", "-quiet", "-R", "-o", left + "loop.iso", "."});
    ASSERT_TRUE(xorriso.waitForFinished(60000) && xorriso.exitCode() == 0);
    QFile file(left + "loop.iso");
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    const QByteArray image = file.readAll();
    const qsizetype ce = image.indexOf(QByteArray("CE\x1c\x01", 4));
    ASSERT_GT(ce, 0);
    const auto le32 = [&](qsizetype at) {
        return qFromLittleEndian<quint32>(image.constData() + at);
    };
    ASSERT_TRUE(file.seek(qint64(le32(ce + 4)) * 2048 + le32(ce + 12)));
    ASSERT_EQ(file.write(image.mid(ce, 28)), 28); // the same continuation, in its own area
    file.close();
    Reload();
    const QStringList names = Names(sdLeft);
    CancelWhenShown(
        [](TfProgress* window) { QTest::mouseClick(window->ButtonCancel, Qt::LeftButton); });
    main->Left().Files->FocusItem(Row(sdLeft, "loop.iso"));
    Press(Qt::Key_Return);
    EXPECT_TRUE(cancelled.load());
    EXPECT_FALSE(main->ShowsArchive(sdLeft));
    EXPECT_EQ(Names(sdLeft), names);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_TRUE(QTest::qWaitFor([] { return TFileWorker::Running() == 0; }, 30000));
}

// Cancel while a read-only archive's members are extracted stops within a block of data:
// the member being written leaves no file, not even its temporary one, and no further
// member is started. The same while a large member that is not wanted is decompressed on
// the way to one that is. The first block read is held until the user has cancelled.
TEST_F(LongWorkTest, CancelWhileExtractingFromAReadOnlyArchiveStopsInTheMiddleOfAMember)
{
    dir.write("src/big.bin", Pattern(16 << 20));
    dir.write("src/empty.txt", "");
    dir.write("src/small.txt", "small");
    QProcess tar;
    tar.setWorkingDirectory(dir("src"));
    tar.start("tar", {"-cJf", left + "big.tar.xz", "big.bin", "empty.txt", "small.txt"});
    ASSERT_TRUE(tar.waitForFinished(60000) && tar.exitCode() == 0);
    Reload();
    main->Left().Files->FocusItem(Row(sdLeft, "big.tar.xz"));
    Press(Qt::Key_Return);
    ASSERT_TRUE(main->ShowsReadOnlyArchive(sdLeft));
    std::atomic<int> blocks{0};
    platform::SetFileOpsFaultHook([this, &blocks](platform::TFileOpsStep step, const QString&) {
        if (step == platform::TFileOpsStep::ArchiveData && ++blocks == 1)
            for (int i = 0; i < 1000 && !cancelled.load(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return 0;
    });
    const auto clickCancel = [](TfProgress* window) {
        QTest::mouseClick(window->ButtonCancel, Qt::LeftButton);
    };

    CancelWhenShown(clickCancel);
    Select(sdLeft, {"big.bin", "empty.txt", "small.txt"});
    Press(Qt::Key_F5);
    EXPECT_TRUE(cancelled.load());
    EXPECT_EQ(blocks.load(), 1);
    EXPECT_TRUE(Tree(right).isEmpty()) << Tree(right).keys().join(' ').toStdString();
    EXPECT_EQ(messages, QStringList({"Extracted 0 of 3 items; cancelled"}));
    EXPECT_EQ(VisibleProgress(), nullptr);

    messages.clear();
    blocks.store(0);
    cancelled.store(false);
    CancelWhenShown(clickCancel);
    Select(sdLeft, {"small.txt"});
    Press(Qt::Key_F5);
    EXPECT_TRUE(cancelled.load());
    EXPECT_EQ(blocks.load(), 1);
    EXPECT_TRUE(Tree(right).isEmpty()) << Tree(right).keys().join(' ').toStdString();
    EXPECT_EQ(messages, QStringList({"Extracted 0 of 1 items; cancelled"}));

    // Uncancelled, passing big.bin is told block by block: that is where a cancel is seen.
    messages.clear();
    blocks.store(0);
    cancelled.store(true);
    Select(sdLeft, {"small.txt"});
    Press(Qt::Key_F5);
    EXPECT_EQ(readAll(right + "small.txt"), "small");
    EXPECT_GT(blocks.load(), 16) << "16 MiB passed in blocks of at most 1 MiB";
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

// F3 on a large ZIP member extracts it behind the progress window (each file the library
// starts takes 600 ms here), and a move into an archive deletes its sources behind it.
TEST_F(LongWorkTest, ViewingAMemberAndAMovesDeletionsRunBehindTheProgressWindow)
{
    dir.write("left/notes.txt", "hello");
    ASSERT_TRUE(RunZip(left, {"-q", "notes.zip", "notes.txt"}));
    QFile::remove(left + "notes.txt");
    ASSERT_TRUE(ArchiveWithOneMember(right, "t.zip"));
    dir.write("left/a.txt", "file a");
    Reload();
    OpenArchive(sdLeft, "notes.zip");
    main->Categories.SetCategory(TExtensionCategory::Text, "TXT");
    main->Left().Zip->OnProgress = [](QObject*, ProgressType type, const QString&, qint64) {
        if (type == ptFileStart)
            std::this_thread::sleep_for(std::chrono::milliseconds(600));
    };
    ProgressWatch watch;
    main->Left().Files->FocusItem(Row(sdLeft, "notes.txt"));
    main->FilesEnter(sdLeft);
    Press(Qt::Key_F3);
    EXPECT_EQ(watch.titles, QStringList({"Extracting"}));
    const QList<TfTextView*> views = main->findChildren<TfTextView*>();
    ASSERT_EQ(views.size(), 1);
    EXPECT_EQ(views[0]->Page->VisibleRows(), QStringList("hello"));
    views[0]->close();

    Open(sdLeft, left);
    OpenArchive(sdRight, "t.zip");
    platform::SetFileOpsFaultHook([](platform::TFileOpsStep step, const QString&) {
        if (step == platform::TFileOpsStep::RemoveEntry)
            std::this_thread::sleep_for(std::chrono::milliseconds(600));
        return 0;
    });
    Select(sdLeft, {"a.txt"});
    main->Left().Files->setFocus();
    Press(Qt::Key_F6);
    EXPECT_EQ(watch.titles.mid(1), QStringList({"Deleting"}));
    EXPECT_EQ(MemberContent(right + "t.zip", "a.txt"), "file a");
    EXPECT_FALSE(QFileInfo::exists(left + "a.txt"));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

// The window that had the keys when a progress window came up has them again once it
// went: the progress window is the main window's, and nothing else would hand them back.
TEST_F(LongWorkTest, TheWindowThatHadTheKeysHasThemAgainAfterTheProgressWindow)
{
    QWidget other(main.get(), Qt::Window);
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &other; }));
    ProgressWatch watch;
    std::atomic<bool> shown{false};
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        if (VisibleProgress())
            shown = true;
    });
    poll.start(20);
    platform::TFileOpsProgress progress;
    RunFileWork(QStringLiteral("Working"), progress, [&] {
        for (int i = 0; i < 3000 && !shown; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    });
    EXPECT_EQ(watch.shown, 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), &other);
}
