// A save of a new file never takes a name another program made meanwhile, also where the
// file system has neither the no-replace flag nor hard links.
#include "platform/FileOpsFaults.h"
#include "support/SyscallFaults.h"
#include "support/TempDir.h"
#include "transfer/FileSave.h"

#include <QDir>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

namespace
{

using TMeanwhile = TSyscallFaults::TMeanwhile;

// A new file saved where the file system has neither the flag nor hard links.
TEST(NoReplaceRename, ANewFileIsSavedWithoutHardLinks)
{
    TempDir temp;
    const QString path = temp("new.txt");
    const std::string seen = RunWithSyscallFaults({EINVAL, EPERM, 0, TMeanwhile::Nothing}, [&] {
        const int error = platform::SaveFile(path, "saved");
        return std::string(error ? std::strerror(error) : "ok");
    });
    EXPECT_EQ(seen, "ok");
    EXPECT_EQ(readAll(path), "saved");
    EXPECT_EQ(QDir(temp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"new.txt"});
}

// Another program makes the name while a new file is being saved: its file is kept, the
// save fails saying so, and no part file is left.
TEST(NoReplaceRename, ASaveOfANewFileNeverTakesANameMadeMeanwhile)
{
    TempDir temp;
    const QString path = temp("new.txt");
    const platform::TFileOpsFaultHook previous =
        platform::SetFileOpsFaultHook([&](platform::TFileOpsStep step, const QString&) {
            if (step == platform::TFileOpsStep::SaveDataWritten)
                temp.write("new.txt", "theirs");
            return 0;
        });
    EXPECT_EQ(platform::SaveFile(path, "mine"), EEXIST);
    platform::SetFileOpsFaultHook(previous);
    EXPECT_EQ(readAll(path), "theirs");
    EXPECT_EQ(QDir(temp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"new.txt"});
}

} // namespace
