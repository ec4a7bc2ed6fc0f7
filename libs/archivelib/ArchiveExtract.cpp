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
    // The folders below the target folder it goes into (an extraction that keeps them).
    std::vector<std::string> Folders;
    mode_t Perm{0};
    time_t MTime{0};
};

class TExtractor final
{
public:
    TExtractor(int dir, const std::string& path, TExtraction& result, const TProgress& progress)
        : m_dir(dir), m_path(path), m_result(result), m_progress(progress)
    {
    }
    ~TExtractor() { CloseFolder(); }
    // Members keep the folders of their names; encrypted ones are read with a password.
    void KeepFolders(bool keep, bool password)
    {
        m_keepFolders = keep;
        m_password = password;
    }
    // A member met in the first pass. A hard link without data waits for the member it
    // links to (LinkTargets), which a later pass reads.
    void Extract(archive* a, archive_entry* e, const std::string& name);
    // The wanted hard links by the name of the member whose content they copy.
    std::multimap<std::string, TTarget>& LinkTargets() { return m_links; }
    // Whether members wait for content that a later member of the archive carries.
    bool Waiting() const { return !m_waiting.empty(); }
    // Called for every member of the first pass: when `e` carries the content of members
    // that wait for it, they become links to it (under `name`).
    void Carries(archive* a, archive_entry* e, const std::string& name);
    // At the end of the archive: the members still waiting hold their own content (an
    // empty file of several names), and are written from themselves.
    void NoneCarried();
    // The archive could not be read to its end: says so of every link not written.
    void LinksUnread();
    // Writes the data of the member `e` (the one at hand in `a`) to `target`.
    void Write(archive* a, archive_entry* e, const TTarget& target);
    // Passes over the data of the member at hand, which is not wanted; false when the
    // extraction was stopped meanwhile.
    bool Pass(archive* a);
    void Skip(const std::string& name, const std::string& why)
    {
        m_result.Messages.push_back("Skipped " + name + ": " + why);
    }
    // Tells the progress callback; false once it has asked to stop.
    bool GoOn(int64_t written, int files);
    bool Stopped() const { return m_result.Cancelled; }

private:
    // The folder `folders` below the target folder, made where missing; -1 (said of
    // `name`) when one of them cannot be made or is no folder (a link is never entered).
    int Folder(const std::vector<std::string>& folders, const std::string& name);
    void CloseFolder();
    bool CopyData(archive* a, int fd, archive_entry* e, const std::string& name);
    bool ExtendWithHole(int fd, int64_t size, const std::string& name);

    int m_dir;
    std::string m_path;
    TExtraction& m_result;
    const TProgress& m_progress;
    std::multimap<std::string, TTarget> m_links;
    // Members of newc/crc cpio archives waiting for their content, by device and inode.
    std::multimap<std::pair<dev_t, la_int64_t>, TTarget> m_waiting;
    bool m_keepFolders{false};
    bool m_password{false};
    // The last folder written into, kept open: members come folder by folder.
    std::vector<std::string> m_openFolders;
    int m_openFd{-1};
};

void TExtractor::CloseFolder()
{
    if (m_openFd >= 0)
        close(m_openFd);
    m_openFd = -1;
    m_openFolders.clear();
}

int TExtractor::Folder(const std::vector<std::string>& folders, const std::string& name)
{
    if (folders.empty())
        return m_dir;
    if (m_openFd >= 0 && folders == m_openFolders)
        return m_openFd;
    CloseFolder();
    int dir = m_dir;
    for (const std::string& part : folders) {
        const bool made = mkdirat(dir, part.c_str(), 0777) == 0 || errno == EEXIST;
        const int next =
            made ? openat(dir, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC) : -1;
        if (next < 0)
            Skip(name, std::string(made ? "cannot enter folder " : "cannot create folder ") + part +
                           ": " + std::strerror(errno));
        if (dir != m_dir)
            close(dir);
        dir = next;
        if (dir < 0)
            return -1;
    }
    m_openFolders = folders;
    m_openFd = dir;
    return dir;
}

bool TExtractor::GoOn(int64_t written, int files)
{
    if (!m_result.Cancelled && m_progress && !m_progress(written, files))
        m_result.Cancelled = true;
    return !m_result.Cancelled;
}

