// The "Find files" window through the user's path: Alt+F7, fields, Return, the live
// results, Stop and Escape, going to a result, viewing it, and the results fed to a
// panel on which the file commands work on the real files.
#include "archive/ArchiveTools.h"
#include "fileops/uProgress.h"
#include "main/FileOpsFixture.h"
#include "platform/FileOpsFaults.h"
#include "platform/FileSystem.h"
#include "platform/Locale.h"
#include "search/SearchTestSupport.h"
#include "search/uFind.h"
#include "support/FaultHold.h"
#include "support/TickWatch.h"
#include "viewers/ModalAnswer.h"
#include "viewers/uText.h"
#include "viewers/uTextView.h"

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSpinBox>
#include <QStringEncoder>
#include <QThread>
#include <QTreeView>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

class FindWindowTest : public FileOpsTest
{
protected:
    // Alt+F7 in the active panel's list, as a user presses it.
    TfFind* OpenFind()
    {
        QApplication::setActiveWindow(main.get());
        QTest::keyClick(main->Panel(main->ActiveSide()).Files->ActiveView(), Qt::Key_F7,
                        Qt::AltModifier);
        TfFind* find = main->FindWindow();
        EXPECT_TRUE(find && find->isVisible());
        return find;
    }

    // Types `mask` over "Search for" and presses Return there, then waits for the end.
    void Search(TfFind* find, const QString& mask)
    {
        find->EditMask->selectAll();
        QTest::keyClicks(find->EditMask, mask);
        QTest::keyClick(find->EditMask, Qt::Key_Return);
        ASSERT_TRUE(QTest::qWaitFor([find] { return !find->Searching(); }, 60000));
    }

    static QStringList HitPaths(const TfFind* find)
    {
        QStringList paths;
        for (const TSearchHit& hit : find->Hits())
            paths << hit.Path();
        paths.sort();
        return paths;
    }

    // Puts the results list's cursor on the hit whose path ends in `tail`.
    static void PickHit(TfFind* find, const QString& tail)
    {
        for (size_t row = 0; row < find->Hits().size(); ++row)
            if (find->Hits()[row].Path().endsWith(tail))
                find->Results->setCurrentIndex(find->Results->model()->index(int(row), 0));
        QApplication::setActiveWindow(find); // the window's keys need it active
        find->Results->setFocus();
    }
};

class TFaultHook final
{
public:
    explicit TFaultHook(platform::TFileOpsFaultHook hook)
        : m_previous(platform::SetFileOpsFaultHook(std::move(hook)))
    {
    }
    ~TFaultHook() { platform::SetFileOpsFaultHook(std::move(m_previous)); }

private:
    platform::TFileOpsFaultHook m_previous;
};

QByteArray Utf16(const QString& text)
{
    QStringEncoder encoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    return encoder(text);
}

} // namespace

TEST_F(FindWindowTest, AltF7MaskAndReturnFindWhatFindFinds)
{
    dir.write("left/one.TXT", "1");
    dir.write("left/sub/two.txt", "2");
    dir.write("left/sub/deeper/three.txt", "3");
    dir.write("left/sub/skip.md", "4");
    Open(sdLeft, left);
    TfFind* find = OpenFind();
    ASSERT_TRUE(find);
    EXPECT_EQ(find->focusWidget(), find->EditMask); // the focus starts in "Search for"
    EXPECT_EQ(find->EditFolder->text(), left);      // "In": the active panel's folder
    EXPECT_TRUE(find->CheckSubfolders->isChecked());
    EXPECT_FALSE(find->CheckFollowLinks->isChecked());
    Search(find, "*.txt");
    EXPECT_EQ(HitPaths(find), FindPaths(left, {"-iname", "*.txt"}));
    EXPECT_EQ(HitPaths(find).size(), 3);
    EXPECT_TRUE(find->Status->text().startsWith("3 found")) << find->Status->text().toStdString();
    // The list shows name, folder, size and date of each.
    const QAbstractItemModel* model = find->Results->model();
    EXPECT_EQ(model->columnCount(), 4);
    QStringList names;
    for (int row = 0; row < model->rowCount(); ++row)
        names << model->index(row, 0).data().toString();
    names.sort();
    EXPECT_EQ(names, QStringList({"one.TXT", "three.txt", "two.txt"}));
    // A folder that is not there: said, and nothing starts.
    find->EditFolder->setText(dir("nowhere/"));
    QTest::keyClick(find->EditMask, Qt::Key_Return);
    EXPECT_FALSE(find->Searching());
    EXPECT_TRUE(find->Status->text().startsWith("No such folder"));
}

