#include "ArchiveReader.h"

namespace archivelib
{
namespace
{

bool HasData(archive_entry* e)
{
    return archive_entry_filetype(e) == AE_IFREG ||
           (archive_entry_size_is_set(e) && archive_entry_size(e) > 0);
}

// Reads the data of the member at hand to its end. Empty when it is whole; else why
// not. A stop of `progress` leaves `stopped` set.
std::string ReadWhole(archive* a, archive_entry* e, const std::string& path,
                      const TProgress& progress, bool& stopped)
{
    const bool sized = archive_entry_size_is_set(e) && archive_entry_sparse_count(e) == 0;
    const int64_t declared = sized ? archive_entry_size(e) : 0;
    int64_t total = 0;
    for (;;) {
        const void* block = nullptr;
        size_t size = 0;
        la_int64_t offset = 0;
        const int r = archive_read_data_block(a, &block, &size, &offset);
        if (r == ARCHIVE_EOF)
            break;
        if (r != ARCHIVE_OK)
            return ErrorText(a, path).substr(path.size() + 2);
        total += int64_t(size);
        if (progress && !progress(int64_t(size), 0)) {
            stopped = true;
            return {};
        }
    }
    if (sized && total != declared)
        return "the member is damaged: its data holds " + std::to_string(total) + " of the " +
               std::to_string(declared) + " bytes its header declares";
    return {};
}

} // namespace

TTestReport TestArchive(const std::string& path, const TReadOptions& options,
                        const TProgress& progress)
{
    TTestReport report;
    TOpened o = OpenArchive(path, {}, options);
    if (o.Status != TStatus::Ok) {
        report.Status = TStatus::Failed;
        report.Problems.push_back(o.Message.empty() ? path + ": not an archive" : o.Message);
        return report;
    }
    archive* a = o.Archive.get();
    std::string damage = o.Damage;
    bool failed = false;
    for (archive_entry* e = o.Entry; e;) {
        const std::string name = MemberName(a, e, path);
        ++report.Members;
        // Links and folders hold no data to check (an ISO folder declares its size).
        const bool dataless =
            archive_entry_filetype(e) == AE_IFLNK || archive_entry_filetype(e) == AE_IFDIR;
        std::string why;
        if (!dataless && HasData(e) && archive_entry_is_encrypted(e) && options.Password.empty())
            why = "it is encrypted and no password was given";
        else if (!dataless && HasData(e))
            why = ReadWhole(a, e, path, progress, report.Cancelled);
        if (report.Cancelled)
            return report;
        if (!why.empty())
            report.Problems.push_back(name + ": " + why);
        if (progress && !progress(0, 1)) {
            report.Cancelled = true;
            return report;
        }
        if (!NextHeader(a, e, failed, &damage))
            break;
    }
    if (!damage.empty())
        report.Problems.push_back(path + ": " + damage + "; the damaged part was passed over");
    if (failed) {
        report.Status = TStatus::Failed;
        report.Problems.push_back(ErrorText(a, path));
    }
    return report;
}

} // namespace archivelib
