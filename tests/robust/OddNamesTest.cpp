// Names with blanks, quotes, shell characters, newlines, 255 bytes and invalid UTF-8:
// listed, copied, moved, deleted and taken through an archive with names and contents
// intact.
#include "main/FileOpsFixture.h"
#include "panel/PanelText.h"
#include "robust/RobustSupport.h"

#include <QRegularExpression>
#include <sys/stat.h>

using robust::ReadRaw;
using robust::Snapshot;
using robust::WriteRaw;

namespace
{

// Valid UTF-8 names that tools and shells find awkward. The two long ones fill the
// 255-byte limit of a name exactly (the second with two-byte characters).
QList<QByteArray> OddNames()
{
    return {
        "two  blanks.txt",
        " leading blank.txt",
        "trailing blank.txt ",
        "it's \"quoted\".txt",
        "$(touch pwned) `x`; rm -rf.txt",
        "-dash first.txt",
        "line\nbreak.txt",
        "tab\there.txt",
        "back\\slash.txt",
        QByteArray(251, 'n') + ".txt",
        QString(125, QChar(0xE9)).toUtf8() + "a.txt",
    };
}

class OddNamesTest : public FileOpsTest
{
protected:
    void TearDown() override
    {
        FileOpsTest::TearDown();
        main.reset();
        for (const char* folder : {"left", "right", "moved", "out"})
            robust::RemoveTree(QFile::encodeName(dir(folder)));
    }

    // Writes every odd name into `folder` with a content of its own, and a folder with
    // an odd name holding one more; answers the names as the panel shows them.
    QStringList MakeOddFiles(const QString& folder)
    {
        QStringList shown;
        const QByteArray base = QFile::encodeName(folder);
        for (const QByteArray& name : OddNames()) {
            EXPECT_TRUE(WriteRaw(base + name, "content of " + name)) << name.constData();
            shown << QFile::decodeName(name);
        }
        const QByteArray sub = "folder \"q\"\n";
        EXPECT_EQ(::mkdir((base + sub).constData(), 0755), 0);
        EXPECT_TRUE(WriteRaw(base + sub + "/inner 'x'.txt", "inner"));
        shown << QFile::decodeName(sub);
        return shown;
    }
};

} // namespace

TEST_F(OddNamesTest, CopyMoveAndDeleteKeepNamesAndContents)
{
    const QStringList names = MakeOddFiles(left);
    Reload();
    for (const QString& name : names)
        EXPECT_GE(Row(sdLeft, name), 0) << name.toStdString();
    const robust::TTree original = Snapshot(left);

    Select(sdLeft, names);
    main->MenuCopyFileClick();
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(robust::Diff(Snapshot(right), original), "");
    EXPECT_EQ(robust::Diff(Snapshot(left), original), "");
    EXPECT_FALSE(QFileInfo::exists(dir("pwned")));
    EXPECT_FALSE(QFileInfo::exists(QDir::current().filePath("pwned")));

    // Copied again: every name is taken; renamed for all, copies get numbered names; the
    // two names of 255 bytes cannot grow and are reported, and nothing is replaced.
    Select(sdLeft, names);
    AnswerTakenName(&TfCollision::ButtonRename, true);
    main->MenuCopyFileClick();
    ASSERT_EQ(messages.size(), 1) << messages.join("\n---\n").toStdString(); // one for all
    EXPECT_EQ(messages[0].count("Cannot copy"), 2) << messages[0].toStdString();
    const robust::TTree twice = Snapshot(right);
    for (const auto& [name, data] : original)
        EXPECT_EQ(twice.at(name), data) << name.constData();
    EXPECT_EQ(twice.at("it's \"quoted\" (2).txt"), "content of it's \"quoted\".txt");
    EXPECT_EQ(twice.count(QByteArray(251, 'n') + " (2).txt"), 0u);

    // Moved into a new folder and deleted there: the names travel and go exactly.
    messages.clear();
    const QString moved = dir.mkdir("moved");
    Open(sdRight, moved);
    Open(sdLeft, left);
    Select(sdLeft, names);
    main->MenuMoveFileClick();
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(robust::Diff(Snapshot(moved), original), "");
    EXPECT_TRUE(Snapshot(left).empty());

    Select(sdRight, names);
    AnswerQuestion(1);
    main->MenuDeleteFileClick();
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_TRUE(Snapshot(moved).empty());
    EXPECT_EQ(Snapshot(right).size(), twice.size()); // the other panel's folder is untouched
}

