#include "audio/WaveDeviceSink.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>
#include <QMetaObject>
#include <cstring>
#include <deque>
#include <mutex>

namespace platform
{

// The buffers queued on the device, shared by the opening thread (which appends) and
// the audio thread (which reads and hands back).
struct TSinkQueue {
    std::mutex Mutex;
    std::deque<TWaveHeader*> Headers;
    qint64 FrontOffset = 0; // bytes of the first buffer already handed to the sink
    std::function<void(TWaveHeader*)> HandBack;
};

namespace
{

// The sink pulls its data from here, on the audio thread.
class TPullSource final : public QIODevice
{
public:
    explicit TPullSource(std::shared_ptr<TSinkQueue> queue) : m_queue(std::move(queue)) {}

    bool isSequential() const override { return true; }

    qint64 bytesAvailable() const override
    {
        std::lock_guard lock(m_queue->Mutex);
        qint64 n = -m_queue->FrontOffset;
        for (const TWaveHeader* h : m_queue->Headers)
            n += h->BufferLength;
        return n + QIODevice::bytesAvailable();
    }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        std::lock_guard lock(m_queue->Mutex);
        qint64 copied = 0;
        while (copied < maxSize && !m_queue->Headers.empty()) {
            TWaveHeader* h = m_queue->Headers.front();
            const qint64 left = h->BufferLength - m_queue->FrontOffset;
            const qint64 n = std::min(left, maxSize - copied);
            if (n > 0)
                std::memcpy(data + copied, h->Data + m_queue->FrontOffset, size_t(n));
            copied += std::max<qint64>(n, 0);
            m_queue->FrontOffset += std::max<qint64>(n, 0);
            if (m_queue->FrontOffset >= h->BufferLength) {
                m_queue->Headers.pop_front();
                m_queue->FrontOffset = 0;
                m_queue->HandBack(h);
            }
        }
        return copied;
    }

    qint64 writeData(const char*, qint64) override { return -1; }

private:
    std::shared_ptr<TSinkQueue> m_queue;
};

bool ToAudioFormat(const TWaveFormat& f, QAudioFormat& out)
{
    out.setSampleRate(f.SampleRate);
    out.setChannelCount(f.Channels);
    switch (f.BitsPerSample) {
    case 8:
        out.setSampleFormat(QAudioFormat::UInt8);
        break;
    case 16:
        out.setSampleFormat(QAudioFormat::Int16);
        break;
    case 32:
        out.setSampleFormat(QAudioFormat::Int32);
        break;
    default:
        return false;
    }
    return f.SampleRate > 0 && f.Channels > 0;
}

} // namespace

// Owns the sink and its source; used only on the audio thread.
class TSinkWorker final : public QObject
{
public:
    std::unique_ptr<TPullSource> Source;
    std::unique_ptr<QAudioSink> Sink;

    bool Start(const QAudioDevice& device, const QAudioFormat& format,
               std::shared_ptr<TSinkQueue> queue)
    {
        Source = std::make_unique<TPullSource>(std::move(queue));
        Source->open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        Sink = std::make_unique<QAudioSink>(device, format);
        Sink->start(Source.get());
        // Without a sound server start() fails without any state change: ask at once.
        if (Sink->error() == QAudio::NoError && Sink->state() != QAudio::StoppedState)
            return true;
        Stop();
        return false;
    }

    void Stop()
    {
        if (Sink)
            Sink->stop();
        Sink.reset();
        Source.reset();
    }
};

namespace
{

// Runs `work` on the worker's thread and waits for it.
template <typename F> void RunOn(TSinkWorker* worker, F&& work)
{
    QMetaObject::invokeMethod(worker, std::forward<F>(work), Qt::BlockingQueuedConnection);
}

} // namespace

TSinkWaveDevice::TSinkWaveDevice(int deviceNumber)
    : m_deviceNumber(deviceNumber), m_queue(std::make_shared<TSinkQueue>())
{
    m_queue->HandBack = [this](TWaveHeader* h) { Notify(TWaveMessage::Done, h); };
    m_thread.setObjectName(QStringLiteral("Travodex audio"));
    m_worker = new TSinkWorker;
    m_worker->moveToThread(&m_thread);
    m_thread.start();
}

