// A remote folder in a panel of the main window, against the real SSH server: connecting
// from the drive list through the real dialogs, listing, sorting, entering and leaving,
// a server that stops answering, and a refused login.
#include "PanelTestSupport.h"
#include "RemoteTestSupport.h"
#include "checks/uChecksumDialog.h"
#include "checks/uChecksumReport.h"
#include "controls/TabStrip.h"
#include "controls/VirtualListView.h"
#include "fileops/uCollision.h"
#include "fileops/uConfirm.h"
#include "fileops/uProgress.h"
#include "fileops/uSimple.h"
#include "main/FileClipboard.h"
#include "main/uMain.h"
#include "modules/SupportModules.h"
#include "pack/uPack.h"
#include "panel/DriveSelector.h"
#include "panel/PathLine.h"
#include "panel/RemoteLocation.h"
#include "panel/StatusLine.h"
#include "platform/FileOpsFaults.h"
#include "platform/Messages.h"
#include "quickview/uQuickView.h"
#include "remote/uConnectServer.h"
#include "remote/uRemoteQuestion.h"
#include "search/uFind.h"
#include "sync/uSync.h"
#include "unpack/uUnpackDialog.h"
#include "viewers/uText.h"
#include "viewers/uTextView.h"
#include "zip/ZipArchive.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <atomic>
#include <csignal>
#include <optional>

namespace
{

class RemotePanelTest : public TPanelTest<RemoteTest>
{
protected:
    void TearDown() override
    {
        TPanelTest::TearDown();
        platform::SetFileOpsFaultHook({});
        if (Server)
            Server->SignalSessions(SIGCONT);
    }

    void AnswerDialogs() override
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (TypeAddress(modal))
            return;
        if (auto* collision = qobject_cast<TfCollision*>(modal)) {
            collisions << collision->EditName->text();
            QTest::mouseClick(skipTaken ? collision->ButtonSkip : collision->ButtonRename,
                              Qt::LeftButton);
        } else if (auto* question = qobject_cast<TfRemoteQuestion*>(modal)) {
            questions << question->Message->text();
            QTest::mouseClick(question->Buttons.value(0), Qt::LeftButton);
        } else if (auto* unpack = qobject_cast<TfUnpack*>(modal)) {
            unpackTargets << unpack->EditTarget->text();
            unpack->reject();
        } else if (auto* box = qobject_cast<QMessageBox*>(modal);
                   box && box->text().startsWith(QStringLiteral("Put the changed"))) {
            boxes << box->text(); // the editor's save: put back, yes
            QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
        } else if (auto* progress = qobject_cast<TfProgress*>(modal)) {
            // Left to its work unless the test cancels: a slow machine shows one for work
            // that a quick one ends before, and turning it down would cancel the work.
            if (!cancelWork && !stoppedAt)
                return;
            // Cancel once; a window still there long after it lets the server go on, so
            // that the test ends.
            if (!cancelled.isValid()) {
                cancelled.start();
                QTest::mouseClick(progress->ButtonCancel, Qt::LeftButton);
            } else if (cancelled.elapsed() > 30000 && !resumed) {
                resumed = true;
                Server->SignalSessions(SIGCONT);
            }
        } else if (auto* confirm = qobject_cast<TfConfirm*>(modal);
                   confirm &&
                   confirm->LabelNotice->text().contains(QStringLiteral("was not put back"))) {
            boxes << confirm->LabelNotice->text(); // not saved as a file of its own
            QTest::mouseClick(confirm->ButtonCancel, Qt::LeftButton);
        } else if (auto* confirm = qobject_cast<TfConfirm*>(modal); confirm && confirms > 0) {
            --confirms;
            confirmTexts << confirm->LabelNotice->text();
            QTest::mouseClick(confirm->ButtonAccept, Qt::LeftButton);
        } else if (auto* pack = qobject_cast<TfPack*>(modal)) {
            packDialogs << pack->Name->text();
            if (packAs.isEmpty()) {
                pack->reject();
                return;
            }
            pack->Name->setText(packAs);
            pack->MoveBox->setChecked(packMove);
            pack->accept();
        } else if (auto* sums = qobject_cast<TfChecksumCreate*>(modal)) {
            sums->accept(); // its defaults: SHA-256, one file for all, named after the folder
        } else if (auto* input = qobject_cast<TfSimple*>(modal); input && !inputs.isEmpty()) {
            input->Edit->setText(inputs.takeFirst());
            QTest::mouseClick(input->ButtonAccept, Qt::LeftButton);
        } else if (auto* other = qobject_cast<QDialog*>(modal)) {
            otherDialogs << other->metaObject()->className();
            other->reject();
        }
    }

    // Goes to the server's `path` in the left panel as a typed address would, and waits
    // for the folder to land.
    void Browse(const QString& path)
    {
        main->GoToRemote(sdLeft, Server->Uri(path));
        ASSERT_TRUE(WaitFor([&] { return Shows(path); })) << qPrintable(messages.join('\n'));
        QApplication::setActiveWindow(main.get()); // as when the host key's dialog has closed
    }
    bool Shows(const QString& path)
    {
        return !main->Reading(sdLeft) &&
               QUrl(main->Panel(sdLeft).Listing.Directory).path() == path + '/';
    }
    // A key to the left panel's list, where the user types it.
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, TSide side = sdLeft)
    {
        QTest::keyClick(main->Panel(side).Files->ActiveView(), key, modifiers);
    }
    // Puts the cursor on `name` in the panel and marks it with Insert.
    void Mark(TSide side, const QString& name)
    {
        main->Panel(side).Files->setFocus();
        main->Panel(side).Files->FocusItem(Names(side).indexOf(name));
        Key(Qt::Key_Insert, Qt::NoModifier, side);
    }
    void CancelACopyStalledByAStoppedServer(bool upload, bool quit = false);
    // Stops the server the first time the work reaches `step`; the progress window is
    // cancelled then.
    void StopServerAt(platform::TFileOpsStep step)
    {
        platform::SetFileOpsFaultHook([this, step](platform::TFileOpsStep at, const QString&) {
            if (at == step && !stoppedAt.exchange(true))
                Server->SignalSessions(SIGSTOP);
            return 0;
        });
    }
    // Puts a local folder in the right panel and the server's `folder` in the left one.
    void LocalBesideRemote(const QString& local, const QString& folder)
    {
        main->Panel(sdRight).Directory = local + '/';
        main->RefreshPanel(sdRight);
        ASSERT_TRUE(WaitFor([&] { return !main->Reading(sdRight); }));
        Browse(folder);
    }
    // The work ended at the window's Cancel while the server was still stopped.
    void ExpectCancelledWhileStopped()
    {
        EXPECT_TRUE(stoppedAt);
        EXPECT_TRUE(cancelled.isValid());
        EXPECT_FALSE(resumed) << "the work ended only when the server ran again";
        EXPECT_FALSE(FileWorkRunning());
    }
    QString Folder(const QString& name, int files)
    {
        const QString folder = Server->Folder() + '/' + name;
        // Fresh each time: a test run again in the same process starts from nothing.
        QDir(folder).removeRecursively();
        QDir().mkpath(folder + QStringLiteral("/sub folder"));
        for (int i = 0; i < files; ++i) {
            QFile file(folder + QStringLiteral("/f%1.txt").arg(files - i, 3, 10, QChar('0')));
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(i % 7, 'x'));
        }
        QFile inner(folder + QStringLiteral("/sub folder/inner.txt"));
        EXPECT_TRUE(inner.open(QIODevice::WriteOnly));
        return folder;
    }

    QStringList questions, collisions, unpackTargets, boxes;
    bool cancelWork{false}; // the progress window is cancelled
    bool skipTaken{false};  // a taken name is answered Skip, else Rename
    QElapsedTimer cancelled;
    bool resumed{false};
    // StopServerAt's step came, and the server stopped.
    std::atomic<bool> stoppedAt{false};
    QStringList inputs;       // the texts the next name dialogs get
    int confirms{0};          // questions still to answer "Yes"
    QStringList confirmTexts; // the questions answered
    QString packAs;           // the name TfPack gets; empty: it is cancelled
    bool packMove{false};     // and its "move into the archive"
    QStringList packDialogs;  // the names TfPack proposed
};

TEST_F(RemotePanelTest, ConnectsFromTheDriveListAnsweringTheHostKeyQuestion)
{
    Unmount();
    Server->ForgetHostKey();
    const QString folder = Folder(QStringLiteral("connect"), 3);
    auto* drives = static_cast<TDriveSelector*>(main->Panel(sdLeft).Drives);
    // Before any remote place is used, the list offers to connect and names no mount.
    const QStringList before = drives->Items();
    ASSERT_EQ(before.back(), QStringLiteral("0:Connect to server…"));
    for (const QString& item : before)
        EXPECT_FALSE(item.contains(QLatin1String("://"))) << qPrintable(item);
    const QString leftBefore = main->Panel(sdLeft).Directory;

    typed = Server->Uri(folder);
    static_cast<QComboBox*>(drives)->showPopup();
    QAbstractItemView* popup = drives->view();
    popup->setCurrentIndex(popup->model()->index(drives->count() - 1, 0));
    QTest::keyClick(popup, Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return Shows(folder); })) << qPrintable(messages.join('\n'));
    QApplication::setActiveWindow(main.get());

    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(AsksAboutTheHostKey(questions[0], Server->HostFingerprint()));
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
    EXPECT_EQ(Names(), (QStringList{"..", "sub folder", "f001.txt", "f002.txt", "f003.txt"}));
    EXPECT_NE(main->Panel(sdLeft).Directory, leftBefore);
    // The drive list now names the mount, marked as the panel's place.
    bool marked = false;
    for (const QString& item : drives->Items())
        marked = marked || (item.startsWith('T') && item.contains(Server->RootUri()));
    EXPECT_TRUE(marked) << qPrintable(drives->Items().join('\n'));
    EXPECT_FALSE(drives->currentText().contains(QLatin1String("://")))
        << qPrintable(drives->currentText());
}

TEST_F(RemotePanelTest, ARemoteFolderIsListedSortedEnteredAndLeftByKeys)
{
    const QString folder = Folder(QStringLiteral("many folder"), 300);
    Browse(folder);
    TPanel& p = main->Panel(sdLeft);
    QStringList expected{QStringLiteral(".."), QStringLiteral("sub folder")};
    for (int i = 1; i <= 300; ++i)
        expected << QStringLiteral("f%1.txt").arg(i, 3, 10, QChar('0'));
    EXPECT_EQ(Names(), expected);
    EXPECT_EQ(p.Total->Text(1), QStringLiteral("301 object(s)"));
    // The caption is the address as a user reads it, the blank not escaped.
    EXPECT_TRUE(p.DirectoryLabel->text().endsWith(QStringLiteral("/many folder")) ||
                p.DirectoryLabel->text().endsWith(QStringLiteral("/many folder/")))
        << qPrintable(p.DirectoryLabel->text());
    EXPECT_FALSE(p.DirectoryLabel->text().contains(QLatin1String("%20")));

    // Sorted by size through the menu's order: the largest files first once reversed.
    main->Panel(sdLeft).Files->setFocus();
    main->SetSortOrder(2, false);
    EXPECT_EQ(Names().mid(0, 2), (QStringList{"..", "sub folder"}));
    EXPECT_EQ(p.Listing[2].Size, 6);

    // Enter on a folder, then Backspace back with the cursor on it.
    main->SetSortOrder(0, true);
    p.Files->FocusItem(Names().indexOf(QStringLiteral("sub folder")));
    Key(Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return Shows(folder + QStringLiteral("/sub folder")); }));
    EXPECT_EQ(Names(), (QStringList{"..", "inner.txt"}));
    Key(Qt::Key_Backspace);
    ASSERT_TRUE(WaitFor([&] { return Shows(folder); }));
    EXPECT_EQ(p.Listing[p.Files->GetFocusedIndex()].Name, QStringLiteral("sub folder"));

    // Ctrl+R reads the remote folder again.
    QFile(folder + QStringLiteral("/new.txt")).open(QIODevice::WriteOnly);
    Key(Qt::Key_R, Qt::ControlModifier);
    ASSERT_TRUE(WaitFor([&] { return Names().contains(QStringLiteral("new.txt")); }));
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}

