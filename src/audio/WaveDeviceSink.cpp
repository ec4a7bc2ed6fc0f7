#include "audio/WaveDeviceSink.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <QMediaDevices>
#include <QMetaObject>
#include <algorithm>
#include <cstring>
#include <deque>
#include <mutex>
#include <utility>

namespace audio
{

namespace
{

// The sound server's stream buffer asked for. A small one keeps the sound close to what
// the engine queued, and the silence fed after a sound's end short.
constexpr int kServerBufferMs = 80;
// How often the sink takes data (Qt's PulseAudio sink: about every 20 ms).
constexpr int kSinkPeriodMs = 20;

// A buffer the sink has taken whole, waiting to be heard.
struct TTaken {
    TWaveHeader* Header = nullptr;
    qint64 StreamEnd = 0; // stream byte just after its last byte
};

} // namespace

// The buffers queued on the device, shared by the opening thread (which appends) and
// the audio thread (which reads and hands back).
//
// The sink takes data ahead of the server's playing, at most Lag bytes ahead: a buffer is
// heard once the stream has run Lag bytes past its end. While a taken buffer waits and
// nothing else is queued, the source plays silence, so that the stream keeps running until
// the buffer has been heard (a sound shorter than the server's start threshold starts too).
struct TSinkQueue {
    std::mutex Mutex;
    std::deque<TWaveHeader*> Headers; // not yet taken whole
    qint64 FrontOffset = 0;           // bytes of the first buffer already taken
    std::deque<TTaken> Taken;
    // Everything the sink took, silence included, and where the silence lies in it
    // ([start, end) in stream bytes).
    qint64 StreamBytes = 0;
    std::deque<std::pair<qint64, qint64>> SilenceRuns;
    qint64 Lag = 0;
    std::function<void(TWaveHeader*)> HandBack;

    void Clear()
    {
        Headers.clear();
        Taken.clear();
        FrontOffset = StreamBytes = 0;
        SilenceRuns.clear();
    }
    // Sound bytes (silence left out) the server has played.
    qint64 HeardSoundBytes() const
    {
        const qint64 heard = std::max<qint64>(StreamBytes - Lag, 0);
        qint64 silence = 0;
        for (const auto& [start, end] : SilenceRuns)
            silence += std::clamp<qint64>(heard - start, 0, end - start);
        return heard - silence;
    }
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
        qint64 copied = CopyQueued(data, maxSize);
        if (copied == 0 && !m_queue->Taken.empty()) {
            std::memset(data, 0, size_t(maxSize));
            copied = maxSize;
            AddSilence(maxSize);
        }
        m_queue->StreamBytes += copied;
        HandBackHeard();
        return copied;
    }

    qint64 writeData(const char*, qint64) override { return -1; }

private:
    qint64 CopyQueued(char* data, qint64 maxSize)
    {
        TSinkQueue& q = *m_queue;
        qint64 copied = 0;
        while (copied < maxSize && !q.Headers.empty()) {
            TWaveHeader* h = q.Headers.front();
            const qint64 n =
                std::clamp<qint64>(h->BufferLength - q.FrontOffset, 0, maxSize - copied);
            if (n > 0)
                std::memcpy(data + copied, h->Data + q.FrontOffset, size_t(n));
            copied += n;
            q.FrontOffset += n;
            if (q.FrontOffset >= h->BufferLength) {
                q.Headers.pop_front();
                q.FrontOffset = 0;
                q.Taken.push_back({h, q.StreamBytes + copied});
            }
        }
        return copied;
    }

    void AddSilence(qint64 bytes)
    {
        TSinkQueue& q = *m_queue;
        if (!q.SilenceRuns.empty() && q.SilenceRuns.back().second == q.StreamBytes)
            q.SilenceRuns.back().second += bytes;
        else
            q.SilenceRuns.emplace_back(q.StreamBytes, q.StreamBytes + bytes);
    }

    void HandBackHeard()
    {
        TSinkQueue& q = *m_queue;
        while (!q.Taken.empty() && q.Taken.front().StreamEnd + q.Lag <= q.StreamBytes) {
            q.HandBack(q.Taken.front().Header);
            q.Taken.pop_front();
        }
    }

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
        Source = std::make_unique<TPullSource>(queue);
        Source->open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        Sink = std::make_unique<QAudioSink>(device, format);
        const qint64 requested = format.bytesForDuration(kServerBufferMs * 1000);
        Sink->setBufferSize(requested);
        Sink->start(Source.get());
        // Without a sound server start() fails without any state change: ask at once.
        if (Sink->error() != QAudio::NoError || Sink->state() == QAudio::StoppedState) {
            Stop();
            return false;
        }
        // What the server may hold unplayed: its stream buffer and one period of the sink.
        std::lock_guard lock(queue->Mutex);
        queue->Lag = std::max<qint64>(requested, Sink->bufferSize()) +
                     format.bytesForDuration(kSinkPeriodMs * 1000);
        return true;
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
    std::lock_guard lock(m_queue->Mutex);
    samples = m_queue->HeardSoundBytes() / m_format.BlockAlign();
    return TWaveResult::NoError;
}

void TSinkWaveDevice::HandBackAll()
{
    std::deque<TWaveHeader*> taken;
    {
        std::lock_guard lock(m_queue->Mutex);
        for (const TTaken& t : m_queue->Taken)
            taken.push_back(t.Header);
        taken.insert(taken.end(), m_queue->Headers.begin(), m_queue->Headers.end());
        m_queue->Clear();
    }
    for (TWaveHeader* h : taken)
        Notify(TWaveMessage::Done, h);
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

} // namespace audio
