#include "ZipOpen.h"

#include "ZipPrefixSource.h"
#include "zip/ZipEndRecord.h"
#include "zip/ZipNames.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trvxlib
{
namespace
{

constexpr uint32_t kLocalHeader = 0x04034B50;

// Where the archive's offsets count from (its shift) and where its first member lies.
// False when the file holds no end record: libzip then decides alone.
bool FindLayout(const std::string& path, uint64_t& shift, uint64_t& prefix)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const TReadAt read = [fd](uint64_t position, void* out, size_t count) -> int64_t {
        return pread(fd, out, count, off_t(position));
    };
    struct stat st {
    };
    TZipEnd end;
    const bool found = fstat(fd, &st) == 0 && FindZipEnd(read, uint64_t(st.st_size), end);
    if (found) {
        shift = end.Shift;
        unsigned char first[4] = {};
        const bool startsWithMember = read(0, first, 4) == 4 && ZipLe32(first) == kLocalHeader;
        if (shift == 0 && startsWithMember)
            prefix = 0; // a plain archive: no need to read its directory
        else if (!FirstMemberPosition(read, end, prefix))
            prefix = end.Shift;
    }
    close(fd);
    return found;
}

std::string ErrorText(int code)
{
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

zip_t* OpenThroughPrefix(const std::string& path, uint64_t shift, uint64_t prefix, int flags,
                         int& code)
{
    zip_error_t e;
    zip_error_init(&e);
    zip_source_t* source = CreatePrefixSource(path, shift, prefix, &e);
    zip_t* za = source ? zip_open_from_source(source, flags, &e) : nullptr;
    if (!za && source)
        zip_source_free(source);
    code = zip_error_code_zip(&e);
    zip_error_fini(&e);
    return za;
}

} // namespace

TOpenedArchive OpenArchive(const std::string& path, int flags)
{
    TOpenedArchive opened;
    uint64_t shift = 0;
    if (!FindLayout(path, shift, opened.Prefix))
        shift = opened.Prefix = 0; // libzip decides alone: no archive, or not there yet
    opened.Archive = OpenThroughPrefix(path, shift, opened.Prefix, flags, opened.Code);
    if (!opened.Archive)
        opened.Message = "Cannot open " + path + ": " + ErrorText(opened.Code);
    return opened;
}

std::vector<std::string> MemberNames(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    const TReadAt read = [fd](uint64_t position, void* out, size_t count) -> int64_t {
        return pread(fd, out, count, off_t(position));
    };
    struct stat st {
    };
    std::vector<std::string> names;
    if (fstat(fd, &st) == 0)
        names = ReadZipNames(read, uint64_t(st.st_size));
    close(fd);
    return names;
}

} // namespace trvxlib
