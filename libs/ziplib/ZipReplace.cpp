#include "ZipReplace.h"

#include "ZipOpen.h"
#include "ZipFileUtil.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <zip.h>

namespace trvxlib
{
namespace
{

// The index of the one member called `name` (as the panels decode it: `decoded`, in
// libzip's order, or as libzip reads it); -1 when there is none, -2 when there are more.
zip_int64_t OnlyMember(zip_t* za, const std::string& name, const std::vector<std::string>& decoded)
{
    const std::vector<std::string> specs{name};
    zip_int64_t found = -1;
    const zip_int64_t total = zip_get_num_entries(za, 0);
    const bool haveDecoded = decoded.size() == size_t(total);
    for (zip_int64_t i = 0; i < total; ++i) {
        const char* strict = zip_get_name(za, zip_uint64_t(i), ZIP_FL_ENC_STRICT);
        const char* guessed = zip_get_name(za, zip_uint64_t(i), 0);
        const bool named = (haveDecoded && decoded[size_t(i)] == name) ||
                           (strict && MatchesAny(specs, strict, true)) ||
                           (guessed && MatchesAny(specs, guessed, true));
        if (!named)
            continue;
        if (found >= 0)
            return -2;
        found = i;
    }
    return found;
}

// Replaces the data of member `index` with the file at `path`, keeping what else the
// member says about itself.
bool PutInPlace(zip_t* za, zip_uint64_t index, const std::string& path, int level)
{
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    zip_stat_t st;
    if (zip_file_get_external_attributes(za, index, 0, &system, &attributes) != 0 ||
        zip_stat_index(za, index, 0, &st) != 0)
        return false;
    zip_source_t* data = zip_source_file(za, path.c_str(), 0, 0);
    if (!data)
        return false;
    if (zip_file_replace(za, index, data, 0) != 0) {
        zip_source_free(data);
        return false;
    }
    const bool stored = (st.valid & ZIP_STAT_COMP_METHOD) && st.comp_method == ZIP_CM_STORE;
    return zip_file_set_external_attributes(za, index, 0, system, attributes) == 0 &&
           zip_set_file_compression(za, index, stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE,
                                    stored ? 0 : zip_uint32_t(std::clamp(level, 1, 9))) == 0;
}

} // namespace

int32_t ReplaceMember(const TZipCommand& command, TReporter& reporter)
{
    const std::string archive = BufferText(command.ZipFilename);
    const std::vector<std::string> specs = SpecList(command.FileSpecs, command.ArgCount);
    if (specs.size() != 2) {
        reporter.Message(1, "Replacing a member needs its name and one file");
        return 0;
    }
    const std::string& name = specs[0];
    const std::string& path = specs[1];
    struct stat file {
    };
    if (stat(path.c_str(), &file) != 0 || !S_ISREG(file.st_mode)) {
        const int error = errno ? errno : EINVAL;
        reporter.Message(2, "Cannot read " + path + ": " + std::strerror(error));
        return 0;
    }
    const TOpenedArchive opened = OpenArchive(archive, 0);
    zip_t* za = opened.Archive;
    if (!za) {
        reporter.Message(opened.Code, opened.Message);
        return 0;
    }
    const zip_int64_t index = OnlyMember(za, name, MemberNames(archive));
    if (index < 0) {
        zip_discard(za);
        reporter.Message(2, index == -1 ? archive + " holds no member named " + name
                                        : archive + " holds more than one member named " + name);
        return 0;
    }
    reporter.FileStart(name, file.st_size);
    if (!PutInPlace(za, zip_uint64_t(index), path, command.Level)) {
        reporter.Message(3, "Cannot replace " + name + ": " + zip_strerror(za));
        zip_discard(za);
        return 0;
    }
    ReportWhileWriting(za, reporter);
    if (zip_close(za) != 0) {
        if (!reporter.Cancelled()) // a cancel is said by the caller
            reporter.Message(4, "Cannot write " + archive + ": " + zip_strerror(za));
        zip_discard(za);
        return 0;
    }
    return 1;
}

} // namespace trvxlib
