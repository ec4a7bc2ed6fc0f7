// Extracts arbitrary bytes as an archive into a scratch folder, keeping stored folders
// and then again overwriting: nothing may ever appear beside the target folder.
#include "LibCommon.h"
#include "ScratchRoot.h"
#include "UnzExtract.h"

#include <fcntl.h>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string& root = fuzzscratch::Root("fuzz-zipextract");
    const std::string archive = root + "/in.zip";
    fuzzscratch::WriteInput(archive, data, size);
    // The library extracts into the current directory; libFuzzer's own paths are
    // relative to the starting one, so it is restored afterwards.
    const int home = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (chdir(fuzzscratch::FreshTarget(root).c_str()) != 0)
        std::abort();

    char path[TrvxTextBufferSize] = {};
    archive.copy(path, sizeof path - 1);
    TUnzipCommand command;
    command.ZipFilename = path;
    command.DirNames = -1;
    trvxlib::TReporter reporter(nullptr, nullptr, true);
    trvxlib::ExtractMembers(command, reporter);
    command.OverWrite = -1;
    trvxlib::ExtractMembers(command, reporter);
    fuzzscratch::CheckRoot(root, "in.zip", false);
    if (home < 0 || fchdir(home) != 0)
        std::abort();
    close(home);
    return 0;
}
