#include "ZipOpen.h"

#include "zip/ZipEndRecord.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trvxlib
{
namespace
{

constexpr uint32_t kLocalHeader = 0x04034B50;

// Where the archive proper begins in the file, as far as the end records tell: the
// shift of its offsets, or the first member's header when the offsets count a prefix.
// False when the file holds no end record (libzip then decides alone).
bool FindLayout(const std::string& path, TZipEnd& end, bool& prefixed)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {
    };
    const TReadAt read = [fd](uint64_t position, void* out, size_t count) -> int64_t {
        return pread(fd, out, count, off_t(position));
    };
    bool found = fstat(fd, &st) == 0 && FindZipEnd(read, uint64_t(st.st_size), end);
    if (found) {
        unsigned char first[4] = {};
        const bool startsWithMember = read(0, first, 4) == 4 && ZipLe32(first) == kLocalHeader;
        prefixed = end.Shift > 0 || (end.Entries > 0 ? !startsWithMember : end.DirStart > 0);
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

zip_t* OpenShifted(const std::string& path, uint64_t shift, int& error)
{
    zip_error_t e;
    zip_error_init(&e);
    zip_source_t* source = zip_source_file_create(path.c_str(), shift, -1, &e);
    zip_t* za = source ? zip_open_from_source(source, ZIP_RDONLY, &e) : nullptr;
    if (!za && source)
        zip_source_free(source);
    error = zip_error_code_zip(&e);
    zip_error_fini(&e);
    return za;
}

} // namespace

zip_t* OpenArchive(const std::string& path, int flags, int& code, std::string& message)
{
    TZipEnd end;
    bool prefixed = false;
    const bool found = FindLayout(path, end, prefixed);
    if (found && prefixed && !(flags & ZIP_RDONLY)) {
        message = "Cannot change " + path +
                  ": it holds data before its first member (a self-extracting program?), "
                  "which would be lost";
        code = ZIP_ER_INVAL;
        return nullptr;
    }
    code = 0;
    zip_t* za = found && end.Shift > 0 ? OpenShifted(path, end.Shift, code)
                                       : zip_open(path.c_str(), flags, &code);
    if (!za)
        message = "Cannot open " + path + ": " + ErrorText(code);
    return za;
}

} // namespace trvxlib
