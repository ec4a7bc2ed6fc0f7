#include "checks/ChecksumVerify.h"

#include "platform/FileNames.h"

#include <QMutex>
#include <atomic>
#include <thread>

struct TChecksumVerify::TShared {
    QString File;
    std::shared_ptr<TChecksumSource> Source;
    platform::TFileOpsProgress Progress;
    std::atomic<bool> Done{false};
    mutable QMutex Mutex;
    std::vector<TCheckRow> Rows; // not taken yet
    TCheckTotals Totals;
    QString Problem;

    void Add(const TCheckRow& row)
    {
        const QMutexLocker lock(&Mutex);
        Rows.push_back(row);
        switch (row.Result) {
        case TCheckResult::Ok:
            ++Totals.Ok;
            break;
        case TCheckResult::Failed:
            ++Totals.Failed;
            break;
        case TCheckResult::Missing:
            ++Totals.Missing;
            break;
        case TCheckResult::Unreadable:
            ++Totals.Unreadable;
            break;
        }
    }
    void Run();
};

namespace
{

// A checksum file larger than this is no list of files.
constexpr qint64 kMaxListSize = qint64(256) << 20;

TCheckResult ResultOf(const TFileDigest& digest, const QByteArray& expected)
{
    switch (digest.Result) {
    case TDigestResult::Done:
        return digest.Hex == expected ? TCheckResult::Ok : TCheckResult::Failed;
    case TDigestResult::Missing:
        return TCheckResult::Missing;
    default:
        return TCheckResult::Unreadable;
    }
}

} // namespace

void TChecksumVerify::TShared::Run()
{
    QByteArray text;
    if (!Source->ReadSmall(File, kMaxListSize, text)) {
        const QMutexLocker lock(&Mutex);
        Problem = QStringLiteral("The checksum file cannot be read.");
        return;
    }
    const TChecksumList list = ParseChecksums(text, DigestKindOfName(File));
    {
        const QMutexLocker lock(&Mutex);
        Totals.BadLines = list.BadLines;
        if (list.Entries.empty())
            Problem = QStringLiteral("The file holds no checksum line.");
    }
    const QString folder = Source->FolderOf(File);
    const auto listedPath = [&](const QByteArray& name) {
        return Source->Join(folder, platform::DecodeFileName(name));
    };
    qint64 bytes = 0;
    for (const TChecksumEntry& entry : list.Entries) {
        if (Progress.Cancelled())
            return;
        bytes += std::max<qint64>(0, Source->Size(listedPath(entry.Name)));
    }
    Progress.SetTotals(int(list.Entries.size()), bytes);
    for (const TChecksumEntry& entry : list.Entries) {
        if (Progress.Cancelled())
            return;
        const QString path = listedPath(entry.Name);
        Progress.SetCurrent(path);
        const TFileDigest digest = Source->Digest(path, entry.Kind, Progress);
        if (digest.Result == TDigestResult::Cancelled)
            return;
        Add({platform::DisplayName(platform::DecodeFileName(entry.Name)),
             ResultOf(digest, entry.Hex)});
        Progress.AddItem();
    }
}

TChecksumVerify::TChecksumVerify(const QString& checksumFile,
                                 std::shared_ptr<TChecksumSource> source)
    : m_shared(std::make_shared<TShared>())
{
    m_shared->File = checksumFile;
    m_shared->Source = source ? std::move(source) : LocalChecksumSource();
    std::thread([shared = m_shared] {
        shared->Run();
        shared->Done.store(true);
    }).detach();
}

TChecksumVerify::~TChecksumVerify()
{
    Cancel();
}

void TChecksumVerify::Cancel()
{
    m_shared->Progress.Cancel();
}

bool TChecksumVerify::Finished() const
{
    return m_shared->Done.load();
}

std::vector<TCheckRow> TChecksumVerify::TakeRows()
{
    const QMutexLocker lock(&m_shared->Mutex);
    return std::exchange(m_shared->Rows, {});
}

TCheckTotals TChecksumVerify::Totals() const
{
    const QMutexLocker lock(&m_shared->Mutex);
    return m_shared->Totals;
}

QString TChecksumVerify::Problem() const
{
    const QMutexLocker lock(&m_shared->Mutex);
    return m_shared->Problem;
}

const platform::TFileOpsProgress& TChecksumVerify::Progress() const
{
    return m_shared->Progress;
}
