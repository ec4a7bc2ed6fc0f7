// The rename that never replaces, on every kind of file system: with the flag, with hard
// links only, and with neither (the system calls made to fail as such file systems fail
// them, in a child process).
#include "platform/base/NoReplaceRename.h"
#include "support/SyscallFaults.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

using TMeanwhile = TSyscallFaults::TMeanwhile;

struct TWay {
    const char* Name;
    TSyscallFaults Faults;
};

// The kinds of file system: the flag known, refused as NFS and FUSE refuse it, unknown
// to the kernel, and refused on a file system without hard links.
const TWay kWays[] = {
    {"flag", {}},
    {"no flag", {EINVAL, 0, 0, TMeanwhile::Nothing}},
    {"no renameat2", {ENOSYS, 0, 0, TMeanwhile::Nothing}},
    {"no flag, no links", {EINVAL, EPERM, 0, TMeanwhile::Nothing}},
    {"flag not supported, no links", {ENOTSUP, EPERM, 0, TMeanwhile::Nothing}},
};

std::string Text(const std::string& path)
{
    char buffer[64] = {};
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const ssize_t n = fd < 0 ? -1 : ::read(fd, buffer, sizeof buffer - 1);
    if (fd >= 0)
        ::close(fd);
    return n < 0 ? "(none)" : std::string(buffer, size_t(n));
}

void Write(const std::string& path, const char* text)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    (void)!::write(fd, text, std::strlen(text));
    ::close(fd);
}

std::string Names(const std::string& folder)
{
    std::set<std::string> names;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(d))
            if (e->d_name[0] != '.' || (e->d_name[1] && std::strcmp(e->d_name, "..")))
                names.insert(e->d_name);
        ::closedir(d);
    }
    std::string text;
    for (const std::string& n : names)
        text += n + ' ';
    return text;
}

std::string Rename(const std::string& dir, const char* from, const char* to)
{
    const int error =
        trvxbase::RenameNoReplace(AT_FDCWD, (dir + from).c_str(), AT_FDCWD, (dir + to).c_str());
    return error ? std::strerror(error) : "ok";
}

// New names are taken by files, folders and links; a name that is there is never taken,
// whatever is there, and nothing is left behind.
std::string RenameEverything(const std::string& dir)
{
    Write(dir + "file", "mine");
    Write(dir + "other", "other");
    Write(dir + "taken", "theirs");
    ::mkdir((dir + "folder").c_str(), 0755);
    Write(dir + "folder/inside", "in");
    ::mkdir((dir + "empty").c_str(), 0755);
    ::mkdir((dir + "full").c_str(), 0755);
    Write(dir + "full/x", "x");
    ::symlink("file", (dir + "link").c_str());
    std::string seen;
    seen += "file>new " + Rename(dir, "file", "new") + "; ";
    seen += "other>taken " + Rename(dir, "other", "taken") + "; ";
    seen += "other>empty " + Rename(dir, "other", "empty") + "; ";
    seen += "folder>moved " + Rename(dir, "folder", "moved") + "; ";
    seen += "moved>empty " + Rename(dir, "moved", "empty") + "; ";
    seen += "moved>full " + Rename(dir, "moved", "full") + "; ";
    seen += "link>pointer " + Rename(dir, "link", "pointer") + "; ";
    seen += "gone>x " + Rename(dir, "gone", "x") + "; ";
    char target[16] = {};
    (void)!::readlink((dir + "pointer").c_str(), target, sizeof target - 1);
    seen += "| " + Names(dir) + "| empty: " + Names(dir + "empty") + "| " + Text(dir + "new") +
            " " + Text(dir + "taken") + " " + Text(dir + "other") + " " +
            Text(dir + "moved/inside") + " " + target;
    return seen;
}

TEST(NoReplaceRename, EveryKindOfFileSystemKeepsWhatIsThere)
{
    TempDir temp;
    const std::string expected =
        "file>new ok; other>taken File exists; other>empty File exists; folder>moved ok; "
        "moved>empty File exists; moved>full File exists; link>pointer ok; "
        "gone>x No such file or directory; | empty full moved new other pointer taken | "
        "empty: | mine theirs other in file";
    for (const TWay& way : kWays) {
        const std::string dir = QFile::encodeName(temp.mkdir(way.Name)).toStdString();
        EXPECT_EQ(RunWithSyscallFaults(way.Faults, [&] { return RenameEverything(dir); }), expected)
            << way.Name;
    }
}

// Another program makes the name at the last moment: a name it made is never replaced
// (here it finds the name taken, as the rename has reserved it), and the rename is whole.
TEST(NoReplaceRename, ANameMadeMeanwhileIsNeverReplaced)
{
    TempDir temp;
    const struct {
        const char* Name;
        TSyscallFaults Faults;
        bool Folder;
    } cases[] = {
        {"file, links", {EINVAL, 0, 0, TMeanwhile::File}, false},
        {"file, no links", {EINVAL, EPERM, 0, TMeanwhile::File}, false},
        {"folder", {EINVAL, 0, 0, TMeanwhile::Folder}, true},
        {"folder, no links", {ENOSYS, EPERM, 0, TMeanwhile::Folder}, true},
    };
    for (const auto& c : cases) {
        const std::string dir = QFile::encodeName(temp.mkdir(c.Name)).toStdString();
        const std::string seen = RunWithSyscallFaults(c.Faults, [&] {
            if (c.Folder) {
                ::mkdir((dir + "mine").c_str(), 0755);
                Write(dir + "mine/inside", "mine");
            } else {
                Write(dir + "mine", "mine");
            }
            const std::string result = Rename(dir, "mine", "name");
            return result + " | " + Names(dir) + "| " +
                   Text(dir + (c.Folder ? "name/inside" : "name")) + " | " + MeanwhileMade();
        });
        // Through a hard link no plain rename is made, so no other program is met.
        const bool linked = !c.Folder && c.Faults.Link == 0;
        EXPECT_EQ(seen, std::string("ok | name | mine | made 0, refused ") + (linked ? "0" : "1"))
            << c.Name;
    }
}

} // namespace
