#include "ArchiveReader.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace archivelib
{
namespace
{

constexpr size_t kBlockSize = 64 * 1024;
// Damaged headers read past one after the other before the archive counts as unreadable:
// in tar each is a block of 512 bytes, so this is 512 MiB of damage.
constexpr long kMostRetries = 1L << 20;

la_ssize_t ReadBlock(archive* a, void* data, const void** block)
{
    auto* source = static_cast<TSource*>(data);
    if (source->GoOn && (source->Stopped || !source->GoOn())) {
        source->Stopped = true;
        archive_set_error(a, ECANCELED, "the reading was stopped");
        return -1;
    }
    for (;;) {
        const ssize_t n = read(source->Fd, source->Block.data(), source->Block.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            archive_set_error(a, errno, "%s", std::strerror(errno));
        *block = source->Block.data();
        return n;
    }
}

la_int64_t SeekTo(archive*, void* data, la_int64_t offset, int whence)
{
    const off_t at = lseek(static_cast<TSource*>(data)->Fd, off_t(offset), whence);
    return at < 0 ? ARCHIVE_FATAL : la_int64_t(at);
}

la_int64_t SkipOver(archive*, void* data, la_int64_t request)
{
    if (lseek(static_cast<TSource*>(data)->Fd, off_t(request), SEEK_CUR) < 0)
        return 0; // libarchive reads over what it wanted to skip
    return request;
}

// A single compressed file is read by the raw format; any other file would be too, so
// raw counts only when a decompression filter is in the pipeline.
bool IsPlainFile(archive* a)
{
    return archive_format(a) == ARCHIVE_FORMAT_RAW && archive_filter_count(a) <= 1;
}

} // namespace

TSource::~TSource()
{
    if (Fd >= 0)
        close(Fd);
}

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

TOpened OpenArchive(const std::string& path, const TGoOn& goOn, const TReadOptions& options)
{
    TOpened o;
    auto source = std::make_unique<TSource>();
    source->GoOn = goOn;
    source->Block.resize(kBlockSize);
    TSource* const from = source.get();
    o.Source = std::move(source);
    o.Archive.reset(archive_read_new());
    archive* a = o.Archive.get();
    if (!a) {
        o.Status = TStatus::Failed;
        o.Message = path + ": out of memory";
        return o;
    }
    // Only regular files are read: reading a pipe or a device could wait forever. The
    // file is opened without waiting for a writer, then checked.
    from->Fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    struct stat st {
    };
    if (from->Fd >= 0 && fstat(from->Fd, &st) == 0 && !S_ISREG(st.st_mode)) {
        o.Status = TStatus::NotArchive;
        return o;
    }
    if (from->Fd < 0 || fcntl(from->Fd, F_SETFL, O_RDONLY) < 0) {
        o.Status = TStatus::Failed;
        o.Message = path + ": " + std::strerror(errno);
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
    if (options.Zip)
        archive_read_support_format_zip_seekable(a);
    if (!options.Password.empty())
        archive_read_add_passphrase(a, options.Password.c_str());
    archive_read_set_callback_data(a, from);
    archive_read_set_read_callback(a, ReadBlock);
    archive_read_set_seek_callback(a, SeekTo);
    archive_read_set_skip_callback(a, SkipOver);
    if (archive_read_open1(a) != ARCHIVE_OK) {
        // An empty file matches no format; libarchive reports that as EILSEQ on Linux.
        const bool unknown = archive_errno(a) == EILSEQ;
        o.Status = unknown ? TStatus::NotArchive : TStatus::Failed;
        o.Message = ErrorText(a, path);
        return o;
    }
    bool failed = false;
    const bool any = NextHeader(a, o.Entry, failed, &o.Damage);
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

bool NextHeader(archive* a, archive_entry*& entry, bool& failed, std::string* damage)
{
    int r = archive_read_next_header(a, &entry);
    for (long retries = 0; r == ARCHIVE_RETRY && retries < kMostRetries; ++retries) {
        if (damage && damage->empty()) {
            const char* text = archive_error_string(a);
            *damage = text && *text ? text : "a damaged header";
        }
        r = archive_read_next_header(a, &entry);
    }
    if (r == ARCHIVE_EOF) {
        entry = nullptr;
        return false;
    }
    if (r < ARCHIVE_WARN || r == ARCHIVE_RETRY) {
        entry = nullptr;
        failed = true;
        return false;
    }
    return true;
}

} // namespace archivelib
