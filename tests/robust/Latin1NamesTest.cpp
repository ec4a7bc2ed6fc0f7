// Names in Latin-1 (bytes that are not UTF-8), made with printf: they go into ZIP
// archives and come out of them and of tar archives as the same bytes, agreeing with the
// zip, unzip and tar tools; dialogs, messages and the status line show them with U+FFFD
// and never take the shown text for the name.
#include "main/UserInputFixture.h"
#include "panel/PanelText.h"
#include "platform/FileNames.h"
#include "robust/RobustSupport.h"

#include <QPlainTextEdit>
#include <QtEndian>

using robust::ReadRaw;
using robust::Snapshot;

namespace
{

const QByteArray kCafe = "caf\xe9.txt";
const QByteArray kNaive = "na\xefve.txt";
constexpr QChar kEscapedE9(0xDCE9); // how the byte 0xE9 is held in a decoded name

class Latin1NamesTest : public UserInputTest
{
protected:
    void TearDown() override
    {
        UserInputTest::TearDown();
        main.reset();
        for (const char* folder : {"left", "right", "out", "unzipped"})
            robust::RemoveTree(QFile::encodeName(dir(folder)));
    }

    // Runs `script` with sh in `folder`; octal escapes in printf make the Latin-1 bytes.
    static void Shell(const QString& folder, const QString& script)
    {
        QProcess sh;
        sh.setWorkingDirectory(folder);
        sh.start("sh", {"-c", script});
        ASSERT_TRUE(sh.waitForFinished(60000));
        ASSERT_EQ(sh.exitCode(), 0) << sh.readAllStandardError().toStdString();
    }
    // "café.txt" ("one") and "naïve.txt" ("two") in Latin-1 in `folder`.
    static void MakeLatin1Files(const QString& folder)
    {
        Shell(folder, "printf one >\"$(printf 'caf\\351.txt')\" && "
                      "printf two >\"$(printf 'na\\357ve.txt')\"");
    }
    static QString Decoded(const QByteArray& bytes) { return platform::DecodeFileName(bytes); }

    // The stored names of an archive's central directory with their general-purpose
    // flags, read byte for byte.
    static std::map<QByteArray, quint16> StoredNames(const QString& archive)
    {
        const QByteArray zip = ReadRaw(QFile::encodeName(archive));
        std::map<QByteArray, quint16> names;
        const auto le16 = [&](qsizetype at) {
            return qFromLittleEndian<quint16>(zip.constData() + at);
        };
        for (qsizetype at = zip.indexOf("PK\x01\x02"); at >= 0 && at + 46 <= zip.size();
             at = zip.indexOf("PK\x01\x02", at + 46))
            names[zip.mid(at + 46, le16(at + 28))] = le16(at + 8);
        return names;
    }
    // What `unzip -Z1` lists: the stored names, one a line.
    static QList<QByteArray> UnzipList(const QString& archive)
    {
        QProcess unzip;
        unzip.start("unzip", {"-Z1", archive});
        unzip.waitForFinished();
        QList<QByteArray> lines = unzip.readAllStandardOutput().split('\n');
        lines.removeAll(QByteArray());
        std::sort(lines.begin(), lines.end());
        return lines;
    }
};

} // namespace

