// A copy or move onto a taken name asks, driven by real keys and checked on disk byte for
// byte: Replace (the old one to the trash, or for good), Skip, Rename, Replace if newer,
// Apply to all, and the undo of a copy that replaced a file.
#include "fileops/uCollision.h"
#include "main/UserInputFixture.h"
#include "platform/FileOpsFaults.h"
#include "platform/Locale.h"

#include <QCheckBox>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScopeGuard>
#include <QTimer>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>

namespace
{

using TAnswer = std::function<void(TfCollision*)>;

class CollisionTest : public UserInputTest
{
protected:
    void SetUp() override
    {
        UserInputTest::SetUp();
        // Every question shown gets the next scripted answer; one beyond the script is
        // counted and cancelled, so a wrong number of questions fails and never hangs.
        QObject::connect(&watch, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<TfCollision*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible() || dialog == last)
                return;
            last = dialog;
            ++shown;
            texts << dialog->LabelExisting->text() + "|" + dialog->LabelIncoming->text();
            replaceOffered << dialog->ButtonReplace->isEnabled();
            suggested << dialog->EditName->text();
            if (script.empty()) {
                ++extra;
                KeyIn(dialog, Qt::Key_Escape, {});
                return;
            }
            const TAnswer answer = script.front();
            script.erase(script.begin());
            answer(dialog);
        });
        watch.start(10);
    }
    void TearDown() override
    {
        watch.stop();
        platform::SetFileOpsFaultHook({});
        qunsetenv("XDG_DATA_HOME");
        UserInputTest::TearDown();
    }

    // A private trash for the test, in use.
    QString UseTrash()
    {
        const QString home = dir.mkdir("data");
        qputenv("XDG_DATA_HOME", home.toUtf8());
        main->UseRecycleBin = true;
        return home + "Trash/";
    }

    static void KeyIn(QDialog* dialog, Qt::Key key, Qt::KeyboardModifiers keys = Qt::AltModifier)
    {
        QTest::keyClick(dialog->windowHandle(), key, keys);
    }
    // The answers a user gives by keys.
    static TAnswer Press(Qt::Key key, bool all = false)
    {
        return [key, all](TfCollision* d) {
            if (all)
                KeyIn(d, Qt::Key_A); // Apply to all
            KeyIn(d, key);
        };
    }
    static TAnswer Replace(bool all = false) { return Press(Qt::Key_R, all); }
    static TAnswer Newer(bool all = false) { return Press(Qt::Key_W, all); }
    static TAnswer Skip(bool all = false) { return Press(Qt::Key_S, all); }
    static TAnswer Rename(bool all = false) { return Press(Qt::Key_E, all); }
    // Types `name` into the name field (Alt+N goes there) and presses Enter.
    static TAnswer RenameTo(const QString& name)
    {
        return [name](TfCollision* d) {
            KeyIn(d, Qt::Key_N);
            QTest::keyClick(d->windowHandle(), Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(d->EditName, name);
            KeyIn(d, Qt::Key_Return, {});
        };
    }

    static QStringList Files(const QString& folder)
    {
        return QDir(folder).entryList(
            QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }
    static void SetModified(const QString& path, qint64 seconds)
    {
        const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
    }

    QTimer watch;
    QPointer<TfCollision> last;
    std::vector<TAnswer> script;
    int shown{0}, extra{0};
    QStringList texts, suggested;
    QList<bool> replaceOffered;
};

// Bytes that no text conversion leaves as they are.
QByteArray Binary(int size, char seed)
{
    QByteArray data(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        data[i] = char(seed + i * 7);
    return data;
}

} // namespace

TEST_F(CollisionTest, TheQuestionShowsBothFilesAndSkipKeepsTheOldBytes)
{
    dir.write("left/a.txt", "new bytes, longer");
    dir.write("right/a.txt", "old");
    Reload();
    Click(At(sdLeft, "a.txt"));
    script = {Skip()};
    Key(Qt::Key_F5);
    ASSERT_EQ(shown, 1);
    const QStringList sides = texts[0].split('|');
    EXPECT_TRUE(sides[0].contains("\n3 bytes, ") && sides[1].contains("\n17 bytes, "))
        << texts[0].toStdString();
    EXPECT_TRUE(texts[0].contains(right + "a.txt") && texts[0].contains(left + "a.txt"));
    EXPECT_EQ(suggested[0], "a (2).txt");
    EXPECT_EQ(readAll(right + "a.txt"), "old");
    EXPECT_EQ(Files(right), QStringList({"a.txt"}));

    // A move that is skipped never deletes its source.
    Click(At(sdLeft, "a.txt"));
    script = {Skip()};
    Key(Qt::Key_F6);
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(readAll(left + "a.txt"), "new bytes, longer");
    EXPECT_EQ(readAll(right + "a.txt"), "old");
    EXPECT_EQ(extra, 0);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(CollisionTest, ReplaceSendsTheOldOneToTheTrashAndUndoBringsItBack)
{
    const QString trash = UseTrash();
    const QByteArray incoming = Binary(300000, 3), old = Binary(1000, 5);
    dir.write("left/data.bin", incoming);
    dir.write("right/data.bin", old);
    Reload();
    Click(At(sdLeft, "data.bin"));
    script = {Replace()};
    Key(Qt::Key_F5);
    ASSERT_EQ(shown, 1);
    EXPECT_EQ(readAll(right + "data.bin"), incoming);
    EXPECT_EQ(readAll(trash + "files/data.bin"), old);
    EXPECT_EQ(Files(right), QStringList({"data.bin"})); // no temporary name left
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();

    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(readAll(right + "data.bin"), old);
    EXPECT_EQ(Files(trash + "files"), QStringList());
    EXPECT_EQ(Files(trash + "info"), QStringList());
    EXPECT_EQ(readAll(left + "data.bin"), incoming);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(CollisionTest, AReplaceForGoodCannotBeUndoneAndSaysSo)
{
    main->UseRecycleBin = false;
    dir.write("left/a.txt", "new");
    dir.write("right/a.txt", "old");
    Reload();
    Click(At(sdLeft, "a.txt"));
    script = {Replace()};
    Key(Qt::Key_F5);
    EXPECT_EQ(readAll(right + "a.txt"), "new");
    Key(Qt::Key_Z, Qt::ControlModifier);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("cannot be brought back") &&
                messages[0].contains(right + "a.txt"))
        << messages[0].toStdString();
    EXPECT_EQ(readAll(left + "a.txt"), "new");
}

TEST_F(CollisionTest, RenameTakesTheSuggestedOrTypedName)
{
    dir.write("left/a.txt", "new");
    dir.write("left/archive.tar.gz", "tar");
    dir.write("right/a.txt", "old");
    dir.write("right/archive.tar.gz", "old tar");
    Reload();
    Select(sdLeft, {"a.txt", "archive.tar.gz"});
    script = {Rename(), RenameTo("mine.tgz")};
    Key(Qt::Key_F5);
    ASSERT_EQ(shown, 2);
    EXPECT_EQ(suggested, QStringList({"a (2).txt", "archive (2).tar.gz"}));
    EXPECT_EQ(readAll(right + "a (2).txt"), "new");
    EXPECT_EQ(readAll(right + "a.txt"), "old");
    EXPECT_EQ(readAll(right + "mine.tgz"), "tar");
    EXPECT_EQ(readAll(right + "archive.tar.gz"), "old tar");
}

TEST_F(CollisionTest, ApplyToAllHoldsForTheRestOfTheCommand)
{
    const QString trash = UseTrash();
    for (const char* name : {"one.txt", "two.txt", "three.txt"}) {
        dir.write(QString("left/") + name, QByteArray("new ") + name);
        dir.write(QString("right/") + name, QByteArray("old ") + name);
    }
    Reload();
    Select(sdLeft, {"one.txt", "two.txt", "three.txt"});
    script = {Replace(true)};
    Key(Qt::Key_F5);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(extra, 0);
    for (const char* name : {"one.txt", "two.txt", "three.txt"})
        EXPECT_EQ(readAll(right + name), QByteArray("new ") + name);
    EXPECT_EQ(Files(trash + "files"), QStringList({"one.txt", "three.txt", "two.txt"}));

    // The next command asks again; Rename for all numbers each one.
    Select(sdLeft, {"one.txt", "two.txt", "three.txt"});
    script = {Rename(true)};
    Key(Qt::Key_F5);
    EXPECT_EQ(shown, 2);
    for (const char* name : {"one", "two", "three"})
        EXPECT_EQ(readAll(right + name + " (2).txt"), QByteArray("new ") + name + ".txt");
    EXPECT_EQ(extra, 0);
}

TEST_F(CollisionTest, ReplaceIfNewerReplacesOnlyOlderFiles)
{
    const QString trash = UseTrash();
    dir.write("left/fresh.txt", "fresh incoming");
    dir.write("right/fresh.txt", "stale");
    dir.write("left/stale.txt", "stale incoming");
    dir.write("right/stale.txt", "fresh");
    SetModified(left + "fresh.txt", 2000000000);
    SetModified(right + "fresh.txt", 1000000000);
    SetModified(left + "stale.txt", 1000000000);
    SetModified(right + "stale.txt", 2000000000);
    Reload();
    Select(sdLeft, {"fresh.txt", "stale.txt"});
    script = {Newer(true)};
    Key(Qt::Key_F5);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(readAll(right + "fresh.txt"), "fresh incoming");
    EXPECT_EQ(readAll(right + "stale.txt"), "fresh");
    EXPECT_EQ(Files(trash + "files"), QStringList({"fresh.txt"}));
}

TEST_F(CollisionTest, IntoItsOwnFolderOnlyRenameOrSkip)
{
    dir.write("left/a.txt", "mine");
    Reload();
    Open(sdRight, left);
    Click(At(sdLeft, "a.txt"));
    // Replace is off: its key does nothing, and the question stays for Rename.
    script = {[](TfCollision* d) {
        Replace()(d);
        ASSERT_TRUE(d->isVisible());
        Rename()(d);
    }};
    Key(Qt::Key_F5);
    ASSERT_EQ(shown, 1);
    EXPECT_FALSE(replaceOffered[0]);
    EXPECT_EQ(Files(left), QStringList({"a (2).txt", "a.txt"}));
    EXPECT_EQ(readAll(left + "a (2).txt"), "mine");
    EXPECT_EQ(readAll(left + "a.txt"), "mine");
}

TEST_F(CollisionTest, FoldersMergeAndAskPerFile)
{
    dir.write("left/box/same.txt", "new same");
    dir.write("left/box/only.txt", "only");
    dir.write("right/box/same.txt", "old same");
    dir.write("right/box/theirs.txt", "theirs");
    Reload();
    Click(At(sdLeft, "box"));
    script = {Skip()};
    Key(Qt::Key_F5);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(Files(right), QStringList({"box"}));
    EXPECT_EQ(Files(right + "box"), QStringList({"only.txt", "same.txt", "theirs.txt"}));
    EXPECT_EQ(readAll(right + "box/same.txt"), "old same");
    EXPECT_EQ(readAll(right + "box/only.txt"), "only");

    // Undo takes back only what the copy wrote: the merged folder and its other files stay.
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Files(right + "box"), QStringList({"same.txt", "theirs.txt"}));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(CollisionTest, AMoveThatReplacesIsUndoneWithTheOldOneBack)
{
    const QString trash = UseTrash();
    dir.write("left/m.txt", "moved in");
    dir.write("right/m.txt", "was here");
    Reload();
    Click(At(sdLeft, "m.txt"));
    script = {Replace()};
    Key(Qt::Key_F6);
    EXPECT_FALSE(QFileInfo::exists(left + "m.txt"));
    EXPECT_EQ(readAll(right + "m.txt"), "moved in");
    EXPECT_EQ(readAll(trash + "files/m.txt"), "was here");
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(readAll(left + "m.txt"), "moved in");
    EXPECT_EQ(readAll(right + "m.txt"), "was here");
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(CollisionTest, AFailedOrAlteredWriteLeavesTheOldFileWhole)
{
    const QString trash = UseTrash();
    dir.write("left/a.txt", "new content");
    dir.write("right/a.txt", "old content");
    Reload();
    // The disk fills while the new one is written.
    platform::SetFileOpsFaultHook([](platform::TFileOpsStep step, const QString& path) {
        return step == platform::TFileOpsStep::DataWritten && path.endsWith("a.txt") ? ENOSPC : 0;
    });
    Click(At(sdLeft, "a.txt"));
    script = {Replace()};
    Key(Qt::Key_F5);
    EXPECT_EQ(readAll(right + "a.txt"), "old content");
    EXPECT_EQ(Files(right), QStringList({"a.txt"}));
    EXPECT_FALSE(QFileInfo::exists(trash + "files/a.txt"));
    EXPECT_EQ(messages.size(), 1);

    // The new one changes on the disk after it was written: it does not read back as
    // written and is not put over the old one.
    messages.clear();
    const QString target = right;
    platform::SetFileOpsFaultHook([target](platform::TFileOpsStep step, const QString&) {
        if (step == platform::TFileOpsStep::DataWritten)
            for (const QString& name : QDir(target).entryList(QDir::Files | QDir::Hidden))
                if (name.endsWith(".part")) {
                    QFile part(target + name);
                    if (part.open(QIODevice::Append))
                        part.write("!");
                }
        return 0;
    });
    Click(At(sdLeft, "a.txt"));
    script = {Replace()};
    Key(Qt::Key_F5);
    EXPECT_EQ(readAll(right + "a.txt"), "old content");
    EXPECT_EQ(Files(right), QStringList({"a.txt"}));
    EXPECT_FALSE(QFileInfo::exists(trash + "files/a.txt"));
    EXPECT_EQ(messages.size(), 1);
}

// Another program writes the old file while the question is on screen: Replace never puts
// the new one over what the user did not see.
TEST_F(CollisionTest, AnOldFileChangedWhileAskedIsNotReplaced)
{
    const QString trash = UseTrash();
    dir.write("left/a.txt", "new");
    dir.write("right/a.txt", "old");
    Reload();
    Click(At(sdLeft, "a.txt"));
    const QString old = right + "a.txt";
    script = {[old](TfCollision* d) {
        QFile file(old);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("written meanwhile");
        file.close();
        Replace()(d);
    }};
    Key(Qt::Key_F5);
    EXPECT_EQ(readAll(old), "written meanwhile");
    EXPECT_EQ(Files(right), QStringList({"a.txt"}));
    EXPECT_FALSE(QFileInfo::exists(trash + "files/a.txt"));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("changed")) << messages[0].toStdString();
}

// A move of a folder onto a folder merges; a skipped entry keeps its source folder, an
// emptied one goes, and the undo puts every moved entry back, making that folder again.
TEST_F(CollisionTest, AFolderMovedOntoAFolderMergesAndIsUndone)
{
    dir.write("left/box/same.txt", "new same");
    dir.write("left/box/only.txt", "only");
    dir.write("left/tray/solo.txt", "solo");
    dir.write("right/box/same.txt", "old same");
    dir.write("right/tray/theirs.txt", "theirs");
    Reload();
    Select(sdLeft, {"box", "tray"});
    script = {Skip()};
    Key(Qt::Key_F6);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(Files(left), QStringList({"box"}));
    EXPECT_EQ(Files(left + "box"), QStringList({"same.txt"}));
    EXPECT_EQ(readAll(right + "box/only.txt"), "only");
    EXPECT_EQ(readAll(right + "box/same.txt"), "old same");
    EXPECT_EQ(Files(right + "tray"), QStringList({"solo.txt", "theirs.txt"}));

    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(readAll(left + "box/only.txt"), "only");
    EXPECT_EQ(readAll(left + "tray/solo.txt"), "solo");
    EXPECT_EQ(Files(right + "box"), QStringList({"same.txt"}));
    EXPECT_EQ(Files(right + "tray"), QStringList({"theirs.txt"}));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

namespace
{

constexpr qint64 kMemberTime = 1600000000; // an even second: ZIP keeps 2-second times

// Runs `line` by the shell in `folder`.
bool Shell(const QString& folder, const QString& line)
{
    QProcess sh;
    sh.setWorkingDirectory(folder);
    sh.start("sh", {"-c", line});
    return sh.waitForFinished() && sh.exitCode() == 0;
}

// The date the question shows for a file modified at `seconds`.
QString ShownDate(qint64 seconds)
{
    return platform::FormatDateTime(25569.0 + double(seconds) / 86400.0);
}

} // namespace

// Members coming out of an archive onto a taken name ask the same question, with the
// member's own size and date; Replace puts the old file in the trash, and the copy is
// undone as a copy between folders is.
TEST_F(CollisionTest, AZipMemberOntoATakenNameAsksAndReplaceIsUndone)
{
    const QString trash = UseTrash();
    const QByteArray incoming = Binary(300000, 3), old = Binary(1000, 5);
    dir.write("src/data.bin", incoming);
    SetModified(dir("src") + "/data.bin", kMemberTime);
    ASSERT_TRUE(Shell(dir("src"), "zip -q " + left + "pack.zip data.bin"));
    dir.write("right/data.bin", old);
    Reload();
    Click(At(sdLeft, "pack.zip"));
    Key(Qt::Key_Return);
    ASSERT_TRUE(main->ShowsArchive(sdLeft));
    Click(At(sdLeft, "data.bin"));
    script = {Replace()};
    Key(Qt::Key_F5);
    ASSERT_EQ(shown, 1);
    const QStringList sides = texts[0].split('|');
    EXPECT_TRUE(sides[0].contains(right + "data.bin") &&
                sides[0].contains("\n" + platform::FormatNumber(1000) + " bytes, "))
        << texts[0].toStdString();
    EXPECT_TRUE(sides[1].contains(left + "pack.zip/data.bin") &&
                sides[1].contains("\n" + platform::FormatNumber(300000) + " bytes, " +
                                  ShownDate(kMemberTime)))
        << texts[0].toStdString();
    EXPECT_EQ(suggested[0], "data (2).bin");
    EXPECT_EQ(readAll(right + "data.bin"), incoming);
    EXPECT_EQ(readAll(trash + "files/data.bin"), old);
    EXPECT_EQ(Files(right), QStringList({"data.bin"})); // no temporary name left
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();

    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(readAll(right + "data.bin"), old);
    EXPECT_EQ(Files(trash + "files"), QStringList());
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(extra, 0);
}

// A move out of a ZIP archive deletes the member only when its copy is in place and
// verified: never when skipped, even onto a file of the very same bytes.
TEST_F(CollisionTest, AZipMemberMovedOntoATakenNameLeavesTheArchiveOnlyWhenPlaced)
{
    const QString trash = UseTrash();
    dir.write("src/same.txt", "same bytes");
    dir.write("src/new.txt", "new content");
    ASSERT_TRUE(Shell(dir("src"), "zip -q " + left + "pack.zip same.txt new.txt"));
    dir.write("right/same.txt", "same bytes");
    dir.write("right/new.txt", "old content");
    Reload();
    Click(At(sdLeft, "pack.zip"));
    Key(Qt::Key_Return);
    ASSERT_TRUE(main->ShowsArchive(sdLeft));
    Click(At(sdLeft, "same.txt"));
    script = {Skip()};
    Key(Qt::Key_F6);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "new.txt", "same.txt"}));
    EXPECT_EQ(readAll(right + "same.txt"), "same bytes");

    Click(At(sdLeft, "new.txt"));
    script = {Replace()};
    Key(Qt::Key_F6);
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(readAll(right + "new.txt"), "new content");
    EXPECT_EQ(readAll(trash + "files/new.txt"), "old content");
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "same.txt"}));
    EXPECT_EQ(Files(right), QStringList({"new.txt", "same.txt"}));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(extra, 0);
}

