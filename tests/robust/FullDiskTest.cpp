// A disk that fills up during a copy, a move, an extraction and an addition to an
// archive: a 1 MiB tmpfs in the other panel; and a text saved on a full 64 KiB tmpfs
// (skipped where mounting is not allowed).
#include "fileops/uConfirm.h"
#include "main/FileOpsFixture.h"
#include "platform/FileOpsFaults.h"
#include "robust/RobustSupport.h"
#include "viewers/uText.h"

#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QTest>

using robust::Snapshot;

namespace
{

QByteArray Noise(int bytes)
{
    QByteArray data(bytes, Qt::Uninitialized);
    QRandomGenerator generator(bytes);
    generator.fillRange(reinterpret_cast<quint32*>(data.data()), bytes / 4);
    return data;
}

class FullDiskTest : public FileOpsTest
{
protected:
    void SetUp() override
    {
        FileOpsTest::SetUp();
        disk = std::make_unique<robust::TSmallDisk>(dir("disk"), 1 << 20);
        if (!disk->Mounted())
            GTEST_SKIP() << disk->Why().toStdString();
        full = dir("disk") + '/';
        dir.write("left/big.bin", Noise(3 << 20));
        dir.write("left/small.txt", "small");
        dir.write("left/tree/large.bin", Noise(2 << 20));
        dir.write("left/tree/tiny.txt", "tiny");
    }
    void TearDown() override
    {
        main.reset();
        disk.reset();
        FileOpsTest::TearDown();
    }

    std::unique_ptr<robust::TSmallDisk> disk;
    QString full;
};

} // namespace

// Copying 300 files onto a disk with room for a few dozen: the copy stops at the first
// "no space", leaves no partial file, and says in one message what it did.
TEST_F(FullDiskTest, CopyStopsAtTheFirstFullDiskErrorAndSaysSoInOneMessage)
{
    for (int i = 0; i < 300; ++i)
        dir.write(QStringLiteral("left/many/f%1.bin").arg(i, 3, 10, QLatin1Char('0')),
                  Noise(16 << 10));
    const robust::TTree source = Snapshot(left);
    std::atomic<int> opened{0};
    platform::SetFileOpsFaultHook([&](platform::TFileOpsStep step, const QString&) {
        if (step == platform::TFileOpsStep::OpenSource)
            ++opened;
        return 0;
    });
    Open(sdRight, full);
    Open(sdLeft, left);
    Select(sdLeft, {"many", "small.txt"});
    Press(Qt::Key_F5);
    platform::SetFileOpsFaultHook({});

    const robust::TTree copied = Snapshot(full);
    int files = 0;
    for (const auto& [name, data] : copied) {
        if (data == "<dir>")
            continue;
        ++files;
        EXPECT_EQ(data, source.at(name)) << name.constData(); // whole files only
    }
    EXPECT_GT(files, 0);
    EXPECT_EQ(copied.count("small.txt"), 0u) << "nothing is tried after the disk is full";
    EXPECT_EQ(opened.load(), files + 1);
    ASSERT_EQ(messages.size(), 1) << messages.join("\n---\n").toStdString();
    EXPECT_EQ(messages[0].count("Cannot copy"), 1) << messages[0].toStdString();
    // The folder and the files that fit; the totals may still be counting.
    EXPECT_TRUE(messages[0].contains(QStringLiteral("Copied %1 ").arg(files + 1)) &&
                messages[0].contains("items; the rest was not tried, as the target takes "
                                     "nothing more: No space left on device"))
        << messages[0].toStdString();
    EXPECT_EQ(robust::Diff(Snapshot(left), source), "");
}

TEST_F(FullDiskTest, MoveAcrossKeepsEveryOriginalThatDidNotFit)
{
    const robust::TTree source = Snapshot(left);
    Open(sdRight, full);
    Open(sdLeft, left);
    Select(sdLeft, {"big.bin", "tree"});
    main->MenuMoveFileClick();
    EXPECT_EQ(robust::Diff(Snapshot(left), source), "");
    EXPECT_TRUE(Snapshot(full).empty());
    ASSERT_EQ(messages.size(), 1) << messages.join("\n---\n").toStdString();
    EXPECT_TRUE(messages[0].contains("large.bin") && messages[0].contains("tree") &&
                messages[0].contains("the rest was not tried"))
        << messages[0].toStdString();

    // What fits still moves.
    messages.clear();
    Select(sdLeft, {"small.txt"});
    main->MenuMoveFileClick();
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(readAll(full + "small.txt"), "small");
    EXPECT_FALSE(QFileInfo::exists(left + "small.txt"));
}

