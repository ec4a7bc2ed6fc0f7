#include "ArchiveReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace archivelib
{

struct TSource {
    int Fd{-1};
    off_t Size{0};
    TCancel Cancelled;
    std::vector<char> Block;
};

void TSourceDeleter::operator()(TSource* source) const
{
    if (source->Fd >= 0)
        close(source->Fd);
    delete source;
}

namespace
{

constexpr size_t kBlockSize = 64 * 1024;

la_ssize_t ReadBlock(archive* a, void* data, const void** block)
{
    auto* s = static_cast<TSource*>(data);
    if (s->Cancelled && s->Cancelled()) {
        archive_set_error(a, ECANCELED, "cancelled");
        return -1;
    }
    for (;;) {
        const ssize_t n = read(s->Fd, s->Block.data(), s->Block.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            archive_set_error(a, errno, "read error");
            return -1;
        }
        *block = s->Block.data();
        return n;
    }
}

// Passes over data without reading it; never past the end, which is read instead.
la_int64_t SkipData(archive*, void* data, la_int64_t request)
{
    const auto* s = static_cast<TSource*>(data);
    const off_t at = lseek(s->Fd, 0, SEEK_CUR);
    if (at < 0 || request <= 0)
        return 0;
    const off_t to = std::min<off_t>(at + off_t(request), std::max(at, s->Size));
    return lseek(s->Fd, to, SEEK_SET) < 0 ? 0 : la_int64_t(to - at);
}

la_int64_t SeekData(archive* a, void* data, la_int64_t offset, int whence)
{
    const off_t at = lseek(static_cast<TSource*>(data)->Fd, off_t(offset), whence);
    if (at < 0) {
        archive_set_error(a, errno, "seek error");
        return ARCHIVE_FATAL;
    }
    return at;
}

// Opens the regular file at `path` without waiting on anything else: the kind is taken
// from the opened descriptor, so a FIFO slipped in under the name is never waited on.
std::unique_ptr<TSource, TSourceDeleter> OpenSource(const std::string& path, int& error)
{
    std::unique_ptr<TSource, TSourceDeleter> s(new TSource);
    s->Fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat st {
    };
    if (s->Fd < 0 || fstat(s->Fd, &st) != 0) {
        error = errno;
        return nullptr;
    }
    if (!S_ISREG(st.st_mode)) {
        error = 0;
        return nullptr;
    }
    s->Size = st.st_size;
    s->Block.resize(kBlockSize);
    return s;
}

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

TOpened OpenArchive(const std::string& path, const TCancel& cancelled)
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
    int error = 0;
    o.Source = OpenSource(path, error);
    if (!o.Source) {
        o.Status = error == 0 ? TStatus::NotArchive : TStatus::Failed;
        o.Message = path + ": " + (error == 0 ? "not a regular file" : strerror(error));
        return o;
    }
    o.Source->Cancelled = cancelled;
    archive_read_support_filter_all(a);
    archive_read_support_format_tar(a);
    archive_read_support_format_cpio(a);
    archive_read_support_format_7zip(a);
    archive_read_support_format_iso9660(a);
    archive_read_support_format_rar(a);
    archive_read_support_format_rar5(a);
    archive_read_support_format_ar(a);
    archive_read_support_format_raw(a);
    archive_read_set_callback_data(a, o.Source.get());
    archive_read_set_read_callback(a, ReadBlock);
    archive_read_set_skip_callback(a, SkipData);
    archive_read_set_seek_callback(a, SeekData);
    if (archive_read_open1(a) != ARCHIVE_OK) {
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