TEST_F(RemotePanelTest, AStoppedServerLeavesTheWindowAnsweringAndEscapeAbandonsTheRead)
{
    const QString folder = Folder(QStringLiteral("stopped"), 5);
    Browse(folder);
    TPanel& left = main->Panel(sdLeft);
    const QStringList shown = Names();
    Server->SignalSessions(SIGSTOP);
    left.Files->setFocus();
    Key(Qt::Key_R, Qt::ControlModifier);
    ASSERT_TRUE(main->Reading(sdLeft));
    // The other panel takes a click while the read waits for the server.
    QWidget* right =
        static_cast<QAbstractItemView*>(main->Panel(sdRight).Files->ActiveView())->viewport();
    QTest::mouseClick(right, Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(main->ActivePanel, 2);
    EXPECT_TRUE(main->Reading(sdLeft));
    EXPECT_TRUE(left.Total->Text(1).startsWith(QStringLiteral("Reading…")));
    // Escape in the remote panel abandons the read: it shows what it showed before.
    left.Files->setFocus();
    Key(Qt::Key_Escape);
    EXPECT_FALSE(main->Reading(sdLeft));
    EXPECT_EQ(Names(), shown);
    Server->SignalSessions(SIGCONT);
    Key(Qt::Key_R, Qt::ControlModifier);
    ASSERT_TRUE(WaitFor([&] { return !main->Reading(sdLeft); }));
    EXPECT_EQ(Names(), shown);
}

TEST_F(RemotePanelTest, ARefusedLoginSaysSoOnceAndLeavesThePanelWhereItWas)
{
    TPanel& left = main->Panel(sdLeft);
    const QString before = left.Directory;
    const QStringList shown = Names();
    left.Files->setFocus();
    typed = QStringLiteral("sftp://nobody-here@127.0.0.1:%1/").arg(Server->Port());
    Key(Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(WaitFor([&] { return !messages.isEmpty(); }));
    EXPECT_EQ(messages.size(), 1) << qPrintable(messages.join('\n'));
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("Cannot connect to ")))
        << qPrintable(messages[0]);
    EXPECT_EQ(left.Directory, before);
    EXPECT_EQ(Names(), shown);
    EXPECT_FALSE(main->Reading(sdLeft));
}

TEST_F(RemotePanelTest, ThePathLineTakesARemoteAddress)
{
    const QString folder = Folder(QStringLiteral("typed"), 2);
    TPanel& left = main->Panel(sdLeft);
    left.Files->setFocus();
    Key(Qt::Key_L, Qt::ControlModifier);
    ASSERT_TRUE(left.PathLine->isVisible());
    left.PathLine->selectAll();
    QTest::keyClicks(left.PathLine, Server->Uri(folder));
    QTest::keyClick(left.PathLine, Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return Shows(folder); })) << qPrintable(messages.join('\n'));
    EXPECT_EQ(Names(), (QStringList{"..", "sub folder", "f001.txt", "f002.txt"}));
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));

    // An address that cannot be taken says why; the line keeps it to be mended.
    QApplication::setActiveWindow(main.get());
    left.Files->setFocus();
    Key(Qt::Key_L, Qt::ControlModifier);
    left.PathLine->selectAll();
    QTest::keyClicks(left.PathLine, QStringLiteral("sftp://127.0.0.1:99999/"));
    QTest::keyClick(left.PathLine, Qt::Key_Return);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(left.PathLine->isVisible());
    EXPECT_TRUE(Shows(folder));
}

TEST_F(RemotePanelTest, F5CopiesFilesBothWaysAndAsksBeforeATakenName)
{
    const QString folder = Folder(QStringLiteral("copies"), 3);
    const QString big = RandomFile(folder + QStringLiteral("/big.bin"), 3 << 20);
    QTemporaryDir local;
    QFile taken(local.filePath(QStringLiteral("f002.txt")));
    ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
    taken.write("local");
    taken.close();
    main->Panel(sdRight).Directory = local.path() + '/';
    main->RefreshPanel(sdRight);
    ASSERT_TRUE(WaitFor([&] { return !main->Reading(sdRight); }));
    Browse(folder);

    // Remote to local: the taken name asks, and Rename keeps both.
    Mark(sdLeft, QStringLiteral("big.bin"));
    Mark(sdLeft, QStringLiteral("f002.txt"));
    Key(Qt::Key_F5);
    ASSERT_TRUE(WaitFor([&] {
        return !main->Reading(sdRight) && Names(sdRight).contains(QStringLiteral("f002 (2).txt"));
    })) << qPrintable(messages.join('\n'));
    EXPECT_EQ(collisions, QStringList{QStringLiteral("f002 (2).txt")});
    EXPECT_EQ(ReadFile(local.filePath(QStringLiteral("big.bin"))), ReadFile(big));
    EXPECT_EQ(ReadFile(local.filePath(QStringLiteral("f002.txt"))), QByteArray("local"));
    EXPECT_EQ(ReadFile(local.filePath(QStringLiteral("f002 (2).txt"))),
              ReadFile(folder + QStringLiteral("/f002.txt")));
    EXPECT_TRUE(PartFiles(local.path()).isEmpty());

    // Local to remote, into the remote panel, which is read again.
    QApplication::setActiveWindow(main.get());
    QFile back(local.filePath(QStringLiteral("back.txt")));
    ASSERT_TRUE(back.open(QIODevice::WriteOnly));
    back.write("from the local side");
    back.close();
    main->RereadKeepingView(sdRight);
    ASSERT_TRUE(WaitFor([&] { return !main->Reading(sdRight); }));
    Mark(sdRight, QStringLiteral("back.txt"));
    Key(Qt::Key_F5, Qt::NoModifier, sdRight);
    ASSERT_TRUE(WaitFor([&] {
        return !main->Reading(sdLeft) && Names(sdLeft).contains(QStringLiteral("back.txt"));
    })) << qPrintable(messages.join('\n'));
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/back.txt")), QByteArray("from the local side"));
    EXPECT_TRUE(PartFiles(folder).isEmpty());
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}

TEST_F(RemotePanelTest, F6MovesFilesAndFoldersBothWays)
{
    const QString folder = Folder(QStringLiteral("moves"), 2);
    QTemporaryDir local;
    main->Panel(sdRight).Directory = local.path() + '/';
    main->RefreshPanel(sdRight);
    ASSERT_TRUE(WaitFor([&] { return !main->Reading(sdRight); }));
    Browse(folder);
    ASSERT_FALSE(HasFatalFailure()); // never a command on the local folder instead

    // Remote to local: a folder and a file arrive, and both panels are read again.
    Mark(sdLeft, QStringLiteral("sub folder"));
    Mark(sdLeft, QStringLiteral("f001.txt"));
    Key(Qt::Key_F6);
    ASSERT_TRUE(WaitFor([&] {
        return !main->Reading(sdRight) && !main->Reading(sdLeft) &&
               Names(sdRight).contains(QStringLiteral("sub folder")) &&
               !Names(sdLeft).contains(QStringLiteral("f001.txt"));
    })) << qPrintable(messages.join('\n'));
    EXPECT_TRUE(QFileInfo::exists(local.filePath(QStringLiteral("sub folder/inner.txt"))));
    EXPECT_EQ(ReadFile(local.filePath(QStringLiteral("f001.txt"))), QByteArray(1, 'x'));
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/sub folder")));
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/f001.txt")));

    // And the folder back from the local panel into the remote one.
    QApplication::setActiveWindow(main.get());
    Mark(sdRight, QStringLiteral("sub folder"));
    Key(Qt::Key_F6, Qt::NoModifier, sdRight);
    ASSERT_TRUE(WaitFor([&] {
        return !main->Reading(sdLeft) && !main->Reading(sdRight) &&
               Names(sdLeft).contains(QStringLiteral("sub folder")) &&
               !Names(sdRight).contains(QStringLiteral("sub folder"));
    })) << qPrintable(messages.join('\n'));
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/sub folder/inner.txt")));
    EXPECT_FALSE(QFileInfo::exists(local.filePath(QStringLiteral("sub folder"))));
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}

TEST_F(RemotePanelTest, NewFolderRenameFolderSizesAndDeleteWorkOnARemotePanel)
{
    const QString folder = Folder(QStringLiteral("editing"), 3);
    QFile inner(folder + QStringLiteral("/sub folder/inner.txt"));
    ASSERT_TRUE(inner.open(QIODevice::WriteOnly));
    inner.write("abc");
    inner.close();
    Browse(folder);
    ASSERT_FALSE(HasFatalFailure()); // never a command on the local folder instead
    const auto focused = [&] {
        const TPanel& p = main->Panel(sdLeft);
        const int row = p.Files->GetFocusedIndex();
        return row >= 0 && row < p.Listing.Count() ? p.Listing[row].Name : QString();
    };
    // As when a dialog has closed, the window takes the keys again.
    const auto key = [&](Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QApplication::setActiveWindow(main.get());
        Key(k, modifiers);
    };
    const auto said = [&](const QString& part) {
        return WaitFor([&] {
            return !main->Reading(sdLeft) && !messages.isEmpty() && messages.last().contains(part);
        });
    };

    // F7: the new folder, the cursor on it; the same name again says it is taken.
    inputs << QStringLiteral("made") << QStringLiteral("made");
    key(Qt::Key_F7);
    ASSERT_TRUE(WaitFor([&] { return !main->Reading(sdLeft) && focused() == "made"; }))
        << qPrintable(messages.join('\n'));
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/made")).isDir());
    key(Qt::Key_F7);
    EXPECT_TRUE(said(QStringLiteral("exists already"))) << qPrintable(messages.join('\n'));

    // Shift+F6 renames the one entry, the cursor following it; a taken name, typed in
    // place, says so and replaces nothing.
    main->Panel(sdLeft).Files->FocusItem(Names().indexOf(QStringLiteral("f001.txt")));
    inputs << QStringLiteral("renamed.txt");
    key(Qt::Key_F6, Qt::ShiftModifier);
    ASSERT_TRUE(WaitFor([&] { return !main->Reading(sdLeft) && focused() == "renamed.txt"; }))
        << qPrintable(messages.join('\n'));
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/renamed.txt")), QByteArray(2, 'x'));
    main->FilesEdited(sdLeft, QStringLiteral("f002.txt"));
    EXPECT_TRUE(said(QStringLiteral("exists already"))) << qPrintable(messages.join('\n'));
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/renamed.txt")), QByteArray(2, 'x'));
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/f002.txt")), QByteArray(1, 'x'));

    // Folder sizes, measured through the place.
    main->Actions.MenuDirectorySize->trigger();
    const int sub = int(Names().indexOf(QStringLiteral("sub folder")));
    ASSERT_GE(sub, 0);
    EXPECT_TRUE(WaitFor([&] { return main->Panel(sdLeft).Listing[sub].Size == 3; }));

    // F8 asks, saying the entries go for good, and takes a folder with its tree.
    confirms = 1;
    Mark(sdLeft, QStringLiteral("sub folder"));
    Mark(sdLeft, QStringLiteral("f003.txt"));
    key(Qt::Key_F8);
    ASSERT_TRUE(WaitFor([&] {
        return !main->Reading(sdLeft) && !Names().contains(QStringLiteral("sub folder")) &&
               !Names().contains(QStringLiteral("f003.txt"));
    })) << qPrintable(messages.join('\n'));
    ASSERT_EQ(confirmTexts.size(), 1);
    EXPECT_TRUE(confirmTexts[0].contains(QStringLiteral("deleted for good")) &&
                confirmTexts[0].contains(QStringLiteral("cannot be undone")))
        << qPrintable(confirmTexts[0]);
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/sub folder")));
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/f002.txt")));
    EXPECT_EQ(messages.size(), 2) << qPrintable(messages.join('\n'));
}

// Rename by mask (F9) on a remote panel, as on a local one: the marked entries take the
// names the mask makes, a taken name is never replaced and is said, and Ctrl+Z takes the
// renames back through the place.
TEST_F(RemotePanelTest, RenameByMaskRenamesMarkedRemoteEntriesNeverReplacingAndUndoes)
{
    const QString folder = Folder(QStringLiteral("masked"), 3);
    QFile taken(folder + QStringLiteral("/f003.bak"));
    ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
    taken.write("kept");
    taken.close();
    Browse(folder);
    ASSERT_FALSE(HasFatalFailure()); // never a command on the local folder instead
    const auto settled = [&](const std::function<bool()>& done) {
        return WaitFor([&] { return !main->Reading(sdLeft) && done(); });
    };
    const auto exists = [&](const QString& name) { return QFileInfo::exists(folder + '/' + name); };

    Mark(sdLeft, QStringLiteral("f001.txt"));
    Mark(sdLeft, QStringLiteral("f002.txt"));
    Mark(sdLeft, QStringLiteral("f003.txt"));
    inputs << QStringLiteral("*.bak");
    QApplication::setActiveWindow(main.get());
    Key(Qt::Key_F9);
    ASSERT_TRUE(settled([&] { return Names().contains(QStringLiteral("f001.bak")); }))
        << qPrintable(messages.join('\n'));
    EXPECT_TRUE(Names().contains(QStringLiteral("f002.bak")));
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/f001.bak")), QByteArray(2, 'x'));
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/f002.bak")), QByteArray(1, 'x'));
    // The taken name stays as it was, and the one message says so.
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/f003.bak")), QByteArray("kept"));
    EXPECT_TRUE(exists(QStringLiteral("f003.txt")));
    ASSERT_TRUE(WaitFor([&] { return !messages.isEmpty(); }));
    EXPECT_EQ(messages.size(), 1) << qPrintable(messages.join('\n'));
    EXPECT_TRUE(messages.last().contains(QStringLiteral("f003.txt was not renamed: an entry "
                                                        "named f003.bak exists already")))
        << qPrintable(messages.join('\n'));

    QApplication::setActiveWindow(main.get());
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(settled([&] {
        return exists(QStringLiteral("f001.txt")) && exists(QStringLiteral("f002.txt")) &&
               !exists(QStringLiteral("f001.bak")) && !exists(QStringLiteral("f002.bak"));
    })) << qPrintable(messages.join('\n'));
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/f003.bak")), QByteArray("kept"));
}

