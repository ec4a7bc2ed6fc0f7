// What the ZIP libraries find wrong during a copy must reach the user: a damaged member,
// an archive gone from the disk, an archive that cannot be rewritten on a full disk.
#include "main/FileOpsFixture.h"
#include "robust/RobustSupport.h"
#include "zip/ZipBytes.h"

#include <QRandomGenerator>

namespace
{

class ArchiveFailureMessageTest : public FileOpsTest
{
protected:
    // Copies every member of the archive `name` of the left folder into the right panel.
    void CopyMembersOut(const QString& name)
    {
        Open(sdLeft, left);
        OpenArchive(sdLeft, name);
        QStringList members = Names(sdLeft);
        members.removeAll("..");
        Select(sdLeft, members);
        main->MenuCopyFileClick();
    }
};

} // namespace

// What the libraries report (a checksum error, a missing archive, "Cannot write ...: No
// space left on device") reaches the user in one message after the command.
TEST_F(ArchiveFailureMessageTest, LibraryFailuresDuringACopyAreReported)
{
    const QByteArray data(200, 'd');
    QByteArray damaged = BuildZip({{"data.txt", data, 0, false, 0}});
    damaged[30 + 8 + 50] = 'X'; // same size, wrong checksum
    dir.write("left/damaged.zip", damaged);
    CopyMembersOut("damaged.zip");
    EXPECT_FALSE(QFileInfo::exists(right + "data.txt"));
    EXPECT_EQ(messages.size(), 1) << "damaged member";

    messages.clear();
    dir.write("left/gone.zip", BuildZip({{"data.txt", data, 0, false, 0}}));
    Open(sdLeft, left);
    OpenArchive(sdLeft, "gone.zip");
    QFile::remove(left + "gone.zip");
    Select(sdLeft, {"data.txt"});
    main->MenuCopyFileClick();
    EXPECT_EQ(messages.size(), 1) << "archive gone";

    robust::TSmallDisk disk(dir("disk"), 64 << 10);
    if (!disk.Mounted())
        GTEST_SKIP() << disk.Why().toStdString();
    messages.clear();
    dir.write("disk/small.zip", BuildZip({{"keep.txt", "keep", 0, false, 0}}));
    QByteArray noise(256 << 10, '\0'); // does not compress
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    dir.write("left/noise.bin", noise);
    Open(sdRight, dir("disk") + '/');
    OpenArchive(sdRight, "small.zip");
    Open(sdLeft, left);
    Select(sdLeft, {"noise.bin"});
    main->MenuCopyFileClick();
    EXPECT_EQ(Names(sdRight), QStringList({"..", "keep.txt"}));
    EXPECT_EQ(messages.size(), 1) << "full disk";
}