// Into an archive made by zip and out of one: the member holds the name's bytes as zip
// stores them (no UTF-8 flag), unzip writes them back, and the program's extraction of
// zip's own archive of a Latin-1 folder gives the same bytes.
TEST_F(Latin1NamesTest, AZipArchiveKeepsTheBytesOfLatin1NamesBothWays)
{
    MakeLatin1Files(left);
    const QByteArray folder = "d\xe9j\xe0/";
    Shell(left, "d=\"$(printf 'd\\351j\\340')\" && mkdir \"../$d\" && cp * \"../$d\" && "
                "cd .. && zip -qr made.zip \"$d\" && rm -r \"$d\" && "
                "printf seed >seed.txt && zip -q -m box.zip seed.txt");
    const robust::TTree originals = Snapshot(left);
    ASSERT_EQ(originals.size(), 2u);
    Reload();
    Open(sdRight, dir.path());
    OpenArchive(sdRight, "box.zip");
    Open(sdLeft, left);
    Select(sdLeft, {Decoded(kCafe), Decoded(kNaive)});
    Press(Qt::Key_F5);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();

    // Stored as zip stores them, listed by unzip as they are, shown readably.
    const std::map<QByteArray, quint16> made = StoredNames(dir("made.zip"));
    const std::map<QByteArray, quint16> ours = StoredNames(dir("box.zip"));
    for (const QByteArray& name : {kCafe, kNaive}) {
        ASSERT_EQ(ours.count(name), 1u) << name.toHex().constData();
        EXPECT_EQ(ours.at(name) & 0x0800, 0) << "a UTF-8 flag on bytes that are not UTF-8";
        ASSERT_EQ(made.count(folder + name), 1u) << name.toHex().constData();
        EXPECT_EQ(made.at(folder + name) & 0x0800, ours.at(name) & 0x0800);
    }
    EXPECT_EQ(UnzipList(dir("box.zip")), QList<QByteArray>({kCafe, kNaive, "seed.txt"}));
    const int cafe = Row(sdRight, Decoded(kCafe));
    ASSERT_GE(cafe, 0) << Names(sdRight).join('|').toStdString();
    EXPECT_EQ(CellText(main->Right().Listing[cafe], pcName), QString("caf") + QChar(0xFFFD));
    Shell(dir.path(), "unzip -q box.zip -d unzipped");
    robust::TTree unzipped = Snapshot(dir("unzipped"));
    unzipped.erase("seed.txt");
    EXPECT_EQ(robust::Diff(unzipped, originals), "");

    // Out of the archive zip made (members in the folder, which extraction leaves out),
    // and out of the one the program wrote.
    for (const char* archive : {"made.zip", "box.zip"}) {
        const QString in = archive == QLatin1String("made.zip") ? Decoded(folder) : QString();
        robust::RemoveTree(QFile::encodeName(dir("out")));
        const QString out = dir.mkdir("out");
        Open(sdLeft, out);
        Open(sdRight, dir.path());
        OpenArchive(sdRight, archive);
        if (!in.isEmpty())
            DoubleClick(sdRight, in.chopped(1)); // into the archive's folder
        Select(sdRight, {in + Decoded(kCafe), in + Decoded(kNaive)});
        Press(Qt::Key_F5);
        EXPECT_TRUE(messages.isEmpty()) << archive << messages.join('\n').toStdString();
        EXPECT_EQ(robust::Diff(Snapshot(out), originals), "") << archive;
    }
}

// tar stores the name's bytes; copied out of the panel they are the same bytes.
TEST_F(Latin1NamesTest, ATarArchiveGivesLatin1NamesBackAsTheirBytes)
{
    MakeLatin1Files(left);
    Shell(left, "tar cf ../made.tar * && gzip -c ../made.tar >../made.tgz");
    const robust::TTree originals = Snapshot(left);
    for (const char* archive : {"made.tar", "made.tgz"}) {
        robust::RemoveTree(QFile::encodeName(dir("out")));
        const QString out = dir.mkdir("out");
        Open(sdLeft, out);
        Open(sdRight, dir.path());
        OpenArchive(sdRight, archive);
        const int cafe = Row(sdRight, Decoded(kCafe));
        ASSERT_GE(cafe, 0) << archive << Names(sdRight).join('|').toStdString();
        EXPECT_EQ(CellText(main->Right().Listing[cafe], pcName), QString("caf") + QChar(0xFFFD));
        Select(sdRight, {Decoded(kCafe), Decoded(kNaive)});
        Press(Qt::Key_F5);
        EXPECT_TRUE(messages.isEmpty()) << archive << messages.join('\n').toStdString();
        EXPECT_EQ(robust::Diff(Snapshot(out), originals), "") << archive;
    }
}

