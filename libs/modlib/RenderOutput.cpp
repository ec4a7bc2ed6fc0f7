#include "modlib/RenderOutput.h"

#include <QObject>
#include <algorithm>
#include <array>
#include <vector>

// The part of the output that lives on the output thread: the device, the ring of buffers
// and the render calls.
class TRenderWorker final : public QObject
{
public:
    TRenderWorker(int sampleRate, TRenderOutput::TRender render, audio::TWaveDeviceFactory factory)
        : m_render(std::move(render)), m_factory(std::move(factory))
    {
        m_format.SampleRate = sampleRate;
        m_format.Channels = 2;
        m_format.BitsPerSample = 16;
        for (auto& b : m_buffers)
            b.assign(size_t(TRenderOutput::BufferFrames) * 2, 0);
    }
    ~TRenderWorker() override { CloseDevice(); }

    bool Start(QString* error);
    void CloseDevice();
    std::atomic<bool> Running{false};

private:
    bool OpenDevice(QString* error);
    bool FillAndWrite(int index, QString* error);
    void OnMessage(quint32 opening, audio::TWaveMessage message, audio::TWaveHeader* h);

    TRenderOutput::TRender m_render;
    audio::TWaveDeviceFactory m_factory;
    audio::TWaveFormat m_format;
    std::unique_ptr<audio::TWaveDevice> m_device;
    QObject* m_receiver = nullptr; // one per opening: deleting it drops late notifications
    quint32 m_opening = 0;
    std::array<std::vector<qint16>, TRenderOutput::BufferCount> m_buffers;
    std::array<audio::TWaveHeader, TRenderOutput::BufferCount> m_headers{};
    std::array<bool, TRenderOutput::BufferCount> m_queued{};
    int m_queuedCount = 0;
    bool m_ending = false;
};

bool TRenderWorker::OpenDevice(QString* error)
{
    m_device = m_factory ? m_factory(-1) : audio::CreateWaveDevice(-1);
    if (!m_device) {
        *error = audio::WaveErrorText(audio::TWaveResult::NoOutputDevice);
        return false;
    }
    m_receiver = new QObject(this);
    const quint32 opening = ++m_opening;
    const audio::TWaveResult r = m_device->Open(
        m_format, m_receiver, [this, opening](audio::TWaveMessage m, audio::TWaveHeader* h) {
            OnMessage(opening, m, h);
        });
    if (r == audio::TWaveResult::NoError) {
        for (size_t i = 0; i < m_headers.size(); ++i) {
            m_headers[i] = audio::TWaveHeader{};
            m_headers[i].Data = reinterpret_cast<char*>(m_buffers[i].data());
            m_headers[i].BufferLength = qint32(m_buffers[i].size() * 2);
            m_device->Prepare(m_headers[i]);
            m_queued[i] = false;
        }
        m_queuedCount = 0;
        Running = true;
        return true;
    }
    *error = audio::WaveErrorText(r);
    delete m_receiver;
    m_receiver = nullptr;
    m_device.reset();
    return false;
}

bool TRenderWorker::Start(QString* error)
{
    if (!m_device && !OpenDevice(error))
        return false;
    m_ending = false;
    bool ok = true;
    for (int i = 0; i < TRenderOutput::BufferCount && !m_ending; ++i)
        if (!m_queued[size_t(i)])
            ok = FillAndWrite(i, error) && ok;
    if (m_queuedCount == 0)
        CloseDevice(); // nothing to play
    return ok;
}

bool TRenderWorker::FillAndWrite(int index, QString* error)
{
    auto& header = m_headers[size_t(index)];
    auto* data = m_buffers[size_t(index)].data();
    const int n =
        std::min(m_render(data, TRenderOutput::BufferFrames), TRenderOutput::BufferFrames);
    if (n <= 0) {
        m_ending = true;
        return true;
    }
    header.BufferLength = n * 4;
    const audio::TWaveResult r = m_device->Write(header);
    if (r != audio::TWaveResult::NoError) {
        m_ending = true;
        if (error)
            *error = audio::WaveErrorText(r);
        return false;
    }
    m_queued[size_t(index)] = true;
    ++m_queuedCount;
    return true;
}

void TRenderWorker::OnMessage(quint32 opening, audio::TWaveMessage message, audio::TWaveHeader* h)
{
    if (opening != m_opening || !m_device || message != audio::TWaveMessage::Done)
        return;
    const auto it = std::find_if(m_headers.begin(), m_headers.end(),
                                 [h](const audio::TWaveHeader& x) { return &x == h; });
    const size_t index = size_t(it - m_headers.begin());
    if (it == m_headers.end() || !m_queued[index])
        return;
    m_queued[index] = false;
    --m_queuedCount;
    if (!m_ending)
        FillAndWrite(int(index), nullptr);
    if (m_queuedCount == 0)
        CloseDevice();
}

void TRenderWorker::CloseDevice()
{
    if (!m_device)
        return;
    ++m_opening; // notifications of this opening are stale from now on
    m_device->Reset();
    m_device->Close();
    m_device.reset();
    delete m_receiver;
    m_receiver = nullptr;
    m_queued.fill(false);
    m_queuedCount = 0;
    Running = false;
}

namespace
{

// Runs `work` on the worker's thread and waits for it.
template <typename F> void RunOn(QThread& thread, QObject* worker, F work)
{
    if (QThread::currentThread() == &thread)
        work();
    else
        QMetaObject::invokeMethod(worker, work, Qt::BlockingQueuedConnection);
}

} // namespace

TRenderOutput::TRenderOutput(int sampleRate, TRender render, audio::TWaveDeviceFactory factory)
    : m_sampleRate(sampleRate)
{
    m_thread.setObjectName(QStringLiteral("render output"));
    m_worker = new TRenderWorker(sampleRate, std::move(render), std::move(factory));
    m_worker->moveToThread(&m_thread);
    m_thread.start();
}

TRenderOutput::~TRenderOutput()
{
    TRenderWorker* worker = m_worker;
    RunOn(m_thread, worker, [worker] { delete worker; });
    m_thread.quit();
    m_thread.wait();
}

bool TRenderOutput::Start(QString* error)
{
    QString text;
    bool ok = false;
    RunOn(m_thread, m_worker, [&] { ok = m_worker->Start(&text); });
    if (!ok && error)
        *error = text;
    return ok;
}

void TRenderOutput::Stop()
{
    RunOn(m_thread, m_worker, [this] { m_worker->CloseDevice(); });
}

bool TRenderOutput::Running() const
{
    return m_worker->Running;
}