TEST_F(OddNamesTest, OddNamesGoIntoAnArchiveAndComeBackOutUnchanged)
{
    QStringList names = MakeOddFiles(left);
    names.removeLast(); // folders do not go into archives
    dir.write("seed.txt", "seed");
    const QString archive = Zip("odd.zip", {"seed.txt"});
    Reload();
    Open(sdRight, dir.path());
    OpenArchive(sdRight, "odd.zip");
    Open(sdLeft, left);

    // The archive library takes paths of at most 255 bytes: a selection with a longer
    // one is refused as a whole, with a message, and the archive stays as it was.
    const QByteArray before = readAll(archive);
    Select(sdLeft, names);
    main->MenuCopyFileClick();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("longer than 255 bytes")) << messages[0].toStdString();
    EXPECT_EQ(readAll(archive), before);

    messages.clear();
    names = names.filter(
        QRegularExpression("^.{0,100}$", QRegularExpression::DotMatchesEverythingOption));
    ASSERT_EQ(names.size(), OddNames().size() - 2);
    Select(sdLeft, names);
    main->MenuCopyFileClick();
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    for (const QString& name : names)
        EXPECT_GE(Row(sdRight, name), 0) << name.toStdString();

    const QString out = dir.mkdir("out");
    Open(sdLeft, out);
    Select(sdRight, names);
    main->MenuCopyFileClick();
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    // Members come out under their bare names, and a backslash separates folders in a
    // member's name as a slash does: "back\\slash.txt" arrives as "slash.txt".
    robust::TTree expected;
    for (const QString& name : names) {
        const QByteArray bytes = QFile::encodeName(name);
        expected[bytes.mid(bytes.lastIndexOf('\\') + 1)] = "content of " + bytes;
    }
    EXPECT_EQ(robust::Diff(Snapshot(out), expected), "");
    EXPECT_EQ(readAll(dir("seed.txt")), "seed");
}

// A name that is not valid UTF-8 is listed, and whatever the copy does, the original
// stays as it was and nothing but an exact copy appears in the target.
TEST_F(OddNamesTest, InvalidUtf8NameIsListedAndNeverDamaged)
{
    const QByteArray bad = "bad\xff\xfe name.txt";
    ASSERT_TRUE(WriteRaw(QFile::encodeName(left) + bad, "mine"));
    Reload();
    ASSERT_EQ(main->Left().Listing.Count(), 2);
    const QString shown = main->Left().Listing[1].Name;
    EXPECT_TRUE(shown.startsWith("bad")) << shown.toStdString();
    EXPECT_FALSE(main->Left().Files->grab().isNull());

    Select(sdLeft, {shown});
    main->MenuCopyFileClick();
    EXPECT_EQ(robust::Diff(Snapshot(left), robust::TTree({{bad, "mine"}})), "");
    const robust::TTree target = Snapshot(right);
    EXPECT_TRUE(target.empty() || target == robust::TTree({{bad, "mine"}}));
    EXPECT_TRUE(!target.empty() || !messages.isEmpty()); // a failure is reported
}