// F9 on one file offers its name as the panel shows it; what the user leaves keeps its
// bytes, so accepting it as offered renames nothing, and a new extension keeps the é.
TEST_F(Latin1NamesTest, TheRenameDialogOffersTheShownNameAndKeepsTheBytesLeftAsTheyWere)
{
    MakeLatin1Files(left);
    Reload();
    const QByteArray base = QFile::encodeName(left);
    // Shared with the answer, which outlives the test when no dialog comes.
    const auto seen = std::make_shared<QStringList>(); // the offer and the instructions
    const auto answer = [seen](const QString& typed) {
        AnswerNextModal([seen, typed](QDialog* d) {
            auto* edit = d->findChild<QLineEdit*>();
            *seen = {edit->text(), d->findChild<QPlainTextEdit*>()->toPlainText()};
            QTest::keyClick(edit, Qt::Key_End);
            for (int i = 0; i < 3 && !typed.isEmpty(); ++i)
                QTest::keyClick(edit, Qt::Key_Backspace);
            QTest::keyClicks(edit, typed);
            PressKey(d, Qt::Key_Return);
        });
    };
    Click(At(sdLeft, Decoded(kCafe)));
    answer({});
    Key(Qt::Key_F9);
    ASSERT_EQ(seen->size(), 2);
    EXPECT_EQ(seen->at(0), QString("caf") + QChar(0xFFFD) + ".txt");
    EXPECT_TRUE(seen->at(1).contains(seen->at(0))) << seen->at(1).toStdString();
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(robust::Diff(Snapshot(left), {{kCafe, "one"}, {kNaive, "two"}}), "");

    ASSERT_GE(Row(sdLeft, Decoded(kCafe)), 0);
    Click(At(sdLeft, Decoded(kCafe)));
    answer("bak");
    Key(Qt::Key_F9);
    EXPECT_EQ(ReadRaw(base + "/caf\xe9.bak"), "one") << messages.join('\n').toStdString();
    EXPECT_EQ(FocusedName(sdLeft), Decoded("caf\xe9.bak"));
}

// The delete question, a failure's message and the status line name such a file with
// U+FFFD, never with the character that holds its byte.
TEST_F(Latin1NamesTest, QuestionsMessagesAndTheStatusLineShowTheNameReadably)
{
    MakeLatin1Files(left);
    Shell(left, "mkdir \"$(printf 'd\\351j\\340')\"");
    Reload();
    const QString cafeShown = QString("caf") + QChar(0xFFFD) + ".txt";

    QStringList question;
    Click(At(sdLeft, Decoded(kCafe)));
    AnswerQuestion(2, &question);
    Key(Qt::Key_Delete);
    ASSERT_EQ(question.size(), 2);
    EXPECT_TRUE(question[0].contains(cafeShown)) << question[0].toStdString();
    EXPECT_FALSE(question[0].contains(kEscapedE9));
    EXPECT_EQ(ReadRaw(QFile::encodeName(left) + kCafe), "one");

    // A new name the rename refuses: the message names the file as shown.
    Click(At(sdLeft, Decoded(kCafe)));
    TypeInput("sub/x.txt");
    Key(Qt::Key_F9);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(cafeShown)) << messages[0].toStdString();
    EXPECT_FALSE(messages[0].contains(kEscapedE9));
    EXPECT_EQ(
        robust::Diff(Snapshot(left), {{kCafe, "one"}, {kNaive, "two"}, {"d\xe9j\xe0", "<dir>"}}),
        "");

    // The folder shown goes: the status line names it readably.
    const QString gone = left + Decoded("d\xe9j\xe0") + "/";
    Open(sdLeft, gone);
    Shell(left, "rmdir \"$(printf 'd\\351j\\340')\"");
    ASSERT_TRUE(QTest::qWaitFor([&] { return main->Left().Directory == left; }, 10000));
    EXPECT_EQ(main->Left().Total->Text(3), platform::DisplayName(gone) + " is gone");
}

// A folder of a Latin-1 name, holding more such names, is measured by its own bytes for
// the delete question; nothing goes on "No".
TEST_F(Latin1NamesTest, TheDeleteQuestionMeasuresAFolderOfALatin1Name)
{
    Shell(left, "mkdir -p \"$(printf 'd\\351j\\340/\\351t\\351')\" && "
                "printf one >\"$(printf 'd\\351j\\340/caf\\351.txt')\" && "
                "printf three >\"$(printf 'd\\351j\\340/\\351t\\351/na\\357ve.txt')\"");
    Reload();
    Click(At(sdLeft, Decoded("d\xe9j\xe0")));
    QStringList question;
    AnswerQuestion(2, &question);
    Key(Qt::Key_F8);
    ASSERT_EQ(question.size(), 2);
    EXPECT_EQ(question[0],
              QString("You have selected the folder d") + QChar(0xFFFD) + "j" + QChar(0xFFFD) +
                  " to be deleted.\nIt holds 2 files, 8 bytes.\nIt will be deleted for "
                  "good.");
    EXPECT_EQ(ReadRaw(QFile::encodeName(left) + "d\xe9j\xe0/caf\xe9.txt"), "one");
}

