#pragma once
// The scratch folder of the extraction fuzzers: made once, on a memory file system where
// there is one (replacing files on disk waits for the data to reach it, which would slow
// every run down), and removed at exit. After each input it must hold exactly the archive
// and the target folder, and the target only regular files.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <ftw.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace fuzzscratch
{

inline int RemoveEntry(const char* path, const struct stat*, int, FTW*)
{
    return remove(path);
}

inline void RemoveTree(const std::string& path)
{
    nftw(path.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

// The root, made at the first call under a name that starts with `prefix`.
inline const std::string& Root(const char* prefix)
{
    static std::string root;
    if (root.empty()) {
        const bool shm = access("/dev/shm", W_OK) == 0;
        std::string pattern = std::string(shm ? "/dev/shm/" : "/tmp/") + prefix + "-XXXXXX";
        if (!mkdtemp(pattern.data()))
            std::abort();
        root = pattern;
        std::atexit([] { RemoveTree(root); });
    }
    return root;
}

// Writes the input as `path`.
inline void WriteInput(const std::string& path, const uint8_t* data, size_t size)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0)
        std::abort();
}

// An empty target folder below the root.
inline std::string FreshTarget(const std::string& root)
{
    const std::string target = root + "/target";
    RemoveTree(target);
    if (mkdir(target.c_str(), 0700) != 0)
        std::abort();
    return target;
}

// Aborts unless the root holds exactly `archive` and "target", and, with `regularOnly`,
// the target holds nothing but regular files.
inline void CheckRoot(const std::string& root, const std::string& archive, bool regularOnly)
{
    DIR* dir = opendir(root.c_str());
    int count = 0;
    while (dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        if (name != archive && name != "target") {
            std::fprintf(stderr, "written outside the target: %s\n", name.c_str());
            std::abort();
        }
        ++count;
    }
    closedir(dir);
    if (count != 2)
        std::abort();
    if (!regularOnly)
        return;
    dir = opendir((root + "/target").c_str());
    while (dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != ".." && e->d_type != DT_REG) {
            std::fprintf(stderr, "not a regular file in the target: %s\n", name.c_str());
            std::abort();
        }
    }
    closedir(dir);
}

} // namespace fuzzscratch
