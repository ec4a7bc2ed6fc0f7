#include "platform/base/OwnerTag.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace trvxbase
{
namespace
{

constexpr size_t kHostChars = 40;
constexpr time_t kWeek = 7 * 24 * 60 * 60;

bool HostChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_';
}

bool Digits(std::string_view text, size_t most)
{
    if (text.empty() || text.size() > most)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

unsigned long long Number(std::string_view digits)
{
    unsigned long long n = 0;
    for (char c : digits)
        n = n * 10 + unsigned(c - '0');
    return n;
}

// "<PID NAMESPACE>.<HOST>" of this process: neither changes while it runs.
const std::string& Place()
{
    static const std::string place = [] {
        struct stat st {
        };
        const unsigned long long ns =
            ::stat("/proc/self/ns/pid", &st) == 0 ? (unsigned long long)st.st_ino : 0;
        char host[HOST_NAME_MAX + 1] = {};
        if (::gethostname(host, sizeof host - 1) != 0)
            host[0] = '\0';
        std::string text = std::to_string(ns) + '.';
        for (size_t i = 0; host[i] && i < kHostChars; ++i)
            text += HostChar(host[i]) ? host[i] : '_';
        return text;
    }();
    return place;
}

// The parts of a tag: the process id, and the rest ("" for the older form).
bool Split(std::string_view text, pid_t& pid, std::string_view& place)
{
    const size_t dot = text.find('.');
    const std::string_view id = text.substr(0, dot);
    if (!Digits(id, 9) || Number(id) == 0)
        return false;
    pid = pid_t(Number(id));
    place = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    if (dot == std::string_view::npos)
        return true;
    const size_t second = place.find('.');
    if (second == std::string_view::npos || !Digits(place.substr(0, second), 20))
        return false;
    for (char c : place.substr(second + 1))
        if (!HostChar(c))
            return false;
    return true;
}

// When the process `pid` started (seconds since the epoch, to within a second), or -1
// when that cannot be read: field 22 of /proc/PID/stat, in clock ticks after boot, and
// the boot time of /proc/stat.
double StartTime(pid_t pid)
{
    char text[1024];
    const std::string path = "/proc/" + std::to_string(pid) + "/stat";
    FILE* f = std::fopen(path.c_str(), "re");
    const size_t n = f ? std::fread(text, 1, sizeof text - 1, f) : 0;
    if (f)
        std::fclose(f);
    text[n] = '\0';
    const char* p = std::strrchr(text, ')'); // the command name may hold anything
    unsigned long long ticks = 0;
    // After the name: state (field 3) ... starttime (field 22).
    if (!p || std::sscanf(p + 1,
                          " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %*u %*u %*d %*d "
                          "%*d %*d %*d %*d %llu",
                          &ticks) != 1)
        return -1;
    static const long long boot = [] {
        FILE* s = std::fopen("/proc/stat", "re");
        long long btime = -1;
        char line[256];
        while (s && std::fgets(line, sizeof line, s))
            if (std::sscanf(line, "btime %lld", &btime) == 1)
                break;
        if (s)
            std::fclose(s);
        return btime;
    }();
    const long hz = ::sysconf(_SC_CLK_TCK);
    return boot < 0 || hz <= 0 ? -1 : double(boot) + double(ticks) / double(hz);
}

// Whether the process that left an entry last changed at `changed` has ended: no process
// has its id, or the one that has it started after that change (the id was reused).
bool ProcessEnded(pid_t pid, time_t changed)
{
    if (::kill(pid, 0) != 0 && errno == ESRCH)
        return true;
    const double started = StartTime(pid);
    return started >= 0 && started > double(changed) + 2; // the boot time has whole seconds
}

} // namespace

std::string OwnerTag(pid_t pid)
{
    return std::to_string(pid) + '.' + Place();
}

std::string OwnerTag()
{
    return OwnerTag(::getpid());
}

bool IsOwnerTag(std::string_view text, pid_t& pid)
{
    std::string_view place;
    return Split(text, pid, place);
}

bool LeftOverMayGo(std::string_view text, time_t changed)
{
    pid_t pid = 0;
    std::string_view place;
    if (!Split(text, pid, place))
        return false;
    if (place != Place()) // another host or namespace, or no telling which
        return changed < ::time(nullptr) - kWeek;
    return pid != ::getpid() && ProcessEnded(pid, changed);
}

} // namespace trvxbase
