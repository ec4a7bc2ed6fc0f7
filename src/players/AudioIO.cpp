#include "players/AudioIO.h"

#include <algorithm>
#include <new>

using audio::TWaveHeader;
using audio::TWaveMessage;
using audio::TWaveResult;

namespace
{

const QString kBufferAllocError = QStringLiteral("Error allocating wave buffer memory");
const QString kHeaderAllocError = QStringLiteral("Error allocating wave header memory");
const QString kAlreadyOpen = QStringLiteral("Wave output device is already open");
const QString kNoFilledBuffer = QStringLiteral("There must be at least one filled buffer");

} // namespace

// ---- TAudioIO -------------------------------------------------------------------------

TAudioIO::TAudioIO(QObject* owner) : QObject(owner)
{
    m_format.SampleRate = 22050;
    m_format.Channels = 1;
    m_format.BitsPerSample = 16;
    RecomputeFormat();
    if (AllocateHeaders())
        AllocateBuffers(m_numBuffers);
}

TAudioIO::~TAudioIO() = default;

void TAudioIO::RecomputeFormat()
{
    const qint32 align = m_format.BlockAlign();
    m_effectiveSize = align > 0 ? m_bufferSize - m_bufferSize % align : m_bufferSize;
}

bool TAudioIO::AllocateHeaders()
{
    m_headers.reset(new (std::nothrow) TWaveHeader[4]);
    if (!m_headers) {
        m_lastError = kHeaderAllocError;
        return false;
    }
    return true;
}

// Blocks are allocated at the requested size, which is never below the effective size,
// so a later change of format cannot offer the callback more room than a block has.
bool TAudioIO::AllocateBuffers(int count)
{
    if (m_allocatedSize != m_bufferSize)
        FreeBuffers();
    m_allocatedSize = m_bufferSize;
    for (int i = 0; i < count; ++i) {
        if (m_buffers[size_t(i)])
            continue;
        m_buffers[size_t(i)].reset(new (std::nothrow) char[size_t(m_allocatedSize)]);
        if (!m_buffers[size_t(i)]) {
            FreeBuffers();
            m_lastError = kBufferAllocError;
            return false;
        }
    }
    return true;
}

void TAudioIO::FreeBuffers()
{
    for (auto& b : m_buffers)
        b.reset();
    m_allocatedSize = 0;
}

bool TAudioIO::EnsureMemory(int count)
{
    if (!m_headers && !AllocateHeaders())
        return false;
    return AllocateBuffers(count);
}

void TAudioIO::SetBufferSize(qint32 value)
{
    m_bufferSize = std::max<qint32>(value, 512);
    RecomputeFormat();
    if (!BuffersInUse())
        AllocateBuffers(m_numBuffers);
}

void TAudioIO::SetNumBuffers(qint32 value)
{
    m_numBuffers = std::clamp<qint32>(value, 2, 4);
    if (!BuffersInUse())
        AllocateBuffers(m_numBuffers);
}

void TAudioIO::SetFrameRate(qint32 value)
{
    m_format.SampleRate = value;
    RecomputeFormat();
}

void TAudioIO::SetStereo(bool value)
{
    m_format.Channels = value ? 2 : 1;
    RecomputeFormat();
}

void TAudioIO::SetQuantization(quint16 value)
{
    m_format.BitsPerSample = value <= 8 ? 8 : 16;
    RecomputeFormat();
}

void TAudioIO::StopNow()
{
    m_active = false;
    m_filling = false;
}

void TAudioIO::StopWhenEmpty()
{
    m_filling = false;
}

// ---- TCallBackWinOut ------------------------------------------------------------------

TCallBackWinOut::TCallBackWinOut(TAudioOut& out) : QObject(&out), Out(out) {}

// ---- TAudioOut ------------------------------------------------------------------------

TAudioOut::TAudioOut(QObject* owner) : TAudioIO(owner) {}

TAudioOut::~TAudioOut()
{
    // The device goes before its receiver, the callback object.
    m_device.reset();
}

void TAudioOut::SetDeviceFactory(audio::TWaveDeviceFactory factory)
{
    m_factory = std::move(factory);
}

void TAudioOut::SetPaused(bool value)
{
    m_paused = value;
    if (m_active && m_device)
        value ? m_device->Pause() : m_device->Restart();
}

bool TAudioOut::Start()
{
    if (!OpenDevice())
        return false;
    return BeginWriting();
}

