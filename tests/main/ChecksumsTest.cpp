// Checksum files and the comparison of two files, driven as a user drives them: the File
// menu by its keys, the dialog, the progress window and the report window by theirs.
// What is written is checked by sha256sum and md5sum run as processes.
#include "checks/uChecksumDialog.h"
#include "checks/uChecksumReport.h"
#include "checks/uFileDiff.h"
#include "fileops/ModalAnswer.h"
#include "main/UserInputFixture.h"
#include "platform/FileOpsFaults.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScopeGuard>
#include <QThread>
#include <QTreeWidget>
#include <atomic>

namespace
{

class ChecksumsTest : public UserInputTest
{
protected:
    // Opens the File menu by Alt+F and chooses an item by its underlined letter.
    void FileMenu(Qt::Key letter)
    {
        // The window is active again, as after the user closed another one.
        main->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
        Key(Qt::Key_F, Qt::AltModifier);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        QTest::keyClick(menu, letter);
    }

    // MD5 and one file per file, each by Space on its button.
    static void ChooseMd5PerFile(QDialog* dialog)
    {
        auto* create = qobject_cast<TfChecksumCreate*>(dialog);
        ASSERT_NE(create, nullptr);
        create->Algorithm[2]->setFocus();
        PressKey(dialog, Qt::Key_Space);
        create->PerFile->setFocus();
        PressKey(dialog, Qt::Key_Space);
    }

    int ToolCheck(const QString& program, const QString& list)
    {
        QProcess process;
        process.setWorkingDirectory(left);
        process.start(program, {"--strict", "-c", list});
        process.waitForFinished(60000);
        toolOutput = process.readAllStandardOutput();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    // The report window of the last verify, once its check is over.
    TfChecksumReport* FinishedReport()
    {
        TfChecksumReport* report = nullptr;
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                const auto all = main->findChildren<TfChecksumReport*>();
                report = all.isEmpty() ? nullptr : all.back();
                return report && !report->Checking();
            },
            60000));
        return report;
    }

    QStringList ReportRows(TfChecksumReport* report)
    {
        QStringList rows;
        for (int i = 0; i < report->Rows->topLevelItemCount(); ++i)
            rows << report->Rows->topLevelItem(i)->text(0) + ": " +
                        report->Rows->topLevelItem(i)->text(1);
        return rows;
    }

    QStringList Entries(const QString& folder)
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                      QDir::Name);
    }

    QByteArray toolOutput;
};

} // namespace