// The same for a tar archive: Rename takes "name (2).ext", Replace checks that the old file
// is still the one shown, and a Replace is undone with the old file back from the trash.
TEST_F(CollisionTest, ATarMemberOntoATakenNameAsksRenameAndReplace)
{
    const QString trash = UseTrash();
    dir.write("src/b.txt", "member b");
    SetModified(dir("src") + "/b.txt", kMemberTime + 1);
    ASSERT_TRUE(Shell(dir("src"), "tar -czf " + left + "t.tar.gz b.txt"));
    dir.write("right/b.txt", "mine");
    Reload();
    Click(At(sdLeft, "t.tar.gz"));
    Key(Qt::Key_Return);
    ASSERT_TRUE(main->ShowsReadOnlyArchive(sdLeft));
    Click(At(sdLeft, "b.txt"));
    script = {Rename()};
    Key(Qt::Key_F5);
    ASSERT_EQ(shown, 1);
    EXPECT_TRUE(texts[0].contains(left + "t.tar.gz/b.txt\n8 bytes, " + ShownDate(kMemberTime + 1)))
        << texts[0].toStdString();
    EXPECT_EQ(readAll(right + "b (2).txt"), "member b");
    EXPECT_EQ(readAll(right + "b.txt"), "mine");

    // The old file changes while the question is open: it stays as it is now.
    const QString old = right + "b.txt";
    script = {[old](TfCollision* d) {
        QFile file(old);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("written meanwhile");
        file.close();
        Replace()(d);
    }};
    Click(At(sdLeft, "b.txt"));
    Key(Qt::Key_F5);
    ASSERT_EQ(shown, 2);
    EXPECT_EQ(readAll(old), "written meanwhile");
    EXPECT_FALSE(QFileInfo::exists(trash + "files/b.txt"));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("changed")) << messages[0].toStdString();
    messages.clear();

    script = {Replace()};
    Click(At(sdLeft, "b.txt"));
    Key(Qt::Key_F5);
    ASSERT_EQ(shown, 3);
    EXPECT_EQ(readAll(old), "member b");
    EXPECT_EQ(readAll(trash + "files/b.txt"), "written meanwhile");
    EXPECT_EQ(Files(right), QStringList({"b (2).txt", "b.txt"}));
    Key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(readAll(old), "written meanwhile");
    EXPECT_EQ(Files(trash + "files"), QStringList());
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(extra, 0);
}

