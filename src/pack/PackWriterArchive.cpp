// The tar family and 7z, through libarchive's writers: pax (restricted) tar with gzip,
// bzip2, xz or zstd, or 7-Zip, at the chosen level.
#include "pack/PackWriterArchive.h"

#include "platform/FileOpsFaults.h"

#include <archive.h>
#include <archive_entry.h>
#include <vector>

namespace
{

constexpr qint64 kChunk = qint64(1) << 20;

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
    case TPackFormat::TarZst:
        status = archive_write_add_filter_zstd(a);
        break;
    default:
        return true; // plain tar
    }
    if (status != ARCHIVE_OK)
        return false;
    return archive_write_set_filter_option(a, nullptr, "compression-level",
                                           QByteArray::number(m_level).constData()) == ARCHIVE_OK;
}

QString TArchiveWriter::Open(const QString& path)
{
    m_archive = archive_write_new();
    if (!Configure() || archive_write_open_filename(
                            m_archive, platform::EncodeFileName(path).constData()) != ARCHIVE_OK) {
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
    const QString error = status == ARCHIVE_OK ? QString() : Error();
    archive_write_free(m_archive);
    m_archive = nullptr;
    return error;
}

void TArchiveWriter::Abort()
{
    if (!m_archive)
        return;
    archive_write_fail(m_archive);
    archive_write_free(m_archive);
    m_archive = nullptr;
}

} // namespace

std::unique_ptr<TPackWriter> MakeArchiveWriter(TPackFormat format, int level)
{
    return std::make_unique<TArchiveWriter>(format, level);
}
