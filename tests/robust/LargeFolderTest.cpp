// A folder of 200,000 entries in a panel: listed whole, sorted in every order, drawn at
// its end, sized from its parent, and one file copied out of it.
#include "main/FileOpsFixture.h"
#include "robust/RobustSupport.h"

#include <fcntl.h>
#include <unistd.h>

namespace
{

constexpr int kEntries = 200000;

class LargeFolderTest : public FileOpsTest
{
protected:
    void TearDown() override
    {
        FileOpsTest::TearDown();
        main.reset(); // the listings go before their files
        disk.reset();
        if (!big.isEmpty())
            robust::RemoveTree(QFile::encodeName(big));
    }

    // Empty files f000000.dat, f000001.dat, ... made with one open and close each. On a
    // tmpfs of its own where mounting is allowed: a busy disk can take minutes for them.
    void MakeEntries()
    {
        disk = std::make_unique<robust::TSmallDisk>(dir("big"), 64 << 20);
        big = dir.mkdir("big");
        const QByteArray base = QFile::encodeName(big);
        for (int i = 0; i < kEntries; ++i) {
            const QByteArray name =
                base + 'f' + QByteArray::number(i).rightJustified(6, '0') + ".dat";
            const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
            ASSERT_GE(fd, 0) << name.constData();
            ::close(fd);
        }
    }

    std::unique_ptr<robust::TSmallDisk> disk;
    QString big;
};

} // namespace

TEST_F(LargeFolderTest, ListsSortsDrawsSizesAndCopiesFromTwoHundredThousandEntries)
{
    ASSERT_NO_FATAL_FAILURE(MakeEntries());
    ASSERT_TRUE(robust::WriteRaw(QFile::encodeName(big + "f123456.dat"), "needle"));

    Open(sdLeft, big);
    const TPanel& p = main->Left();
    ASSERT_EQ(p.Listing.Count(), kEntries + 1); // with ".."
    EXPECT_EQ(p.Total->Text(1), "200,000 object(s)"); // ".." is no object
    EXPECT_EQ(p.Total->Text(2), "6 byte(s)");

    // Every order keeps every row; the name order puts ".." first and the files in turn.
    for (int column : {3, 2, 1, 0}) {
        main->SetSortOrder(column);
        ASSERT_EQ(p.Listing.Count(), kEntries + 1) << column;
    }
    EXPECT_EQ(p.Listing[0].Name, "..");
    EXPECT_EQ(p.Listing[1].Name, "f000000.dat");
    EXPECT_EQ(p.Listing[kEntries].Name, "f199999.dat");

    // The view draws the last rows (icons looked up for them only).
    const int iconsBefore = main->IconLookupCount;
    p.Files->FocusItem(kEntries);
    EXPECT_FALSE(p.Files->grab().isNull());
    EXPECT_LT(main->IconLookupCount - iconsBefore, 1000);

    Select(sdLeft, {"f123456.dat"});
    main->MenuCopyFileClick();
    EXPECT_EQ(readAll(right + "f123456.dat"), "needle");
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(main->Left().Listing.Count(), kEntries + 1); // re-read after the copy
    EXPECT_EQ(readAll(big + "f123456.dat"), "needle");

    // Sized from the parent folder: the whole tree is walked.
    Open(sdLeft, dir.path());
    main->Left().Files->FocusItem(Row(sdLeft, "big"));
    main->MenuDirectorySizeClick();
    EXPECT_EQ(main->Left().Listing[Row(sdLeft, "big")].Size, 6);
}