TEST_F(FullDiskTest, ExtractionKeepsTheMembersThatDidNotArrive)
{
    QProcess zip;
    zip.setWorkingDirectory(left);
    zip.start("zip", {"-q", "-0", "pack.zip", "big.bin", "small.txt"});
    ASSERT_TRUE(zip.waitForFinished());
    const QByteArray archive = readAll(left + "pack.zip");
    Open(sdRight, full);
    Open(sdLeft, left);
    OpenArchive(sdLeft, "pack.zip");
    Select(sdLeft, {"big.bin", "small.txt"});
    main->MenuMoveFileClick();

    // The members go into the folder as a copy between folders does, which stops at the
    // first full-disk error (big.bin): nothing arrived, so nothing left the archive.
    EXPECT_EQ(robust::Diff(Snapshot(full), robust::TTree()), "");
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "big.bin", "small.txt"}));
    EXPECT_EQ(readAll(left + "pack.zip"), archive);
    EXPECT_TRUE(messages.join('\n').contains("No space left")) << messages.join('\n').toStdString();

    // What fits arrives, and only that member leaves the archive.
    messages.clear();
    Select(sdLeft, {"small.txt"});
    main->MenuMoveFileClick();
    EXPECT_EQ(robust::Diff(Snapshot(full), robust::TTree({{"small.txt", "small"}})), "");
    EXPECT_EQ(Names(sdLeft), QStringList({"..", "big.bin"}));
    EXPECT_NE(readAll(left + "pack.zip"), archive);
    QProcess test;
    test.start("unzip", {"-tq", left + "pack.zip"});
    ASSERT_TRUE(test.waitForFinished());
    EXPECT_EQ(test.exitCode(), 0) << test.readAllStandardOutput().toStdString();
}

TEST_F(FullDiskTest, ArchiveOnAFullDiskIsNeverDamagedByAnAddition)
{
    dir.write("keep.txt", "kept member");
    QProcess zip;
    zip.setWorkingDirectory(dir.path());
    zip.start("zip", {"-q", full + "small.zip", "keep.txt"});
    ASSERT_TRUE(zip.waitForFinished());
    const QByteArray archive = readAll(full + "small.zip");
    ASSERT_FALSE(archive.isEmpty());
    const robust::TTree source = Snapshot(left);
    Open(sdRight, full);
    Open(sdLeft, left);
    OpenArchive(sdRight, "small.zip");
    Select(sdLeft, {"big.bin"});
    main->MenuMoveFileClick();

    EXPECT_EQ(readAll(full + "small.zip"), archive);
    EXPECT_EQ(robust::Diff(Snapshot(full), robust::TTree({{"small.zip", archive}})),
              "");                                       // no temporary left
    EXPECT_EQ(robust::Diff(Snapshot(left), source), ""); // not added, so not deleted
    EXPECT_EQ(Names(sdRight), QStringList({"..", "keep.txt"}));
}

TEST(FullDiskEditorTest, ASaveThatDoesNotFitKeepsTheFileAndTheModifiedText)
{
    TempDir dir;
    QStringList messages;
    platform::SetMessageHandler([&messages](const QString& m) { messages << m; });
    robust::TSmallDisk disk(dir("small"), 64 << 10);
    if (!disk.Mounted())
        GTEST_SKIP() << disk.Why().toStdString();
    QByteArray text;
    for (int line = 0; text.size() < 3500; ++line)
        text += "line " + QByteArray::number(line) + " of a document that fills the disk\n";
    text.truncate(3500);
    const QString doc = dir.write("small/doc.txt", text);
    {
        QFile filler(dir("small/filler.bin")); // what is left of the disk
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (filler.write(QByteArray(4096, 'f')) == 4096) {
        }
    }

    QWidget owner;
    QPointer<TfText> editor = TfText::Open(&owner, doc, true);
    editor->Memo->moveCursor(QTextCursor::End);
    QTest::keyClicks(editor->Memo, "more");
    editor->MenuFileSave->trigger();
    EXPECT_EQ(text, readAll(doc));
    ASSERT_EQ(1, messages.size());
    EXPECT_TRUE(messages[0].contains(doc) && messages[0].contains("No space left on device"))
        << messages[0].toStdString();
    EXPECT_TRUE(editor->Modified());

    // Closing asks again; Cancel keeps the window and its text.
    bool asked = false;
    AnswerNextModal([&asked](QDialog* dialog) {
        auto* question = qobject_cast<QMessageBox*>(dialog);
        asked = question != nullptr;
        question ? question->button(QMessageBox::Cancel)->click() : dialog->reject();
    });
    editor->close();
    EXPECT_TRUE(asked);
    ASSERT_FALSE(editor.isNull());
    EXPECT_TRUE(editor->Modified());
    EXPECT_EQ(text, readAll(doc));
    EXPECT_EQ(QStringList({"doc.txt", "filler.bin"}), QDir(dir("small")).entryList(QDir::Files));
    delete editor;
    platform::SetMessageHandler({});
}

TEST(FullDiskEditorTest, ASaveThatFitsOnlyInPartSaysTheDiskIsFull)
{
    TempDir dir;
    QStringList messages;
    platform::SetMessageHandler([&messages](const QString& m) { messages << m; });
    robust::TSmallDisk disk(dir("small"), 64 << 10);
    if (!disk.Mounted())
        GTEST_SKIP() << disk.Why().toStdString();
    const QString doc = dir.write("small/doc.txt", "short");
    {
        QFile filler(dir("small/filler.bin"));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (filler.write(QByteArray(4096, 'f')) == 4096) {
        }
        filler.resize(filler.size() - (8 << 10)); // room for a part of the new text
    }
    QWidget owner;
    QPointer<TfText> editor = TfText::Open(&owner, doc, true);
    editor->Memo->setPlainText(QString(40 << 10, u'x'));
    editor->MenuFileSave->trigger();
    EXPECT_EQ(QByteArray("short"), readAll(doc));
    ASSERT_EQ(1, messages.size());
    EXPECT_TRUE(messages[0].contains("No space left on device")) << messages[0].toStdString();
    EXPECT_TRUE(editor->Modified());
    delete editor;
    platform::SetMessageHandler({});
}
