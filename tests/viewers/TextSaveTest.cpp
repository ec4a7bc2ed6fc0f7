// Where and how the text editor's saves write: never through a link to make a file, in
// place for hard-linked files and files of other owners (names, owner and mode kept),
// and through a hidden part file that takes the real name only when it is whole.
#include "fileops/uConfirm.h"
#include "platform/FileOpsFaults.h"
#include "platform/Messages.h"
#include "platform/base/OwnerTag.h"
#include "support/TempDir.h"
#include "transfer/FileSave.h"
#include "viewers/ModalAnswer.h"
#include "viewers/uText.h"

#include <QDir>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

using testmodal::AnswerFileDialog;
using testmodal::AnswerNextModal;

struct stat Stat(const QString& path)
{
    struct stat st {
    };
    EXPECT_EQ(0, ::lstat(QFile::encodeName(path).constData(), &st)) << qPrintable(path);
    return st;
}

// The hidden part files of a folder.
QStringList Parts(const QString& folder)
{
    return QDir(folder).entryList({QStringLiteral(".*.part")}, QDir::Files | QDir::Hidden |
                                                                   QDir::System);
}

// The owner tag of the process `pid` of this host and namespace.
QString Tag(pid_t pid)
{
    return QString::fromStdString(trvxbase::OwnerTag(pid));
}

// The id of a process that has ended.
pid_t EndedProcess()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

class TextSave : public testing::Test
{
protected:
    void SetUp() override
    {
        platform::SetMessageHandler([this](const QString& text) { messages << text; });
    }
    void TearDown() override
    {
        platform::SetFileOpsFaultHook({});
        for (TfText* editor : owner.findChildren<TfText*>()) {
            editor->setAttribute(Qt::WA_DeleteOnClose, false);
            delete editor;
        }
        platform::SetMessageHandler({});
    }

    TfText* Open(const QString& path)
    {
        TfText* editor = TfText::Open(&owner, path, true);
        QCoreApplication::processEvents();
        return editor;
    }
    static void Type(TfText* editor, const QString& text)
    {
        editor->Memo->moveCursor(QTextCursor::End);
        QTest::keyClicks(editor->Memo, text);
    }
    // Answers the next yes/no question, keeping its two lines.
    static void AnswerConfirm(bool yes, QString* shown = nullptr,
                              std::function<void()> before = {})
    {
        AnswerNextModal<TfConfirm>([yes, shown, before](TfConfirm* dialog) {
            if (shown)
                *shown = dialog->LabelNotice->text() + u'\n' + dialog->LabelConfirm->text();
            if (before)
                before();
            (yes ? dialog->ButtonAccept : dialog->ButtonCancel)->click();
        });
    }

    TempDir dir;
    QWidget owner;
    QStringList messages;
};

} // namespace

TEST_F(TextSave, SaveAsOntoALinkAsksNamingItsTargetAndNeverMakesAFileThroughIt)
{
    const QString elsewhere = dir.mkdir("elsewhere");
    const QString planted = elsewhere + "planted.txt";
    const QString dangling = dir("dangle.txt");
    ASSERT_TRUE(QFile::link(planted, dangling));
    TfText* editor = Open(QString());
    Type(editor, "secret");

    // No: the dialog comes back, and is cancelled; nothing is written anywhere.
    QString shown;
    AnswerFileDialog(dangling);
    AnswerConfirm(false, &shown, [] { AnswerFileDialog(QString()); });
    editor->MenuFileSaveAs->trigger();
    EXPECT_TRUE(shown.contains(planted)) << qPrintable(shown);
    EXPECT_FALSE(QFileInfo::exists(planted));
    EXPECT_TRUE(QFileInfo(dangling).isSymLink());
    EXPECT_TRUE(editor->Modified());

    // Yes: the link itself becomes the file; where it pointed stays empty.
    AnswerFileDialog(dangling);
    AnswerConfirm(true);
    editor->MenuFileSaveAs->trigger();
    EXPECT_FALSE(QFileInfo::exists(planted));
    EXPECT_FALSE(QFileInfo(dangling).isSymLink());
    EXPECT_EQ(QByteArray("secret"), readAll(dangling));
    EXPECT_EQ(dangling, editor->FileName());

    // A link to a file: the question names the file, and Yes writes it, keeping the link.
    const QString real = dir.write("real.txt", "old");
    const QString link = dir("link.txt");
    ASSERT_TRUE(QFile::link(real, link));
    Type(editor, " again");
    AnswerFileDialog(link);
    AnswerConfirm(true, &shown);
    editor->MenuFileSaveAs->trigger();
    EXPECT_TRUE(shown.contains(real)) << qPrintable(shown);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(QByteArray("secret again"), readAll(real));

    // A taken name is asked about once; No keeps the file.
    const QString taken = dir.write("taken.txt", "keep me");
    AnswerFileDialog(taken);
    AnswerConfirm(false, &shown, [] { AnswerFileDialog(QString()); });
    editor->MenuFileSaveAs->trigger();
    EXPECT_TRUE(shown.contains("taken.txt") && shown.contains("already exists"))
        << qPrintable(shown);
    EXPECT_EQ(QByteArray("keep me"), readAll(taken));
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
}

