#include "pack/PackReadBack.h"

#include "platform/FileNames.h"

#include <archive.h>
#include <archive_entry.h>
#include <vector>
#include <zip.h>
#include <zlib.h>

namespace
{

constexpr zip_uint32_t kTypeMask = 0170000, kLinkType = 0120000;

QByteArray Key(QByteArray name)
{
    while (name.endsWith('/'))
        name.chop(1);
    return name;
}

TPackReadBack ReadZip(const QString& path, const QByteArray& password,
                      platform::TFileOpsProgress& progress)
{
    TPackReadBack result;
    int error = 0;
    zip_t* zip =
        zip_open(platform::EncodeFileName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!zip) {
        result.Problem =
            QStringLiteral("The archive cannot be opened (libzip error %1).").arg(error);
        return result;
    }
    if (!password.isEmpty())
        zip_set_default_password(zip, password.constData());
    std::vector<char> buffer(1 << 20);
    const zip_int64_t count = zip_get_num_entries(zip, 0);
    for (zip_int64_t i = 0; i < count && !result.Cancelled; ++i) {
        const char* name = zip_get_name(zip, zip_uint64_t(i), ZIP_FL_ENC_RAW);
        if (!name)
            continue;
        TPackMember member;
        zip_uint8_t system = 0;
        zip_uint32_t attributes = 0;
        zip_file_get_external_attributes(zip, zip_uint64_t(i), 0, &system, &attributes);
        const bool link = system == ZIP_OPSYS_UNIX && ((attributes >> 16) & kTypeMask) == kLinkType;
        if (QByteArray(name).endsWith('/')) {
            member.Kind = TPackMember::TKind::Folder;
            member.Whole = true;
            result.Members.insert(Key(name), member);
            continue;
        }
        member.Kind = link ? TPackMember::TKind::Link : TPackMember::TKind::File;
        zip_file_t* file = zip_fopen_index(zip, zip_uint64_t(i), 0);
        if (file) {
            uLong crc = crc32(0L, Z_NULL, 0);
            zip_int64_t n = 0;
            while ((n = zip_fread(file, buffer.data(), buffer.size())) > 0) {
                crc = crc32(crc, reinterpret_cast<const Bytef*>(buffer.data()), uInt(n));
                member.Size += n;
                if (link)
                    member.LinkTarget.append(buffer.data(), qsizetype(n));
                progress.AddBytes(n);
                if (progress.Cancelled()) {
                    result.Cancelled = true;
                    break;
                }
            }
            member.Crc = quint32(crc);
            member.Whole = n == 0 && zip_fclose(file) == 0;
            if (n != 0)
                zip_fclose(file);
        }
        result.Members.insert(Key(name), member);
    }
    zip_discard(zip);
    return result;
}

TPackReadBack ReadArchive(const QString& path, platform::TFileOpsProgress& progress)
{
    TPackReadBack result;
    archive* a = archive_read_new();
    archive_read_support_filter_all(a);
    archive_read_support_format_all(a);
    if (archive_read_open_filename(a, platform::EncodeFileName(path).constData(), 1 << 20) !=
        ARCHIVE_OK) {
        result.Problem = QString::fromLocal8Bit(archive_error_string(a));
        archive_read_free(a);
        return result;
    }
    archive_entry* entry = nullptr;
    for (;;) {
        const int status = archive_read_next_header(a, &entry);
        if (status == ARCHIVE_EOF)
            break;
        if (status < ARCHIVE_WARN) {
            result.Problem = QString::fromLocal8Bit(archive_error_string(a));
            break;
        }
        TPackMember member;
        const QByteArray name = Key(archive_entry_pathname(entry));
        const auto type = archive_entry_filetype(entry);
        if (type == AE_IFDIR) {
            member.Kind = TPackMember::TKind::Folder;
            member.Whole = true;
        } else if (type == AE_IFLNK) {
            member.Kind = TPackMember::TKind::Link;
            member.LinkTarget = archive_entry_symlink(entry);
            member.Whole = true;
        } else {
            uLong crc = crc32(0L, Z_NULL, 0);
            const void* data = nullptr;
            size_t size = 0;
            la_int64_t offset = 0;
            int read = ARCHIVE_OK;
            while ((read = archive_read_data_block(a, &data, &size, &offset)) == ARCHIVE_OK) {
                crc = crc32(crc, static_cast<const Bytef*>(data), uInt(size));
                member.Size += qint64(size);
                progress.AddBytes(qint64(size));
                if (progress.Cancelled()) {
                    result.Cancelled = true;
                    break;
                }
            }
            member.Crc = quint32(crc);
            member.Whole = read == ARCHIVE_EOF;
        }
        result.Members.insert(name, member);
        if (result.Cancelled)
            break;
    }
    archive_read_free(a);
    return result;
}

} // namespace

TPackReadBack ReadBackArchive(const QString& path, TPackFormat format, const QByteArray& password,
                              platform::TFileOpsProgress& progress)
{
    return format == TPackFormat::Zip ? ReadZip(path, password, progress)
                                      : ReadArchive(path, progress);
}
