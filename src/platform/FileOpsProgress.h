#pragma once
// The shared record of one long file operation: what is done so far, and whether the
// user asked to stop. The worker thread doing the work writes it; the user-interface
// thread reads it for the progress window and sets the cancel flag. All members may be
// used from any thread.

#include <QMutex>
#include <QString>
#include <atomic>

namespace platform
{

class TFileOpsProgress final
{
public:
    // Set once by whoever cancels; the work stops at its next check (between chunks of
    // a file, between entries of a tree).
    void Cancel() { m_cancel.store(true); }
    bool Cancelled() const { return m_cancel.load(); }

    // Entries completed and bytes of file data written.
    void AddItem() { ++m_items; }
    void AddBytes(qint64 bytes) { m_bytes += bytes; }
    int Items() const { return m_items.load(); }
    qint64 Bytes() const { return m_bytes.load(); }

    // Totals of the whole command; -1 while still being counted.
    void SetTotals(int items, qint64 bytes)
    {
        m_totalBytes.store(bytes);
        m_totalItems.store(items);
    }
    int TotalItems() const { return m_totalItems.load(); }
    qint64 TotalBytes() const { return m_totalBytes.load(); }

    // The entry being worked on, for display.
    void SetCurrent(const QString& path)
    {
        const QMutexLocker lock(&m_mutex);
        m_current = path;
    }
    QString Current() const
    {
        const QMutexLocker lock(&m_mutex);
        return m_current;
    }

private:
    std::atomic<bool> m_cancel{false};
    std::atomic<int> m_items{0};
    std::atomic<qint64> m_bytes{0};
    std::atomic<int> m_totalItems{-1};
    std::atomic<qint64> m_totalBytes{-1};
    mutable QMutex m_mutex;
    QString m_current;
};

// Whether `progress` (may be null) asks to stop.
inline bool CancelRequested(const TFileOpsProgress* progress)
{
    return progress && progress->Cancelled();
}

} // namespace platform