// FIXME: names are decoded into QString with QFile::decodeName, which turns invalid
// UTF-8 into U+FFFD, and encoded back into different bytes: such a file cannot be
// copied, moved or deleted, and a look-alike whose name holds a real U+FFFD is taken
// in its place. Enable once names keep their bytes.
TEST_F(OddNamesTest, InvalidUtf8NamesAreWorkedOnByTheirOwnBytes)
{
    const QByteArray base = QFile::encodeName(left);
    const QByteArray bad = "bad\xff.txt";
    const QByteArray lookAlike = "bad\xef\xbf\xbd.txt"; // "bad" U+FFFD ".txt"
    ASSERT_TRUE(WriteRaw(base + bad, "invalid"));
    ASSERT_TRUE(WriteRaw(base + lookAlike, "look-alike"));
    Reload();
    ASSERT_EQ(main->Left().Listing.Count(), 3);
    main->Left().Files->ClearItemStates();
    main->Left().Files->SetItemSelected(1, true);
    main->Left().Files->SetItemSelected(2, true);
    main->FilesEnter(sdLeft);
    main->MenuCopyFileClick();
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(robust::Diff(Snapshot(right), Snapshot(left)), "");

    // Deleting the row of the invalid name takes that file and no other.
    Open(sdLeft, left);
    const int row = main->Left().Listing[1].Size == 7 ? 1 : 2; // "invalid" has 7 bytes
    main->Left().Files->ClearItemStates();
    main->Left().Files->SetItemSelected(row, true);
    main->Left().Files->FocusItem(row);
    main->FilesEnter(sdLeft);
    AnswerQuestion(1);
    main->MenuDeleteFileClick();
    EXPECT_EQ(robust::Diff(Snapshot(left), robust::TTree({{lookAlike, "look-alike"}})), "");
}

// Names in Latin-1, made with printf: a copy, a rename by mask and one in place keep every
// byte they were not asked to change, and the panel shows those bytes as U+FFFD.
TEST_F(OddNamesTest, Latin1NamesKeepTheirBytesThroughCopiesAndRenames)
{
    QProcess sh;
    sh.setWorkingDirectory(left);
    sh.start("sh", {"-c", "mkdir latin && cd latin && printf one >\"$(printf 'caf\\351.txt')\" && "
                          "printf two >\"$(printf 'na\\357ve.txt')\" && "
                          "printf three >\"$(printf 'report.\\351t\\351')\""});
    ASSERT_TRUE(sh.waitForFinished());
    ASSERT_EQ(sh.exitCode(), 0) << sh.readAllStandardError().toStdString();
    const QByteArray latin = QFile::encodeName(left) + "latin";
    ASSERT_EQ(ReadRaw(latin + "/caf\xe9.txt"), "one");
    Reload();
    Select(sdLeft, {"latin"});
    Press(Qt::Key_F5);
    EXPECT_EQ(robust::Diff(Snapshot(right + "latin"), Snapshot(latin)), "");

    Open(sdLeft, right + "latin/");
    QStringList names = Names(sdLeft);
    names.removeAll("..");
    ASSERT_EQ(names.size(), 3);
    const int cafe = Row(sdLeft, names.filter("caf").value(0));
    EXPECT_EQ(CellText(main->Left().Listing[cafe], pcName), QString("caf") + QChar(0xFFFD));
    Select(sdLeft, names);
    AnswerInput("*.bak");
    Press(Qt::Key_F9);
    const QByteArray copy = QFile::encodeName(right) + "latin";
    EXPECT_EQ(
        robust::Diff(Snapshot(copy),
                     {{"caf\xe9.bak", "one"}, {"na\xefve.bak", "two"}, {"report.bak", "three"}}),
        "")
        << messages.join('\n').toStdString();

    // In place: the user changes the first two letters of "na\ufffdve.bak" only.
    Open(sdLeft, right + "latin/");
    main->Left().Files->FocusItem(Row(sdLeft, Names(sdLeft).filter("ve.bak").value(0)));
    main->FilesEnter(sdLeft);
    main->FilesEdited(sdLeft, QString("NA") + QChar(0xFFFD) + "ve.bak");
    EXPECT_EQ(ReadRaw(copy + "/NA\xefve.bak"), "two");
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}
