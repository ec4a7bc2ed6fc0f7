#include "ArchiveReader.h"

#include <cerrno>
#include <sys/stat.h>

namespace archivelib
{
namespace
{

constexpr size_t kBlockSize = 64 * 1024;

// A single compressed file is read by the raw format; any other file would be too, so
// raw counts only when a decompression filter is in the pipeline.
bool IsPlainFile(archive* a)
{
    return archive_format(a) == ARCHIVE_FORMAT_RAW && archive_filter_count(a) <= 1;
}

} // namespace

std::string ErrorText(archive* a, const std::string& path)
{
    const char* text = archive_error_string(a);
    return path + ": " + (text && *text ? text : "the archive cannot be read");
}

std::string EncryptedText(archive_entry* entry, const std::string& path)
{
    if (!archive_entry_is_encrypted(entry))
        return {};
    return path + ": the archive is encrypted; encrypted archives cannot be read";
}

std::string MemberName(archive* a, archive_entry* entry, const std::string& path)
{
    if (archive_format(a) == ARCHIVE_FORMAT_RAW) {
        const std::string leaf = path.substr(path.rfind('/') + 1);
        const size_t dot = leaf.rfind('.');
        return dot == std::string::npos || dot == 0 ? leaf + ".data" : leaf.substr(0, dot);
    }
    const char* name = archive_entry_pathname_utf8(entry);
    if (!name)
        name = archive_entry_pathname(entry);
    return name ? name : std::string();
}

TOpened OpenArchive(const std::string& path)
{
    TOpened o;
    o.Archive.reset(archive_read_new());
    archive* a = o.Archive.get();
    if (!a) {
        o.Status = TStatus::Failed;
        o.Message = path + ": out of memory";
        return o;
    }
    // Only regular files are read: opening a pipe or a device could wait forever.
    struct stat st {
    };
    if (stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        o.Status = TStatus::NotArchive;
        return o;
    }
    archive_read_support_filter_all(a);
    archive_read_support_format_tar(a);
    archive_read_support_format_cpio(a);
    archive_read_support_format_7zip(a);
    archive_read_support_format_iso9660(a);
    archive_read_support_format_rar(a);
    archive_read_support_format_rar5(a);
    archive_read_support_format_ar(a);
    archive_read_support_format_raw(a);
    if (archive_read_open_filename(a, path.c_str(), kBlockSize) != ARCHIVE_OK) {
        // An empty file matches no format; libarchive reports that as EILSEQ on Linux.
        const bool unknown = archive_errno(a) == EILSEQ;
        o.Status = unknown ? TStatus::NotArchive : TStatus::Failed;
        o.Message = ErrorText(a, path);
        return o;
    }
    bool failed = false;
    const bool any = NextHeader(a, o.Entry, failed);
    if (!failed && IsPlainFile(a)) {
        o.Status = TStatus::NotArchive;
        o.Message = path + ": not an archive";
    } else if (failed) {
        o.Status = TStatus::Failed;
        o.Message = ErrorText(a, path);
    } else if (!any) {
        o.Entry = nullptr;
    }
    return o;
}

bool NextHeader(archive* a, archive_entry*& entry, bool& failed)
{
    const int r = archive_read_next_header(a, &entry);
    if (r == ARCHIVE_EOF) {
        entry = nullptr;
        return false;
    }
    if (r < ARCHIVE_WARN) {
        entry = nullptr;
        failed = true;
        return false;
    }
    return true;
}

} // namespace archivelib
