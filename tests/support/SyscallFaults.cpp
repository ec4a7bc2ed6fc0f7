#include "support/SyscallFaults.h"

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <fcntl.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <ucontext.h>
#include <unistd.h>
#include <vector>

namespace
{

TSyscallFaults::TMeanwhile g_meanwhile = TSyscallFaults::TMeanwhile::Nothing;
int g_made = 0;
int g_refused = 0;

using TProgram = std::vector<sock_filter>;

sock_filter Load(unsigned offset)
{
    return BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offset);
}

sock_filter Return(unsigned action)
{
    return BPF_STMT(BPF_RET | BPF_K, action);
}

unsigned Fail(int error)
{
    return error ? SECCOMP_RET_ERRNO | (unsigned(error) & SECCOMP_RET_DATA) : SECCOMP_RET_ALLOW;
}

// Calls `nr` end with `action`.
void Rule(TProgram& p, long nr, unsigned action)
{
    p.push_back(Load(offsetof(seccomp_data, nr)));
    p.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, unsigned(nr), 0, 1));
    p.push_back(Return(action));
}

TProgram Program(const TSyscallFaults& f)
{
    TProgram p;
    p.push_back(Load(offsetof(seccomp_data, arch)));
    p.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 1, 0));
    p.push_back(Return(SECCOMP_RET_ALLOW));
    if (f.RenameFlags) {
        // renameat2 with flags fails; without flags it renames (the SIGSYS handler's way).
        p.push_back(Load(offsetof(seccomp_data, nr)));
        p.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_renameat2, 0, 4));
        p.push_back(Load(offsetof(seccomp_data, args) + 4 * sizeof(__u64)));
        p.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, 0, 0, 1));
        p.push_back(Return(SECCOMP_RET_ALLOW));
        p.push_back(Return(Fail(f.RenameFlags)));
    }
    if (f.Link) {
        Rule(p, SYS_link, Fail(f.Link));
        Rule(p, SYS_linkat, Fail(f.Link));
    }
    if (f.Sync) {
        Rule(p, SYS_fsync, Fail(f.Sync));
        Rule(p, SYS_fdatasync, Fail(f.Sync));
        Rule(p, SYS_syncfs, Fail(f.Sync));
    }
    if (f.Meanwhile != TSyscallFaults::TMeanwhile::Nothing) {
        Rule(p, SYS_rename, SECCOMP_RET_TRAP);
        Rule(p, SYS_renameat, SECCOMP_RET_TRAP);
    }
    p.push_back(Return(SECCOMP_RET_ALLOW));
    return p;
}

// A trapped plain rename: another program makes the target name first (never replacing
// anything), then the rename runs as asked.
void OnTrappedRename(int, siginfo_t* info, void* context)
{
    auto* uc = static_cast<ucontext_t*>(context);
    greg_t* r = uc->uc_mcontext.gregs;
    int fromDir = AT_FDCWD, toDir = AT_FDCWD;
    auto from = reinterpret_cast<const char*>(r[REG_RDI]);
    auto to = reinterpret_cast<const char*>(r[REG_RSI]);
    if (info->si_syscall == SYS_renameat) {
        fromDir = int(r[REG_RDI]);
        from = reinterpret_cast<const char*>(r[REG_RSI]);
        toDir = int(r[REG_RDX]);
        to = reinterpret_cast<const char*>(r[REG_R10]);
    }
    int made = -1;
    if (g_meanwhile == TSyscallFaults::TMeanwhile::Folder) {
        made = ::mkdirat(toDir, to, 0755);
    } else {
        const int fd = ::openat(toDir, to, O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (fd >= 0) {
            made = int(::write(fd, "theirs", 6)) == 6 ? 0 : -1;
            ::close(fd);
        }
    }
    (made == 0 ? g_made : g_refused)++;
    const long result = ::syscall(SYS_renameat2, fromDir, from, toDir, to, 0);
    r[REG_RAX] = result == 0 ? 0 : -errno;
}

[[noreturn]] void Child(const TSyscallFaults& faults, const std::function<std::string()>& body,
                        int out)
{
    g_meanwhile = faults.Meanwhile;
    struct sigaction trap {
    };
    trap.sa_sigaction = OnTrappedRename;
    trap.sa_flags = SA_SIGINFO;
    ::sigaction(SIGSYS, &trap, nullptr);
    TProgram program = Program(faults);
    const sock_fprog prog{static_cast<unsigned short>(program.size()), program.data()};
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        ::syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &prog) != 0) {
        (void)!::write(out, "no seccomp", 10);
        ::_exit(0);
    }
    const std::string result = body();
    (void)!::write(out, result.data(), result.size());
    ::_exit(0);
}

} // namespace

std::string RunWithSyscallFaults(const TSyscallFaults& faults,
                                 const std::function<std::string()>& body)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        Child(faults, body, pipeFds[1]);
    }
    ::close(pipeFds[1]);
    std::string result;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        result.append(buffer, size_t(n));
    }
    ::close(pipeFds[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status))
        return result + " [crashed]";
    return result;
}

std::string MeanwhileMade()
{
    return "made " + std::to_string(g_made) + ", refused " + std::to_string(g_refused);
}