// "Replace if newer" for all compares each member's date in the archive with the file's.
TEST_F(CollisionTest, ReplaceIfNewerForAllTakesTheMembersDatesFromTheArchive)
{
    const QString trash = UseTrash();
    dir.write("src/fresh.txt", "fresh member");
    dir.write("src/stale.txt", "stale member");
    SetModified(dir("src") + "/fresh.txt", 2000000000);
    SetModified(dir("src") + "/stale.txt", 1000000000);
    ASSERT_TRUE(Shell(dir("src"), "zip -q " + left + "pack.zip fresh.txt stale.txt"));
    dir.write("right/fresh.txt", "older file");
    dir.write("right/stale.txt", "newer file");
    SetModified(right + "fresh.txt", 1500000000);
    SetModified(right + "stale.txt", 1500000000);
    Reload();
    Click(At(sdLeft, "pack.zip"));
    Key(Qt::Key_Return);
    ASSERT_TRUE(main->ShowsArchive(sdLeft));
    Select(sdLeft, {"fresh.txt", "stale.txt"});
    script = {Newer(true)};
    Key(Qt::Key_F5);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(extra, 0);
    EXPECT_EQ(readAll(right + "fresh.txt"), "fresh member");
    EXPECT_EQ(readAll(right + "stale.txt"), "newer file");
    EXPECT_EQ(Files(trash + "files"), QStringList({"fresh.txt"}));
    EXPECT_EQ(Files(right), QStringList({"fresh.txt", "stale.txt"}));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

// A folder member copied out merges into the folder of its name: the file it replaces
// there goes to the trash, and the question names the member.
TEST_F(CollisionTest, AFolderMemberMergesAndWhatItReplacesGoesToTheTrash)
{
    const QString trash = UseTrash();
    dir.write("src/box/same.txt", "member same");
    ASSERT_TRUE(Shell(dir("src"), "zip -q -r " + left + "pack.zip box && tar -cf " + left +
                                      "t.tar box"));
    dir.write("right/box/same.txt", "old same");
    Reload();
    for (const QString& archive : {QString("pack.zip"), QString("t.tar")}) {
        Open(sdLeft, left);
        Click(At(sdLeft, archive));
        Key(Qt::Key_Return);
        ASSERT_TRUE(main->ShowsArchive(sdLeft)) << archive.toStdString();
        Click(At(sdLeft, "box"));
        script = {Replace()};
        Key(Qt::Key_F5);
        ASSERT_EQ(texts.size(), archive == "t.tar" ? 2 : 1);
        EXPECT_TRUE(texts.last().contains(left + archive + "/box/same.txt"))
            << texts.last().toStdString();
        EXPECT_EQ(readAll(right + "box/same.txt"), "member same");
        EXPECT_EQ(Files(trash + "files").size(), archive == "t.tar" ? 2 : 1);
        EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
        dir.write("right/box/same.txt", "old same");
    }
    EXPECT_EQ(extra, 0);
}