TEST_F(FindWindowTest, LabelsShowNoAmpersandAndTheirKeysLeadToTheirFields)
{
    TfFind* find = OpenFind();
    ASSERT_TRUE(find);
    // A label shows its "&" as text unless it has a field to lead to.
    int labels = 0;
    for (const QLabel* label : find->findChildren<QLabel*>())
        if (label->text().contains('&')) {
            ++labels;
            EXPECT_NE(label->buddy(), nullptr) << label->text().toStdString();
        }
    EXPECT_EQ(labels, 3); // Search for, In, Containing text
    QApplication::setActiveWindow(find);
    QTest::keyClick(find->focusWidget(), Qt::Key_I, Qt::AltModifier);
    EXPECT_EQ(find->focusWidget(), find->EditFolder);
    QTest::keyClick(find->focusWidget(), Qt::Key_C, Qt::AltModifier);
    EXPECT_EQ(find->focusWidget(), find->EditText);
    QTest::keyClick(find->focusWidget(), Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(find->focusWidget(), find->EditMask);
    find->close();
}

TEST_F(FindWindowTest, ContainingTextInUtf8Utf16AndWindows1252Files)
{
    dir.write("left/utf8.txt", QString::fromUtf8("Ein Straßenkünstler in KÖLN").toUtf8());
    dir.write("left/utf16.txt", Utf16(QString::fromUtf8("Straßenkünstler aus Köln")));
    dir.write("left/cp1252.txt", QByteArray("die Stra\xDF"
                                            "enk\xFCnstler"));
    dir.write("left/other.txt", "Strassenkuenstler");
    Open(sdLeft, left);
    TfFind* find = OpenFind();
    ASSERT_TRUE(find);
    find->EditText->setText(QString::fromUtf8("STRASSENKÜNSTLER"));
    Search(find, "*.txt");
    EXPECT_EQ(HitPaths(find), QStringList()); // "ß" is not "SS": simple case forms only
    find->EditText->setText(QString::fromUtf8("straßenKÜNSTLER"));
    Search(find, "*.txt");
    EXPECT_EQ(HitPaths(find),
              QStringList({left + "cp1252.txt", left + "utf16.txt", left + "utf8.txt"}));
}

TEST_F(FindWindowTest, StopAndEscapeEndALargeSearchWithTheWindowLive)
{
    for (int i = 0; i < 1000; ++i)
        dir.write(QString("left/d%1/f%2.txt").arg(i).arg(i), "x");
    Open(sdLeft, left);
    // Every folder takes a while to open: the search is still under way when stopped.
    const TFaultHook slow([](platform::TFileOpsStep step, const QString&) {
        if (step == platform::TFileOpsStep::OpenDirectory)
            QThread::msleep(10);
        return 0;
    });
    TfFind* find = OpenFind();
    ASSERT_TRUE(find);
    TTickWatch ticks;
    ticks.Start();
    find->EditMask->setText("*.txt");
    QTest::keyClick(find->EditMask, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([find] { return find->Hits().size() >= 10; }, 60000));
    EXPECT_TRUE(find->Searching());
    EXPECT_TRUE(find->Status->text().contains("reading " + left))
        << find->Status->text().toStdString();
    QTest::mouseClick(find->ButtonStop, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([find] { return !find->Searching(); }, 60000));
    const size_t kept = find->Hits().size();
    EXPECT_GE(kept, 10u);
    EXPECT_LT(kept, 1000u);
    EXPECT_TRUE(find->Status->text().contains("stopped"));
    EXPECT_LT(ticks.LongestGap(), 1500); // the window took its timer all along
    // Escape ends a search as Stop does, and the window stays with its results.
    QTest::keyClick(find->EditMask, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([find] { return find->Hits().size() >= 10; }, 60000));
    QTest::keyClick(find->EditMask, Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([find] { return !find->Searching(); }, 60000));
    EXPECT_TRUE(find->isVisible());
    EXPECT_GE(find->Hits().size(), 10u);
    EXPECT_LT(find->Hits().size(), 1000u);
    // Without a search under way, Escape closes the window.
    QTest::keyClick(find->EditMask, Qt::Key_Escape);
    EXPECT_FALSE(find->isVisible());
}

TEST_F(FindWindowTest, ALinkLoopIsNotFollowedForever)
{
    dir.write("left/top/in.txt", "x");
    ASSERT_TRUE(QFile::link(left + "top", left + "top/again"));
    ASSERT_TRUE(QFile::link(left, left + "top/up"));
    Open(sdLeft, left);
    TfFind* find = OpenFind();
    ASSERT_TRUE(find);
    QTest::mouseClick(find->CheckFollowLinks, Qt::LeftButton, {},
                      QPoint(4, find->CheckFollowLinks->height() / 2));
    ASSERT_TRUE(find->CheckFollowLinks->isChecked());
    Search(find, "*.txt");
    EXPECT_EQ(HitPaths(find), QStringList{left + "top/in.txt"});
}

TEST_F(FindWindowTest, UnreadableFoldersAreListedOnceAtTheEnd)
{
    dir.write("left/a/x.txt", "x");
    dir.write("left/b/y.txt", "y");
    dir.write("left/c/z.txt", "z");
    Open(sdLeft, left);
    const TFaultHook refuse([this](platform::TFileOpsStep step, const QString& path) {
        return step == platform::TFileOpsStep::OpenDirectory && path != left ? EACCES : 0;
    });
    TfFind* find = OpenFind();
    ASSERT_TRUE(find);
    Search(find, "*");
    EXPECT_TRUE(messages.isEmpty()); // no message per folder
    EXPECT_TRUE(find->Unreadable->isVisible());
    QStringList listed = find->Unreadable->toPlainText().split('\n');
    listed.sort();
    EXPECT_EQ(listed, QStringList({left + "a/", left + "b/", left + "c/"}));
    EXPECT_TRUE(find->Status->text().contains("3 folder(s) could not be read"));
}

TEST_F(FindWindowTest, GoToFileViewAndArchiveMembers)
{
    dir.write("left/deep/inner/target.txt", "the text");
    dir.write("left/deep/inner/other.txt", "other");
    dir.write("left/pack/member.txt", "m");
    ASSERT_TRUE(RunZip(left + "pack/", {"-q", left + "pack.zip", "member.txt"}));
    Open(sdLeft, left);
    TfFind* find = OpenFind();
    ASSERT_TRUE(find);
    find->CheckInsideArchives->setChecked(true);
    Search(find, "target.txt;member.txt");
    // Alt+G: the active panel shows the file's folder with the cursor on it.
    PickHit(find, "target.txt");
    QTest::keyClick(find, Qt::Key_G, Qt::AltModifier); // the button clicks after a moment
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !main->Reading(sdLeft) && main->Left().Directory == left + "deep/inner/"; },
        60000));
    EXPECT_EQ(FocusedName(sdLeft), "target.txt");
    // A double click on a member: the panel opens its archive, the cursor on the member.
    QApplication::setActiveWindow(find);
    for (size_t row = 0; row < find->Hits().size(); ++row)
        if (!find->Hits()[row].Member.isEmpty()) {
            const QModelIndex index = find->Results->model()->index(int(row), 0);
            find->Results->scrollTo(index);
            // As the window system delivers one: a click, then the double click.
            const QPoint at = find->Results->visualRect(index).center();
            QTest::mouseClick(find->Results->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(find->Results->viewport(), Qt::LeftButton, {}, at);
        }
    ASSERT_TRUE(main->ShowsArchive(sdLeft));
    EXPECT_EQ(FocusedName(sdLeft), "member.txt");
    // F3 on a result views it.
    TExtensionCategories categories;
    categories.SetCategory(TExtensionCategory::Text, "TXT");
    main->Categories = categories;
    PickHit(find, "target.txt");
    QTest::keyClick(find->Results, Qt::Key_F3);
    const QList<TfTextView*> views = main->findChildren<TfTextView*>();
    ASSERT_EQ(views.size(), 1);
    EXPECT_EQ(views[0]->windowTitle(), "target.txt");
    EXPECT_EQ(main->Left().Directory, left + "deep/inner/");
}

