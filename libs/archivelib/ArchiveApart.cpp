// A listing in a child process: libarchive can loop inside one call without reading
// anything (an ISO image whose Rock Ridge continuation points at itself), where no check
// of the caller's is ever asked. The child is killed once the caller's check says no, so
// an abandoned listing ends whatever libarchive does; a crash of libarchive's ends only
// the child.
#include "ArchiveLib.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace archivelib
{
namespace
{

constexpr int kAskMs = 50; // how often the check is asked while the child reads

void PutNumber(std::string& out, uint64_t value)
{
    for (int i = 0; i < 8; ++i)
        out += char(value >> (8 * i));
}

void PutText(std::string& out, const std::string& text)
{
    PutNumber(out, text.size());
    out += text;
}

std::string Serialize(const TListing& listing)
{
    std::string out;
    PutNumber(out, uint64_t(listing.Status));
    PutText(out, listing.Message);
    PutNumber(out, listing.Members.size());
    for (const TMember& m : listing.Members) {
        PutText(out, m.Name);
        PutNumber(out, uint64_t(m.Size));
        PutNumber(out, uint64_t(m.MTime));
        PutNumber(out, m.IsDirectory);
    }
    return out;
}

class TParser final
{
public:
    explicit TParser(const std::string& data) : m_data(data) {}
    bool Number(uint64_t& value)
    {
        if (m_data.size() - m_at < 8)
            return false;
        value = 0;
        for (int i = 0; i < 8; ++i)
            value |= uint64_t(uint8_t(m_data[m_at + i])) << (8 * i);
        m_at += 8;
        return true;
    }
    bool Text(std::string& text)
    {
        uint64_t size = 0;
        if (!Number(size) || m_data.size() - m_at < size)
            return false;
        text = m_data.substr(m_at, size);
        m_at += size;
        return true;
    }
    bool AtEnd() const { return m_at == m_data.size(); }

private:
    const std::string& m_data;
    size_t m_at{0};
};

bool Parse(const std::string& data, TListing& listing)
{
    TParser in(data);
    uint64_t status = 0, count = 0;
    if (!in.Number(status) || status > uint64_t(TStatus::Failed) || !in.Text(listing.Message) ||
        !in.Number(count))
        return false;
    listing.Status = TStatus(status);
    for (uint64_t i = 0; i < count; ++i) {
        TMember& m = listing.Members.emplace_back();
        uint64_t size = 0, time = 0, folder = 0;
        if (!in.Text(m.Name) || !in.Number(size) || !in.Number(time) || !in.Number(folder))
            return false;
        m.Size = int64_t(size);
        m.MTime = time_t(time);
        m.IsDirectory = folder != 0;
    }
    return in.AtEnd();
}

bool WriteAll(int fd, const std::string& data)
{
    for (size_t done = 0; done < data.size();) {
        const ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

[[noreturn]] void RunChild(const std::string& path, int out, pid_t parent)
{
    // Signals meant for the program (Ctrl+C in its terminal) end the child as they are,
    // and so does the end of the thread that waits for it (the program quitting).
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        std::signal(signal, SIG_DFL);
    if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent)
        _exit(1);
    _exit(WriteAll(out, Serialize(ListMembers(path))) ? 0 : 1);
}

// Reads the child's answer until its end, asking `goOn` between waits; false once it
// said no.
bool ReadAnswer(int in, const TGoOn& goOn, std::string& data)
{
    char buffer[64 * 1024];
    for (;;) {
        if (!goOn())
            return false;
        pollfd ready{in, POLLIN, 0};
        const int r = poll(&ready, 1, kAskMs);
        if (r == 0 || (r < 0 && errno == EINTR))
            continue;
        const ssize_t n = r < 0 ? -1 : read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return true;
        data.append(buffer, size_t(n));
    }
}

} // namespace

TListing ListMembersApart(const std::string& path, const TGoOn& goOn)
{
    int pipe[2];
    if (!goOn || pipe2(pipe, O_CLOEXEC) != 0)
        return ListMembers(path, goOn);
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child < 0) {
        close(pipe[0]);
        close(pipe[1]);
        return ListMembers(path, goOn);
    }
    if (child == 0) {
        close(pipe[0]);
        RunChild(path, pipe[1], parent);
    }
    close(pipe[1]);
    std::string data;
    const bool whole = ReadAnswer(pipe[0], goOn, data);
    close(pipe[0]);
    if (!whole)
        kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    TListing listing;
    if (!whole) {
        listing.Status = TStatus::Failed;
        listing.Message = path + ": the reading was stopped";
        listing.Cancelled = true;
    } else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !Parse(data, listing)) {
        listing = TListing{};
        listing.Status = TStatus::Failed;
        listing.Message = path + ": the archive cannot be read (its reader ended abnormally)";
    }
    return listing;
}

} // namespace archivelib