TEST_F(TextSave, SaveThroughALinkThatLeadsNowhereIsRefused)
{
    const QString real = dir.write("real.txt", "text");
    const QString link = dir("link.txt");
    ASSERT_TRUE(QFile::link(real, link));
    TfText* editor = Open(link);
    Type(editor, "!");
    ASSERT_TRUE(QFile::remove(real));
    editor->MenuFileSave->trigger();
    EXPECT_FALSE(QFileInfo::exists(real));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    ASSERT_EQ(1, messages.size());
    EXPECT_TRUE(messages[0].contains(real)) << qPrintable(messages[0]);
    EXPECT_TRUE(editor->Modified());
}

TEST_F(TextSave, HardLinksOwnerAndModeSurviveASave)
{
    // Two names of one file: both show the saved text.
    const QString first = dir.write("first.txt", "shared");
    const QString second = dir("second.txt");
    ASSERT_EQ(0, ::link(QFile::encodeName(first).constData(), QFile::encodeName(second).constData()));
    TfText* editor = Open(first);
    Type(editor, " text");
    editor->MenuFileSave->trigger();
    EXPECT_EQ(QByteArray("shared text"), readAll(second));
    EXPECT_EQ(Stat(first).st_ino, Stat(second).st_ino);
    // Shorter: the file is cut to its new length.
    editor->Memo->setPlainText("cut");
    editor->MenuFileSave->trigger();
    EXPECT_EQ(QByteArray("cut"), readAll(second));

    // The user's own file keeps its mode (and is replaced whole).
    const QString own = dir.write("own.txt", "mine");
    ASSERT_EQ(0, ::chmod(QFile::encodeName(own).constData(), 0640));
    editor = Open(own);
    Type(editor, "!");
    editor->MenuFileSave->trigger();
    EXPECT_EQ(QByteArray("mine!"), readAll(own));
    EXPECT_EQ(mode_t(0640), Stat(own).st_mode & 07777);

    // A file of another user that this one may write keeps its owner and mode.
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root can give a file to another user here";
    const QString theirs = dir.write("theirs.txt", "their text");
    ASSERT_EQ(0, ::chown(QFile::encodeName(theirs).constData(), 65534, 65534));
    ASSERT_EQ(0, ::chmod(QFile::encodeName(theirs).constData(), 0664));
    editor = Open(theirs);
    Type(editor, "!");
    editor->MenuFileSave->trigger();
    EXPECT_EQ(QByteArray("their text!"), readAll(theirs));
    EXPECT_EQ(uid_t(65534), Stat(theirs).st_uid);
    EXPECT_EQ(gid_t(65534), Stat(theirs).st_gid);
    EXPECT_EQ(mode_t(0664), Stat(theirs).st_mode & 07777);
    EXPECT_TRUE(messages.isEmpty()) << qPrintable(messages.join('\n'));
    EXPECT_TRUE(Parts(dir.path()).isEmpty());
}

