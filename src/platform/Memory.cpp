#include "platform/Memory.h"

#include <cstdio>
#include <unistd.h>

namespace platform
{

qint64 PhysicalMemoryBytes()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return 0;
    return qint64(pages) * qint64(pageSize);
}

qint64 ResidentBytes()
{
    // The second field of statm counts the resident pages, as VmRSS does.
    std::FILE* file = std::fopen("/proc/self/statm", "r");
    if (!file)
        return 0;
    long size = 0;
    long resident = 0;
    const int read = std::fscanf(file, "%ld %ld", &size, &resident);
    std::fclose(file);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (read != 2 || pageSize <= 0)
        return 0;
    return qint64(resident) * qint64(pageSize);
}

} // namespace platform
