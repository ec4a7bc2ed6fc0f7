// Extracts arbitrary bytes as an archive into a scratch folder, keeping stored folders
// and then again overwriting: nothing may ever appear beside the target folder.
#include "LibCommon.h"
#include "UnzExtract.h"

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

std::string g_root;

int RemoveEntry(const char* path, const struct stat*, int, FTW*)
{
    return remove(path);
}

void ResetTarget()
{
    nftw((g_root + "/target").c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
    if (mkdir((g_root + "/target").c_str(), 0700) != 0 || chdir((g_root + "/target").c_str()) != 0)
        std::abort();
}

// The scratch root holds exactly the archive and the target folder.
void CheckRoot()
{
    DIR* dir = opendir(g_root.c_str());
    int count = 0;
    while (dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        if (name != "in.zip" && name != "target") {
            std::fprintf(stderr, "written outside the target: %s\n", name.c_str());
            std::abort();
        }
        ++count;
    }
    closedir(dir);
    if (count != 2)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (g_root.empty()) {
        // A memory file system where there is one: replacing files on disk waits for
        // the data to reach it, which would slow every run down.
        const bool shm = access("/dev/shm", W_OK) == 0;
        std::string pattern =
            shm ? "/dev/shm/fuzz-zipextract-XXXXXX" : "/tmp/fuzz-zipextract-XXXXXX";
        if (!mkdtemp(pattern.data()))
            std::abort();
        g_root = pattern;
        std::atexit([] { nftw(g_root.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS); });
    }
    const std::string archive = g_root + "/in.zip";
    FILE* f = std::fopen(archive.c_str(), "wb");
    if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0)
        std::abort();
    // The library extracts into the current directory; libFuzzer's own paths are
    // relative to the starting one, so it is restored afterwards.
    const int home = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ResetTarget();

    char path[TrvxTextBufferSize] = {};
    archive.copy(path, sizeof path - 1);
    TUnzipCommand command;
    command.ZipFilename = path;
    command.DirNames = -1;
    trvxlib::TReporter reporter(nullptr, nullptr, true);
    trvxlib::ExtractMembers(command, reporter);
    command.OverWrite = -1;
    trvxlib::ExtractMembers(command, reporter);
    CheckRoot();
    if (home < 0 || fchdir(home) != 0)
        std::abort();
    close(home);
    return 0;
}