// In a compressed stream (or a format that compresses its members) passing a member
// means decompressing it, which takes as long as extracting it: block by block, so a
// stop is seen in its middle. Stored data is passed by a seek when the next header is
// read.
bool TExtractor::Pass(archive* a)
{
    if (!m_progress)
        return true;
    const int format = archive_format(a) & ARCHIVE_FORMAT_BASE_MASK;
    if (archive_filter_count(a) <= 1 && format != ARCHIVE_FORMAT_7ZIP &&
        format != ARCHIVE_FORMAT_RAR && format != ARCHIVE_FORMAT_RAR_V5)
        return GoOn(0, 0);
    const void* block = nullptr;
    size_t size = 0;
    la_int64_t offset = 0;
    // The end of the data, or an error that reading the next header reports.
    while (archive_read_data_block(a, &block, &size, &offset) == ARCHIVE_OK)
        if (!GoOn(0, 0))
            return false;
    return GoOn(0, 0);
}

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

// In newc and crc cpio archives (RPM payloads) the content of a file with several names
// comes with the last of them; the names before it come empty, the later ones of them
// naming the first as their link.
bool ContentComesLater(archive* a, archive_entry* e)
{
    const int format = archive_format(a);
    return (format == ARCHIVE_FORMAT_CPIO_SVR4_NOCRC || format == ARCHIVE_FORMAT_CPIO_SVR4_CRC) &&
           archive_entry_filetype(e) == AE_IFREG && archive_entry_nlink(e) > 1 && !HasData(e);
}

std::pair<dev_t, la_int64_t> FileId(archive_entry* e)
{
    return {archive_entry_dev(e), archive_entry_ino64(e)};
}

void TExtractor::Carries(archive* a, archive_entry* e, const std::string& name)
{
    if (m_waiting.empty() || !HasData(e) || archive_entry_nlink(e) < 2 ||
        (archive_format(a) & ARCHIVE_FORMAT_BASE_MASK) != ARCHIVE_FORMAT_CPIO)
        return;
    const auto [first, last] = m_waiting.equal_range(FileId(e));
    for (auto it = first; it != last; ++it)
        m_links.emplace(name, it->second);
    m_waiting.erase(first, last);
}

void TExtractor::NoneCarried()
{
    for (const auto& [id, target] : m_waiting)
        m_links.emplace(target.Name, target);
    m_waiting.clear();
}

void TExtractor::LinksUnread()
{
    NoneCarried();
    for (const auto& [from, target] : m_links)
        Skip(target.Name, "the archive cannot be read as far as its content");
    m_links.clear();
}

void TExtractor::Extract(archive* a, archive_entry* e, const std::string& name)
{
    const mode_t type = archive_entry_filetype(e);
    if (type == AE_IFDIR && !m_keepFolders)
        return; // folders are not copied; their files are chosen one by one
    if (type == AE_IFLNK) {
        Skip(name, "links are not extracted");
        return;
    }
    const bool hardLink = !LinkTarget(e).empty() && !HasData(e);
    // A special file's mode with data (a pipe's content stored by a backup) is a file.
    if (type != AE_IFREG && type != AE_IFDIR && !hardLink && !HasData(e)) {
        Skip(name, "not a regular file");
        return;
    }
    if (type == AE_IFDIR && name.find_first_not_of("./") == std::string::npos)
        return; // the archive's top folder itself (ISO 9660's ".")
    std::vector<std::string> parts;
    if (!trvxlib::SafeRelativeParts(name, parts)) {
        Skip(name, "its name leads outside the target folder");
        return;
    }
    if (type == AE_IFDIR) {
        Folder(parts, name);
        return;
    }
    if (archive_entry_is_encrypted(e) && !m_password) {
        Skip(name, "it is encrypted");
        return;
    }
    const mode_t perm = archive_entry_perm(e) & 0777;
    TTarget target{name, parts.back(), {}, perm ? perm : 0666, archive_entry_mtime(e)};
    if (m_keepFolders)
        target.Folders.assign(parts.begin(), parts.end() - 1);
    if (ContentComesLater(a, e))
        m_waiting.emplace(FileId(e), target);
    else if (hardLink)
        m_links.emplace(LinkTarget(e), target);
    else
        Write(a, e, target);
}

