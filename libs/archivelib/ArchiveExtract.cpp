#include "ArchiveReader.h"
#include "LibCommon.h"
#include "PartFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace archivelib
{
using trvxlib::CommitPartFile;
using trvxlib::CreatePartFile;

namespace
{

// A file to write: where, under which name, and how.
struct TTarget {
    std::string Name; // the member's name, for messages
    std::string Leaf; // the file's name in the target folder
    mode_t Perm{0};
    time_t MTime{0};
};

class TExtractor final
{
public:
    TExtractor(int dir, const std::string& path, TExtraction& result)
        : m_dir(dir), m_path(path), m_result(result)
    {
    }
    // A member met in the first pass. A hard link without data waits for the member it
    // links to (LinkTargets), which a later pass reads.
    void Extract(archive* a, archive_entry* e, const std::string& name);
    // The wanted hard links by the name of the member whose content they copy.
    std::multimap<std::string, TTarget>& LinkTargets() { return m_links; }
    // Writes the data of the member `e` (the one at hand in `a`) to `target`.
    void Write(archive* a, archive_entry* e, const TTarget& target);
    void Skip(const std::string& name, const std::string& why)
    {
        m_result.Messages.push_back("Skipped " + name + ": " + why);
    }

private:
    bool CopyData(archive* a, int fd, archive_entry* e, const std::string& name);

    int m_dir;
    std::string m_path;
    TExtraction& m_result;
    std::multimap<std::string, TTarget> m_links;
};

std::string LinkTarget(archive_entry* e)
{
    const char* target = archive_entry_hardlink_utf8(e);
    if (!target)
        target = archive_entry_hardlink(e);
    return target ? target : std::string();
}

bool HasData(archive_entry* e)
{
    return archive_entry_size_is_set(e) && archive_entry_size(e) > 0;
}

void TExtractor::Extract(archive* a, archive_entry* e, const std::string& name)
{
    const mode_t type = archive_entry_filetype(e);
    if (type == AE_IFDIR)
        return; // folders are not copied; their files are chosen one by one
    if (type == AE_IFLNK) {
        Skip(name, "links are not extracted");
        return;
    }
    const bool hardLink = !LinkTarget(e).empty() && !HasData(e);
    // A special file's mode with data (a pipe's content stored by a backup) is a file.
    if (type != AE_IFREG && !hardLink && !HasData(e)) {
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
    const TTarget target{name, parts.back(), perm ? perm : 0666, archive_entry_mtime(e)};
    if (hardLink)
        m_links.emplace(LinkTarget(e), target);
    else
        Write(a, e, target);
}

// Written under a temporary name that becomes the member's only once the data is
// complete, by a rename that never replaces.
void TExtractor::Write(archive* a, archive_entry* e, const TTarget& target)
{
    struct stat st {
    };
    if (fstatat(m_dir, target.Leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        Skip(target.Name, "a file of that name is already there");
        return;
    }
    std::string part;
    const int fd = CreatePartFile(m_dir, target.Leaf, target.Perm, part);
    if (fd < 0) {
        Skip(target.Name, std::string("cannot create file: ") + std::strerror(errno));
        return;
    }
    bool ok = CopyData(a, fd, e, target.Name);
    if (ok) {
        const timespec times[2] = {{target.MTime, 0}, {target.MTime, 0}};
        futimens(fd, times);
    }
    if (close(fd) != 0 && ok) {
        ok = false;
        Skip(target.Name, std::string("cannot write file: ") + std::strerror(errno));
    }
    if (ok && !CommitPartFile(m_dir, part, target.Leaf)) {
        ok = false;
        Skip(target.Name, errno == EEXIST
                              ? std::string("a file of that name is already there")
                              : std::string("cannot name file: ") + std::strerror(errno));
    }
    if (!ok)
        unlinkat(m_dir, part.c_str(), 0);
    else
        ++m_result.Written;
}

// A member whose header gives its size never writes more, and one whose data ends
// short of it is damaged.
bool TExtractor::CopyData(archive* a, int fd, archive_entry* e, const std::string& name)
{
    const bool sized = archive_entry_size_is_set(e);
    const int64_t declared = sized ? archive_entry_size(e) : 0;
    const auto damaged = [declared](const char* what) {
        return std::string("the member is damaged: its data ") + what + " the " +
               std::to_string(declared) + " bytes its header declares";
    };
    std::vector<char> buffer(64 * 1024);
    int64_t total = 0;
    for (;;) {
        const la_ssize_t n = archive_read_data(a, buffer.data(), buffer.size());
        if (n < 0) {
            Skip(name, ErrorText(a, m_path));
            return false;
        }
        if (n == 0 && sized && total != declared) {
            Skip(name, damaged("ends before"));
            return false;
        }
        if (n == 0)
            return true;
        if (sized && n > declared - total) {
            Skip(name, damaged("runs past"));
            return false;
        }
        total += n;
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

// Hard links copy the content of the member they link to, which lies before them in
// the archive: it is read again from the start, once for each link to the same member.
void CopyLinkedContent(TExtractor& extractor, const std::string& path)
{
    auto& links = extractor.LinkTargets();
    while (!links.empty()) {
        TOpened o = OpenArchive(path);
        if (o.Status != TStatus::Ok) {
            for (const auto& [target, link] : links)
                extractor.Skip(link.Name, "the archive cannot be read again for " + target);
            links.clear();
            break;
        }
        archive* a = o.Archive.get();
        std::set<std::string> pending;
        for (const auto& [target, link] : links)
            pending.insert(target);
        bool failed = false;
        for (archive_entry* e = o.Entry; e && !pending.empty();) {
            const std::string name = MemberName(a, e, path);
            const auto it = links.find(name);
            if (it != links.end() && pending.erase(name) != 0) {
                if (archive_entry_filetype(e) == AE_IFREG || HasData(e))
                    extractor.Write(a, e, it->second);
                else
                    extractor.Skip(it->second.Name, "it links to " + name + ", which is no file");
                links.erase(it);
            }
            if (!NextHeader(a, e, failed))
                break;
        }
        for (const std::string& target : pending) {
            const auto it = links.find(target);
            extractor.Skip(it->second.Name,
                           "it links to " + target + ", which is not in the archive");
            links.erase(it);
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
    trvxlib::RemoveStaleParts(dir);
    archive* a = o.Archive.get();
    TExtractor extractor(dir, path, result);
    bool failed = false;
    // Reading stops once every wanted member has been met.
    for (archive_entry* e = o.Entry; e;) {
        const std::string name = MemberName(a, e, path);
        if (wanted.erase(name) != 0)
            extractor.Extract(a, e, name);
        if (wanted.empty() || !NextHeader(a, e, failed))
            break;
    }
    if (!failed)
        CopyLinkedContent(extractor, path);
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