// A folder of Latin-1 names goes through the commands a user gives with keys: copied
// (F5), renamed by mask (F9) and in place (F2), put into an archive (F5) and taken out
// again (F5). Every byte the user did not change stays, checked on disk and with unzip.
TEST_F(Latin1NamesTest, AFolderOfLatin1NamesIsCopiedRenamedArchivedAndExtractedByteForByte)
{
    Shell(left, "mkdir latin && cd latin && printf one >\"$(printf 'caf\\351.txt')\" && "
                "printf two >\"$(printf 'na\\357ve.txt')\" && "
                "printf three >\"$(printf 'report.\\351t\\351')\" && "
                "cd .. && printf seed >seed.txt && zip -q -m ../box.zip seed.txt");
    const QByteArray latin = QFile::encodeName(right) + "latin";
    Reload();
    Click(At(sdLeft, "latin"));
    Key(Qt::Key_F5);
    EXPECT_EQ(robust::Diff(Snapshot(latin), Snapshot(QFile::encodeName(left) + "latin")), "");

    // By mask: every row of the copy, "*.bak".
    Open(sdRight, right + "latin/");
    Click(At(sdRight, Decoded(kCafe)));
    Key(Qt::Key_A, Qt::ControlModifier);
    TypeInput("*.bak");
    Key(Qt::Key_F9);
    const robust::TTree renamed{
        {"caf\xe9.bak", "one"}, {"na\xefve.bak", "two"}, {"report.bak", "three"}};
    EXPECT_EQ(robust::Diff(Snapshot(latin), renamed), "") << messages.join('\n').toStdString();

    // In place: the user types "NA" over the first two letters of "na\ufffdve.bak".
    Open(sdRight, right + "latin/");
    Click(At(sdRight, Decoded("na\xefve.bak")));
    Key(Qt::Key_F2);
    QLineEdit* editor = View(sdRight)->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), QString("na") + QChar(0xFFFD) + "ve.bak");
    Key(Qt::Key_Home);
    Key(Qt::Key_Right, Qt::ShiftModifier);
    Key(Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(main->windowHandle(), 'N');
    QTest::keyClick(main->windowHandle(), 'A');
    Key(Qt::Key_Return);
    const robust::TTree edited{
        {"caf\xe9.bak", "one"}, {"NA\xefve.bak", "two"}, {"report.bak", "three"}};
    EXPECT_EQ(robust::Diff(Snapshot(latin), edited), "") << messages.join('\n').toStdString();

    // Into an archive, and out of it into an empty folder.
    Open(sdLeft, dir.path());
    OpenArchive(sdLeft, "box.zip");
    Open(sdRight, right + "latin/");
    Click(At(sdRight, Decoded("NA\xefve.bak")));
    Key(Qt::Key_A, Qt::ControlModifier);
    Key(Qt::Key_F5);
    EXPECT_EQ(UnzipList(dir("box.zip")),
              QList<QByteArray>({"NA\xefve.bak", "caf\xe9.bak", "report.bak", "seed.txt"}));
    const QString out = dir.mkdir("out");
    Open(sdRight, out);
    Open(sdLeft, dir.path());
    OpenArchive(sdLeft, "box.zip");
    Click(At(sdLeft, "seed.txt"));
    Key(Qt::Key_A, Qt::ControlModifier);
    Key(Qt::Key_F5);
    robust::TTree extracted = Snapshot(out);
    EXPECT_EQ(extracted["seed.txt"], "seed");
    extracted.erase("seed.txt");
    EXPECT_EQ(robust::Diff(extracted, edited), "") << messages.join('\n').toStdString();
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}
