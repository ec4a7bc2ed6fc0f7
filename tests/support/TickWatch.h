#pragma once
// A 100 ms timer on the interface thread and the longest gap seen between its ticks:
// a window that is never blocked keeps that gap near 100 ms.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <algorithm>

class TTickWatch final
{
public:
    TTickWatch()
    {
        QObject::connect(&m_tick, &QTimer::timeout, [this] { Mark(); });
        m_tick.start(100);
    }

    // Starts measuring: gaps count from here.
    void Start()
    {
        m_clock.start();
        m_last = 0;
        m_longest = 0;
    }
    qint64 Elapsed() const { return m_clock.elapsed(); }
    // The longest gap so far, the one still open included.
    qint64 LongestGap() { Mark(); return m_longest; }

private:
    void Mark()
    {
        if (!m_clock.isValid())
            return;
        m_longest = std::max(m_longest, m_clock.elapsed() - m_last);
        m_last = m_clock.elapsed();
    }

    QTimer m_tick;
    QElapsedTimer m_clock;
    qint64 m_last{0};
    qint64 m_longest{0};
};