TEST_F(ChecksumsTest, AChecksumFileMadeByTheMenuIsCheckedBySha256sumVerifiedAndUndone)
{
    dir.write("left/a.txt", "alpha\n");
    dir.write("left/b c.txt", "with a space\n");
    dir.write("left/back\\slash", "backslash\n");
    dir.write("left/d/e.txt", "in a folder\n");
    Reload();
    Select(sdLeft, {"a.txt", "b c.txt", "back\\slash", "d"});
    QString proposed;
    AnswerNextModal([&](QDialog* dialog) {
        auto* create = qobject_cast<TfChecksumCreate*>(dialog);
        ASSERT_NE(create, nullptr);
        proposed = create->Name->text();
        PressKey(dialog, Qt::Key_Return);
    });
    FileMenu(Qt::Key_K);
    EXPECT_EQ(proposed, "left.sha256");
    ASSERT_TRUE(QFile::exists(left + "left.sha256")) << messages.join('\n').toStdString();
    EXPECT_EQ(ToolCheck("sha256sum", "left.sha256"), 0) << toolOutput.toStdString();
    EXPECT_EQ(toolOutput.count(": OK\n"), 4) << toolOutput.toStdString();
    EXPECT_TRUE(toolOutput.contains("d/e.txt: OK"));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(Entries(left).size(), 5); // no temporary file left beside it

    // Verify on the file at the cursor: every file OK; then one changed, one gone.
    main->Left().Files->FocusItem(Row(sdLeft, "left.sha256"));
    FileMenu(Qt::Key_F);
    TfChecksumReport* report = FinishedReport();
    ASSERT_NE(report, nullptr);
    // In the panel's order: folders first.
    EXPECT_EQ(ReportRows(report),
              QStringList({"d/e.txt: OK", "a.txt: OK", "b c.txt: OK", "back\\slash: OK"}));
    EXPECT_TRUE(report->Summary().startsWith("4 OK")) << report->Summary().toStdString();
    QTest::keyClick(report->Rows, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(main->findChildren<TfChecksumReport*>().isEmpty());
    dir.write("left/a.txt", "changed\n");
    ASSERT_TRUE(QFile::remove(left + "d/e.txt"));
    FileMenu(Qt::Key_F);
    report = FinishedReport();
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(ReportRows(report),
              QStringList({"d/e.txt: missing", "a.txt: FAILED", "b c.txt: OK", "back\\slash: OK"}));
    EXPECT_EQ(report->Summary(), "2 OK, 1 FAILED, 1 missing");
    report->close();

    // Ctrl+Z takes the new file back.
    EXPECT_EQ(main->Actions.MenuUndo->text(), "Undo create file left.sha256");
    main->Left().Files->setFocus();
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(QFile::exists(left + "left.sha256"));
}

// F3 and Enter on a checksum file check the files it lists.
TEST_F(ChecksumsTest, F3AndEnterOnAChecksumFileVerifyIt)
{
    dir.write("left/x.txt", "x\n");
    dir.write("left/x.md5",
              QCryptographicHash::hash("x\n", QCryptographicHash::Md5).toHex() + "  x.txt\n");
    Reload();
    for (Qt::Key key : {Qt::Key_F3, Qt::Key_Return}) {
        main->Left().Files->FocusItem(Row(sdLeft, "x.md5"));
        Key(key);
        TfChecksumReport* report = FinishedReport();
        ASSERT_NE(report, nullptr) << key;
        EXPECT_EQ(ReportRows(report), QStringList({"x.txt: OK"}));
        QTest::keyClick(report->Rows, Qt::Key_Escape);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(ChecksumsTest, OneMd5FilePerFileAndATakenNameAsksFirst)
{
    dir.write("left/a.txt", "alpha\n");
    dir.write("left/b.txt", "beta\n");
    dir.write("left/a.txt.md5", "kept\n");
    Reload();
    Select(sdLeft, {"a.txt", "b.txt"});
    // MD5 (Alt+M), one file per file (Alt+P); the taken name is kept (No), the other made.
    AnswerNextModal([&](QDialog* dialog) {
        ChooseMd5PerFile(dialog);
        EXPECT_TRUE(static_cast<TfChecksumCreate*>(dialog)->PerFile->isChecked());
        PressKey(dialog, Qt::Key_Return);
        AnswerNextModal([](QDialog* question) { PressKey(question, Qt::Key_Escape); });
    });
    FileMenu(Qt::Key_K);
    EXPECT_EQ(readAll(left + "a.txt.md5"), "kept\n");
    ASSERT_TRUE(QFile::exists(left + "b.txt.md5"));
    EXPECT_EQ(ToolCheck("md5sum", "b.txt.md5"), 0) << toolOutput.toStdString();

    // Again, replacing: Yes. A file written over another cannot be undone.
    AnswerNextModal([&](QDialog* dialog) {
        ChooseMd5PerFile(dialog);
        PressKey(dialog, Qt::Key_Return);
        AnswerNextModal([](QDialog* question) { PressKey(question, Qt::Key_Return); });
    });
    Select(sdLeft, {"a.txt", "b.txt"});
    FileMenu(Qt::Key_K);
    EXPECT_EQ(ToolCheck("md5sum", "a.txt.md5"), 0) << toolOutput.toStdString();
    EXPECT_TRUE(main->Actions.MenuUndo->text().startsWith("Cannot undo"));
}

TEST_F(ChecksumsTest, ACancelledHashingWritesNoChecksumFile)
{
    dir.write("left/a.txt", "alpha\n");
    dir.write("left/big.bin", QByteArray(4 << 20, 'z'));
    Reload();
    Select(sdLeft, {"a.txt", "big.bin"});
    // The read of big.bin waits until the progress window has been cancelled by Escape.
    std::atomic<bool> released{false};
    const auto previous = platform::SetFileOpsFaultHook(
        [&released](platform::TFileOpsStep step, const QString& path) {
            if (step == platform::TFileOpsStep::FileBlockRead && path.endsWith("big.bin")) {
                const QDeadlineTimer bound(30000);
                while (!released.load() && !bound.hasExpired())
                    QThread::msleep(1);
            }
            return 0;
        });
    const auto restore = qScopeGuard([&] { platform::SetFileOpsFaultHook(previous); });
    bool progressShown = false;
    AnswerNextModal([&](QDialog* dialog) {
        PressKey(dialog, Qt::Key_Return);
        AnswerNextModal([&](QDialog* progress) {
            progressShown = progress->windowTitle().contains("Hashing") ||
                            progress->findChild<QPushButton*>() != nullptr;
            PressKey(progress, Qt::Key_Escape);
            released = true;
        });
    });
    FileMenu(Qt::Key_K);
    released = true;
    EXPECT_TRUE(progressShown);
    EXPECT_EQ(Entries(left), QStringList({"a.txt", "big.bin"}));
    EXPECT_EQ(messages, QStringList({"Cancelled: no checksum file was written."}));
}

TEST_F(ChecksumsTest, TheReportWindowNeverWaitsAndItsCancelStopsTheCheck)
{
    dir.write("left/a.txt", "alpha\n");
    dir.write("left/b.txt", "beta\n");
    QProcess tool;
    tool.setWorkingDirectory(left);
    tool.start("sha256sum", {"a.txt", "b.txt"});
    ASSERT_TRUE(tool.waitForFinished(60000));
    dir.write("left/SHA256SUMS", tool.readAllStandardOutput());
    Reload();
    std::atomic<bool> released{false};
    const auto previous = platform::SetFileOpsFaultHook(
        [&released](platform::TFileOpsStep step, const QString& path) {
            if (step == platform::TFileOpsStep::FileBlockRead && path.endsWith("b.txt")) {
                const QDeadlineTimer bound(30000);
                while (!released.load() && !bound.hasExpired())
                    QThread::msleep(1);
            }
            return 0;
        });
    const auto restore = qScopeGuard([&] {
        released = true;
        platform::SetFileOpsFaultHook(previous);
    });
    main->Left().Files->FocusItem(Row(sdLeft, "SHA256SUMS"));
    FileMenu(Qt::Key_F);
    const auto reports = main->findChildren<TfChecksumReport*>();
    ASSERT_EQ(reports.size(), 1);
    TfChecksumReport* report = reports.front();
    // a.txt is reported while b.txt is held; the main window takes keys meanwhile.
    ASSERT_TRUE(QTest::qWaitFor([&] { return report->Rows->topLevelItemCount() == 1; }, 30000));
    EXPECT_TRUE(report->Checking());
    Key(Qt::Key_Up);
    EXPECT_EQ(main->Left().Files->GetFocusedIndex(), Row(sdLeft, "b.txt"));
    QTest::keyClick(report->Rows, Qt::Key_Escape);
    EXPECT_FALSE(report->Checking());
    EXPECT_TRUE(report->Summary().endsWith("cancelled")) << report->Summary().toStdString();
    EXPECT_TRUE(report->isVisible()); // the rows so far stay; a second Escape closes
    released = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return report->WorkDone(); }, 30000));
    QTest::keyClick(report->Rows, Qt::Key_Escape);
    EXPECT_FALSE(report->isVisible());
}

