#include "ZipDelete.h"

#include "ZipFileUtil.h"
#include "ZipOpen.h"

#include <zip.h>

namespace trvxlib
{

int32_t DeleteMembers(const TZipCommand& command, TReporter& reporter)
{
    const std::string archive = RealArchivePath(BufferText(command.ZipFilename));
    const std::vector<std::string> specs = SpecList(command.FileSpecs, command.ArgCount);
    const TOpenedArchive opened = OpenArchive(archive, 0);
    zip_t* za = opened.Archive;
    if (!za) {
        reporter.Message(opened.Code, opened.Message);
        return 0;
    }
    const zip_int64_t total = zip_get_num_entries(za, 0);
    const bool exact = command.ExactNames != 0;
    // The panels show names as the directory reader decodes them; without a readable
    // directory, libzip's two readings are tried.
    std::vector<std::string> names = MemberNames(archive);
    if (names.size() != size_t(total))
        names.clear();
    int32_t deleted = 0;
    for (zip_int64_t i = 0; i < total && !reporter.Cancelled(); ++i) {
        const char* strict = zip_get_name(za, zip_uint64_t(i), ZIP_FL_ENC_STRICT);
        const std::string name = !names.empty() ? names[size_t(i)] : strict ? strict : "";
        const char* guessed = names.empty() ? zip_get_name(za, zip_uint64_t(i), 0) : name.c_str();
        if (!strict || !guessed ||
            (!MatchesAny(specs, name, exact) && !MatchesAny(specs, guessed, exact)))
            continue;
        reporter.FileStart(name, 0);
        if (zip_delete(za, zip_uint64_t(i)) == 0)
            ++deleted;
    }
    if (deleted == 0 || reporter.Cancelled()) {
        zip_discard(za);
        return 0;
    }
    if (deleted == total) {
        // libzip would remove the file; the user deleted members, not the archive.
        zip_discard(za);
        if (!WriteEmptyArchive(archive, opened.Prefix)) {
            reporter.Message(1, "Cannot write " + archive);
            return 0;
        }
        return deleted;
    }
    ReportWhileWriting(za, reporter);
    if (zip_close(za) != 0) {
        if (!reporter.Cancelled()) // a cancel is said by the caller
            reporter.Message(1, WriteFailure(za, archive));
        zip_discard(za);
        return 0;
    }
    return deleted;
}

} // namespace trvxlib
