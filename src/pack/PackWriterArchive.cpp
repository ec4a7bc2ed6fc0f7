// The tar family and 7z, through libarchive's writers: pax (restricted) tar with gzip,
// bzip2, xz or zstd, or 7-Zip, at the chosen level. For zstd the tar stream goes to
// libzstd directly, with one worker thread of its own, so compressing runs beside the
// reading and the tar format as `tar --zstd` beside its `zstd` does.
#include "pack/PackWriterArchive.h"

#include "platform/FileOpsFaults.h"

#include <QFile>
#include <archive.h>
#include <archive_entry.h>
#include <vector>
#include <zstd.h>

namespace
{

constexpr qint64 kChunk = qint64(1) << 20;

// Compresses the tar stream libarchive hands over into the file, as the zstd tool does
// (level, content checksum), with one worker thread where libzstd has them.
class TZstdSink final
{
public:
    TZstdSink(const QString& path, int level) : m_file(path), m_out(ZSTD_CStreamOutSize())
    {
        ZSTD_CCtx_setParameter(m_context, ZSTD_c_compressionLevel, level);
        ZSTD_CCtx_setParameter(m_context, ZSTD_c_checksumFlag, 1);
        ZSTD_CCtx_setParameter(m_context, ZSTD_c_nbWorkers, 1); // fails harmlessly without
    }
    ~TZstdSink() { ZSTD_freeCCtx(m_context); }
    TZstdSink(const TZstdSink&) = delete;
    TZstdSink& operator=(const TZstdSink&) = delete;
    bool Open() { return m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered); }
    // Compresses `size` bytes (all of them), or with `end` the rest; false on a failure.
    bool Put(const void* data, size_t size, bool end)
    {
        ZSTD_inBuffer in{data, size, 0};
        for (;;) {
            ZSTD_outBuffer out{m_out.data(), m_out.size(), 0};
            const size_t left =
                ZSTD_compressStream2(m_context, &out, &in, end ? ZSTD_e_end : ZSTD_e_continue);
            if (ZSTD_isError(left) ||
                m_file.write(m_out.data(), qint64(out.pos)) != qint64(out.pos))
                return false;
            if (end ? left == 0 : in.pos == in.size)
                return true;
        }
    }
    bool Close()
    {
        const bool whole = Put(nullptr, 0, true);
        m_file.close();
        return whole && m_file.error() == QFileDevice::NoError;
    }

    static la_ssize_t Write(archive* a, void* self, const void* data, size_t size)
    {
        if (static_cast<TZstdSink*>(self)->Put(data, size, false))
            return la_ssize_t(size);
        archive_set_error(a, EIO, "the compressed archive cannot be written");
        return -1;
    }

private:
    QFile m_file;
    ZSTD_CCtx* m_context{ZSTD_createCCtx()};
    std::vector<char> m_out;
};

class TArchiveWriter final : public TPackWriter
{
public:
    TArchiveWriter(TPackFormat format, int level) : m_format(format), m_level(level) {}
    ~TArchiveWriter() override { Abort(); }

    QString Open(const QString& path) override;
    TPackAdd Add(const platform::TPackEntry& entry, const QString& path,
                 platform::TFileOpsProgress& progress) override;
    QString Close(platform::TFileOpsProgress& progress, bool& cancelled) override;
    void Abort() override;

private:
    QString Error() const { return QString::fromLocal8Bit(archive_error_string(m_archive)); }
    bool Configure();
    TPackAdd CopyData(platform::TPackSource& source, const platform::TPackEntry& entry,
                      platform::TFileOpsProgress& progress);

    TPackFormat m_format;
    int m_level;
    archive* m_archive{nullptr};
    std::unique_ptr<TZstdSink> m_zstd;
    std::vector<char> m_buffer;
};

bool TArchiveWriter::Configure()
{
    archive* a = m_archive;
    if (m_format == TPackFormat::SevenZip) {
        if (archive_write_set_format_7zip(a) != ARCHIVE_OK)
            return false;
        return archive_write_set_format_option(a, "7zip", "compression-level",
                                               QByteArray::number(m_level).constData()) ==
               ARCHIVE_OK;
    }
    if (archive_write_set_format_pax_restricted(a) != ARCHIVE_OK)
        return false;
    int status = ARCHIVE_OK;
    switch (m_format) {
    case TPackFormat::TarGz:
        status = archive_write_add_filter_gzip(a);
        break;
    case TPackFormat::TarBz2:
        status = archive_write_add_filter_bzip2(a);
        break;
    case TPackFormat::TarXz:
        status = archive_write_add_filter_xz(a);
        break;
    default:
        return true; // plain tar, and tar.zst (compressed by TZstdSink)
    }
    if (status != ARCHIVE_OK)
        return false;
    return archive_write_set_filter_option(a, nullptr, "compression-level",
                                           QByteArray::number(m_level).constData()) == ARCHIVE_OK;
}