TEST_F(ChecksumsTest, CompareFilesSaysEqualShowsChangedLinesAndTheFirstDifferingOffset)
{
    QByteArray text;
    for (int i = 1; i <= 40; ++i)
        text += "line " + QByteArray::number(i) + '\n';
    dir.write("left/x.txt", text);
    dir.write("left/same.txt", text);
    dir.write("left/y.txt", QByteArray(text).replace("line 20\n", "line twenty\n"));
    QByteArray data(100000, '\0');
    dir.write("left/p.bin", data);
    data[70001] = 1;
    dir.write("right/q.bin", data);
    Reload();

    Select(sdLeft, {"x.txt", "same.txt"});
    FileMenu(Qt::Key_I);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("The files are equal")) << messages[0].toStdString();

    Select(sdLeft, {"x.txt", "y.txt"});
    FileMenu(Qt::Key_I);
    const auto windows = main->findChildren<TfFileDiff*>();
    ASSERT_EQ(windows.size(), 1);
    const QStringList lines = windows.front()->Text->toPlainText().split('\n');
    EXPECT_TRUE(lines.contains("    20        - line 20"));
    EXPECT_TRUE(lines.contains("           20 + line twenty"));
    EXPECT_FALSE(lines.contains("     1      1   line 1")); // far from the change
    windows.front()->close();

    // The files at both cursors, no marks: the first differing byte.
    main->Left().Files->ClearItemStates();
    main->Left().Files->FocusItem(Row(sdLeft, "p.bin"));
    main->Right().Files->FocusItem(Row(sdRight, "q.bin"));
    main->FilesEnter(sdLeft);
    messages.clear();
    FileMenu(Qt::Key_I);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("The files differ first at byte offset 70001 (0x11171)."))
        << messages[0].toStdString();
}
