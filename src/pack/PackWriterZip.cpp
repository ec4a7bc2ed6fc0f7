// ZIP through libzip: files deflated at the chosen level (stored at 0), folders and links
// (as links, the way unzip and 7z restore them) kept, each member's Unix mode and time;
// with a password every member is encrypted with AES-256. libzip writes the whole archive
// when it is closed, reporting its progress and asking whether to stop.
#include "pack/PackWriterArchive.h"

#include "platform/FileOpsFaults.h"

#include <deque>
#include <zip.h>

namespace
{

class TZipWriter final : public TPackWriter
{
public:
    TZipWriter(int level, const QByteArray& password) : m_level(level), m_password(password) {}
    ~TZipWriter() override { Abort(); }

    QString Open(const QString& path) override;
    TPackAdd Add(const platform::TPackEntry& entry, const QString& path,
                 platform::TFileOpsProgress& progress) override;
    QString Close(platform::TFileOpsProgress& progress, bool& cancelled) override;
    void Abort() override;

private:
    QString Error() const { return QString::fromLocal8Bit(zip_strerror(m_zip)); }
    bool Describe(zip_int64_t index, const platform::TPackEntry& entry, bool data);

    int m_level;
    QByteArray m_password;
    zip_t* m_zip{nullptr};
    std::deque<QByteArray> m_linkTargets; // read by libzip when it closes
    qint64 m_total{0};
    qint64 m_reported{0};
    platform::TFileOpsProgress* m_progress{nullptr};
};

QString TZipWriter::Open(const QString& path)
{
    int error = 0;
    m_zip = zip_open(platform::EncodeFileName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (m_zip)
        return {};
    zip_error_t e;
    zip_error_init_with_code(&e, error);
    const QString text = QString::fromLocal8Bit(zip_error_strerror(&e));
    zip_error_fini(&e);
    return text;
}

// The member's time and Unix mode, and for data members their compression and encryption.
bool TZipWriter::Describe(zip_int64_t index, const platform::TPackEntry& entry, bool data)
{
    const auto i = zip_uint64_t(index);
    const zip_uint32_t dosFolder = entry.Kind == platform::TPackEntry::TKind::Folder ? 0x10 : 0;
    if (zip_file_set_mtime(m_zip, i, time_t(entry.Modified), 0) != 0 ||
        zip_file_set_external_attributes(m_zip, i, 0, ZIP_OPSYS_UNIX,
                                         (zip_uint32_t(entry.Mode) << 16) | dosFolder) != 0)
        return false;
    if (!data)
        return true;
    const bool stored = m_level == 0 || entry.Kind == platform::TPackEntry::TKind::Link;
    if (zip_set_file_compression(m_zip, i, stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE,
                                 stored ? 0 : zip_uint32_t(m_level)) != 0)
        return false;
    return m_password.isEmpty() ||
           zip_file_set_encryption(m_zip, i, ZIP_EM_AES_256, m_password.constData()) == 0;
}

TPackAdd TZipWriter::Add(const platform::TPackEntry& entry, const QString& path,
                         platform::TFileOpsProgress&)
{
    using K = platform::TPackEntry::TKind;
    const TPackAdd failed{TPackAdd::TKind::Failed, Error()};
    if (entry.Kind == K::Folder) {
        const zip_int64_t index = zip_dir_add(m_zip, entry.Bytes.constData(), ZIP_FL_ENC_GUESS);
        return index >= 0 && Describe(index, entry, false) ? TPackAdd{}
                                                           : TPackAdd{failed.Kind, Error()};
    }
    zip_source_t* source = nullptr;
    if (entry.Kind == K::Link) {
        const QByteArray& target = m_linkTargets.emplace_back(entry.LinkTarget);
        source = zip_source_buffer(m_zip, target.constData(), zip_uint64_t(target.size()), 0);
    } else {
        // Opened now so that a file that cannot be read is left out, not the archive lost
        // when libzip reads it at the end.
        platform::TPackSource probe;
        if (const int error = probe.Open(path))
            return {TPackAdd::TKind::Skipped, QStringLiteral("\"%1\" is left out: %2.")
                                                  .arg(entry.Relative, platform::ErrorText(error))};
        source = zip_source_file(m_zip, platform::EncodeFileName(path).constData(), 0,
                                 zip_int64_t(entry.Size));
        m_total += entry.Size;
    }
    if (!source)
        return {TPackAdd::TKind::Failed, Error()};
    const zip_int64_t index =
        zip_file_add(m_zip, entry.Bytes.constData(), source, ZIP_FL_ENC_GUESS);
    if (index < 0) {
        zip_source_free(source);
        return {TPackAdd::TKind::Failed, Error()};
    }
    return Describe(index, entry, true) ? TPackAdd{} : TPackAdd{TPackAdd::TKind::Failed, Error()};
}

QString TZipWriter::Close(platform::TFileOpsProgress& progress, bool& cancelled)
{
    m_progress = &progress;
    zip_register_progress_callback_with_state(
        m_zip, 0.001,
        [](zip_t*, double done, void* self) {
            auto* w = static_cast<TZipWriter*>(self);
            const auto bytes = qint64(done * double(w->m_total));
            w->m_progress->AddBytes(bytes - w->m_reported);
            w->m_reported = bytes;
            platform::FileOpsFault(platform::TFileOpsStep::ChunkCopied, {});
        },
        nullptr, this);
    zip_register_cancel_callback_with_state(
        m_zip,
        [](zip_t*, void* self) {
            return static_cast<TZipWriter*>(self)->m_progress->Cancelled() ? 1 : 0;
        },
        nullptr, this);
    if (zip_close(m_zip) == 0) {
        m_zip = nullptr;
        cancelled = false;
        return {};
    }
    cancelled = progress.Cancelled();
    const QString error = Error();
    Abort();
    return error;
}

void TZipWriter::Abort()
{
    if (m_zip)
        zip_discard(m_zip);
    m_zip = nullptr;
}

} // namespace

std::unique_ptr<TPackWriter> MakeZipWriter(int level, const QByteArray& password)
{
    return std::make_unique<TZipWriter>(level, password);
}

std::unique_ptr<TPackWriter> MakePackWriter(TPackFormat format, int level,
                                            const QByteArray& password)
{
    if (format == TPackFormat::Zip)
        return MakeZipWriter(level, password);
    return MakeArchiveWriter(format, level);
}
