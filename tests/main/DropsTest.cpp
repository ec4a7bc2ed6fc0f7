// Files another program drops on a panel's list, through real drop events on the list's
// view: into the folder the panel shows (copied, or moved when the drop says so) and into
// a ZIP archive a panel shows; what is no file is refused. And what a drag of a panel's
// rows carries out of the window.
#include "main/FileOpsFixture.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace
{

class DropsTest : public FileOpsTest
{
protected:
    // Drags `urls` over the list of the panel and lets go there, as another program's
    // drag does; true when the list took the drag.
    bool Drop(TSide side, const QList<QUrl>& urls, Qt::DropAction action)
    {
        QMimeData data;
        data.setUrls(urls);
        QWidget* list = View(side)->viewport();
        const QPointF at(list->width() / 2.0, list->height() / 2.0);
        QDragEnterEvent enter(at.toPoint(), action, &data, Qt::LeftButton, {});
        QApplication::sendEvent(list, &enter);
        QDragMoveEvent move(at.toPoint(), action, &data, Qt::LeftButton, {});
        QApplication::sendEvent(list, &move);
        if (!move.isAccepted())
            return false;
        QDropEvent drop(at, action, &data, Qt::LeftButton, {});
        QApplication::sendEvent(list, &drop);
        return drop.isAccepted();
    }
    // What a drag of the panel's selection carries when it leaves the window.
    QMimeData* DragOut(TSide side)
    {
        TVirtualListView* list = main->Panel(side).Files;
        return list->OnDragOut ? list->OnDragOut(list) : nullptr;
    }
    static QByteArray Content(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
    }
    static QByteArray Bytes()
    {
        QByteArray bytes;
        for (int i = 0; i < 70000; ++i)
            bytes += char((i * 31) % 256);
        return bytes;
    }
};

} // namespace

TEST_F(DropsTest, FilesDroppedOnAListGoIntoItsFolderCopiedOrMoved)
{
    const QByteArray bytes = Bytes();
    const QString a = dir.write("desk/a.bin", bytes);
    dir.write("desk/tree/inner/x.txt", "inner");
    const QString b = dir.write("desk/b.txt", "moved here");
    // A copy of a file and a folder with its tree.
    ASSERT_TRUE(Drop(sdRight, {QUrl::fromLocalFile(a), QUrl::fromLocalFile(dir("desk/tree"))},
                     Qt::CopyAction));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !main->Reading(sdRight) && Names(sdRight).contains("tree"); }, 30000))
        << messages.join('\n').toStdString();
    EXPECT_EQ(Content(right + "a.bin"), bytes);
    EXPECT_EQ(Content(right + "tree/inner/x.txt"), QByteArray("inner"));
    EXPECT_EQ(Content(a), bytes); // copied: still there
    // A drop whose action is a move moves.
    ASSERT_TRUE(Drop(sdLeft, {QUrl::fromLocalFile(b)}, Qt::MoveAction));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(left + "b.txt"); }, 30000));
    EXPECT_EQ(Content(left + "b.txt"), QByteArray("moved here"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !QFileInfo::exists(b); }, 30000));
    // A web address is no file: said, nothing made.
    ASSERT_TRUE(Drop(sdLeft, {QUrl("https://example.org/page.html")}, Qt::CopyAction));
    ASSERT_TRUE(QTest::qWaitFor([&] { return messages.size() == 1; }, 30000));
    EXPECT_TRUE(messages[0].contains("Nothing was dropped")) << messages[0].toStdString();
    EXPECT_EQ(QDir(left).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{"b.txt"});
}

TEST_F(DropsTest, FilesDroppedOnAZipPanelGoIntoItsArchive)
{
    dir.write("right/old.txt", "old");
    const QString archive = dir("right/box.zip");
    {
        QProcess zip;
        zip.setWorkingDirectory(right);
        zip.start("zip", {"-q", "box.zip", "old.txt"});
        ASSERT_TRUE(zip.waitForFinished() && zip.exitCode() == 0);
    }
    const QByteArray bytes = Bytes();
    const QString a = dir.write("desk/a.bin", bytes);
    const QString b = dir.write("desk/b.txt", "moved in");
    Reload();
    OpenArchive(sdRight, "box.zip");
    ASSERT_TRUE(Drop(sdRight, {QUrl::fromLocalFile(a)}, Qt::CopyAction));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Names(sdRight).contains("a.bin"); }, 30000))
        << messages.join('\n').toStdString();
    ASSERT_TRUE(Drop(sdRight, {QUrl::fromLocalFile(b)}, Qt::MoveAction));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Names(sdRight).contains("b.txt"); }, 30000))
        << messages.join('\n').toStdString();
    const auto member = [&](const QString& name) {
        QProcess unzip;
        unzip.start("unzip", {"-p", archive, name});
        unzip.waitForFinished();
        return unzip.readAllStandardOutput();
    };
    EXPECT_EQ(member("a.bin"), bytes);
    EXPECT_EQ(member("b.txt"), QByteArray("moved in"));
    EXPECT_TRUE(QFileInfo::exists(a));  // copied
    EXPECT_FALSE(QFileInfo::exists(b)); // moved once whole in the archive
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(DropsTest, ADragOutCarriesTheMarkedFilesAddresses)
{
    dir.write("left/one two.txt", "1");
    dir.mkdir("left/folder");
    Reload();
    Select(sdLeft, {"one two.txt", "folder"});
    std::unique_ptr<QMimeData> data(DragOut(sdLeft));
    ASSERT_TRUE(data);
    QStringList carried;
    for (const QUrl& url : data->urls())
        carried << url.toString();
    carried.sort();
    EXPECT_EQ(carried, (QStringList{QUrl::fromLocalFile(left + "folder").toString(),
                                    QUrl::fromLocalFile(left + "one two.txt").toString()}));
    EXPECT_TRUE(data->data("text/uri-list").contains("one%20two.txt"));
    // Members of an archive have no address: nothing leaves.
    dir.write("left/m.txt", "m");
    ASSERT_FALSE(Zip("left/a.zip", {"left/m.txt"}).isEmpty());
    Reload();
    OpenArchive(sdLeft, "a.zip");
    main->Panel(sdLeft).Files->FocusItem(1);
    EXPECT_EQ(DragOut(sdLeft), nullptr);
}
