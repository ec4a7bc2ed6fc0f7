// Lists arbitrary bytes as an archive and extracts every listed member into a scratch
// folder: nothing may appear beside the target folder, nor anything but regular files
// in it.
#include "ArchiveLib.h"

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <ftw.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{

std::string g_root;

int RemoveEntry(const char* path, const struct stat*, int, FTW*)
{
    return remove(path);
}

// The scratch root holds exactly the archive and the target folder, and the target
// only regular files.
void CheckRoot()
{
    DIR* dir = opendir(g_root.c_str());
    int count = 0;
    while (dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        if (name != "in.bin" && name != "target") {
            std::fprintf(stderr, "written outside the target: %s\n", name.c_str());
            std::abort();
        }
        ++count;
    }
    closedir(dir);
    if (count != 2)
        std::abort();
    dir = opendir((g_root + "/target").c_str());
    while (dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != ".." && e->d_type != DT_REG) {
            std::fprintf(stderr, "not a regular file in the target: %s\n", name.c_str());
            std::abort();
        }
    }
    closedir(dir);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (g_root.empty()) {
        const bool shm = access("/dev/shm", W_OK) == 0;
        std::string pattern = shm ? "/dev/shm/fuzz-archive-XXXXXX" : "/tmp/fuzz-archive-XXXXXX";
        if (!mkdtemp(pattern.data()))
            std::abort();
        g_root = pattern;
        std::atexit([] { nftw(g_root.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS); });
    }
    const std::string archive = g_root + "/in.bin";
    FILE* f = std::fopen(archive.c_str(), "wb");
    if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0)
        std::abort();
    const std::string target = g_root + "/target";
    nftw(target.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
    if (mkdir(target.c_str(), 0700) != 0)
        std::abort();

    const archivelib::TListing listing = archivelib::ListMembers(archive);
    std::vector<std::string> names;
    for (const archivelib::TMember& m : listing.Members)
        names.push_back(m.Name);
    if (listing.Status == archivelib::TStatus::Ok)
        archivelib::ExtractMembers(archive, names, target);
    CheckRoot();
    return 0;
}
