// Names with characters beyond U+FFFF (held as surrogate pairs, some of whose second
// halves lie where the file-name codec keeps bytes that are not UTF-8): a folder of them
// is copied, and tar and ZIP archives made of them by the tools give them back byte for
// byte. A byte that is not UTF-8 right after such a character keeps its byte too.
#include "main/UserInputFixture.h"
#include "panel/PanelText.h"
#include "platform/FileNames.h"
#include "robust/RobustSupport.h"

using robust::Snapshot;

namespace
{

// U+1F4A9, U+1F4C1, U+1F4C4: their second halves are U+DCA9, U+DCC1, U+DCC4.
const QByteArray kPoo = "\xF0\x9F\x92\xA9";
const QByteArray kFolder = "\xF0\x9F\x93\x81";
const QByteArray kPage = "\xF0\x9F\x93\x84";

class WideNamesTest : public UserInputTest
{
protected:
    void TearDown() override
    {
        UserInputTest::TearDown();
        main.reset();
        for (const char* folder : {"left", "right", "out"})
            robust::RemoveTree(QFile::encodeName(dir(folder)));
    }

    // The files of the test by their bytes, with their contents.
    static robust::TTree Files()
    {
        return {{kPoo + ".txt", "poo"},
                {kFolder + " notes.txt", "notes"},
                {kPage + kPage + ".md", "two pages"},
                {"\xE6\x97\xA5\xE6\x9C\xAC.txt", "BMP"},
                {kPoo + "\xA9.bin", "a raw byte after the pair"}};
    }
    static void Write(const QString& folder, const robust::TTree& files)
    {
        for (const auto& [name, data] : files)
            ASSERT_TRUE(robust::WriteRaw(QFile::encodeName(folder) + name, data))
                << name.toHex().constData();
    }
    static QStringList Decoded(const robust::TTree& files)
    {
        QStringList names;
        for (const auto& [name, data] : files)
            names << platform::DecodeFileName(name);
        return names;
    }
    static void Shell(const QString& folder, const QString& script)
    {
        QProcess sh;
        sh.setWorkingDirectory(folder);
        sh.start("sh", {"-c", script});
        ASSERT_TRUE(sh.waitForFinished(60000));
        ASSERT_EQ(sh.exitCode(), 0) << sh.readAllStandardError().toStdString();
    }
};

} // namespace

// Ctrl+A and F5 in a folder of such names: every file arrives under its own bytes.
TEST_F(WideNamesTest, AFolderOfNamesBeyondTheBasicPlaneIsCopiedByteForByte)
{
    const QString from = dir.mkdir("left/wide");
    Write(from, Files());
    Open(sdLeft, from);
    const QString poo = QString::fromUtf8(kPoo + ".txt");
    ASSERT_GE(Row(sdLeft, poo), 0) << Names(sdLeft).join('|').toStdString();
    EXPECT_EQ(CellText(main->Left().Listing[Row(sdLeft, poo)], pcName), QString::fromUtf8(kPoo));
    Click(At(sdLeft, poo));
    Key(Qt::Key_A, Qt::ControlModifier);
    Key(Qt::Key_F5);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(robust::Diff(Snapshot(right), Files()), "");
}

// Archives made by tar and by zip of such names: copied out of the panel, each member
// comes out under the bytes the tools stored.
TEST_F(WideNamesTest, TarAndZipMembersNamedSoAreExtractedByteForByte)
{
    const QString made = dir.mkdir("left/made");
    Write(made, Files());
    Shell(made, "tar cf ../../made.tar * && zip -q ../../made.zip *");
    for (const char* archive : {"made.tar", "made.zip"}) {
        robust::RemoveTree(QFile::encodeName(dir("out")));
        const QString out = dir.mkdir("out");
        Open(sdLeft, out);
        Open(sdRight, dir.path());
        OpenArchive(sdRight, archive);
        Select(sdRight, Decoded(Files()));
        Press(Qt::Key_F5);
        EXPECT_TRUE(messages.isEmpty()) << archive << messages.join('\n').toStdString();
        EXPECT_EQ(robust::Diff(Snapshot(out), Files()), "") << archive;
        messages.clear();
    }
}

// Copied into a ZIP archive (F5 toward the archive panel) the members hold the names'
// bytes, as unzip lists them, and copied out again they are the same files.
TEST_F(WideNamesTest, NamesBeyondTheBasicPlaneGoIntoAZipArchiveAndComeBackOut)
{
    const QString from = dir.mkdir("left/wide");
    Write(from, Files());
    dir.write("seed.txt", "seed");
    Shell(dir.path(), "zip -q -m box.zip seed.txt");
    Open(sdRight, dir.path());
    OpenArchive(sdRight, "box.zip");
    Open(sdLeft, from);
    Select(sdLeft, Decoded(Files()));
    Press(Qt::Key_F5);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    QProcess unzip;
    unzip.start("unzip", {"-Z1", dir("box.zip")});
    ASSERT_TRUE(unzip.waitForFinished(60000));
    QList<QByteArray> listed = unzip.readAllStandardOutput().split('\n');
    listed.removeAll(QByteArray());
    std::sort(listed.begin(), listed.end());
    QList<QByteArray> expected{"seed.txt"};
    for (const auto& [name, data] : Files())
        expected << name;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listed, expected);

    const QString out = dir.mkdir("out");
    Open(sdLeft, out);
    Open(sdRight, dir.path());
    OpenArchive(sdRight, "box.zip");
    Select(sdRight, Decoded(Files()));
    Press(Qt::Key_F5);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(robust::Diff(Snapshot(out), Files()), "");
}