TEST_F(FindWindowTest, FedResultsCopyDeleteAndGoBack)
{
    dir.write("left/src/a.txt", "alpha");
    dir.write("left/src/sub/b.txt", "beta");
    dir.write("left/src/sub/deep/c.txt", "gamma");
    dir.write("left/src/sub/skip.md", "no");
    dir.write("right/a.txt", "already here");
    Open(sdRight, right);
    Open(sdLeft, left);
    TfFind* find = OpenFind();
    ASSERT_TRUE(find);
    Search(find, "*.txt");
    ASSERT_EQ(find->Hits().size(), 3u);
    QApplication::setActiveWindow(find);
    QTest::keyClick(find, Qt::Key_P, Qt::AltModifier); // Feed to panel, after a moment
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return main->Left().DirectoryLabel->text() == "Search results"; }, 60000));
    EXPECT_EQ(Names(sdLeft),
              QStringList({"..", "src/a.txt", "src/sub/b.txt", "src/sub/deep/c.txt"}));

    // F5 of every result: copies under their bare names; a taken one asks (Rename here).
    Select(sdLeft, {"src/a.txt", "src/sub/b.txt", "src/sub/deep/c.txt"});
    AnswerTakenName(&TfCollision::ButtonRename);
    Press(Qt::Key_F5);
    EXPECT_EQ(readAll(right + "a.txt"), "already here");
    EXPECT_EQ(readAll(right + "a (2).txt"), "alpha");
    EXPECT_EQ(readAll(right + "b.txt"), "beta");
    EXPECT_EQ(readAll(right + "c.txt"), "gamma");
    EXPECT_EQ(main->Left().DirectoryLabel->text(), "Search results");
    EXPECT_EQ(Names(sdLeft).size(), 4);

    // F8 of one result deletes the real file; the others stay listed.
    Select(sdLeft, {"src/sub/b.txt"});
    AnswerNextModal([](QDialog* d) { PressKey(d, Qt::Key_Return); }); // "Yes"
    Press(Qt::Key_F8);
    EXPECT_FALSE(QFile::exists(left + "src/sub/b.txt"));
    EXPECT_EQ(readAll(right + "b.txt"), "beta");
    EXPECT_EQ(readAll(left + "src/sub/deep/c.txt"), "gamma");
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "src/a.txt", "src/sub/deep/c.txt"}));
    EXPECT_EQ(main->Left().DirectoryLabel->text(), "Search results");

    // Backspace goes back to the folder shown before.
    Press(Qt::Key_Backspace);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !main->Reading(sdLeft); }, 60000));
    EXPECT_EQ(main->Left().Directory, left);
    EXPECT_EQ(main->Left().DirectoryLabel->text(), left);
    EXPECT_TRUE(Names(sdLeft).contains("src"));
}