TEST_F(RemotePanelTest, UndoTakesBackRemoteRenamesMovesAndNewFoldersButNotDeletes)
{
    const QString folder = Folder(QStringLiteral("undoing"), 3);
    const QString other = Server->Folder() + QStringLiteral("/undone");
    QDir().mkpath(other);
    Browse(folder);
    ASSERT_FALSE(HasFatalFailure()); // never a command on the local folder instead
    main->GoToRemote(sdRight, Server->Uri(other));
    ASSERT_TRUE(WaitFor([&] {
        return !main->Reading(sdRight) &&
               QUrl(main->Panel(sdRight).Listing.Directory).path() == other + '/';
    }));
    const auto key = [&](Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        ASSERT_TRUE(WaitFor([&] { return !main->Reading(sdLeft) && !main->Reading(sdRight); }));
        QApplication::setActiveWindow(main.get());
        Key(k, modifiers);
    };
    const auto settled = [&](const std::function<bool()>& done) {
        return WaitFor([&] { return !main->Reading(sdLeft) && !main->Reading(sdRight) && done(); });
    };
    const auto exists = [&](const QString& path) { return QFileInfo::exists(path); };

    // A new folder, then its undo; the menu names it as the user typed it.
    inputs << QStringLiteral("made 100%");
    key(Qt::Key_F7);
    ASSERT_TRUE(settled([&] { return exists(folder + QStringLiteral("/made 100%")); }));
    EXPECT_EQ(main->Actions.MenuUndo->text(), QStringLiteral("Undo create directory made 100%"));
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(settled([&] { return !exists(folder + QStringLiteral("/made 100%")); }));

    // A rename, then its undo.
    main->Panel(sdLeft).Files->FocusItem(Names().indexOf(QStringLiteral("f001.txt")));
    inputs << QStringLiteral("renamed.txt");
    key(Qt::Key_F6, Qt::ShiftModifier);
    ASSERT_TRUE(settled([&] { return exists(folder + QStringLiteral("/renamed.txt")); }));
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(settled([&] {
        return exists(folder + QStringLiteral("/f001.txt")) &&
               !exists(folder + QStringLiteral("/renamed.txt"));
    }));

    // A move within the server, then its undo, folder and all.
    Mark(sdLeft, QStringLiteral("f002.txt"));
    Mark(sdLeft, QStringLiteral("sub folder"));
    key(Qt::Key_F6);
    ASSERT_TRUE(settled([&] { return exists(other + QStringLiteral("/sub folder/inner.txt")); }))
        << qPrintable(messages.join('\n'));
    EXPECT_FALSE(exists(folder + QStringLiteral("/f002.txt")));
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(settled([&] {
        return exists(folder + QStringLiteral("/sub folder/inner.txt")) &&
               exists(folder + QStringLiteral("/f002.txt")) &&
               QDir(other).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    })) << qPrintable(messages.join('\n'));

    // A delete says that it cannot be undone, and Ctrl+Z then takes nothing back.
    confirms = 1;
    main->Panel(sdLeft).Files->FocusItem(Names().indexOf(QStringLiteral("f003.txt")));
    key(Qt::Key_F8);
    ASSERT_TRUE(settled([&] { return !exists(folder + QStringLiteral("/f003.txt")); }));
    EXPECT_TRUE(main->Actions.MenuUndo->text().startsWith(QStringLiteral("Cannot undo")))
        << qPrintable(main->Actions.MenuUndo->text());
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(WaitFor([&] {
        return !messages.isEmpty() && messages.last().startsWith(QStringLiteral("Cannot undo"));
    })) << qPrintable(messages.join('\n'));
    EXPECT_TRUE(exists(folder + QStringLiteral("/f001.txt")));
}

TEST_F(RemotePanelTest, PasteCopiesDesktopFilesIntoARemotePanelAndCopyPutsItsAddresses)
{
    const QString folder = Folder(QStringLiteral("pasting"), 1);
    QTemporaryDir local;
    QDir().mkpath(local.filePath(QStringLiteral("tree/inner")));
    QFile file(local.filePath(QStringLiteral("tree/inner/x.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("pasted");
    file.close();
    Browse(folder);
    ASSERT_FALSE(HasFatalFailure()); // never a command on the local folder instead

    // Another program's Copy of a folder, pasted into the remote panel.
    QGuiApplication::clipboard()->setMimeData(
        FilesToClipboard({local.filePath(QStringLiteral("tree"))}, false).release());
    main->Actions.MenuPaste->trigger();
    ASSERT_TRUE(WaitFor([&] {
        return !main->Reading(sdLeft) && Names().contains(QStringLiteral("tree"));
    })) << qPrintable(messages.join('\n'));
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/tree/inner/x.txt")), QByteArray("pasted"));
    EXPECT_TRUE(QFileInfo::exists(local.filePath(QStringLiteral("tree/inner/x.txt"))));

    // Copy in the remote panel puts the file's own address there.
    Mark(sdLeft, QStringLiteral("f001.txt"));
    main->Actions.MenuCopy->trigger();
    const QList<QUrl> urls = QGuiApplication::clipboard()->mimeData()->urls();
    ASSERT_EQ(urls.size(), 1);
    EXPECT_EQ(urls[0].scheme(), QStringLiteral("sftp"));
    EXPECT_EQ(urls[0].path(), folder + QStringLiteral("/f001.txt"));
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}

TEST_F(RemotePanelTest, AConnectionLostMidCopyEndsInOneMessageNamingWhatArrived)
{
    const QString folder = Folder(QStringLiteral("losing"), 0);
    QTemporaryDir local;
    QFile small(local.filePath(QStringLiteral("a.txt")));
    ASSERT_TRUE(small.open(QIODevice::WriteOnly));
    small.write("small");
    small.close();
    RandomFile(local.filePath(QStringLiteral("big.bin")), 64 << 20);
    main->Panel(sdRight).Directory = local.path() + '/';
    main->RefreshPanel(sdRight);
    ASSERT_TRUE(WaitFor([&] { return !main->Reading(sdRight); }));
    Browse(folder);
    ASSERT_FALSE(HasFatalFailure()); // never a command on the local folder instead

    // The server's sessions die once the big file's part has begun to arrive.
    int kills = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (const QString& part : PartFiles(folder))
            if (kills == 0 && part.contains(QStringLiteral("big.bin")) &&
                QFileInfo(folder + '/' + part).size() > 0) {
                ++kills;
                Server->SignalSessions(SIGKILL);
            }
    });
    watch.start(5);
    QApplication::setActiveWindow(main.get());
    Mark(sdRight, QStringLiteral("a.txt"));
    Mark(sdRight, QStringLiteral("big.bin"));
    Key(Qt::Key_F5, Qt::NoModifier, sdRight);
    ASSERT_TRUE(WaitFor([&] { return !messages.isEmpty(); }));
    watch.stop();
    EXPECT_EQ(kills, 1);
    ASSERT_EQ(messages.size(), 1) << qPrintable(messages.join('\n'));
    EXPECT_TRUE(messages[0].contains(QStringLiteral("Arrived whole: a.txt\n")))
        << qPrintable(messages[0]);
    EXPECT_TRUE(messages[0].contains(QStringLiteral(": big.bin\n"))) << qPrintable(messages[0]);
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/a.txt")), QByteArray("small"));
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/big.bin")));
    ASSERT_TRUE(WaitFor([&] { return Server->SftpBackends() == 0; }));
    ASSERT_TRUE(WaitFor([&] { return !main->Reading(sdLeft) && !main->Reading(sdRight); }));
    EXPECT_EQ(messages.size(), 1) << qPrintable(messages.join('\n'));
}

// The commands that read or write local paths (pack, unpack, checksums) must never take a
// remote panel's address for a path: relative to the working folder it would name a folder
// "sftp:" there. (Synchronise folders and folder sizes take a remote side of their own.)
TEST_F(RemotePanelTest, CommandsOfLocalFoldersNeverTakeARemoteAddressForAPath)
{
    const QString folder = Folder(QStringLiteral("commands"), 2);
    QTemporaryDir local, work;
    QFile plain(local.filePath(QStringLiteral("a.txt")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.write("a");
    plain.close();
    ASSERT_EQ(QProcess::execute(QStringLiteral("zip"),
                                {QStringLiteral("-qj"), local.filePath(QStringLiteral("pack.zip")),
                                 plain.fileName()}),
              0);
    // The working folder goes back however the test ends.
    struct TWorkingFolder {
        QString Before = QDir::currentPath();
        ~TWorkingFolder() { QDir::setCurrent(Before); }
    } keep;
    ASSERT_TRUE(QDir::setCurrent(work.path()));
    main->Panel(sdRight).Directory = local.path() + '/';
    main->RefreshPanel(sdRight);
    ASSERT_TRUE(WaitFor([&] { return !main->Reading(sdRight); }));
    Browse(folder);

    // The remote panel active: Pack proposes an archive in the local folder, and writes
    // nothing when its dialog is cancelled.
    main->Panel(sdLeft).Files->setFocus();
    Mark(sdLeft, QStringLiteral("f001.txt"));
    main->Actions.MenuPack->trigger();
    EXPECT_TRUE(WaitFor([&] { return !packDialogs.isEmpty() && !main->Reading(sdLeft); }));
    EXPECT_EQ(packDialogs, QStringList{QStringLiteral("f001.txt.zip")});
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
    QApplication::setActiveWindow(main.get()); // as when the dialog has closed

    // The local panel active, the remote one the target: Pack asks for the archive's name
    // (cancelled: nothing is written anywhere), and Unpack offers the archive's own folder,
    // never the remote address.
    Mark(sdRight, QStringLiteral("pack.zip"));
    main->Panel(sdRight).Files->FocusItem(Names(sdRight).indexOf(QStringLiteral("pack.zip")));
    main->Actions.MenuPack->trigger();
    EXPECT_TRUE(WaitFor([&] { return packDialogs.size() == 2; }));
    EXPECT_EQ(packDialogs.value(1), QStringLiteral("pack.zip.zip"));
    main->Actions.MenuUnpack->trigger();
    EXPECT_TRUE(WaitFor([&] { return !unpackTargets.isEmpty(); }));

    EXPECT_TRUE(otherDialogs.isEmpty()) << qPrintable(otherDialogs.join(' '));
    for (const QString& target : unpackTargets)
        EXPECT_TRUE(target.startsWith('/')) << qPrintable(target);
    EXPECT_TRUE(QDir(work.path()).isEmpty());
    EXPECT_EQ(QDir(local.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{QStringLiteral("a.txt"), QStringLiteral("pack.zip")}));
}

// The shown window of type W, or null.
template <typename W> W* Shown()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<W*>(widget); window && window->isVisible())
            return window;
    return nullptr;
}

TEST_F(RemotePanelTest, F4EditsARemoteFileAndSavePutsItBackOnlyWhileUnchanged)
{
    QTemporaryDir data;
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    struct TRestore {
        QByteArray Value;
        ~TRestore()
        {
            Value.isEmpty() ? qunsetenv("XDG_DATA_HOME") : qputenv("XDG_DATA_HOME", Value);
        }
    } restore{oldData};
    const QString folder = Folder(QStringLiteral("edit"), 1);
    const QString remoteFile = folder + QStringLiteral("/notes.txt");
    {
        QFile file(remoteFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("server text\n");
    }
    Browse(folder);
    main->Panel(sdLeft).Files->setFocus();
    main->Panel(sdLeft).Files->FocusItem(Names().indexOf(QStringLiteral("notes.txt")));
    Key(Qt::Key_F4);
    TfText* editor = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (editor = Shown<TfText>()) != nullptr; }))
        << qPrintable(messages.join('\n'));
    EXPECT_EQ(editor->Memo->toPlainText(), QStringLiteral("server text\n"));
    const QString copy = editor->FileName();
    EXPECT_TRUE(copy.startsWith('/')) << qPrintable(copy);

    // Typed and saved with Ctrl+S: on the server, whole, with no hidden file left.
    const auto typeAndSave = [&](const QString& text) {
        QApplication::setActiveWindow(editor);
        editor->Memo->setFocus();
        editor->Memo->moveCursor(QTextCursor::Start);
        QTest::keyClicks(editor->Memo, text);
        QTest::keyClick(editor->Memo, Qt::Key_S, Qt::ControlModifier);
    };
    typeAndSave(QStringLiteral("edited "));
    ASSERT_TRUE(WaitFor([&] { return ReadFile(remoteFile) == "edited server text\n"; }))
        << qPrintable(messages.join('\n') + boxes.join('\n'));
    EXPECT_EQ(boxes.size(), 1);
    EXPECT_TRUE(PartFiles(folder).isEmpty());
    ASSERT_TRUE(WaitFor([&] { return !main->Reading(sdLeft); }));
    const TFileListing& listing = main->Panel(sdLeft).Listing;
    EXPECT_EQ(listing[Names().indexOf(QStringLiteral("notes.txt"))].Size, 19);

    // Changed on the server meanwhile: the save is refused in one message that names
    // where the edited text is kept, and the server keeps its text.
    {
        QFile file(remoteFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("someone else\n");
    }
    QFile(remoteFile)
        .setFileTime(QDateTime::currentDateTime().addSecs(-100), QFileDevice::FileModificationTime);
    typeAndSave(QStringLiteral("again "));
    ASSERT_TRUE(WaitFor([&] { return boxes.size() == 3; })) << qPrintable(boxes.join('\n'));
    const QString kept = data.path() + QStringLiteral("/Travodex/Unsaved/notes.txt");
    EXPECT_TRUE(boxes[2].contains(QStringLiteral("changed on the server"))) << qPrintable(boxes[2]);
    EXPECT_TRUE(boxes[2].contains(kept)) << qPrintable(boxes[2]);
    EXPECT_EQ(ReadFile(kept), QByteArray("again edited server text\n"));
    EXPECT_EQ(ReadFile(remoteFile), QByteArray("someone else\n"));
    EXPECT_TRUE(PartFiles(folder).isEmpty());
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}

