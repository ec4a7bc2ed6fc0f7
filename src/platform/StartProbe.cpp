#include "platform/StartProbe.h"

#include "platform/Memory.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <chrono>
#include <cstdio>

namespace platform
{

namespace
{

// Watches the paints of one window and the event loop's sleeps; reports once, then goes.
class TStartProbe final : public QObject
{
public:
    TStartProbe(QWidget* window, std::function<bool()> ready)
        : QObject(window), m_window(window), m_ready(std::move(ready))
    {
        qApp->installEventFilter(this);
        connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
                &TStartProbe::AboutToBlock);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_painted && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == m_window && Ready())
            m_painted = true;
        return false;
    }

private:
    bool Ready() const { return !m_ready || m_ready(); }

    void AboutToBlock()
    {
        if (!m_painted || !Ready())
            return;
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        std::fprintf(stderr, "start-idle %lld %lld\n",
                     static_cast<long long>(std::chrono::nanoseconds(now).count()),
                     static_cast<long long>(ResidentBytes()));
        std::fflush(stderr);
        qApp->removeEventFilter(this);
        disconnect(QAbstractEventDispatcher::instance(), nullptr, this, nullptr);
        deleteLater();
    }

    QWidget* m_window;
    std::function<bool()> m_ready;
    bool m_painted{false};
};

} // namespace

void ProbeStartIdle(QWidget* window, std::function<bool()> ready)
{
    if (qEnvironmentVariableIsEmpty("TRAVODEX_START_PROBE"))
        return;
    new TStartProbe(window, std::move(ready));
}

} // namespace platform