TSinkWaveDevice::~TSinkWaveDevice()
{
    RunOn(m_worker, [w = m_worker] { delete w; });
    m_thread.quit();
    m_thread.wait();
}

TWaveResult TSinkWaveDevice::Open(const TWaveFormat& format, QObject* receiver,
                                  TWaveCallback callback)
{
    if (m_open)
        return TWaveResult::AlreadyOpen;
    const QList<QAudioDevice> outputs = QMediaDevices::audioOutputs();
    if (outputs.isEmpty())
        return TWaveResult::NoOutputDevice;
    QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (m_deviceNumber >= 0)
        device = m_deviceNumber < outputs.size() ? outputs[m_deviceNumber] : QAudioDevice();
    if (device.isNull())
        return m_deviceNumber < 0 ? TWaveResult::NoOutputDevice : TWaveResult::BadDevice;
    QAudioFormat audioFormat;
    if (!ToAudioFormat(format, audioFormat) || !device.isFormatSupported(audioFormat))
        return TWaveResult::BadFormat;

    m_format = format;
    SetTarget(receiver, std::move(callback));
    bool started = false;
    RunOn(m_worker, [&] { started = m_worker->Start(device, audioFormat, m_queue); });
    if (!started) {
        ClearTarget();
        return TWaveResult::NoOutputDevice;
    }
    m_open = true;
    m_paused = false;
    Notify(TWaveMessage::Open);
    return TWaveResult::NoError;
}

TWaveResult TSinkWaveDevice::Write(TWaveHeader& header)
{
    if (const TWaveResult refused = CheckWritable(m_open, header); refused != TWaveResult::NoError)
        return refused;
    header.Flags = (header.Flags | WaveHeaderInQueue) & ~WaveHeaderDone;
    {
        std::lock_guard lock(m_queue->Mutex);
        m_queue->Headers.push_back(&header);
    }
    // Wakes a sink that ran dry and went idle.
    QMetaObject::invokeMethod(
        m_worker,
        [w = m_worker] {
            if (w->Source)
                Q_EMIT w->Source->readyRead();
        },
        Qt::QueuedConnection);
    return TWaveResult::NoError;
}

TWaveResult TSinkWaveDevice::Pause()
{
    if (!m_open)
        return TWaveResult::NotOpen;
    m_paused = true;
    RunOn(m_worker, [w = m_worker] { w->Sink->suspend(); });
    return TWaveResult::NoError;
}

TWaveResult TSinkWaveDevice::Restart()
{
    if (!m_open)
        return TWaveResult::NotOpen;
    m_paused = false;
    RunOn(m_worker, [w = m_worker] { w->Sink->resume(); });
    return TWaveResult::NoError;
}

void TSinkWaveDevice::HandBackAll()
{
    std::deque<TWaveHeader*> taken;
    {
        std::lock_guard lock(m_queue->Mutex);
        taken.swap(m_queue->Headers);
        m_queue->FrontOffset = 0;
    }
    for (TWaveHeader* h : taken)
        Notify(TWaveMessage::Done, h);
}

TWaveResult TSinkWaveDevice::Reset()
{
    if (!m_open)
        return TWaveResult::NotOpen;
    RunOn(m_worker, [w = m_worker] { w->Sink->stop(); });
    HandBackAll();
    RunOn(m_worker, [w = m_worker, paused = m_paused] {
        w->Sink->start(w->Source.get());
        if (paused)
            w->Sink->suspend();
    });
    return TWaveResult::NoError;
}

TWaveResult TSinkWaveDevice::Position(qint64& samples)
{
    if (!m_open)
        return TWaveResult::NotOpen;
    qint64 usecs = 0;
    RunOn(m_worker, [&] { usecs = m_worker->Sink->processedUSecs(); });
    samples = usecs * m_format.SampleRate / 1000000;
    return TWaveResult::NoError;
}

TWaveResult TSinkWaveDevice::Close()
{
    if (!m_open)
        return TWaveResult::NotOpen;
    RunOn(m_worker, [w = m_worker] { w->Stop(); });
    HandBackAll();
    m_open = false;
    Notify(TWaveMessage::Close);
    ClearTarget();
    return TWaveResult::NoError;
}

} // namespace platform