TEST_F(RemotePanelTest, F3ShowsARemoteTextFromAPrivateCopyThatGoesWithItsWindow)
{
    const QString folder = Folder(QStringLiteral("view"), 2);
    Browse(folder);
    main->Panel(sdLeft).Files->setFocus();
    main->Panel(sdLeft).Files->FocusItem(Names().indexOf(QStringLiteral("f001.txt")));
    for (int twice = 0; twice < 2; ++twice) {
        Key(Qt::Key_F3);
        TfTextView* view = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (view = Shown<TfTextView>()) != nullptr; }))
            << qPrintable(messages.join('\n'));
        EXPECT_TRUE(view->Text().Path().startsWith('/')) << qPrintable(view->Text().Path());
        EXPECT_EQ(ReadFile(view->Text().Path()), ReadFile(folder + QStringLiteral("/f001.txt")));
        const QString copyFolder = QFileInfo(view->Text().Path()).absolutePath();
        view->close();
        // The copy goes with its window.
        EXPECT_TRUE(WaitFor([&] { return !QFileInfo::exists(copyFolder); }));
        QApplication::setActiveWindow(main.get());
        main->Panel(sdLeft).Files->setFocus();
    }
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}

TEST_F(RemotePanelTest, QuickViewShowsARemoteFileFromACopyThatGoesWhenThePaneMovesOn)
{
    const QString folder = Folder(QStringLiteral("quick"), 0);
    {
        QFile file(folder + QStringLiteral("/q.txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("quick text\n");
    }
    Browse(folder);
    TPanel& left = main->Panel(sdLeft);
    left.Files->setFocus();
    left.Files->FocusItem(Names().indexOf(QStringLiteral("q.txt")));
    Key(Qt::Key_Q, Qt::ControlModifier);
    TfQuickView* pane = main->QuickView();
    ASSERT_NE(pane, nullptr);
    ASSERT_TRUE(WaitFor([&] { return !pane->Loading() && !pane->Shown().File.isEmpty(); }))
        << qPrintable(pane->StatusText());
    EXPECT_EQ(pane->Shown().Kind, quickview::TKind::Text) << qPrintable(pane->StatusText());
    const QString copy = pane->Shown().File;
    EXPECT_TRUE(copy.startsWith('/')) << qPrintable(copy);
    EXPECT_EQ(ReadFile(copy), QByteArray("quick text\n"));

    // On a folder the pane names it, and the copy goes.
    left.Files->FocusItem(Names().indexOf(QStringLiteral("sub folder")));
    ASSERT_TRUE(WaitFor([&] { return pane->StatusText().contains(QStringLiteral("sub folder")); }));
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(copy).absolutePath()));
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}

// A drag from a remote panel onto the other panel copies as F5 does, the plain drag too
// (files are never moved off a remote place).
TEST_F(RemotePanelTest, ADragOntoTheOtherPanelCopiesAsF5Does)
{
    const QString folder = Folder(QStringLiteral("drag"), 2);
    QTemporaryDir local;
    main->Panel(sdRight).Directory = local.path() + '/';
    main->RefreshPanel(sdRight);
    ASSERT_TRUE(WaitFor([&] { return !main->Reading(sdRight); }));
    Browse(folder);
    Mark(sdLeft, QStringLiteral("f002.txt"));
    main->FilesMouseMove(sdRight, Qt::LeftButton, Qt::NoModifier);
    main->FilesMouseUp(sdRight);
    ASSERT_TRUE(WaitFor([&] {
        return !main->Reading(sdRight) && Names(sdRight).contains(QStringLiteral("f002.txt"));
    })) << qPrintable(messages.join('\n'));
    EXPECT_EQ(ReadFile(local.filePath(QStringLiteral("f002.txt"))),
              ReadFile(folder + QStringLiteral("/f002.txt")));
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/f002.txt")));
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}

// Enter on a remote file: by its category from a private copy, and a file of no category
// in the desktop's application (a stub registered for PDF files writes down what it was
// handed), which gets a local copy, never the remote address.
TEST_F(RemotePanelTest, EnterOpensARemoteFileByItsCategoryOrInTheDesktopsApplication)
{
    const QString folder = Folder(QStringLiteral("enter"), 1);
    {
        QFile pdf(folder + QStringLiteral("/paper.pdf"));
        ASSERT_TRUE(pdf.open(QIODevice::WriteOnly));
        pdf.write("%PDF-1.4\n%%EOF\n");
    }
    QTemporaryDir desktop;
    const QString d = desktop.path();
    QDir().mkpath(d + QStringLiteral("/data/applications"));
    QDir().mkpath(d + QStringLiteral("/system"));
    QDir().mkpath(d + QStringLiteral("/config"));
    QFile::link(QStringLiteral("/usr/share/mime"), d + QStringLiteral("/system/mime"));
    const QString stub = d + QStringLiteral("/stub.sh");
    const auto write = [](const QString& path, const QByteArray& text) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    };
    write(stub, "#!/bin/sh\nprintf '%s' \"$1\" >\"$0.part\"\nmv \"$0.part\" \"$0.out\"\n");
    QFile(stub).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    write(d + QStringLiteral("/data/applications/trvx-stub.desktop"),
          "[Desktop Entry]\nType=Application\nName=Stub viewer\nExec=" + stub.toLocal8Bit() +
              " %f\nMimeType=application/pdf;\n");
    write(d + QStringLiteral("/data/applications/mimeapps.list"),
          "[Default Applications]\napplication/pdf=trvx-stub.desktop\n");
    // The desktop is this test's own for its duration.
    struct TEnvironment {
        std::vector<std::pair<const char*, std::optional<QByteArray>>> Old;
        void Set(const char* name, const QByteArray& value)
        {
            Old.emplace_back(name, qEnvironmentVariableIsSet(name)
                                       ? std::optional<QByteArray>(qgetenv(name))
                                       : std::nullopt);
            qputenv(name, value);
        }
        ~TEnvironment()
        {
            for (auto it = Old.rbegin(); it != Old.rend(); ++it)
                it->second ? qputenv(it->first, *it->second) : qunsetenv(it->first);
        }
    } env;
    env.Set("XDG_DATA_HOME", (d + QStringLiteral("/data")).toLocal8Bit());
    env.Set("XDG_DATA_DIRS", (d + QStringLiteral("/system")).toLocal8Bit());
    env.Set("XDG_CONFIG_HOME", (d + QStringLiteral("/config")).toLocal8Bit());
    env.Set("XDG_CONFIG_DIRS", (d + QStringLiteral("/none")).toLocal8Bit());
    env.Set("WAYLAND_DISPLAY", "trvx-test-desktop");
    env.Set("XDG_CURRENT_DESKTOP", "");
    env.Set("BROWSER", "false");
    main->Categories.SetCategory(TExtensionCategory::Text, "TXT");
    Browse(folder);
    TPanel& left = main->Panel(sdLeft);

    left.Files->setFocus();
    left.Files->FocusItem(Names().indexOf(QStringLiteral("f001.txt")));
    Key(Qt::Key_Return);
    TfTextView* view = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (view = Shown<TfTextView>()) != nullptr; }))
        << qPrintable(messages.join('\n'));
    EXPECT_TRUE(view->Text().Path().startsWith('/')) << qPrintable(view->Text().Path());
    view->close();

    QApplication::setActiveWindow(main.get());
    left.Files->setFocus();
    left.Files->FocusItem(Names().indexOf(QStringLiteral("paper.pdf")));
    Key(Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return QFileInfo::exists(stub + QStringLiteral(".out")); }))
        << qPrintable(messages.join('\n'));
    const QString handed = QString::fromLocal8Bit(ReadFile(stub + QStringLiteral(".out")));
    EXPECT_TRUE(handed.startsWith('/') && handed.endsWith(QStringLiteral("/paper.pdf")))
        << qPrintable(handed);
    EXPECT_EQ(ReadFile(handed), QByteArray("%PDF-1.4\n%%EOF\n"));
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}

// F3 on a file of a server that stopped answering: the fetch waits behind the progress
// window, whose Cancel ends it at once; nothing opens and nothing is said.
TEST_F(RemotePanelTest, AFetchFromAStoppedServerEndsWithTheProgressWindowsCancel)
{
    const QString folder = Folder(QStringLiteral("stalled"), 1);
    Browse(folder);
    TPanel& left = main->Panel(sdLeft);
    left.Files->setFocus();
    left.Files->FocusItem(Names().indexOf(QStringLiteral("f001.txt")));
    cancelWork = true;
    Server->SignalSessions(SIGSTOP);
    Key(Qt::Key_F3); // returns once the fetch has ended
    const bool wasCancelled = cancelled.isValid();
    Server->SignalSessions(SIGCONT);
    EXPECT_TRUE(wasCancelled);
    EXPECT_FALSE(resumed) << "the fetch went on after Cancel";
    EXPECT_EQ(Shown<TfTextView>(), nullptr);
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}

// F5 of a big file with the server stopped midway: the progress window's Cancel ends the
// copy while the server is still stopped, and says so; no file takes the real name, and
// the part file goes once the server runs again.
void RemotePanelTest::CancelACopyStalledByAStoppedServer(bool upload, bool quit)
{
    const QString folder =
        Folder(upload ? QStringLiteral("stalled up") : QStringLiteral("stalled down"), 0);
    QTemporaryDir local;
    const QString from = upload ? local.path() : folder;
    const QString into = upload ? folder : local.path();
    RandomFile(from + QStringLiteral("/big.bin"), 64 << 20);
    main->Panel(sdRight).Directory = local.path() + '/';
    main->RefreshPanel(sdRight);
    ASSERT_TRUE(WaitFor([&] { return !main->Reading(sdRight); }));
    Browse(folder);
    ASSERT_FALSE(HasFatalFailure());

    // The server stops once the part has begun to arrive; then the window is cancelled.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (const QString& part : PartFiles(into))
            if (!cancelWork && QFileInfo(into + '/' + part).size() > 0) {
                Server->SignalSessions(SIGSTOP);
                cancelWork = true;
            }
    });
    watch.start(5);
    const TSide side = upload ? sdRight : sdLeft;
    Mark(side, QStringLiteral("big.bin"));
    Key(Qt::Key_F5, Qt::NoModifier, side); // returns once the copy has ended
    watch.stop();
    // Still stopped: the copy ended without the server.
    EXPECT_TRUE(cancelled.isValid());
    EXPECT_FALSE(resumed) << "the copy ended only when the server ran again";
    EXPECT_FALSE(FileWorkRunning());
    EXPECT_EQ(Shown<TfProgress>(), nullptr);
    ASSERT_EQ(messages.size(), 1) << qPrintable(messages.join('\n'));
    EXPECT_TRUE(messages[0].endsWith(QStringLiteral("; cancelled"))) << qPrintable(messages[0]);
    EXPECT_FALSE(QFileInfo::exists(into + QStringLiteral("/big.bin")));
    ASSERT_TRUE(WaitFor([&] { return !main->Reading(sdRight); })); // the local panel answers

    const QStringList parts = PartFiles(into);
    if (quit) {
        // Quitting meanwhile: the copy still waits for the server, so its part is recorded.
        QTemporaryDir config;
        main->KeepPanelsIn(config.filePath(QStringLiteral("panels.ini")));
        EXPECT_TRUE(main->close());
    }
    Server->SignalSessions(SIGCONT);
    EXPECT_TRUE(WaitFor([&] { return PartFiles(into).isEmpty(); }))
        << qPrintable(PartFiles(into).join(' '));
    EXPECT_FALSE(QFileInfo::exists(into + QStringLiteral("/big.bin")));
    EXPECT_EQ(QFileInfo(from + QStringLiteral("/big.bin")).size(), 64 << 20);
    if (!quit)
        return;
    // Here the copy ended in this process; in a program that quit the part would stay on
    // the server. Put back, it goes at the next mount of the place.
    ASSERT_EQ(parts.size(), 1);
    const QString left = into + '/' + parts[0];
    QFile(left).open(QIODevice::WriteOnly);
    ASSERT_TRUE(QFileInfo::exists(left));
    Unmount();
    MountServer();
    EXPECT_TRUE(WaitFor([&] { return !QFileInfo::exists(left); }));
}