QString TArchiveWriter::Open(const QString& path)
{
    m_archive = archive_write_new();
    bool opened = false;
    if (m_format == TPackFormat::TarZst) {
        // Blocks of 64 KiB to the compressor, the end padded as tar pads it.
        m_zstd = std::make_unique<TZstdSink>(path, m_level);
        opened = Configure() && m_zstd->Open() &&
                 archive_write_set_bytes_per_block(m_archive, 64 << 10) == ARCHIVE_OK &&
                 archive_write_set_bytes_in_last_block(m_archive, 10240) == ARCHIVE_OK &&
                 archive_write_open2(m_archive, m_zstd.get(), nullptr, &TZstdSink::Write, nullptr,
                                     nullptr) == ARCHIVE_OK;
    } else {
        opened =
            Configure() && archive_write_open_filename(
                               m_archive, platform::EncodeFileName(path).constData()) == ARCHIVE_OK;
    }
    if (!opened) {
        const QString error = Error();
        Abort();
        return error;
    }
    m_buffer.resize(size_t(kChunk));
    return {};
}

TPackAdd TArchiveWriter::CopyData(platform::TPackSource& source, const platform::TPackEntry& entry,
                                  platform::TFileOpsProgress& progress)
{
    qint64 done = 0;
    while (done < entry.Size) {
        if (progress.Cancelled())
            return {TPackAdd::TKind::Cancelled, {}};
        const qint64 n = source.Read(m_buffer.data(), qMin(kChunk, entry.Size - done));
        if (n < 0)
            return {TPackAdd::TKind::Failed,
                    QStringLiteral("\"%1\" could not be read to its end: %2.")
                        .arg(entry.Relative, platform::ErrorText(int(-n)))};
        if (n == 0)
            return {
                TPackAdd::TKind::Failed,
                QStringLiteral("\"%1\" became shorter while it was packed.").arg(entry.Relative)};
        if (archive_write_data(m_archive, m_buffer.data(), size_t(n)) < 0)
            return {TPackAdd::TKind::Failed, Error()};
        done += n;
        progress.AddBytes(n);
        platform::FileOpsFault(platform::TFileOpsStep::ChunkCopied, {});
    }
    return {};
}

TPackAdd TArchiveWriter::Add(const platform::TPackEntry& entry, const QString& path,
                             platform::TFileOpsProgress& progress)
{
    using K = platform::TPackEntry::TKind;
    platform::TPackSource source;
    if (entry.Kind == K::File) {
        if (const int error = source.Open(path))
            return {TPackAdd::TKind::Skipped, QStringLiteral("\"%1\" is left out: %2.")
                                                  .arg(entry.Relative, platform::ErrorText(error))};
    }
    archive_entry* e = archive_entry_new();
    archive_entry_copy_pathname(e, entry.Bytes.constData());
    archive_entry_set_perm(e, entry.Mode & 07777);
    archive_entry_set_mtime(e, entry.Modified, 0);
    if (entry.Kind == K::Folder) {
        archive_entry_set_filetype(e, AE_IFDIR);
    } else if (entry.Kind == K::Link) {
        archive_entry_set_filetype(e, AE_IFLNK);
        archive_entry_copy_symlink(e, entry.LinkTarget.constData());
    } else {
        archive_entry_set_filetype(e, AE_IFREG);
        archive_entry_set_size(e, entry.Size);
    }
    const int status = archive_write_header(m_archive, e);
    archive_entry_free(e);
    if (status < ARCHIVE_WARN)
        return {TPackAdd::TKind::Failed, Error()};
    return entry.Kind == K::File ? CopyData(source, entry, progress) : TPackAdd{};
}

QString TArchiveWriter::Close(platform::TFileOpsProgress& progress, bool& cancelled)
{
    cancelled = progress.Cancelled();
    if (cancelled) {
        Abort();
        return {};
    }
    const int status = archive_write_close(m_archive);
    QString error = status == ARCHIVE_OK ? QString() : Error();
    archive_write_free(m_archive);
    m_archive = nullptr;
    if (m_zstd && !m_zstd->Close() && error.isEmpty())
        error = QStringLiteral("the compressed archive cannot be written");
    m_zstd.reset();
    return error;
}

void TArchiveWriter::Abort()
{
    if (!m_archive)
        return;
    archive_write_fail(m_archive);
    archive_write_free(m_archive);
    m_archive = nullptr;
    m_zstd.reset();
}

} // namespace

std::unique_ptr<TPackWriter> MakeArchiveWriter(TPackFormat format, int level)
{
    return std::make_unique<TArchiveWriter>(format, level);
}