bool TAudioOut::OpenDevice()
{
    if (m_deviceOpen) {
        m_lastError = kAlreadyOpen;
        return false;
    }
    if (!EnsureMemory(NumBuffers()))
        return false;
    m_playSize = EffectiveBufferSize();
    m_playBuffers = NumBuffers();
    m_playRate = FrameRate();
    m_nextBuffer = 0;
    if (m_callbackWindow == nullptr)
        m_callbackWindow = new TCallBackWinOut(*this);

    m_device = m_factory ? m_factory(WaveDevice()) : audio::CreateWaveDevice(WaveDevice());
    const quint32 opening = ++m_opening;
    TCallBackWinOut* window = m_callbackWindow;
    const TWaveResult r =
        m_device->Open(Format(), window, [window, opening](TWaveMessage m, TWaveHeader*) {
            if (m == TWaveMessage::Open)
                window->Out.WomOpen();
            else if (m == TWaveMessage::Done)
                window->Out.WomDone(opening);
            else
                window->Out.WomClose();
        });
    if (r != TWaveResult::NoError) {
        m_lastError = audio::WaveErrorText(r);
        m_device.reset();
        return false;
    }
    m_deviceOpen = true;
    if (!PrepareHeaders())
        return false;

    m_outstanding = 0;
    m_doneCount = 0;
    m_filledCount = 0;
    m_filling = true;
    m_active = true;
    if (!FillBuffer(0, m_playSize)) {
        CloseDevice();
        m_lastError = kNoFilledBuffer;
        return false;
    }
    for (int i = 1; i < m_playBuffers && FillBuffer(i, m_playSize); ++i) {
    }
    return true;
}

bool TAudioOut::PrepareHeaders()
{
    for (int i = 0; i < m_playBuffers; ++i) {
        TWaveHeader& h = Header(i);
        h = TWaveHeader{};
        h.Data = BufferData(i);
        h.BufferLength = m_playSize;
    }
    for (int i = 0; i < m_playBuffers; ++i) {
        const TWaveResult r = m_device->Prepare(Header(i));
        if (r != TWaveResult::NoError) {
            m_lastError = audio::WaveErrorText(r);
            CloseDevice();
            return false;
        }
    }
    return true;
}

bool TAudioOut::BeginWriting()
{
    const int filled = m_filledCount;
    m_active = true;
    if (m_paused)
        m_device->Pause();
    if (!WriteNextBuffer()) {
        CloseDevice();
        return false;
    }
    for (int i = 1; i < filled; ++i) {
        if (!WriteNextBuffer()) {
            // The rest stays unqueued; what was queued plays out.
            Forget(filled - i);
            break;
        }
    }
    return true;
}

// Takes filled buffers that never reached the device out of the count, so that the last
// completion of what was queued still closes the device.
void TAudioOut::Forget(int unwrittenBuffers)
{
    m_filledCount -= unwrittenBuffers;
    m_outstanding = m_filledCount - m_doneCount;
}

bool TAudioOut::WriteNextBuffer()
{
    TWaveHeader& h = Header(m_nextBuffer);
    h.Flags = audio::WaveHeaderPrepared;
    const TWaveResult r = m_device->Write(h);
    if (r != TWaveResult::NoError) {
        m_lastError = audio::WaveErrorText(r);
        StopWhenEmpty();
        return false;
    }
    m_nextBuffer = (m_nextBuffer + 1) % m_playBuffers;
    return true;
}

bool TAudioOut::FillBuffer(int index, qint32 size)
{
    if (!m_filling)
        return false;
    bool result = false;
    if (OnFillBuffer) {
        qint32 length = size;
        result = OnFillBuffer(BufferData(index), length);
        // A callback that claims more than it was offered cannot make the device read
        // past the buffer.
        Header(index).BufferLength = std::clamp<qint32>(length, 0, size);
    }
    if (result)
        ++m_filledCount;
    m_outstanding = m_filledCount - m_doneCount;
    return result;
}

void TAudioOut::WomOpen()
{
    if (OnStart)
        OnStart(m_callbackWindow);
}

void TAudioOut::WomClose()
{
    if (OnStop)
        OnStop(m_callbackWindow);
}

void TAudioOut::WomDone(quint32 opening)
{
    // Buffers handed back by a reset, or by an earlier opening, find the device closed
    // or another playback running; they must not count for it.
    if (!m_deviceOpen || opening != m_opening)
        return;
    ++m_doneCount;
    m_outstanding = m_filledCount - m_doneCount;
    if (FillBuffer(m_nextBuffer, m_playSize) && !WriteNextBuffer())
        Forget(1);
    m_active = m_outstanding > 0;
    if (!m_active) {
        m_filling = false;
        CloseDevice();
    }
}

void TAudioOut::CloseDevice()
{
    m_active = false;
    m_paused = false;
    if (!m_deviceOpen)
        return;
    for (int i = 0; i < m_playBuffers; ++i)
        m_device->Unprepare(Header(i));
    m_device->Close();
    m_device.reset();
    m_deviceOpen = false;
}

void TAudioOut::StopNow()
{
    if (!m_deviceOpen)
        return;
    m_active = false;
    m_filling = false;
    m_device->Reset();
    CloseDevice();
}

void TAudioOut::StopWhenEmpty()
{
    if (m_deviceOpen)
        m_filling = false;
}

double TAudioOut::ElapsedSeconds()
{
    if (!m_active || !m_device)
        return 0.0;
    qint64 samples = 0;
    if (m_device->Position(samples) != TWaveResult::NoError)
        return 0.0;
    return m_playRate > 0 ? double(samples) / double(m_playRate) : 0.0;
}