// Two results of the same name copied into one folder: the second asks, showing both.
TEST_F(FindWindowTest, FedResultsOfTheSameNameAskOnTheSecond)
{
    dir.write("left/one/f1.log", "first log");
    dir.write("left/two/f1.log", "second, longer log");
    Open(sdRight, right);
    Open(sdLeft, left);
    TfFind* find = OpenFind();
    ASSERT_TRUE(find);
    Search(find, "*.log");
    ASSERT_EQ(find->Hits().size(), 2u);
    QApplication::setActiveWindow(find);
    QTest::keyClick(find, Qt::Key_P, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return main->Left().DirectoryLabel->text() == "Search results"; }, 60000));
    Select(sdLeft, {"one/f1.log", "two/f1.log"});
    QStringList shown;
    AnswerNextModal([&shown](QDialog* d) {
        auto* question = qobject_cast<TfCollision*>(d);
        ASSERT_TRUE(question);
        shown << question->LabelExisting->text() << question->LabelIncoming->text();
        QTest::mouseClick(question->ButtonRename, Qt::LeftButton);
    });
    Press(Qt::Key_F5);
    ASSERT_EQ(shown.size(), 2);
    EXPECT_TRUE(shown[0].contains(right + "f1.log") && shown[0].contains("9 bytes"))
        << shown[0].toStdString();
    EXPECT_TRUE(shown[1].contains(left + "two/f1.log") && shown[1].contains("18 bytes"))
        << shown[1].toStdString();
    EXPECT_EQ(readAll(right + "f1.log"), "first log");
    EXPECT_EQ(readAll(right + "f1 (2).log"), "second, longer log");
}

