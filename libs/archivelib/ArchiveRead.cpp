#include "ArchiveReader.h"

namespace archivelib
{
namespace
{

// Reads the data of the member at hand into `data`, up to `limit` bytes; Read, TooLarge
// once it holds more, Failed on a read error (`data` then holds what came before it).
TMemberData::TStatus ReadData(archive* a, int64_t limit, std::string& data, const TGoOn& goOn,
                              bool& stopped)
{
    constexpr size_t kBlock = 64 * 1024;
    data.clear();
    for (;;) {
        if (goOn && !goOn()) {
            stopped = true;
            return TMemberData::TStatus::Failed;
        }
        const size_t at = data.size();
        data.resize(at + kBlock);
        const la_ssize_t n = archive_read_data(a, data.data() + at, kBlock);
        data.resize(at + size_t(n > 0 ? n : 0));
        if (n < 0)
            return TMemberData::TStatus::Failed;
        if (n == 0)
            return TMemberData::TStatus::Read;
        if (int64_t(data.size()) > limit) {
            data.clear();
            return TMemberData::TStatus::TooLarge;
        }
    }
}

} // namespace

TListing ReadMembers(const std::string& path, int64_t limit, const TWanted& wanted,
                     const TMemberSink& sink, const TGoOn& goOn)
{
    TListing result;
    TOpened o = OpenArchive(path, goOn);
    const auto stopped = [&] {
        if (!o.Source->Stopped && !(goOn && !goOn()))
            return false;
        result = TListing{TStatus::Failed, path + ": the reading was stopped", {}, true};
        return true;
    };
    if (o.Status != TStatus::Ok) {
        result.Status = o.Status;
        result.Message = o.Message;
        stopped();
        return result;
    }
    archive* a = o.Archive.get();
    bool failed = false;
    std::string damage = o.Damage;
    TMemberData member;
    for (archive_entry* e = o.Entry; e && !failed;) {
        if (stopped())
            return result;
        member.Member = TMember{MemberName(a, e, path),
                                archive_entry_size_is_set(e) ? archive_entry_size(e) : -1,
                                archive_entry_mtime(e), archive_entry_filetype(e) == AE_IFDIR};
        if (archive_entry_filetype(e) == AE_IFREG && wanted(member.Member)) {
            member.Message.clear();
            if (const std::string text = EncryptedText(e, path); !text.empty()) {
                member.Status = TMemberData::TStatus::Failed;
                member.Message = text;
            } else if (member.Member.Size > limit) {
                member.Status = TMemberData::TStatus::TooLarge;
                member.Data.clear();
            } else {
                bool cut = false;
                member.Status = ReadData(a, limit, member.Data, goOn, cut);
                if (cut || stopped())
                    return result;
                if (member.Status == TMemberData::TStatus::Failed)
                    member.Message = ErrorText(a, path);
            }
            if (!sink(member))
                return result;
        }
        if (!failed)
            NextHeader(a, e, failed, &damage);
    }
    if (stopped())
        return result;
    if (failed) {
        result.Status = TStatus::Failed;
        result.Message = ErrorText(a, path);
    } else if (!damage.empty()) {
        result.Message = path + ": " + damage + "; the damaged part was passed over";
    }
    return result;
}

} // namespace archivelib
