#include "ZipReplace.h"

#include "ZipOpen.h"
#include "ZipFileUtil.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>
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

// Whether the file at `path` is the one `state` describes: "device inode size mtime-ns".
bool InState(const std::string& path, const std::string& state)
{
    struct stat st {
    };
    if (stat(path.c_str(), &st) != 0)
        return false;
    const long long mtime = (long long)st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
    const std::string now = std::to_string((unsigned long long)st.st_dev) + ' ' +
                            std::to_string((unsigned long long)st.st_ino) + ' ' +
                            std::to_string((long long)st.st_size) + ' ' + std::to_string(mtime);
    return now == state;
}

void PutLe32(zip_uint8_t* at, zip_uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = zip_uint8_t(value >> (8 * i));
}

void PutLe64(zip_uint8_t* at, zip_uint64_t value)
{
    for (int i = 0; i < 8; ++i)
        at[i] = zip_uint8_t(value >> (8 * i));
}

// The modification time in an extra field's bytes, where the field `id` holds one:
// extended timestamp (flags, then the time when bit 0 is set), Info-ZIP Unix (access
// time, then the modification time), NTFS (tag 1: 100 ns units since 1601).
void PutTime(zip_uint16_t id, std::vector<zip_uint8_t>& data, const timespec& time)
{
    const auto seconds = zip_uint32_t(time.tv_sec);
    if (id == 0x5455 && data.size() >= 5 && (data[0] & 1))
        PutLe32(&data[1], seconds);
    else if (id == 0x5855 && data.size() >= 8)
        PutLe32(&data[4], seconds);
    else if (id == 0x000a) {
        for (size_t at = 4; at + 4 <= data.size();) {
            const unsigned tag = data[at] | unsigned(data[at + 1]) << 8;
            const unsigned size = data[at + 2] | unsigned(data[at + 3]) << 8;
            if (tag == 1 && size >= 8 && at + 12 <= data.size())
                PutLe64(&data[at + 4], zip_uint64_t(time.tv_sec + 11644473600LL) * 10000000u +
                                           zip_uint64_t(time.tv_nsec / 100));
            at += 4 + size;
        }
    }
}

// Every time field the member holds, in its local header and its central record, says
// `time` as its DOS time does: other tools show and restore the member's new time.
bool SetTimeFields(zip_t* za, zip_uint64_t index, const timespec& time)
{
    for (const zip_flags_t where : {zip_flags_t(ZIP_FL_LOCAL), zip_flags_t(ZIP_FL_CENTRAL)})
        for (const zip_uint16_t id : {zip_uint16_t(0x5455), zip_uint16_t(0x5855), zip_uint16_t(0x000a)}) {
            zip_uint16_t length = 0;
            const zip_uint8_t* bytes = zip_file_extra_field_get_by_id(za, index, id, 0, &length, where);
            if (!bytes)
                continue;
            std::vector<zip_uint8_t> data(bytes, bytes + length);
            PutTime(id, data, time);
            if (zip_file_extra_field_set(za, index, id, 0, data.data(), length, where) != 0)
                return false;
        }
    return true;
}

} // namespace

int32_t ReplaceMember(const TZipCommand& command, TReporter& reporter)
{
    const std::string archive = BufferText(command.ZipFilename);
    const std::vector<std::string> specs = SpecList(command.FileSpecs, command.ArgCount);
    if (specs.size() != 2 && specs.size() != 3) {
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
    if (specs.size() == 3 && !InState(archive, specs[2])) {
        zip_discard(za);
        reporter.Message(5, archive + " changed just before " + name +
                                " was to be put back; it was left as it is now");
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
    if (!PutInPlace(za, zip_uint64_t(index), path, command.Level) ||
        !SetTimeFields(za, zip_uint64_t(index), file.st_mtim)) {
        reporter.Message(3, "Cannot replace " + name + ": " + zip_strerror(za));
        zip_discard(za);
        return 0;
    }
    ReportWhileWriting(za, reporter);
    if (zip_close(za) != 0) {
        if (!reporter.Cancelled()) // a cancel is said by the caller
            reporter.Message(4, WriteFailure(za, archive));
        zip_discard(za);
        return 0;
    }
    return 1;
}

} // namespace trvxlib