TEST_F(FindWindowTest, AStuckSearchIsLeftBehindByStopStartAgainAndClosing)
{
    dir.write("left/a.txt", "a");
    dir.mkdir("left/stuck");
    Open(sdLeft, left);
    TFaultHold hold(platform::TFileOpsStep::OpenDirectory, left + "stuck/",
                    [] { return TFileSearch::Running() == 0; });
    TfFind* find = OpenFind();
    ASSERT_TRUE(find);
    TTickWatch ticks;
    ticks.Start();
    find->EditMask->setText("*.txt");
    QTest::keyClick(find->EditMask, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return hold.Held() == 1; }, 60000));
    // Stop ends the search on the window though its worker does not return.
    QTest::mouseClick(find->ButtonStop, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([find] { return !find->Searching(); }, 10000));
    EXPECT_TRUE(find->Status->text().contains("stopped")) << find->Status->text().toStdString();
    EXPECT_EQ(HitPaths(find), QStringList{left + "a.txt"});
    // Start again, twice while the search is held: each starts at once.
    QTest::keyClick(find->EditMask, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return hold.Held() == 2; }, 60000));
    QTest::keyClick(find->EditMask, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return hold.Held() == 3; }, 60000));
    EXPECT_TRUE(find->Searching());
    // Closing the window stops it as well.
    find->close();
    ASSERT_TRUE(QTest::qWaitFor([find] { return !find->Searching(); }, 10000));
    // And a window destroyed while its search is held goes at once.
    {
        TfFind other;
        other.EditFolder->setText(left);
        other.StartSearch();
        ASSERT_TRUE(QTest::qWaitFor([&] { return hold.Held() == 4; }, 60000));
    }
    // The window's timer was never held up by the stuck workers (each holds 60 s).
    EXPECT_LT(ticks.LongestGap(), 10000);
    EXPECT_EQ(TFileSearch::Running(), 4);
    EXPECT_FALSE(hold.OnWindowThread());
}

TEST_F(FindWindowTest, FedResultsAreLookedUpAgainOffTheWindowThread)
{
    dir.write("left/src/a.txt", "alpha");
    dir.write("left/src/sub/b.txt", "beta");
    Open(sdLeft, left);
    TfFind* find = OpenFind();
    ASSERT_TRUE(find);
    Search(find, "*.txt");
    QApplication::setActiveWindow(find);
    QTest::keyClick(find, Qt::Key_P, Qt::AltModifier); // Feed to panel, after a moment
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return main->Left().DirectoryLabel->text() == "Search results"; }, 60000));
    // The results' folder as a stale mount: looking them up again holds.
    TFaultHold hold(platform::TFileOpsStep::OpenDirectory, left,
                    [] { return TFileWorker::Running() == 0; });
    ASSERT_TRUE(QFile::remove(left + "src/sub/b.txt"));
    main->RereadKeepingRows(sdLeft, QString()); // as a live re-read does
    ASSERT_TRUE(QTest::qWaitFor([&] { return hold.Held() == 1; }, 60000));
    EXPECT_FALSE(hold.OnWindowThread());
    EXPECT_TRUE(main->Reading(sdLeft)); // the window went on meanwhile
    hold.Release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !main->Reading(sdLeft); }, 60000));
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "src/a.txt"}));
    EXPECT_EQ(main->Left().DirectoryLabel->text(), "Search results");
}

TEST_F(FindWindowTest, AFifoNamedAsAnArchiveIsNeverWaitedOn)
{
    dir.write("left/a.txt", "a");
    const QString fifo = left + "x.zip";
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // Opening the FIFO for reading waits for a writer: at the end one comes and goes for
    // whatever waits there, so that nothing is left behind.
    const auto unblock = qScopeGuard([fifo] {
        EXPECT_TRUE(QTest::qWaitFor(
            [fifo] {
                const int fd = open(QFile::encodeName(fifo).constData(), O_RDWR | O_NONBLOCK);
                if (fd >= 0)
                    close(fd);
                return TFileSearch::Running() == 0;
            },
            60000));
    });
    Open(sdLeft, left);
    TfFind* find = OpenFind();
    ASSERT_TRUE(find);
    find->CheckInsideArchives->setChecked(true);
    Search(find, "*.txt");
    EXPECT_EQ(HitPaths(find), QStringList{left + "a.txt"});
    EXPECT_FALSE(find->Status->text().contains("stopped")) << find->Status->text().toStdString();
}

