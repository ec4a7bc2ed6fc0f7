#include "ZipFileSource.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace trvxlib
{
namespace
{

struct TFileSource {
    int Folder{-1};
    std::string Path;
    struct stat Stat {
    };
    TReporter* Reporter{nullptr};
    int Fd{-1};
    zip_error_t Error;
};

zip_int64_t Fail(TFileSource& s, int code)
{
    zip_error_set(&s.Error, code, errno);
    return -1;
}

zip_int64_t Open(TFileSource& s)
{
    s.Fd = openat(s.Folder, s.Path.c_str(), O_RDONLY | O_CLOEXEC);
    if (s.Fd < 0)
        return Fail(s, ZIP_ER_OPEN);
    s.Reporter->FileStart(s.Path, s.Stat.st_size);
    return 0;
}

zip_int64_t Read(TFileSource& s, void* data, zip_uint64_t len)
{
    ssize_t n;
    do
        n = read(s.Fd, data, len);
    while (n < 0 && errno == EINTR);
    if (n < 0)
        return Fail(s, ZIP_ER_READ);
    s.Reporter->AddBytes(n);
    return n;
}

zip_int64_t Stat(TFileSource& s, void* data, zip_uint64_t len)
{
    auto* st = ZIP_SOURCE_GET_ARGS(zip_stat_t, data, len, &s.Error);
    if (!st)
        return -1;
    zip_stat_init(st);
    st->size = zip_uint64_t(s.Stat.st_size);
    st->mtime = s.Stat.st_mtime;
    st->valid |= ZIP_STAT_SIZE | ZIP_STAT_MTIME;
    return sizeof(*st);
}

zip_int64_t Callback(void* state, void* data, zip_uint64_t len, zip_source_cmd_t cmd)
{
    TFileSource& s = *static_cast<TFileSource*>(state);
    switch (cmd) {
    case ZIP_SOURCE_OPEN:
        return Open(s);
    case ZIP_SOURCE_READ:
        return Read(s, data, len);
    case ZIP_SOURCE_CLOSE:
        if (s.Fd >= 0)
            close(s.Fd);
        s.Fd = -1;
        return 0;
    case ZIP_SOURCE_STAT:
        return Stat(s, data, len);
    case ZIP_SOURCE_ERROR:
        return zip_error_to_data(&s.Error, data, len);
    case ZIP_SOURCE_FREE:
        if (s.Fd >= 0)
            close(s.Fd);
        zip_error_fini(&s.Error);
        delete &s;
        return 0;
    case ZIP_SOURCE_SUPPORTS:
        return zip_source_make_command_bitmap(ZIP_SOURCE_OPEN, ZIP_SOURCE_READ, ZIP_SOURCE_CLOSE,
                                              ZIP_SOURCE_STAT, ZIP_SOURCE_ERROR, ZIP_SOURCE_FREE,
                                              ZIP_SOURCE_SUPPORTS, -1);
    default:
        zip_error_set(&s.Error, ZIP_ER_OPNOTSUPP, 0);
        return -1;
    }
}

} // namespace

zip_source_t* CreateFileSource(zip_t* za, int folder, const std::string& path,
                               const struct stat& st, TReporter& reporter)
{
    auto* s = new TFileSource;
    s->Folder = folder;
    s->Path = path;
    s->Stat = st;
    s->Reporter = &reporter;
    zip_error_init(&s->Error);
    zip_source_t* source = zip_source_function(za, Callback, s);
    if (!source) {
        zip_error_fini(&s->Error);
        delete s;
    }
    return source;
}

} // namespace trvxlib
