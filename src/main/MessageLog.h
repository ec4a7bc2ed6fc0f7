#pragma once
// The lines a command collects for its one message at the end. The archive libraries add
// theirs on the worker thread that runs them, while the user-interface thread may add
// its own: every member may be used from any thread.

#include <QMutex>
#include <QStringList>
#include <utility>

class TMessageLog final
{
public:
    TMessageLog& operator<<(const QString& line)
    {
        const QMutexLocker lock(&m_mutex);
        m_lines << line;
        return *this;
    }
    TMessageLog& operator<<(const QStringList& lines)
    {
        const QMutexLocker lock(&m_mutex);
        m_lines << lines;
        return *this;
    }
    // The lines so far; the log is then empty.
    QStringList Take()
    {
        const QMutexLocker lock(&m_mutex);
        return std::exchange(m_lines, {});
    }

private:
    QMutex m_mutex;
    QStringList m_lines;
};
