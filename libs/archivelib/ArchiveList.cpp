#include "ArchiveReader.h"

#include <vector>

namespace archivelib
{
namespace
{

// The size of a member whose header does not give it (a single compressed file):
// its data is read through once.
int64_t CountData(archive* a, bool& failed, const TGoOn& goOn)
{
    std::vector<char> buffer(64 * 1024);
    int64_t total = 0;
    for (;;) {
        if (goOn && !goOn()) {
            failed = true;
            return total;
        }
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

TListing ListMembers(const std::string& path, const TGoOn& goOn)
{
    TListing listing;
    TOpened o = OpenArchive(path, goOn);
    const auto stopped = [&] {
        if (!o.Source->Stopped && !(goOn && !goOn()))
            return false;
        listing = TListing{TStatus::Failed, path + ": the reading was stopped", {}, true};
        return true;
    };
    if (o.Status != TStatus::Ok) {
        listing.Status = o.Status;
        listing.Message = o.Message;
        stopped();
        return listing;
    }
    archive* a = o.Archive.get();
    bool failed = false;
    std::string damage = o.Damage;
    // Between members too: a format may hand out headers without reading (a loop in an
    // image's directory), and the check is the only thing that ends it then.
    for (archive_entry* e = o.Entry; e && !failed;) {
        if (stopped())
            return listing;
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
        m.Size = archive_entry_size_is_set(e) ? archive_entry_size(e) : CountData(a, failed, goOn);
        if (!failed)
            NextHeader(a, e, failed, &damage);
    }
    if (stopped())
        return listing;
    if (failed) {
        listing.Status = TStatus::Failed;
        listing.Message = ErrorText(a, path);
        listing.Members.clear();
    } else if (!damage.empty()) {
        listing.Message =
            path + ": " + damage +
            "; the damaged part was passed over, and the members in it are not listed";
    }
    return listing;
}

} // namespace archivelib