// Written under a temporary name that becomes the member's only once the data is
// complete, by a rename that never replaces.
void TExtractor::Write(archive* a, archive_entry* e, const TTarget& target)
{
    if (Stopped())
        return;
    const int dir = Folder(target.Folders, target.Name);
    if (dir < 0)
        return;
    struct stat st {
    };
    if (fstatat(dir, target.Leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        Skip(target.Name, "a file of that name is already there");
        return;
    }
    std::string part;
    const int fd = CreatePartFile(dir, target.Leaf, target.Perm, part);
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
    if (ok && !CommitPartFile(dir, part, target.Leaf)) {
        ok = false;
        Skip(target.Name, errno == EEXIST
                              ? std::string("a file of that name is already there")
                              : std::string("cannot name file: ") + std::strerror(errno));
    }
    if (!ok) {
        unlinkat(dir, part.c_str(), 0);
        return;
    }
    ++m_result.Written;
    GoOn(0, 1);
}

// A sparse file whose map ends before its size ends in a hole: libarchive hands out no
// data for it, and the file is extended to its size as tar does.
bool TExtractor::ExtendWithHole(int fd, int64_t size, const std::string& name)
{
    if (ftruncate(fd, off_t(size)) == 0)
        return true;
    Skip(name, std::string("cannot write file: ") + std::strerror(errno));
    return false;
}

// A member whose header gives its size never writes more, and one whose data ends
// short of it is damaged, unless it is sparse.
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
        if (n == 0 && sized && total < declared && archive_entry_sparse_count(e) > 0)
            return ExtendWithHole(fd, declared, name);
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
        if (!GoOn(n, 0))
            return false; // stopped: the file goes, without a line of its own
    }
}

// Hard links copy the content of the member they link to, which lies before them in
// the archive: it is read again from the start, once for each link to the same member.
void CopyLinkedContent(TExtractor& extractor, const std::string& path, const TReadOptions& options)
{
    auto& links = extractor.LinkTargets();
    while (!links.empty() && !extractor.Stopped()) {
        TOpened o = OpenArchive(path, {}, options);
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
            } else {
                extractor.Pass(a);
            }
            if (extractor.Stopped()) {
                links.clear(); // the links not written yet are not listed
                return;
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

// Extracts the members named in `names`, or every member when `names` is null.
TExtraction Extract(const std::string& path, const std::vector<std::string>* names,
                    const std::string& folder, const TReadOptions& options,
                    const TProgress& progress)
{
    TExtraction result;
    const bool all = names == nullptr;
    std::set<std::string> wanted;
    if (names)
        wanted.insert(names->begin(), names->end());
    TOpened o = OpenArchive(path, {}, options);
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
    TExtractor extractor(dir, path, result, progress);
    extractor.KeepFolders(all, !options.Password.empty());
    bool failed = false;
    // Reading stops once every wanted member has been met, or when asked to.
    std::string damage = o.Damage;
    bool ended = false;
    for (archive_entry* e = o.Entry; e;) {
        const std::string name = MemberName(a, e, path);
        extractor.Carries(a, e, name);
        if (all || wanted.erase(name) != 0)
            extractor.Extract(a, e, name);
        else
            extractor.Pass(a);
        if (extractor.Stopped() || (!all && wanted.empty() && !extractor.Waiting()))
            break;
        if (!NextHeader(a, e, failed, &damage)) {
            ended = !failed;
            break;
        }
    }
    if (ended || !o.Entry)
        extractor.NoneCarried();
    if (!failed)
        CopyLinkedContent(extractor, path, options);
    else
        extractor.LinksUnread();
    if (!damage.empty())
        result.Messages.push_back(path + ": " + damage +
                                  "; the damaged part was passed over, as tar does");
    close(dir);
    if (result.Cancelled)
        wanted.clear(); // not met before the stop: nothing to say about them
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

} // namespace

TExtraction ExtractMembers(const std::string& path, const std::vector<std::string>& names,
                           const std::string& folder, const TProgress& progress)
{
    return Extract(path, &names, folder, {}, progress);
}

TExtraction ExtractAll(const std::string& path, const std::string& folder,
                       const TReadOptions& options, const TProgress& progress)
{
    return Extract(path, nullptr, folder, options, progress);
}

} // namespace archivelib