// A file written in place is first saved whole beside it: when writing over its old data
// fails, the message says where the whole new text is; a save that works leaves no copy.
TEST_F(TextSave, AFailedSaveInPlaceSaysWhereTheWholeNewTextIs)
{
    const QString first = dir.write("first.txt", "shared old text");
    ASSERT_EQ(0, ::link(QFile::encodeName(first).constData(),
                        QFile::encodeName(dir("second.txt")).constData()));
    platform::SetFileOpsFaultHook([&](platform::TFileOpsStep step, const QString& path) {
        if (step != platform::TFileOpsStep::SaveInPlace)
            return 0;
        QFile file(path); // half written, then the disk fails
        if (file.open(QIODevice::ReadWrite))
            file.write("XXXXXX");
        return EIO;
    });
    TfText* editor = Open(first);
    Type(editor, " and more");
    editor->MenuFileSave->trigger();
    ASSERT_EQ(1, messages.size());
    const QStringList copies = QDir(dir.path()).entryList({"first.txt.saved-*"}, QDir::Files);
    ASSERT_EQ(1, copies.size());
    const QString copy = dir(copies[0]);
    EXPECT_TRUE(messages[0].endsWith("the whole new text is in " + copy + "."))
        << qPrintable(messages[0]);
    EXPECT_EQ(QByteArray("shared old text and more"), readAll(copy)) << qPrintable(copy);

    platform::SetFileOpsFaultHook({});
    editor->MenuFileSave->trigger();
    EXPECT_EQ(QByteArray("shared old text and more"), readAll(dir("second.txt")));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList({"first.txt", QFileInfo(copy).fileName(), "second.txt"}));
}

// A save in place killed while it writes over the old data leaves the whole new text in
// its copy beside the file, and opening the file again says where it is.
TEST_F(TextSave, AKilledSaveInPlaceLeavesTheWholeNewTextBeside)
{
    const QString path = dir.write("doc.txt", QByteArray(1 << 20, 'o'));
    ASSERT_EQ(0, ::link(QFile::encodeName(path).constData(),
                        QFile::encodeName(dir("other-name.txt")).constData()));
    const QByteArray text(1 << 20, 'n');
    int ready[2];
    ASSERT_EQ(0, ::pipe(ready));
    const pid_t child = ::fork();
    if (child == 0) {
        platform::SetFileOpsFaultHook([&](platform::TFileOpsStep step, const QString& saved) {
            if (step == platform::TFileOpsStep::SaveInPlace) {
                QFile file(saved); // part of the new text written over the old
                if (file.open(QIODevice::ReadWrite))
                    file.write(text.left(1000));
                (void)!::write(ready[1], "x", 1);
                for (;;)
                    ::pause();
            }
            return 0;
        });
        platform::SaveFile(path, text);
        ::_exit(0);
    }
    char byte = 0;
    ASSERT_EQ(1, ::read(ready[0], &byte, 1));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    const QStringList copies = QDir(dir.path()).entryList({"doc.txt.saved-*"}, QDir::Files);
    ASSERT_EQ(1, copies.size());
    EXPECT_EQ(text, readAll(dir(copies[0])));
    EXPECT_TRUE(messages.isEmpty());
    Open(path);
    ASSERT_EQ(1, messages.size());
    EXPECT_TRUE(messages[0].endsWith("the whole text of that save is in " + dir(copies[0]) + "."))
        << qPrintable(messages[0]);
    Open(dir("other-name.txt")); // another file: nothing to say
    EXPECT_EQ(1, messages.size());
}

