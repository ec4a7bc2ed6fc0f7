#pragma once
// Holds the work that reaches one fault step for one path until released, as a dead
// network mount would, and tells whether such work ran on the window's thread (there it
// is never held: the test would hang). When it goes it releases what it holds, waits
// until `idle` says the workers have returned, and only then removes its hook.

#include "platform/FileOpsFaults.h"

#include <QCoreApplication>
#include <QTest>
#include <QThread>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>

class TFaultHold final
{
public:
    TFaultHold(platform::TFileOpsStep step, const QString& path, std::function<bool()> idle)
        : m_idle(std::move(idle))
    {
        m_previous = platform::SetFileOpsFaultHook(
            [this, step, path](platform::TFileOpsStep at, const QString& where) {
                if (at == step && where == path)
                    Hold();
                return 0;
            });
    }
    ~TFaultHold()
    {
        Release();
        EXPECT_TRUE(QTest::qWaitFor(m_idle, 60000)); // the held workers returned
        platform::SetFileOpsFaultHook(std::move(m_previous));
    }
    TFaultHold(const TFaultHold&) = delete;
    TFaultHold& operator=(const TFaultHold&) = delete;

    // How many times work reached the step, and whether any of it on the window's thread.
    int Held()
    {
        const std::lock_guard lock(m_mutex);
        return m_held;
    }
    bool OnWindowThread()
    {
        const std::lock_guard lock(m_mutex);
        return m_onWindowThread;
    }
    void Release()
    {
        const std::lock_guard lock(m_mutex);
        m_release = true;
        m_released.notify_all();
    }

private:
    void Hold()
    {
        std::unique_lock lock(m_mutex);
        ++m_held;
        if (QThread::currentThread() == QCoreApplication::instance()->thread()) {
            m_onWindowThread = true;
            return;
        }
        // At most a minute: a test that fails never leaves a worker held for good.
        m_released.wait_for(lock, std::chrono::seconds(60), [this] { return m_release; });
    }

    std::function<bool()> m_idle;
    platform::TFileOpsFaultHook m_previous;
    std::mutex m_mutex;
    std::condition_variable m_released;
    int m_held{0};
    bool m_onWindowThread{false};
    bool m_release{false};
};