// The ".." of fed results leads out of them; it shows the searched folder's date, as the
// ".." of a folder shows its parent's, never the day the calendar of dates starts.
TEST_F(FindWindowTest, TheDotDotRowOfFedResultsShowsTheSearchedFoldersDate)
{
    dir.write("left/src/a.txt", "alpha");
    Open(sdLeft, left);
    TSearchHit hit;
    hit.Folder = left + "src/";
    hit.Name = "a.txt";
    main->FilesEnter(sdLeft);
    main->FeedToPanel(left, {hit});
    ASSERT_EQ(Names(sdLeft), QStringList({"..", "src/a.txt"}));
    platform::TFoundEntry searched;
    ASSERT_TRUE(platform::StatEntry(left + ".", searched));
    EXPECT_EQ(main->Left().Listing[0].DateTime, searched.DateTime);
    EXPECT_GT(searched.DateTime, 0);
    const QString shown = View(sdLeft)->model()->index(0, 3).data().toString();
    EXPECT_EQ(shown, platform::FormatDateTime(searched.DateTime));
}

// With a text and "Inside archives", members of a ZIP and of a tar.gz archive are
// searched by content; fed to the panel they are rows of their own, Enter opens the
// archive at the member, and the commands that change files refuse them, touching no
// other file.
TEST_F(FindWindowTest, ContentInsideArchivesFedAsMemberRows)
{
    dir.write("left/src/notes.txt", "the needle");
    dir.write("left/src/plain.txt", "nothing");
    dir.write("left/pk/docs/inner.txt", "a NEEDLE inside");
    dir.write("left/pk/docs/none.txt", "nothing");
    dir.write("left/pk/docs/big.txt", QByteArray(1536 * 1024, 'x') + "needle");
    dir.write("left/bad.tar.gz", "not an archive");
    ASSERT_TRUE(RunZip(left + "pk/", {"-qr", left + "pack.zip", "docs"}));
    ASSERT_TRUE(RunTool(left + "pk/", "tar", {"-czf", left + "pack.tar.gz", "docs"}));
    ASSERT_TRUE(QDir(left + "pk").removeRecursively());
    const QByteArray zip = readAll(left + "pack.zip");
    Open(sdLeft, left);
    TfFind* find = OpenFind();
    ASSERT_TRUE(find);
    QApplication::setActiveWindow(find);
    QTest::keyClick(find->focusWidget(), Qt::Key_A, Qt::AltModifier); // "Inside &archives"
    ASSERT_TRUE(QTest::qWaitFor([find] { return find->CheckInsideArchives->isChecked(); }, 60000));
    QTest::keyClick(find->focusWidget(), Qt::Key_C, Qt::AltModifier); // "&Containing text"
    QTest::keyClicks(find->EditText, "needle");
    find->SpinSizeLimit->setValue(1); // MB: big.txt is over it
    Search(find, "*.txt");
    // At the end: the members not searched counted, the archive that is none named.
    EXPECT_TRUE(find->Status->text().contains("2 archive member(s) over 1 MiB not searched"))
        << find->Status->text().toStdString();
    EXPECT_TRUE(find->Unreadable->toPlainText().contains(left + "bad.tar.gz"))
        << find->Unreadable->toPlainText().toStdString();
    QStringList hits;
    for (const TSearchHit& hit : find->Hits())
        hits << hit.Path() + (hit.Member.isEmpty() ? QString() : '/' + hit.Member);
    hits.sort();
    EXPECT_EQ(hits, QStringList({left + "pack.tar.gz/docs/inner.txt",
                                 left + "pack.zip/docs/inner.txt", left + "src/notes.txt"}));

    QApplication::setActiveWindow(find);
    QTest::keyClick(find, Qt::Key_P, Qt::AltModifier); // Feed to panel
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return main->Left().DirectoryLabel->text() == "Search results"; }, 60000));
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "pack.tar.gz/docs/inner.txt",
                                          "pack.zip/docs/inner.txt", "src/notes.txt"}));
    EXPECT_EQ(main->Left().Listing[Row(sdLeft, "pack.zip/docs/inner.txt")].Kind, fkZipMember);

    // F8 and F6 of a member with a file: refused and said, nothing touched.
    Select(sdLeft, {"pack.zip/docs/inner.txt", "src/notes.txt"});
    messages.clear();
    for (const Qt::Key key : {Qt::Key_F8, Qt::Key_F6}) {
        QObject until; // a question, were one asked, answered "Yes"; none later
        testmodal::AnswerNextModal<QDialog>([](QDialog* d) { d->done(1); }, nullptr, &until);
        Press(key);
    }
    EXPECT_EQ(readAll(left + "src/notes.txt"), "the needle");
    EXPECT_EQ(readAll(left + "pack.zip"), zip);
    EXPECT_TRUE(QDir(right).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[0].contains("1 of the 2 entries are members of archives among the "
                                     "search results and cannot be deleted"))
        << messages[0].toStdString();
    EXPECT_EQ(main->Left().DirectoryLabel->text(), "Search results");

    // Enter on a member: its archive, the cursor on it; for a tar.gz too.
    for (const QString& archive : {QString("pack.zip"), QString("pack.tar.gz")}) {
        main->Left().Files->FocusItem(Row(sdLeft, archive + "/docs/inner.txt"));
        Press(Qt::Key_Return);
        ASSERT_TRUE(QTest::qWaitFor([&] { return main->ShowsArchive(sdLeft); }, 60000));
        EXPECT_EQ(FocusedName(sdLeft), "docs/inner.txt");
        EXPECT_EQ(main->Left().DirectoryLabel->text(), left + archive + "/docs/");
        main->FeedToPanel(left, find->Hits()); // the same results again
        ASSERT_EQ(main->Left().DirectoryLabel->text(), "Search results");
    }
}

