#include "panel/PanelText.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

namespace
{

TFileObject Entry(const QString& name, quint16 attr = platform::faArchive, qint64 size = 0)
{
    TFileObject e;
    e.Name = name;
    e.Attr = attr;
    e.Size = size;
    e.DateTime = 36526.5; // 1 January 2000, noon
    return e;
}

} // namespace

TEST(CellText, NameAndExtensionSplitAtTheLastDotOnly)
{
    EXPECT_EQ(CellText(Entry("report.final.doc"), pcName), "report.final");
    EXPECT_EQ(CellText(Entry("report.final.doc"), pcExt), "doc");
    EXPECT_EQ(CellText(Entry("archive.tar.gz"), pcName), "archive.tar");
    EXPECT_EQ(CellText(Entry("archive.tar.gz"), pcExt), "gz");
    // A dot that begins a name starts no extension.
    EXPECT_EQ(CellText(Entry(".profile"), pcName), ".profile");
    EXPECT_EQ(CellText(Entry(".profile"), pcExt), "");
    EXPECT_EQ(CellText(Entry(".config.bak"), pcName), ".config");
    EXPECT_EQ(CellText(Entry(".config.bak"), pcExt), "bak");
    EXPECT_EQ(CellText(Entry("dir.d/.rc"), pcName), "dir.d/.rc"); // an archive member
    EXPECT_EQ(CellText(Entry("dir.d/.rc"), pcExt), "");
    EXPECT_EQ(CellText(Entry("README"), pcName), "README");
    EXPECT_EQ(CellText(Entry("README"), pcExt), "");
    EXPECT_EQ(CellText(Entry("x.abcdefghijkl"), pcExt), "abcdefghij");
    // A bare dot at the end starts no extension: the name keeps it.
    EXPECT_EQ(CellText(Entry("trailingdot."), pcName), "trailingdot.");
    EXPECT_EQ(CellText(Entry("trailingdot."), pcExt), "");
    EXPECT_EQ(CellText(Entry("dir/member."), pcName), "dir/member.");
    EXPECT_EQ(CellText(Entry("a.txt"), 9), "");
}

TEST(CellText, ParentRow)
{
    const TFileObject up = Entry("..", platform::faDirectory);
    EXPECT_EQ(CellText(up, pcName), "..");
    EXPECT_EQ(CellText(up, pcExt), "");
    EXPECT_EQ(CellText(up, pcSize), "");
    EXPECT_EQ(CellText(up, pcModified), "1/1/00 12:00:00 PM");
    EXPECT_EQ(CellText(up, pcAttr), "D");
}

TEST(CellText, DriveRowsShowTheirRootWholeAndTheirFreeSpace)
{
    TFileObject drive = Entry("/media/usb.stick/", platform::faDirectory, 123456789012);
    drive.Kind = fkDrive;
    EXPECT_EQ(CellText(drive, pcName), "/media/usb.stick/");
    EXPECT_EQ(CellText(drive, pcExt), "");
    EXPECT_EQ(CellText(drive, pcSize), "123,456,789,012");
    EXPECT_EQ(CellText(drive, pcModified), "");
}

TEST(CellText, SizesAndDates)
{
    EXPECT_EQ(CellText(Entry("dir", platform::faDirectory, 0), pcSize), "");
    EXPECT_EQ(CellText(Entry("dir", platform::faDirectory, 1234567), pcSize), "1,234,567");
    EXPECT_EQ(CellText(Entry("empty.txt", platform::faArchive, 0), pcSize), "0");
    EXPECT_EQ(CellText(Entry("big.iso", platform::faArchive, qint64(3) << 30), pcSize),
              "3,221,225,472");
    TFileObject member = Entry("dir/a.txt", 0);
    member.DateTime = 0;
    member.Kind = fkZipMember;
    EXPECT_EQ(CellText(member, pcModified), "12/30/99");
    EXPECT_EQ(CellText(member, pcAttr), "");
}

TEST(CellText, AttributeLettersInOrder)
{
    EXPECT_EQ(AttrText(platform::faArchive | platform::faReadOnly | platform::faHidden), "ARH");
    EXPECT_EQ(AttrText(platform::faDirectory | platform::faHidden), "DH");
    EXPECT_EQ(AttrText(0x3F), "DARHS");
    EXPECT_EQ(AttrText(0), "");
}

TEST(DriveList, NestedLocationAddsLevelsAfterItsDrive)
{
    const QStringList drives = {"/", "/media/usb/"};
    int current = -2;
    EXPECT_EQ(DriveListItems("/home/ann/docs/", drives, &current),
              QStringList({"0:Drives", "1:/", "2:/home/", "3:/home/ann/", "T4:/home/ann/docs/",
                           "1:/media/usb/"}));
    EXPECT_EQ(current, 4);
    EXPECT_EQ(DriveListItems("/media/usb/photos/", drives, &current),
              QStringList({"0:Drives", "1:/", "1:/media/usb/", "T2:/media/usb/photos/"}));
}

TEST(DriveList, RootAndDrives)
{
    const QStringList drives = {"/", "/media/usb/"};
    int current = -2;
    EXPECT_EQ(DriveListItems("/", drives, &current),
              QStringList({"0:Drives", "T1:/", "1:/media/usb/"}));
    EXPECT_EQ(current, 1);
    EXPECT_EQ(DriveListItems("/media/usb/", drives, &current),
              QStringList({"0:Drives", "1:/", "T1:/media/usb/"}));
    EXPECT_EQ(DriveListItems("Drives", drives, &current),
              QStringList({"T0:Drives", "1:/", "1:/media/usb/"}));
    EXPECT_EQ(current, 0);
}

TEST(DriveList, ParseItemsAndParents)
{
    const TDriveItem item = ParseDriveItem("T3:/home/ann/");
    EXPECT_TRUE(item.Current);
    EXPECT_EQ(item.Level, 3);
    EXPECT_EQ(item.Target, "/home/ann/");
    EXPECT_EQ(ParseDriveItem("0:Drives").Target, "Drives");
    EXPECT_EQ(ParentLocation("/home/ann/docs/"), "/home/ann/");
    EXPECT_EQ(ParentLocation("/home/"), "/");
    EXPECT_EQ(ParentLocation("/"), "/");
}