TEST_F(RemotePanelTest, CancelEndsACopyFromAStoppedServerAndItsPartGoesWhenTheServerRuns)
{
    CancelACopyStalledByAStoppedServer(false);
}

TEST_F(RemotePanelTest, CancelEndsACopyToAStoppedServerAndItsPartGoesWhenTheServerRuns)
{
    CancelACopyStalledByAStoppedServer(true);
}

TEST_F(RemotePanelTest, APartLeftOnAStoppedServerAtQuitGoesAtTheNextMount)
{
    CancelACopyStalledByAStoppedServer(true, true);
}

// F5 to a server that stops answering once the file's part has arrived whole, before the
// part is checked and takes its name: Cancel ends the copy while the server is stopped;
// the part goes once it runs again, and nothing takes the real name.
TEST_F(RemotePanelTest, CancelEndsACopyWhoseServerStopsBeforeItsPartTakesTheName)
{
    const QString folder = Folder(QStringLiteral("stopped at the name"), 0);
    QTemporaryDir local;
    RandomFile(local.filePath(QStringLiteral("whole.bin")), 1 << 20);
    LocalBesideRemote(local.path(), folder);
    ASSERT_FALSE(HasFatalFailure());
    StopServerAt(platform::TFileOpsStep::RemotePartWritten);
    Mark(sdRight, QStringLiteral("whole.bin"));
    Key(Qt::Key_F5, Qt::NoModifier, sdRight); // returns once the copy has ended
    ExpectCancelledWhileStopped();
    EXPECT_EQ(Shown<TfProgress>(), nullptr);
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/whole.bin")));

    Server->SignalSessions(SIGCONT);
    EXPECT_TRUE(WaitFor([&] { return PartFiles(folder).isEmpty(); }))
        << qPrintable(PartFiles(folder).join(' '));
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/whole.bin")));
}

// F6 from a server that stops answering while the copy is read back: Cancel ends the move
// while the server is stopped and says the file was not moved; the original stays.
TEST_F(RemotePanelTest, CancelWhileAMovesCopyIsCheckedKeepsTheOriginalAndSaysSo)
{
    const QString folder = Folder(QStringLiteral("stopped at the check"), 0);
    QTemporaryDir local;
    RandomFile(folder + QStringLiteral("/moved.bin"), 1 << 20);
    LocalBesideRemote(local.path(), folder);
    ASSERT_FALSE(HasFatalFailure());
    StopServerAt(platform::TFileOpsStep::RemoteBlockRead); // the original is read back
    Mark(sdLeft, QStringLiteral("moved.bin"));
    Key(Qt::Key_F6); // returns once the move has ended
    ExpectCancelledWhileStopped();
    EXPECT_EQ(Shown<TfProgress>(), nullptr);
    EXPECT_TRUE(messages.join('\n').contains(QStringLiteral("not moved: cancelled")))
        << qPrintable(messages.join('\n'));

    Server->SignalSessions(SIGCONT);
    EXPECT_EQ(QFileInfo(folder + QStringLiteral("/moved.bin")).size(), 1 << 20);
}

// A quick view waiting for a server that stopped answering is abandoned when the cursor
// moves on: its load ends at once, so that the next ones are not held up behind it.
TEST_F(RemotePanelTest, TheQuickViewAbandonsAFetchFromAStoppedServerWhenTheCursorMovesOn)
{
    const QString folder = Folder(QStringLiteral("quick stopped"), 1);
    Browse(folder);
    TPanel& left = main->Panel(sdLeft);
    left.Files->setFocus();
    left.Files->FocusItem(Names().indexOf(QStringLiteral("f001.txt")));
    Server->SignalSessions(SIGSTOP);
    Key(Qt::Key_Q, Qt::ControlModifier);
    TfQuickView* pane = main->QuickView();
    ASSERT_NE(pane, nullptr);
    ASSERT_TRUE(WaitFor([&] { return pane->Loader().Running() == 1; }));
    left.Files->FocusItem(Names().indexOf(QStringLiteral("sub folder")));
    ASSERT_TRUE(WaitFor([&] { return pane->StatusText().contains(QStringLiteral("sub folder")); }));
    const bool ended = WaitFor([&] { return pane->Loader().Running() == 0; });
    Server->SignalSessions(SIGCONT);
    EXPECT_TRUE(ended);
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}

// Find files in a remote panel searches the remote folder; its hits lead back to the
// panel, and fed to a panel they are copied to a local folder and nothing else.
TEST_F(RemotePanelTest, FindFilesInARemoteFolderGoesToAndFeedsItsHits)
{
    const QString folder = Folder(QStringLiteral("found"), 3);
    QFile inner(folder + QStringLiteral("/sub folder/inner.txt"));
    ASSERT_TRUE(inner.open(QIODevice::WriteOnly));
    inner.write("a needle inside");
    inner.close();
    QTemporaryDir local;
    main->Panel(sdRight).Directory = local.path() + '/';
    main->RefreshPanel(sdRight);
    ASSERT_TRUE(WaitFor([&] { return !main->Reading(sdRight); }));
    Browse(folder);
    main->Panel(sdLeft).Files->setFocus();
    main->Actions.MenuFindFiles->trigger();
    TfFind* find = main->FindWindow();
    ASSERT_TRUE(find);
    EXPECT_EQ(find->EditFolder->text(), main->Panel(sdLeft).Directory);
    const auto search = [&](const QString& masks, const QString& text) {
        find->EditMask->setText(masks);
        find->EditText->setText(text);
        QTest::keyClick(find->EditMask, Qt::Key_Return);
        return WaitFor([&] { return !find->Searching(); });
    };

    // By the text in the files, read from the server.
    ASSERT_TRUE(search(QStringLiteral("*.txt"), QStringLiteral("NEEDLE")));
    ASSERT_EQ(find->Hits().size(), 1u) << qPrintable(find->Status->text());
    EXPECT_EQ(find->Hits()[0].Name, QStringLiteral("inner.txt"));
    // View shows a remote hit from a private copy, as F3 in the panel does.
    const auto viewed = [&] {
        TfTextView* view = nullptr;
        if (!WaitFor([&] { return (view = Shown<TfTextView>()) != nullptr; }))
            return QByteArray("(no view) ") + messages.join('\n').toUtf8();
        const QByteArray text = ReadFile(view->Text().Path());
        view->close();
        QApplication::setActiveWindow(main.get());
        return text;
    };
    QTest::mouseClick(find->ButtonView, Qt::LeftButton);
    EXPECT_EQ(viewed(), QByteArray("a needle inside"));
    // Go to puts the cursor on the hit.
    QTest::mouseClick(find->ButtonGoTo, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return Shows(folder + QStringLiteral("/sub folder")); }));
    TPanel& left = main->Panel(sdLeft);
    EXPECT_EQ(left.Listing[left.Files->GetFocusedIndex()].Name, QStringLiteral("inner.txt"));

    // Fed to the panel: the hits named by their path below the searched folder.
    find->EditFolder->setText(Server->Uri(folder));
    ASSERT_TRUE(search(QStringLiteral("*.txt"), QString()));
    EXPECT_EQ(find->Hits().size(), 4u) << qPrintable(find->Status->text());
    QTest::mouseClick(find->ButtonFeed, Qt::LeftButton);
    const QSet<QString> fed{"..", "f001.txt", "f002.txt", "f003.txt", "sub folder/inner.txt"};
    ASSERT_TRUE(WaitFor([&] {
        const QStringList names = Names();
        return !main->Reading(sdLeft) && QSet<QString>(names.begin(), names.end()) == fed;
    })) << qPrintable(Names().join('|'));
    EXPECT_EQ(left.DirectoryLabel->text(), QStringLiteral("Search results"));
    QApplication::setActiveWindow(main.get());

    // F3 on a hit fed to the panel shows it from a private copy.
    left.Files->setFocus();
    left.Files->FocusItem(Names().indexOf(QStringLiteral("sub folder/inner.txt")));
    Key(Qt::Key_F3);
    EXPECT_EQ(viewed(), QByteArray("a needle inside"));
    // Enter opens a hit as Enter in its own folder does: a text in the text view.
    main->Categories.SetCategory(TExtensionCategory::Text, "TXT");
    left.Files->setFocus();
    Key(Qt::Key_Return);
    EXPECT_EQ(viewed(), QByteArray("a needle inside"));
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));

    // F5 copies marked hits from two folders to the local panel.
    Mark(sdLeft, QStringLiteral("sub folder/inner.txt"));
    Mark(sdLeft, QStringLiteral("f002.txt"));
    Key(Qt::Key_F5);
    ASSERT_TRUE(WaitFor([&] {
        return !main->Reading(sdRight) && Names(sdRight).contains(QStringLiteral("inner.txt")) &&
               Names(sdRight).contains(QStringLiteral("f002.txt"));
    })) << qPrintable(messages.join('\n'));
    EXPECT_EQ(ReadFile(local.filePath(QStringLiteral("inner.txt"))), QByteArray("a needle inside"));
    EXPECT_EQ(ReadFile(local.filePath(QStringLiteral("f002.txt"))),
              ReadFile(folder + QStringLiteral("/f002.txt")));
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));

    // Moving or changing the hits is refused, one message each, and nothing changes.
    main->Panel(sdLeft).Files->setFocus();
    for (QAction* command : {main->Actions.MenuMoveFile, main->Actions.MenuCreateDirectory,
                             main->Actions.MenuDeleteFile, main->Actions.MenuDeleteForGood,
                             main->Actions.MenuRenameFile, main->Actions.MenuRenameInPlace,
                             main->Actions.MenuRenameMove}) {
        const qsizetype said = messages.size();
        command->trigger();
        EXPECT_TRUE(WaitFor([&] { return messages.size() == said + 1; }))
            << qPrintable(command->text());
        EXPECT_TRUE(messages.back().contains(QStringLiteral("only copied")))
            << qPrintable(command->text() + ": " + messages.back());
    }
    EXPECT_TRUE(QFile::exists(folder + QStringLiteral("/sub folder/inner.txt")));
    EXPECT_EQ(QDir(local.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{QStringLiteral("f002.txt"), QStringLiteral("inner.txt")}));
    EXPECT_TRUE(otherDialogs.isEmpty()) << qPrintable(otherDialogs.join(' '));

    // ".." leads back to the remote folder the search started from.
    left.Files->FocusItem(0);
    Key(Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return Shows(folder + QStringLiteral("/sub folder")); }));
}

// Synchronise folders with the remote panel as one side and a local folder as the other:
// each side gets what only the other had, and the remote side is compared by size and date.
TEST_F(RemotePanelTest, SynchroniseFoldersWithARemoteSide)
{
    const QString folder = Folder(QStringLiteral("synced"), 2);
    QTemporaryDir local;
    QFile here(local.filePath(QStringLiteral("here.txt")));
    ASSERT_TRUE(here.open(QIODevice::WriteOnly));
    here.write("from the local side");
    here.close();
    main->Panel(sdRight).Directory = local.path() + '/';
    main->RefreshPanel(sdRight);
    ASSERT_TRUE(WaitFor([&] { return !main->Reading(sdRight); }));
    Browse(folder);
    main->Panel(sdLeft).Files->setFocus();
    main->Actions.MenuSyncFolders->trigger();
    auto* sync = main->findChild<TfSync*>();
    ASSERT_TRUE(sync) << qPrintable(messages.join('\n'));
    ASSERT_TRUE(WaitFor([&] { return !sync->Comparing(); }));
    EXPECT_FALSE(sync->CheckByContent->isEnabled());
    ASSERT_TRUE(sync->ButtonSync->isEnabled()) << qPrintable(sync->Status());
    QTest::mouseClick(sync->ButtonSync, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] {
        return QFile::exists(folder + QStringLiteral("/here.txt")) &&
               QFile::exists(local.filePath(QStringLiteral("sub folder/inner.txt")));
    })) << qPrintable(sync->Status());
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/here.txt")), QByteArray("from the local side"));
    EXPECT_EQ(ReadFile(local.filePath(QStringLiteral("f002.txt"))),
              ReadFile(folder + QStringLiteral("/f002.txt")));
    EXPECT_TRUE(PartFiles(folder).isEmpty());
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
    sync->close();

    // Two remote panels are not synchronised: one message, no window.
    main->GoToRemote(sdRight, Server->Uri(folder));
    ASSERT_TRUE(WaitFor([&] {
        return !main->Reading(sdRight) &&
               main->Panel(sdRight).Listing.Directory.startsWith(QLatin1String("sftp:"));
    }));
    QApplication::setActiveWindow(main.get());
    const qsizetype windows = main->findChildren<TfSync*>().size();
    main->Actions.MenuSyncFolders->trigger();
    ASSERT_TRUE(WaitFor([&] { return messages.size() == 1; }));
    EXPECT_EQ(main->findChildren<TfSync*>().size(), windows);
}

} // namespace

