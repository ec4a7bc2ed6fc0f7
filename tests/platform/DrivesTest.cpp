#include "platform/Drives.h"
#include "platform/FileNames.h"

#include <gtest/gtest.h>

TEST(Drives, MountInfoKeepsBlockNetworkAndTmpfsOutsideSystemPlaces)
{
    const QByteArray info =
        "22 1 8:1 / / rw - ext4 /dev/vda rw\n"
        "23 22 0:5 / /proc rw - proc proc rw\n"
        "24 22 0:6 / /dev/shm rw - tmpfs tmpfs rw\n"
        "25 22 0:7 / /run/user/0 rw - tmpfs tmpfs rw\n"
        "26 22 8:17 / /media/usb\\040stick rw,nosuid shared:1 - vfat /dev/sdb1 rw\n"
        "27 22 0:40 / /mnt/share rw - cifs //srv/share rw\n"
        "28 22 0:41 / /tmp/ram rw - tmpfs tmpfs rw\n"
        "29 22 0:42 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n"
        "30 22 0:43 / /var/lib/x rw - overlay overlay rw\n"
        "31 22 0:44 / /tmp/ram rw - tmpfs tmpfs rw\n"
        "garbage line\n";
    EXPECT_EQ(platform::ParseMountInfo(info),
              QStringList({"/", "/media/usb stick/", "/mnt/share/", "/tmp/ram/"}));
}

TEST(Drives, DriveOfIsTheLongestRootPrefix)
{
    const QStringList drives = {"/", "/media/usb/", "/media/usb2/"};
    EXPECT_EQ(platform::DriveOf("/home/ann/", drives), "/");
    EXPECT_EQ(platform::DriveOf("/media/usb/docs/", drives), "/media/usb/");
    EXPECT_EQ(platform::DriveOf("/media/usb2/", drives), "/media/usb2/");
    EXPECT_EQ(platform::DriveOf("/media/usb", drives), "/media/usb/");
    EXPECT_EQ(platform::DriveOf("Drives", drives), "");
}

TEST(Drives, FreeSpaceIsSixtyFourBitOrMinusOne)
{
    EXPECT_GT(platform::FreeSpace("/"), 0);
    EXPECT_EQ(platform::FreeSpace("/no/such/place/"), -1);
    EXPECT_EQ(platform::FreeSpace("Drives"), -1);
    EXPECT_EQ(platform::DriveDisplayName("/"), "File System");
    EXPECT_EQ(platform::LogicalDrives().first(), "/");
}

TEST(FileNames, InvalidUtf8SurvivesTheRoundTripAndStaysDistinct)
{
    const QByteArray bad("bad\xff.txt");
    const QByteArray lookAlike("bad\xef\xbf\xbd.txt");
    const QByteArray mixed("\xc3\xa9t\xe9\x80z\xf0\x9f\x98\x80\xc0\xaf");
    for (const QByteArray& bytes : {bad, lookAlike, mixed, QByteArray("plain"), QByteArray()})
        EXPECT_EQ(platform::EncodeFileName(platform::DecodeFileName(bytes)), bytes)
            << bytes.toHex().constData();
    EXPECT_NE(platform::DecodeFileName(bad), platform::DecodeFileName(lookAlike));
    EXPECT_EQ(platform::DecodeFileName("\xc3\xa9t\xc3\xa9"),
              QString::fromUtf8("\xc3\xa9t\xc3\xa9"));
}
