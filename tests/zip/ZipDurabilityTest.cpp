// A rewritten archive is on the disk before it takes the archive's name, and the files the
// libraries write take their names on file systems without rename flags or hard links
// (the system calls made to fail so, in a child process).
#include "zip/ZipBytes.h"
#include "zip/ZipFixture.h"

#include "support/SyscallFaults.h"

#include <cerrno>

namespace
{

using ZipDurabilityTest = ZipFixture;
using TMeanwhile = TSyscallFaults::TMeanwhile;

// When the new archive cannot be flushed, no rewrite (add, delete, delete of the last
// member, put-back) takes the archive's name, and nothing is left beside it.
TEST_F(ZipDurabilityTest, ARewriteThatCannotBeFlushedLeavesTheArchiveAsItWas)
{
    const QByteArray original = BuildZip({{"a.txt", "a"}, {"b.txt", "b"}});
    const QString archive = dir.write("w/arc.zip", original);
    const QString single = dir.write("w/one.zip", BuildZip({{"only.txt", "only"}}));
    const QString added = dir.write("new.txt", "new");
    const QString edited = dir.write("edited.txt", "edited");
    const auto everything = [&] {
        std::string counts;
        counts += std::to_string(AddTo(archive, {added})) + ' ';
        zip.SetZipFilename(archive);
        zip.FSpecArgs = QStringList{"a.txt"};
        zip.Delete();
        counts += std::to_string(zip.SuccessCount()) + ' ';
        zip.SetZipFilename(single);
        zip.FSpecArgs = QStringList{"only.txt"};
        zip.Delete();
        counts += std::to_string(zip.SuccessCount()) + ' ';
        zip.Replace(archive, "b.txt", edited);
        counts += std::to_string(zip.SuccessCount());
        return counts;
    };
    EXPECT_EQ(RunWithSyscallFaults({0, 0, EIO, TMeanwhile::Nothing}, everything), "0 0 0 0");
    EXPECT_EQ(readAll(archive), original);
    EXPECT_EQ(readAll(single), BuildZip({{"only.txt", "only"}}));
    EXPECT_EQ(Listing(dir("w")), QStringList({"arc.zip", "one.zip"}));

    // The same when the disk takes it.
    EXPECT_EQ(RunWithSyscallFaults({}, everything), "1 1 1 1");
    EXPECT_EQ(readAll(single), EmptyZip());
    EXPECT_EQ(Listing(dir("w")), QStringList({"arc.zip", "one.zip"}));
}

// Extracted members take their names where the file system has neither the rename flag
// nor hard links, and still never replace a file that is there.
TEST_F(ZipDurabilityTest, MembersAreExtractedWithoutRenameFlagsOrHardLinks)
{
    zip.SetZipFilename(dir.write("s.zip", BuildZip({{"one.txt", "1"}, {"two.txt", "2"}})));
    const QString target = dir.mkdir("t");
    dir.write("t/two.txt", "theirs");
    const std::string seen = RunWithSyscallFaults(
        {EINVAL, EPERM, 0, TMeanwhile::Nothing}, [&] { return std::to_string(ExtractTo(target)); });
    EXPECT_EQ(seen, "1");
    EXPECT_EQ(Listing(target), QStringList({"one.txt", "two.txt"}));
    EXPECT_EQ(readAll(target + "one.txt"), "1");
    EXPECT_EQ(readAll(target + "two.txt"), "theirs");
}

} // namespace