namespace
{

TEST_F(RemotePanelTest, CtrlRAfterTheSessionWasKilledConnectsAgainAndReadsTheFolder)
{
    const QString folder = Folder(QStringLiteral("killed session"), 4);
    Browse(folder);
    const QStringList shown = Names();
    Server->SignalSessions(SIGKILL);
    ASSERT_TRUE(WaitFor([&] { return Server->SftpBackends() == 0; }));
    QFile(folder + QStringLiteral("/after.txt")).open(QIODevice::WriteOnly);
    main->Panel(sdLeft).Files->setFocus();
    Key(Qt::Key_R, Qt::ControlModifier);
    ASSERT_TRUE(WaitFor([&] { return !main->Reading(sdLeft); }));
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
    EXPECT_TRUE(Names().contains(QStringLiteral("after.txt"))) << qPrintable(Names().join(' '));
    EXPECT_EQ(Names().size(), shown.size() + 1);
    EXPECT_TRUE(Shows(folder));
}

// Another program's drop on a panel's list: a local file into the remote folder, and a
// file of the server moved into a local folder only once its copy is whole there. A drag
// out of the remote panel carries the files' own addresses.
TEST_F(RemotePanelTest, DropsFromAnotherProgramCopyToAndMoveFromARemotePlace)
{
    const QString folder = Folder(QStringLiteral("dropping"), 2);
    QTemporaryDir desk, local;
    QByteArray bytes;
    for (int i = 0; i < 300000; ++i)
        bytes += char((i * 7) % 251);
    const QString sent = desk.filePath(QStringLiteral("sent file.bin"));
    {
        QFile file(sent);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    main->Panel(sdRight).Directory = local.path() + '/';
    main->RefreshPanel(sdRight);
    ASSERT_TRUE(WaitFor([&] { return !main->Reading(sdRight); }));
    Browse(folder);
    ASSERT_FALSE(HasFatalFailure());
    const auto drop = [&](TSide side, const QUrl& url, Qt::DropAction action) {
        QMimeData data;
        data.setUrls({url});
        QWidget* list =
            static_cast<QAbstractItemView*>(main->Panel(side).Files->ActiveView())->viewport();
        const QPoint at(list->width() / 2, list->height() / 2);
        QDragEnterEvent enter(at, action, &data, Qt::LeftButton, {});
        QApplication::sendEvent(list, &enter);
        QDropEvent event(QPointF(at), action, &data, Qt::LeftButton, {});
        QApplication::sendEvent(list, &event);
        return event.isAccepted();
    };

    ASSERT_TRUE(drop(sdLeft, QUrl::fromLocalFile(sent), Qt::CopyAction));
    ASSERT_TRUE(WaitFor([&] {
        return !main->Reading(sdLeft) && Names().contains(QStringLiteral("sent file.bin"));
    })) << qPrintable(messages.join('\n'));
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/sent file.bin")), bytes);
    EXPECT_EQ(ReadFile(sent), bytes);

    const QByteArray f002 = ReadFile(folder + QStringLiteral("/f002.txt"));
    ASSERT_TRUE(
        drop(sdRight, QUrl(Server->Uri(folder + QStringLiteral("/f002.txt"))), Qt::MoveAction));
    ASSERT_TRUE(WaitFor([&] {
        return !main->Reading(sdRight) && Names(sdRight).contains(QStringLiteral("f002.txt"));
    })) << qPrintable(messages.join('\n'));
    EXPECT_EQ(ReadFile(local.filePath(QStringLiteral("f002.txt"))), f002);
    EXPECT_TRUE(WaitFor([&] { return !QFileInfo::exists(folder + QStringLiteral("/f002.txt")); }));

    Mark(sdLeft, QStringLiteral("sent file.bin"));
    TVirtualListView* list = main->Panel(sdLeft).Files;
    std::unique_ptr<QMimeData> out(list->OnDragOut(list));
    ASSERT_TRUE(out);
    ASSERT_EQ(out->urls().size(), 1);
    EXPECT_EQ(out->urls()[0].scheme(), QStringLiteral("sftp"));
    EXPECT_EQ(out->urls()[0].path(), folder + QStringLiteral("/sent file.bin"));
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}

// The panels remembered on a remote place come back there at the next start: the window
// shows at once on the local root, the place is mounted through the usual dialogs and
// then read; a hidden tab's remote place is read when the tab is shown. A server that
// cannot be reached leaves the panel on the local root with one message.
TEST_F(RemotePanelTest, ARememberedRemotePanelComesBackOnItsServerAtTheNextStart)
{
    const QString folder = Folder(QStringLiteral("remembered"), 2);
    const QString other = Folder(QStringLiteral("tabbed"), 1);
    QTemporaryDir config, local;
    const auto start = [&](const QString& leftPlace) {
        const QString ini = config.filePath(QStringLiteral("panels.ini"));
        QFile::remove(ini);
        {
            QSettings kept(ini, QSettings::IniFormat);
            kept.setValue("Left/Place", leftPlace);
            kept.setValue("Left/Name", QStringLiteral("f002.txt"));
            kept.setValue("Right/Place", local.path() + '/');
            kept.setValue("Right/Tabs", 2);
            kept.setValue("Right/ShownTab", 1);
            kept.setValue("Right/Tab1/Place", local.path() + '/');
            kept.setValue("Right/Tab2/Place", RemoteFolder(Server->Uri(other)));
        }
        auto window = std::make_unique<TfMain>();
        window->KeepPanelsIn(ini);
        window->resize(900, 600);
        window->show();
        return window;
    };
    const auto shows = [](TfMain& window, TSide side, const QString& path) {
        return !window.Reading(side) && IsRemoteLocation(window.Panel(side).Listing.Directory) &&
               QUrl(window.Panel(side).Listing.Directory).path() == path + '/';
    };

    Unmount(); // mounted through the start itself
    ASSERT_FALSE(HasFatalFailure());
    std::unique_ptr<TfMain> next = start(RemoteFolder(Server->Uri(folder)));
    EXPECT_EQ(next->Panel(sdLeft).Directory, QStringLiteral("/")); // not waiting for the server
    // Closed before the place is there, the window still remembers the place, not the root.
    next->KeepPanels();
    {
        const QSettings kept(config.filePath(QStringLiteral("panels.ini")), QSettings::IniFormat);
        EXPECT_EQ(kept.value("Left/Place").toString(), RemoteFolder(Server->Uri(folder)));
        EXPECT_EQ(kept.value("Left/Name").toString(), QStringLiteral("f002.txt"));
    }
    ASSERT_TRUE(WaitFor([&] { return shows(*next, sdLeft, folder); }))
        << qPrintable(messages.join('\n'));
    // The cursor is back on the entry it was on, as in a local panel.
    const TPanel& back = next->Panel(sdLeft);
    const int focused = back.Files->GetFocusedIndex();
    ASSERT_TRUE(focused >= 0 && focused < back.Listing.Count());
    EXPECT_EQ(back.Listing[focused].Name, QStringLiteral("f002.txt"));
    next.reset();

    // Only a hidden tab on the server: its place is mounted when the tab is shown.
    Unmount();
    ASSERT_FALSE(HasFatalFailure());
    next = start(local.path() + '/');
    ASSERT_TRUE(WaitFor([&] { return !next->Reading(sdLeft) && !next->Reading(sdRight); }));
    ASSERT_EQ(next->Panel(sdRight).Tabs.Count(), 2);
    QTest::mouseClick(next->Panel(sdRight).TabBar, Qt::LeftButton, {},
                      next->Panel(sdRight).TabBar->tabRect(1).center());
    ASSERT_TRUE(WaitFor([&] { return shows(*next, sdRight, other); }))
        << qPrintable(messages.join('\n'));
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
    next.reset();

    // Nothing listens on port 1.
    next = start(QStringLiteral("sftp://nobody@127.0.0.1:1/nowhere/"));
    ASSERT_TRUE(WaitFor([&] { return messages.size() == 1; }));
    EXPECT_EQ(next->Panel(sdLeft).Directory, QStringLiteral("/"));
    EXPECT_FALSE(IsRemoteLocation(next->Panel(sdLeft).Listing.Directory));
}

} // namespace

namespace
{

// F5 and F6 between a ZIP archive's panel (the right one, on a local folder) and the
// remote panel.
class ZipRemoteTest : public RemotePanelTest
{
protected:
    // Writes `files` (relative path, content) below `folder`.
    static void Write(const QString& folder,
                      const std::vector<std::pair<QString, QByteArray>>& files)
    {
        for (const auto& [name, content] : files) {
            const QString path = folder + '/' + name;
            QDir().mkpath(QFileInfo(path).path());
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
    }
    // Zips the content of `content` into `zip` and opens it in the right panel.
    void OpenZip(const QString& content, const QString& zip)
    {
        QProcess process;
        process.setWorkingDirectory(content);
        process.start(QStringLiteral("zip"), {QStringLiteral("-qr"), zip, QStringLiteral(".")});
        ASSERT_TRUE(process.waitForFinished(60000));
        ASSERT_EQ(process.exitCode(), 0);
        main->Panel(sdRight).Directory = QFileInfo(zip).path() + '/';
        main->RefreshPanel(sdRight);
        ASSERT_TRUE(WaitFor([&] { return !main->Reading(sdRight); }));
        main->Panel(sdRight).Files->FocusItem(Names(sdRight).indexOf(QFileInfo(zip).fileName()));
        main->FilesDblClick(sdRight);
        ASSERT_TRUE(main->ShowsArchive(sdRight));
    }
    // The member names of `zip`, and one member's bytes, as unzip reads them.
    static QStringList Members(const QString& zip)
    {
        return QString::fromUtf8(Unzip({QStringLiteral("-Z1"), zip}))
            .split('\n', Qt::SkipEmptyParts);
    }
    static QByteArray Member(const QString& zip, const QString& name)
    {
        return Unzip({QStringLiteral("-p"), zip, name});
    }
    static QByteArray Unzip(const QStringList& arguments)
    {
        QProcess process;
        process.start(QStringLiteral("unzip"), arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        return process.readAllStandardOutput();
    }
    bool Idle() { return !main->Reading(sdLeft) && !main->Reading(sdRight); }
};

TEST_F(ZipRemoteTest, F5CopiesMembersAndFoldersBothWaysByteForByte)
{
    const QString folder = Folder(QStringLiteral("zipcopies"), 1);
    Write(folder, {{QStringLiteral("sub folder/deeper/inner2.txt"), "from the server"}});
    const QString up = RandomFile(folder + QStringLiteral("/up.bin"), 3 << 20);
    QTemporaryDir local;
    const QString content = local.filePath(QStringLiteral("content"));
    const QString big = RandomFile(content + QStringLiteral("/big.bin"), 2 << 20);
    Write(content, {{QStringLiteral("docs/deep/note.txt"), "a note"},
                    {QStringLiteral("docs/top.txt"), "top"}});
    // Folders holding no file go too.
    QDir().mkpath(content + QStringLiteral("/docs/empty"));
    QDir().mkpath(content + QStringLiteral("/hollow"));
    const QString zip = local.filePath(QStringLiteral("pack.zip"));
    OpenZip(content, zip);
    ASSERT_FALSE(HasFatalFailure());
    Browse(folder);
    ASSERT_FALSE(HasFatalFailure());

    // Out of the archive: a member, a folder with its tree and an empty folder.
    QApplication::setActiveWindow(main.get());
    Mark(sdRight, QStringLiteral("big.bin"));
    Mark(sdRight, QStringLiteral("docs"));
    Mark(sdRight, QStringLiteral("hollow"));
    Key(Qt::Key_F5, Qt::NoModifier, sdRight);
    ASSERT_TRUE(WaitFor([&] {
        return Idle() && Names(sdLeft).contains(QStringLiteral("docs")) &&
               Names(sdLeft).contains(QStringLiteral("big.bin"));
    })) << qPrintable(messages.join('\n'));
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/hollow")).isDir());
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/docs/empty")).isDir());
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/big.bin")), ReadFile(big));
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/docs/deep/note.txt")), QByteArray("a note"));
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/docs/top.txt")), QByteArray("top"));
    EXPECT_TRUE(PartFiles(folder).isEmpty());
    EXPECT_TRUE(Members(zip).contains(QStringLiteral("big.bin"))); // a copy keeps them

    // Into the archive: a remote file and a folder with its tree.
    QApplication::setActiveWindow(main.get());
    Mark(sdLeft, QStringLiteral("up.bin"));
    Mark(sdLeft, QStringLiteral("sub folder"));
    Key(Qt::Key_F5);
    ASSERT_TRUE(WaitFor([&] {
        return Idle() && Names(sdRight).contains(QStringLiteral("up.bin")) &&
               Names(sdRight).contains(QStringLiteral("sub folder"));
    })) << qPrintable(messages.join('\n'));
    EXPECT_EQ(Member(zip, QStringLiteral("up.bin")), ReadFile(up));
    EXPECT_EQ(Member(zip, QStringLiteral("sub folder/deeper/inner2.txt")),
              QByteArray("from the server"));
    EXPECT_TRUE(Members(zip).contains(QStringLiteral("sub folder/inner.txt")));
    EXPECT_TRUE(QFileInfo::exists(up)); // a copy keeps the originals
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}

TEST_F(ZipRemoteTest, F6OutOfAnArchiveDeletesOnlyTheMembersWhoseRemoteCopiesWereVerified)
{
    const QString folder = Folder(QStringLiteral("zipmoves"), 0);
    Write(folder, {{QStringLiteral("b.txt"), "the server's b"}});
    QTemporaryDir local;
    const QString content = local.filePath(QStringLiteral("content"));
    Write(content, {{QStringLiteral("a.txt"), "alpha"},
                    {QStringLiteral("b.txt"), "beta"},
                    {QStringLiteral("tree/c.txt"), "gamma"},
                    {QStringLiteral("tree/in/d.txt"), "delta"},
                    {QStringLiteral("kept.txt"), "not marked"}});
    const QString zip = local.filePath(QStringLiteral("pack.zip"));
    OpenZip(content, zip);
    ASSERT_FALSE(HasFatalFailure());
    Browse(folder);
    ASSERT_FALSE(HasFatalFailure());

    // b.txt meets a taken name, answered Skip: it never went, so it stays in the archive.
    skipTaken = true;
    QApplication::setActiveWindow(main.get());
    for (const char* name : {"a.txt", "b.txt", "tree"})
        Mark(sdRight, QString::fromLatin1(name));
    Key(Qt::Key_F6, Qt::NoModifier, sdRight);
    ASSERT_TRUE(WaitFor([&] {
        return Idle() && !Names(sdRight).contains(QStringLiteral("a.txt")) &&
               Names(sdLeft).contains(QStringLiteral("tree"));
    })) << qPrintable(messages.join('\n'));
    EXPECT_EQ(collisions.size(), 1);
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/a.txt")), QByteArray("alpha"));
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/b.txt")), QByteArray("the server's b"));
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/tree/in/d.txt")), QByteArray("delta"));
    const QStringList members = Members(zip);
    EXPECT_EQ(Member(zip, QStringLiteral("b.txt")), QByteArray("beta"));
    EXPECT_TRUE(members.contains(QStringLiteral("kept.txt")));
    for (const char* gone : {"a.txt", "tree/c.txt", "tree/in/d.txt", "tree/", "tree/in/"})
        EXPECT_FALSE(members.contains(QString::fromLatin1(gone))) << gone;
}

TEST_F(ZipRemoteTest, F6IntoAnArchiveDeletesOnlyOriginalsTheArchiveHoldsAsTheyStillAre)
{
    const QString folder = Folder(QStringLiteral("zipins"), 0);
    Write(folder, {{QStringLiteral("one.txt"), "one"},
                   {QStringLiteral("two.txt"), "two"},
                   {QStringLiteral("held.txt"), "the server's"}});
    QTemporaryDir local;
    const QString content = local.filePath(QStringLiteral("content"));
    Write(content, {{QStringLiteral("held.txt"), "the archive's"}});
    const QString zip = local.filePath(QStringLiteral("pack.zip"));
    OpenZip(content, zip);
    ASSERT_FALSE(HasFatalFailure());
    Browse(folder);
    ASSERT_FALSE(HasFatalFailure());
    // two.txt changes on the server (same size) after its copy went into the archive.
    const QString changed = folder + QStringLiteral("/two.txt");
    const platform::TFileOpsFaultHook before =
        platform::SetFileOpsFaultHook([changed](platform::TFileOpsStep step, const QString& path) {
            if (step == platform::TFileOpsStep::BeforeRemoveSources &&
                path.startsWith(QStringLiteral("sftp:"))) {
                QFile file(changed);
                if (file.open(QIODevice::WriteOnly))
                    file.write("TWO");
            }
            return 0;
        });
    struct TRestore {
        platform::TFileOpsFaultHook Hook;
        ~TRestore() { platform::SetFileOpsFaultHook(Hook); }
    } restore{before};

    QApplication::setActiveWindow(main.get());
    for (const char* name : {"one.txt", "two.txt", "held.txt", "sub folder"})
        Mark(sdLeft, QString::fromLatin1(name));
    Key(Qt::Key_F6);
    ASSERT_TRUE(WaitFor([&] {
        return Idle() && !Names(sdLeft).contains(QStringLiteral("one.txt")) &&
               Names(sdRight).contains(QStringLiteral("two.txt"));
    })) << qPrintable(messages.join('\n'));
    EXPECT_EQ(Member(zip, QStringLiteral("one.txt")), QByteArray("one"));
    EXPECT_EQ(Member(zip, QStringLiteral("two.txt")), QByteArray("two"));
    EXPECT_EQ(Member(zip, QStringLiteral("held.txt")), QByteArray("the archive's"));
    EXPECT_TRUE(Members(zip).contains(QStringLiteral("sub folder/inner.txt")));
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/one.txt")));
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/sub folder")));
    EXPECT_EQ(ReadFile(changed), QByteArray("TWO"));
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/held.txt")), QByteArray("the server's"));
    EXPECT_TRUE(messages.join('\n').contains(QStringLiteral("two.txt")))
        << qPrintable(messages.join('\n'));
}

// Pack from the remote panel into an archive in the right panel's local folder.
class PackRemoteTest : public ZipRemoteTest
{
protected:
    void ShowLocal(const QString& path)
    {
        main->Panel(sdRight).Directory = path + '/';
        main->RefreshPanel(sdRight);
        ASSERT_TRUE(WaitFor([&] { return Idle(); }));
    }
    // Packs the marked remote entries into `name` in the right panel, as a user would.
    void Pack(const QString& name, bool move)
    {
        packAs = name;
        packMove = move;
        QApplication::setActiveWindow(main.get());
        main->Panel(sdLeft).Files->setFocus();
        main->Actions.MenuPack->trigger();
        ASSERT_TRUE(WaitFor([&] { return Idle() && Names(sdRight).contains(name); }))
            << qPrintable(messages.join('\n'));
    }
};

TEST_F(PackRemoteTest, PacksRemoteFilesAndFoldersByteForByteAndKeepsThem)
{
    const QString folder = Folder(QStringLiteral("packs"), 2);
    Write(folder, {{QStringLiteral("sub folder/deeper/note.txt"), "a note"}});
    RandomFile(folder + QStringLiteral("/sub folder/deeper/big.bin"), 2 << 20);
    QTemporaryDir local, out;
    ShowLocal(local.path());
    ASSERT_FALSE(HasFatalFailure());
    Browse(folder);
    ASSERT_FALSE(HasFatalFailure());

    Mark(sdLeft, QStringLiteral("f001.txt"));
    Mark(sdLeft, QStringLiteral("sub folder"));
    Pack(QStringLiteral("packed.zip"), false);
    ASSERT_FALSE(HasFatalFailure());
    const QString zip = local.filePath(QStringLiteral("packed.zip"));
    QStringList members = Members(zip);
    members.sort();
    EXPECT_EQ(members, (QStringList{QStringLiteral("f001.txt"), QStringLiteral("sub folder/"),
                                    QStringLiteral("sub folder/deeper/"),
                                    QStringLiteral("sub folder/deeper/big.bin"),
                                    QStringLiteral("sub folder/deeper/note.txt"),
                                    QStringLiteral("sub folder/inner.txt")}));
    EXPECT_TRUE(Unzip({QStringLiteral("-l"), zip}).contains("sub folder/deeper/big.bin"));
    Unzip({QStringLiteral("-q"), zip, QStringLiteral("-d"), out.path()});
    for (const char* name : {"f001.txt", "sub folder/inner.txt", "sub folder/deeper/note.txt",
                             "sub folder/deeper/big.bin"}) {
        const QString file = QString::fromUtf8(name);
        EXPECT_TRUE(QFileInfo::exists(out.filePath(file))) << name;
        EXPECT_EQ(ReadFile(out.filePath(file)), ReadFile(folder + '/' + file)) << name;
    }
    // The originals stay; the local folder holds the archive and nothing else.
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/sub folder/deeper/big.bin")));
    EXPECT_EQ(QDir(local.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("packed.zip")});
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}

TEST_F(PackRemoteTest, AMovePackDeletesOnlyRemoteOriginalsTheArchiveHoldsWhole)
{
    const QString folder = Folder(QStringLiteral("packmoves"), 0);
    Write(folder, {{QStringLiteral("a.txt"), "alpha"},
                   {QStringLiteral("b.txt"), "beta"},
                   {QStringLiteral("tree/c.txt"), "gamma"},
                   {QStringLiteral("tree/in/d.txt"), "delta"},
                   {QStringLiteral("kept.txt"), "not marked"}});
    QTemporaryDir local;
    ShowLocal(local.path());
    ASSERT_FALSE(HasFatalFailure());
    Browse(folder);
    ASSERT_FALSE(HasFatalFailure());
    // Before the archive is read back, b.txt and tree/in/d.txt leave it: their originals,
    // and the folder holding one of them, must stay on the server.
    const platform::TFileOpsFaultHook before =
        platform::SetFileOpsFaultHook([](platform::TFileOpsStep step, const QString& path) {
            if (step == platform::TFileOpsStep::BeforeVerify && path.endsWith(".zip"))
                QProcess::execute(QStringLiteral("zip"),
                                  {QStringLiteral("-qd"), path, QStringLiteral("b.txt"),
                                   QStringLiteral("tree/in/d.txt")});
            return 0;
        });
    struct TRestore {
        platform::TFileOpsFaultHook Hook;
        ~TRestore() { platform::SetFileOpsFaultHook(Hook); }
    } restore{before};

    for (const char* name : {"a.txt", "b.txt", "tree"})
        Mark(sdLeft, QString::fromLatin1(name));
    Pack(QStringLiteral("moved.zip"), true);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(WaitFor([&] { return Idle() && !Names(sdLeft).contains(QStringLiteral("a.txt")); }))
        << qPrintable(messages.join('\n'));
    const QString zip = local.filePath(QStringLiteral("moved.zip"));
    EXPECT_EQ(Member(zip, QStringLiteral("a.txt")), QByteArray("alpha"));
    EXPECT_EQ(Member(zip, QStringLiteral("tree/c.txt")), QByteArray("gamma"));
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/a.txt")));
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/b.txt")), QByteArray("beta"));
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/tree/c.txt")), QByteArray("gamma"));
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/tree/in/d.txt")), QByteArray("delta"));
    EXPECT_EQ(ReadFile(folder + QStringLiteral("/kept.txt")), QByteArray("not marked"));
    const QString said = messages.join('\n');
    EXPECT_TRUE(said.contains(QStringLiteral("b.txt")) && said.contains(QStringLiteral("tree")))
        << qPrintable(said);
}

// Pack into a remote folder (the left panel's): from the right panel's local folder, or
// from a second remote folder there.
class PackIntoRemoteTest : public PackRemoteTest
{
protected:
    void ShowRemote(const QString& path)
    {
        main->GoToRemote(sdRight, Server->Uri(path));
        ASSERT_TRUE(WaitFor([&] {
            return Idle() && QUrl(main->Panel(sdRight).Listing.Directory).path() == path + '/';
        })) << qPrintable(messages.join('\n'));
    }
    // Packs the right panel's marked entries as `name` and waits until the command is over
    // (`said` messages more than before, or the left panel lists `shown`).
    void PackRight(const QString& name, bool move, const QString& shown, int said = 0)
    {
        packAs = name;
        packMove = move;
        const qsizetype before = messages.size();
        QApplication::setActiveWindow(main.get());
        main->Panel(sdRight).Files->setFocus();
        main->Actions.MenuPack->trigger();
        ASSERT_TRUE(WaitFor([&] {
            return Idle() && messages.size() >= before + said &&
                   (shown.isEmpty() || Names(sdLeft).contains(shown));
        })) << qPrintable(messages.join('\n'));
    }
    // A local folder of files, a link and a folder tree, shown in the right panel.
    void LocalContent(const QString& path)
    {
        Write(path, {{QStringLiteral("a.txt"), "alpha"},
                     {QStringLiteral("tree/c.txt"), "gamma"},
                     {QStringLiteral("tree/in/d.txt"), "delta"},
                     {QStringLiteral("kept.txt"), "not marked"}});
        RandomFile(path + QStringLiteral("/tree/big.bin"), 3 << 20);
        ShowLocal(path);
    }
    void MarkRight(const QStringList& names)
    {
        for (const QString& name : names)
            Mark(sdRight, name);
        ASSERT_EQ(main->MarkedRows(sdRight).size(), size_t(names.size()));
    }
    // The files of LocalContent, made in `local`, in the right panel and the server's
    // `folder` in the left one; returns the local folder.
    QString LocalBesideServer(const QTemporaryDir& local, const QString& folder)
    {
        const QString content = local.filePath(QStringLiteral("content"));
        LocalContent(content);
        if (!HasFatalFailure())
            Browse(folder);
        return content;
    }
    // Packs the marked `names` of the right panel into `archive` as a move, and waits until
    // the first of them has left the panel.
    void MovePackRight(const QStringList& names, const QString& archive)
    {
        MarkRight(names);
        PackRight(archive, true, archive);
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_TRUE(WaitFor([&] { return Idle() && !Names(sdRight).contains(names.first()); }))
            << qPrintable(messages.join('\n'));
    }
    // Each of `files` (relative to `folder`) as a member of `zip` holds the same bytes.
    static void ExpectMembers(const QString& zip, const QString& folder, const QStringList& files)
    {
        for (const QString& file : files)
            EXPECT_EQ(Member(zip, file), ReadFile(folder + '/' + file)) << qPrintable(file);
    }
};

TEST_F(PackIntoRemoteTest, PacksLocalAndRemoteEntriesIntoARemoteFolderByteForByte)
{
    const QString into = Folder(QStringLiteral("packinto"), 0);
    QTemporaryDir local;
    const QString content = LocalBesideServer(local, into);
    ASSERT_FALSE(HasFatalFailure());

    // Local entries: the archive on the server holds them byte for byte; they stay, and
    // are no longer marked.
    MarkRight({QStringLiteral("a.txt"), QStringLiteral("tree")});
    PackRight(QStringLiteral("local.zip"), false, QStringLiteral("local.zip"));
    ASSERT_FALSE(HasFatalFailure());
    const QString zip = into + QStringLiteral("/local.zip");
    QStringList members = Members(zip);
    members.sort();
    EXPECT_EQ(members, (QStringList{QStringLiteral("a.txt"), QStringLiteral("tree/"),
                                    QStringLiteral("tree/big.bin"), QStringLiteral("tree/c.txt"),
                                    QStringLiteral("tree/in/"), QStringLiteral("tree/in/d.txt")}));
    ExpectMembers(zip, content,
                  {QStringLiteral("a.txt"), QStringLiteral("tree/big.bin"),
                   QStringLiteral("tree/c.txt"), QStringLiteral("tree/in/d.txt")});
    EXPECT_TRUE(QFileInfo::exists(content + QStringLiteral("/tree/big.bin")));
    EXPECT_TRUE(main->MarkedRows(sdRight).empty());
    EXPECT_TRUE(PartFiles(into).isEmpty());
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));