// ".." of fed results leads back to the place the panel showed before them, with the
// cursor where it was: a folder, an archive, also after earlier results, an archive
// entered from them, and a re-read.
TEST_F(FindWindowTest, DotDotOfFedResultsLeadsBackToThePlaceAndCursor)
{
    dir.write("left/a.txt", "a");
    dir.write("left/b.txt", "b");
    dir.write("left/pk/docs/one.txt", "1");
    dir.write("left/pk/docs/two.txt", "2");
    ASSERT_TRUE(RunZip(left + "pk/", {"-qr", left + "pack.zip", "docs"}));
    TSearchHit hit;
    hit.Folder = left;
    hit.Name = "a.txt";
    TSearchHit archive = hit;
    archive.Name = "pack.zip";
    const auto feed = [&] {
        main->FeedToPanel(left, {hit, archive});
        ASSERT_TRUE(QTest::qWaitFor([&] { return !main->Reading(sdLeft); }, 60000));
        ASSERT_EQ(main->Left().DirectoryLabel->text(), "Search results");
    };
    const auto back = [&] {
        Press(Qt::Key_Backspace);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !main->Reading(sdLeft); }, 60000));
    };
    // From a folder, fed twice, and re-read: back to it, on b.txt.
    Open(sdLeft, left);
    main->Left().Files->FocusItem(Row(sdLeft, "b.txt"));
    main->FilesEnter(sdLeft);
    feed();
    feed();
    main->MenuRereadClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !main->Reading(sdLeft); }, 60000));
    back();
    EXPECT_EQ(main->Left().Directory, left);
    EXPECT_FALSE(main->ShowsArchive(sdLeft));
    EXPECT_EQ(FocusedName(sdLeft), "b.txt");
    // From an archive: back into it, on its member.
    OpenArchive(sdLeft, "pack.zip");
    main->Left().Files->FocusItem(Row(sdLeft, "docs"));
    Press(Qt::Key_Return);
    main->Left().Files->FocusItem(Row(sdLeft, "docs/two.txt"));
    feed();
    back();
    ASSERT_TRUE(main->ShowsArchive(sdLeft));
    EXPECT_EQ(main->Left().DirectoryLabel->text(), left + "pack.zip/docs/");
    EXPECT_EQ(FocusedName(sdLeft), "docs/two.txt");
    // From an archive entered from results: back into that archive.
    Open(sdLeft, left);
    feed();
    main->Left().Files->FocusItem(Row(sdLeft, "pack.zip"));
    Press(Qt::Key_Return);
    ASSERT_TRUE(main->ShowsArchive(sdLeft));
    main->Left().Files->FocusItem(Row(sdLeft, "docs"));
    Press(Qt::Key_Return);
    main->Left().Files->FocusItem(Row(sdLeft, "docs/one.txt"));
    feed();
    back();
    ASSERT_TRUE(main->ShowsArchive(sdLeft));
    EXPECT_EQ(FocusedName(sdLeft), "docs/one.txt");
}
