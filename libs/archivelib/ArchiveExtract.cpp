#include "ArchiveReader.h"
#include "LibCommon.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace archivelib
{
namespace
{

class TExtractor final
{
public:
    TExtractor(archive* a, int dir, TExtraction& result) : m_a(a), m_dir(dir), m_result(result) {}
    void Extract(archive_entry* e, const std::string& name, const std::string& path);

private:
    bool CopyData(int fd, const std::string& name, const std::string& path);
    void Skip(const std::string& name, const std::string& why)
    {
        m_result.Messages.push_back("Skipped " + name + ": " + why);
    }

    archive* m_a;
    int m_dir;
    TExtraction& m_result;
};

void TExtractor::Extract(archive_entry* e, const std::string& name, const std::string& path)
{
    const mode_t type = archive_entry_filetype(e);
    if (type == AE_IFDIR)
        return; // folders are not copied; their files are chosen one by one
    if (type == AE_IFLNK || archive_entry_hardlink(e)) {
        Skip(name, "links are not extracted");
        return;
    }
    if (type != AE_IFREG) {
        Skip(name, "not a regular file");
        return;
    }
    std::vector<std::string> parts;
    if (!trvxlib::SafeRelativeParts(name, parts)) {
        Skip(name, "its name leads outside the target folder");
        return;
    }
    if (archive_entry_is_encrypted(e)) {
        Skip(name, "it is encrypted");
        return;
    }
    const mode_t perm = archive_entry_perm(e) & 0777;
    const int fd = openat(m_dir, parts.back().c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, perm ? perm : 0666);
    if (fd < 0) {
        Skip(name, errno == EEXIST ? std::string("a file of that name is already there")
                                   : std::string("cannot create file: ") + std::strerror(errno));
        return;
    }
    bool ok = CopyData(fd, name, path);
    if (ok) {
        const timespec times[2] = {{archive_entry_mtime(e), 0}, {archive_entry_mtime(e), 0}};
        futimens(fd, times);
    }
    if (close(fd) != 0 && ok) {
        ok = false;
        Skip(name, std::string("cannot write file: ") + std::strerror(errno));
    }
    if (!ok)
        unlinkat(m_dir, parts.back().c_str(), 0);
    else
        ++m_result.Written;
}

bool TExtractor::CopyData(int fd, const std::string& name, const std::string& path)
{
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        const la_ssize_t n = archive_read_data(m_a, buffer.data(), buffer.size());
        if (n < 0) {
            Skip(name, ErrorText(m_a, path));
            return false;
        }
        if (n == 0)
            return true;
        for (la_ssize_t done = 0; done < n;) {
            const ssize_t w = write(fd, buffer.data() + done, size_t(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                Skip(name, std::string("cannot write file: ") + std::strerror(errno));
                return false;
            }
            done += w;
        }
    }
}

} // namespace

TExtraction ExtractMembers(const std::string& path, const std::vector<std::string>& names,
                           const std::string& folder)
{
    TExtraction result;
    std::set<std::string> wanted(names.begin(), names.end());
    TOpened o = OpenArchive(path);
    const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (o.Status != TStatus::Ok || dir < 0) {
        result.Status = TStatus::Failed;
        result.Messages.push_back(dir < 0 ? folder + ": " + std::strerror(errno) : o.Message);
        if (dir >= 0)
            close(dir);
        return result;
    }
    archive* a = o.Archive.get();
    TExtractor extractor(a, dir, result);
    bool failed = false;
    // Reading stops once every wanted member has been met.
    for (archive_entry* e = o.Entry; e;) {
        const std::string name = MemberName(a, e, path);
        if (wanted.erase(name) != 0)
            extractor.Extract(e, name, path);
        if (wanted.empty() || !NextHeader(a, e, failed))
            break;
    }
    close(dir);
    for (const std::string& name : wanted)
        result.Messages.push_back(
            "Skipped " + name + ": " +
            (failed ? "the archive ends before it" : "not found in the archive"));
    if (failed) {
        result.Status = TStatus::Failed;
        result.Messages.push_back(ErrorText(a, path));
    }
    return result;
}

} // namespace archivelib