    // From a second remote folder: fetched, packed, put; a move deletes the originals once
    // the archive on the server is verified, and leaves what was not marked.
    const QString from = Folder(QStringLiteral("packfrom"), 0);
    Write(from, {{QStringLiteral("r.txt"), "remote"}, {QStringLiteral("deep/s.txt"), "deeper"}});
    ShowRemote(from);
    ASSERT_FALSE(HasFatalFailure());
    MarkRight({QStringLiteral("r.txt"), QStringLiteral("deep")});
    PackRight(QStringLiteral("copied.zip"), false, QStringLiteral("copied.zip"));
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(Member(into + QStringLiteral("/copied.zip"), QStringLiteral("deep/s.txt")),
              QByteArray("deeper"));
    EXPECT_TRUE(main->MarkedRows(sdRight).empty()); // packed, so no longer marked
    MovePackRight({QStringLiteral("r.txt"), QStringLiteral("deep")}, QStringLiteral("remote.zip"));
    ASSERT_FALSE(HasFatalFailure());
    const QString moved = into + QStringLiteral("/remote.zip");
    EXPECT_EQ(Member(moved, QStringLiteral("r.txt")), QByteArray("remote"));
    EXPECT_EQ(Member(moved, QStringLiteral("deep/s.txt")), QByteArray("deeper"));
    EXPECT_FALSE(QFileInfo::exists(from + QStringLiteral("/r.txt")));
    EXPECT_FALSE(QFileInfo::exists(from + QStringLiteral("/deep")));
    EXPECT_TRUE(QFileInfo::exists(from + QStringLiteral("/sub folder/inner.txt")));
    EXPECT_TRUE(PartFiles(into).isEmpty());
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}

TEST_F(PackIntoRemoteTest, ATakenNameOnTheServerIsAskedAboutAndAMoveWaitsForTheVerifiedPut)
{
    const QString into = Folder(QStringLiteral("packtaken"), 0);
    QTemporaryDir local;
    const QString content = LocalBesideServer(local, into);
    ASSERT_FALSE(HasFatalFailure());
    // Taken on the server after the panel read its folder: the pack's dialog cannot know.
    Write(into, {{QStringLiteral("taken.zip"), "the server's own"}});

    // Skip: nothing is put or replaced, and the move deletes nothing.
    skipTaken = true;
    MarkRight({QStringLiteral("a.txt"), QStringLiteral("tree")});
    PackRight(QStringLiteral("taken.zip"), true, {}, 1);
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(collisions, QStringList{QStringLiteral("taken (2).zip")});
    EXPECT_EQ(ReadFile(into + QStringLiteral("/taken.zip")), QByteArray("the server's own"));
    EXPECT_EQ(ReadFile(content + QStringLiteral("/a.txt")), QByteArray("alpha"));
    EXPECT_EQ(ReadFile(content + QStringLiteral("/tree/in/d.txt")), QByteArray("delta"));
    EXPECT_TRUE(PartFiles(into).isEmpty());
    EXPECT_TRUE(messages.join('\n').contains(QStringLiteral("originals stay")))
        << qPrintable(messages.join('\n'));

    // Rename, but the archive on the server no longer reads back as made: all stays.
    Write(into, {{QStringLiteral("again.zip"), "taken again"}});
    skipTaken = false;
    messages.clear();
    collisions.clear();
    const platform::TFileOpsFaultHook before =
        platform::SetFileOpsFaultHook([into](platform::TFileOpsStep step, const QString& path) {
            if (step == platform::TFileOpsStep::BeforeVerify && path.startsWith("sftp:")) {
                QFile file(into + '/' + QUrl(path).fileName());
                if (file.open(QIODevice::ReadWrite))
                    file.write("XX");
            }
            return 0;
        });
    struct TRestore {
        platform::TFileOpsFaultHook Hook;
        ~TRestore() { platform::SetFileOpsFaultHook(Hook); }
    } restore{before};
    MarkRight({QStringLiteral("a.txt"), QStringLiteral("tree")});
    PackRight(QStringLiteral("again.zip"), true, QStringLiteral("again (2).zip"), 1);
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_EQ(collisions, QStringList{QStringLiteral("again (2).zip")});
    EXPECT_EQ(ReadFile(into + QStringLiteral("/again.zip")), QByteArray("taken again"));
    EXPECT_EQ(ReadFile(content + QStringLiteral("/a.txt")), QByteArray("alpha"));
    EXPECT_EQ(ReadFile(content + QStringLiteral("/tree/in/d.txt")), QByteArray("delta"));
    EXPECT_TRUE(messages.join('\n').contains(QStringLiteral("cannot be verified")))
        << qPrintable(messages.join('\n'));

    // Verified: the marked originals go, whole, and only they.
    platform::SetFileOpsFaultHook(before);
    messages.clear();
    MovePackRight({QStringLiteral("a.txt"), QStringLiteral("tree")}, QStringLiteral("moved.zip"));
    ASSERT_FALSE(HasFatalFailure());
    const QString zip = into + QStringLiteral("/moved.zip");
    EXPECT_EQ(Member(zip, QStringLiteral("tree/in/d.txt")), QByteArray("delta"));
    EXPECT_EQ(Member(zip, QStringLiteral("a.txt")), QByteArray("alpha"));
    EXPECT_FALSE(QFileInfo::exists(content + QStringLiteral("/a.txt")));
    EXPECT_FALSE(QFileInfo::exists(content + QStringLiteral("/tree")));
    EXPECT_EQ(ReadFile(content + QStringLiteral("/kept.txt")), QByteArray("not marked"));
    EXPECT_EQ(ReadFile(into + QStringLiteral("/taken.zip")), QByteArray("the server's own"));
    EXPECT_TRUE(PartFiles(into).isEmpty());
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}

} // namespace

namespace
{

TEST_F(RemotePanelTest, ChecksumsAreMadeInARemoteFolderAndVerifiedThere)
{
    const QString folder = Folder(QStringLiteral("sums"), 2);
    const QString data = RandomFile(folder + QStringLiteral("/data.bin"), 3 << 20);
    QFile inner(folder + QStringLiteral("/sub folder/inner.txt"));
    ASSERT_TRUE(inner.open(QIODevice::WriteOnly));
    inner.write("inner text");
    inner.close();
    Browse(folder);
    ASSERT_FALSE(HasFatalFailure());

    // Made from the server's files: sha256sum finds them all as listed.
    Mark(sdLeft, QStringLiteral("data.bin"));
    Mark(sdLeft, QStringLiteral("sub folder"));
    main->Actions.MenuCreateChecksums->trigger();
    const QString sums = folder + QStringLiteral("/sums.sha256");
    ASSERT_TRUE(WaitFor([&] {
        return !main->Reading(sdLeft) && Names(sdLeft).contains(QStringLiteral("sums.sha256"));
    })) << qPrintable(messages.join('\n'));
    const QByteArray made = ReadFile(sums);
    EXPECT_EQ(made.count('\n'), 2) << made.constData();
    QProcess check;
    check.setWorkingDirectory(folder);
    check.start(QStringLiteral("sha256sum"), {QStringLiteral("-c"), QStringLiteral("sums.sha256")});
    ASSERT_TRUE(check.waitForFinished(60000));
    EXPECT_EQ(check.exitCode(), 0) << check.readAllStandardOutput().constData();
    EXPECT_TRUE(PartFiles(folder).isEmpty());

    // Made again after a change, the taken name is asked about: No leaves the file as it was.
    ASSERT_TRUE(inner.open(QIODevice::WriteOnly));
    inner.write("changed text");
    inner.close();
    QApplication::setActiveWindow(main.get());
    for (const QString& name : {QStringLiteral("data.bin"), QStringLiteral("sub folder")})
        if (!main->MarkedOrFocusedNames(sdLeft).contains(name))
            Mark(sdLeft, name);
    ASSERT_EQ(main->MarkedOrFocusedNames(sdLeft).size(), 2);
    const qsizetype said = messages.size();
    main->Actions.MenuCreateChecksums->trigger();
    ASSERT_TRUE(WaitFor([&] { return messages.size() > said; }));
    EXPECT_TRUE(otherDialogs.contains(QStringLiteral("TfConfirm")))
        << qPrintable(otherDialogs.join(' '));
    EXPECT_EQ(ReadFile(sums), made);
    ASSERT_TRUE(inner.open(QIODevice::WriteOnly));
    inner.write("inner text");
    inner.close();

    // Verified from the server: all OK, then a changed file (same size) is FAILED.
    const auto verify = [&] {
        EXPECT_TRUE(WaitFor([&] { return !main->Reading(sdLeft); }));
        QApplication::setActiveWindow(main.get());
        main->Panel(sdLeft).Files->setFocus();
        main->Panel(sdLeft).Files->FocusItem(Names(sdLeft).indexOf(QStringLiteral("sums.sha256")));
        main->Actions.MenuVerifyChecksums->trigger();
        TfChecksumReport* report = nullptr;
        EXPECT_TRUE(WaitFor([&] {
            report = Shown<TfChecksumReport>();
            return report && !report->Checking();
        })) << qPrintable(report ? report->Summary() : QStringLiteral("no report"));
        const QString summary = report ? report->Summary() : QString();
        if (report)
            report->close();
        return summary;
    };
    EXPECT_TRUE(verify().startsWith(QStringLiteral("2 OK"))) << qPrintable(messages.join('\n'));
    QFile changed(data);
    ASSERT_TRUE(changed.open(QIODevice::ReadWrite));
    changed.seek(1000);
    const char byte = changed.peek(1).at(0);
    changed.write(QByteArray(1, char(byte ^ 0x55)));
    changed.close();
    EXPECT_TRUE(WaitFor([] { return !Shown<TfChecksumReport>(); }));
    EXPECT_EQ(verify(), QStringLiteral("1 OK, 1 FAILED"));
}

} // namespace