TEST_F(TextSave, TheRealNameHoldsTheOldFileOrNothingUntilTheNewOneIsWhole)
{
    // At the moment a save's data is written, the real name is as it was, and the data
    // waits under a hidden part name of this process.
    const QString path = dir.write("doc.txt", "old text");
    QStringList seen;
    platform::SetFileOpsFaultHook([&](platform::TFileOpsStep step, const QString& saved) {
        if (step == platform::TFileOpsStep::SaveDataWritten)
            seen << saved + ": " + QString::fromUtf8(readAll(saved)) + " | " +
                        Parts(dir.path()).join(',');
        return 0;
    });
    TfText* editor = Open(path);
    Type(editor, " and new");
    editor->MenuFileSave->trigger();
    const QString part = QStringLiteral(".doc.txt.trvx%1-").arg(Tag(::getpid()));
    ASSERT_EQ(1, seen.size());
    EXPECT_TRUE(seen[0].startsWith(path + ": old text | " + part)) << qPrintable(seen[0]);
    EXPECT_TRUE(seen[0].endsWith(".part")) << qPrintable(seen[0]);
    EXPECT_EQ(QByteArray("old text and new"), readAll(path));

    // A new file has no name at all until then.
    const QString fresh = dir("fresh.txt");
    AnswerFileDialog(fresh);
    editor->MenuFileSaveAs->trigger();
    ASSERT_EQ(2, seen.size());
    EXPECT_TRUE(seen[1].startsWith(fresh + ":  | .fresh.txt.trvx")) << qPrintable(seen[1]);
    EXPECT_EQ(QByteArray("old text and new"), readAll(fresh));

    // A failure at that moment leaves the file as it was and no part behind.
    platform::SetFileOpsFaultHook([](platform::TFileOpsStep step, const QString&) {
        return step == platform::TFileOpsStep::SaveDataWritten ? ENOSPC : 0;
    });
    Type(editor, "!");
    editor->MenuFileSave->trigger();
    EXPECT_EQ(QByteArray("old text and new"), readAll(fresh));
    ASSERT_EQ(1, messages.size());
    EXPECT_TRUE(messages[0].contains("No space left on device")) << qPrintable(messages[0]);
    EXPECT_TRUE(Parts(dir.path()).isEmpty());
}

TEST_F(TextSave, AKilledSaveLeavesTheOldFileAndItsPartGoesAtTheNextSave)
{
    const QString path = dir.write("doc.txt", "the whole old file");
    const QByteArray big(4 << 20, 'n');
    int ready[2];
    ASSERT_EQ(0, ::pipe(ready));
    const pid_t child = ::fork();
    if (child == 0) {
        // The save stops for good once its data is written, and is killed there.
        platform::SetFileOpsFaultHook([&ready](platform::TFileOpsStep step, const QString&) {
            if (step == platform::TFileOpsStep::SaveDataWritten) {
                (void)!::write(ready[1], "x", 1);
                for (;;)
                    ::pause();
            }
            return 0;
        });
        platform::SaveFile(path, big);
        ::_exit(0);
    }
    char byte = 0;
    ASSERT_EQ(1, ::read(ready[0], &byte, 1));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_EQ(QByteArray("the whole old file"), readAll(path));
    const QString left = QStringLiteral(".doc.txt.trvx%1-").arg(Tag(child));
    ASSERT_EQ(1, Parts(dir.path()).size());
    EXPECT_TRUE(Parts(dir.path())[0].startsWith(left)) << qPrintable(Parts(dir.path())[0]);

    // Left-overs of a running process, of another user and other names stay.
    const QString running =
        dir.write(QStringLiteral(".doc.txt.trvx%1-Abc123.part").arg(Tag(::getppid())));
    const QString notOurs =
        dir.write(QStringLiteral(".doc.txt.trvx%1-Xyz789.part").arg(Tag(EndedProcess())));
    const QString shortTag =
        dir.write(QStringLiteral(".doc.txt.trvx%1-abc.part").arg(Tag(EndedProcess())));
    const bool root = ::geteuid() == 0;
    if (root)
        ASSERT_EQ(0, ::chown(QFile::encodeName(notOurs).constData(), 65534, 65534));
    TfText* editor = Open(path);
    Type(editor, "!");
    editor->MenuFileSave->trigger();
    EXPECT_EQ(QByteArray("the whole old file!"), readAll(path));
    QStringList expected{QFileInfo(running).fileName(), QFileInfo(shortTag).fileName()};
    if (root)
        expected << QFileInfo(notOurs).fileName();
    expected.sort();
    QStringList parts = Parts(dir.path());
    parts.sort();
    EXPECT_EQ(expected, parts);
}
