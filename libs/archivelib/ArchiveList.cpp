#include "ArchiveReader.h"

#include <vector>

namespace archivelib
{
namespace
{

// The size of a member whose header does not give it (a single compressed file):
// its data is read through once.
int64_t CountData(archive* a, bool& failed)
{
    std::vector<char> buffer(64 * 1024);
    int64_t total = 0;
    for (;;) {
        const la_ssize_t n = archive_read_data(a, buffer.data(), buffer.size());
        if (n < 0) {
            failed = true;
            return total;
        }
        if (n == 0)
            return total;
        total += n;
    }
}

} // namespace

TListing ListMembers(const std::string& path, const TCancel& cancelled)
{
    TListing listing;
    TOpened o = OpenArchive(path, cancelled);
    if (o.Status != TStatus::Ok) {
        listing.Status = o.Status;
        listing.Message = o.Message;
        listing.Cancelled = o.Status == TStatus::Failed && cancelled && cancelled();
        return listing;
    }
    archive* a = o.Archive.get();
    bool failed = false;
    for (archive_entry* e = o.Entry; e && !failed;) {
        if (const std::string text = EncryptedText(e, path); !text.empty()) {
            listing.Status = TStatus::Failed;
            listing.Message = text;
            listing.Members.clear();
            return listing;
        }
        TMember& m = listing.Members.emplace_back();
        m.Name = MemberName(a, e, path);
        m.IsDirectory = archive_entry_filetype(e) == AE_IFDIR;
        m.MTime = archive_entry_mtime(e);
        m.Size = archive_entry_size_is_set(e) ? archive_entry_size(e) : CountData(a, failed);
        if (!failed)
            NextHeader(a, e, failed);
    }
    if (failed) {
        listing.Status = TStatus::Failed;
        listing.Message = ErrorText(a, path);
        listing.Members.clear();
        listing.Cancelled = cancelled && cancelled();
    }
    return listing;
}

} // namespace archivelib
