#pragma once
// The wave output engine. It plays PCM sound by keeping a small ring of equal-sized
// buffers queued on a wave device (src/audio/WaveDevice.h): whenever the device hands
// a buffer back, the engine asks its owner for the next piece of sound (OnFillBuffer) and
// queues the buffer again. Playback ends by itself once the owner declines and every
// queued buffer has been played, or at once by StopNow.
//
// Threads: everything runs on the user-interface thread. The device's notifications
// reach the hidden callback object as queued calls, handled by the event loop between the
// owner's other events, so the fill callback may touch the owner's windows freely.
//
// Memory: the headers exist from creation, the buffers from creation or the last
// BufferSize change; nothing is allocated while playing.

#include "audio/WaveDevice.h"

#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <memory>

class TAudioOut;

// A notify event; `sender` is the engine's hidden callback object.
using TNotifyEvent = std::function<void(QObject* sender)>;
// Asked for data: write at most `Size` bytes of sample frames in the device format at
// `Buffer`, set `Size` to the bytes written, answer false when there is nothing more.
using TBufferEvent = std::function<bool(char* Buffer, qint32& Size)>;

// Sound format, buffers and the start/stop events.
class TAudioIO : public QObject
{
public:
    explicit TAudioIO(QObject* owner = nullptr);
    ~TAudioIO() override;
    Q_DISABLE_COPY_MOVE(TAudioIO)

    // Bytes per buffer: below 512 becomes 512; the buffers are allocated again (while a
    // device is open, at the next Start).
    qint32 BufferSize() const { return m_bufferSize; }
    void SetBufferSize(qint32 value);
    // Buffers in the ring, clamped to 2..4; a playback keeps the count it started with.
    qint32 NumBuffers() const { return m_numBuffers; }
    void SetNumBuffers(qint32 value);
    // Frames per second, stored as is.
    qint32 FrameRate() const { return m_format.SampleRate; }
    void SetFrameRate(qint32 value);
    // Two channels when true, one when false.
    bool Stereo() const { return m_format.Channels == 2; }
    void SetStereo(bool value);
    // Bits per sample: 8 or less becomes 8, above 8 becomes 16.
    quint16 Quantization() const { return quint16(m_format.BitsPerSample); }
    void SetQuantization(quint16 value);
    // Device number; -1 is the default device.
    qint32 WaveDevice() const { return m_waveDevice; }
    void SetWaveDevice(qint32 value) { m_waveDevice = value; }

    TNotifyEvent OnStart; // the device has opened
    TNotifyEvent OnStop;  // the device has closed

    // BufferSize rounded down to whole frames: the size of every buffer played.
    qint32 EffectiveBufferSize() const { return m_effectiveSize; }
    qint32 BlockAlign() const { return m_format.BlockAlign(); }
    qint32 AverageBytesPerSecond() const { return m_format.BlockAlign() * m_format.SampleRate; }
    const audio::TWaveFormat& Format() const { return m_format; }

    QString LastError() const { return m_lastError; }
    // The owner may report its own failures through LastError.
    void SetLastError(const QString& text) { m_lastError = text; }
    bool Active() const { return m_active; }
    bool Filling() const { return m_filling; }
    // Buffers filled since the start; inside the fill callback: those before the current one.
    qint32 FilledCount() const { return m_filledCount; }
    qint32 DoneCount() const { return m_doneCount; }
    qint32 Outstanding() const { return m_outstanding; }

    virtual void StopNow();
    virtual void StopWhenEmpty();

protected:
    // True while a device may be reading the buffers; they are then never freed.
    virtual bool BuffersInUse() const { return false; }
    // Makes sure headers and the first `count` buffers exist; false with LastError set.
    bool EnsureMemory(int count);
    char* BufferData(int index) const { return m_buffers[size_t(index)].get(); }
    audio::TWaveHeader& Header(int index) { return m_headers[size_t(index)]; }

    QString m_lastError;
    bool m_active = false;
    bool m_filling = false;
    qint32 m_nextBuffer = 0;
    qint32 m_filledCount = 0;
    qint32 m_outstanding = 0;
    qint32 m_doneCount = 0;

private:
    void RecomputeFormat();
    bool AllocateHeaders();
    bool AllocateBuffers(int count);
    void FreeBuffers();

    qint32 m_bufferSize = 8192;
    qint32 m_numBuffers = 4;
    qint32 m_waveDevice = -1;
    qint32 m_effectiveSize = 8192;
    qint32 m_allocatedSize = 0; // size of the blocks in m_buffers
    audio::TWaveFormat m_format;
    std::unique_ptr<audio::TWaveHeader[]> m_headers; // always four
    std::array<std::unique_ptr<char[]>, 4> m_buffers;
};

// Receives the device's notifications for the engine and is the sender of its events.
class TCallBackWinOut final : public QObject
{
public:
    explicit TCallBackWinOut(TAudioOut& out);
    TAudioOut& Out;
};

// Drives the output device and calls the fill callback.
class TAudioOut : public TAudioIO
{
public:
    explicit TAudioOut(QObject* owner = nullptr);
    ~TAudioOut() override;

    // Pauses or resumes the device while active; set before Start, playback starts paused.
    bool Paused() const { return m_paused; }
    void SetPaused(bool value);
    TBufferEvent OnFillBuffer;

    // Opens the device, fills the first buffers and queues them; false: nothing plays and
    // LastError says why.
    bool Start();
    // Drops what is queued and closes the device; nothing when idle.
    void StopNow() override;
    // Asks for no more data; what is queued plays out, then the device closes.
    void StopWhenEmpty() override;
    // Seconds played since the start; 0 when not active.
    double ElapsedSeconds();
    bool DeviceOpen() const { return m_deviceOpen; }

    // Where devices come from (tests and benchmarks); by default the environment's device.
    void SetDeviceFactory(audio::TWaveDeviceFactory factory);

    // Notification handlers, called through the callback object.
    void WomOpen();
    void WomDone(quint32 opening);
    void WomClose();

protected:
    bool BuffersInUse() const override { return m_deviceOpen; }
    virtual bool FillBuffer(int index, qint32 size);
    virtual void CloseDevice();
    virtual bool OpenDevice();

private:
    bool WriteNextBuffer();
    bool BeginWriting();
    bool PrepareHeaders();
    void Forget(int unwrittenBuffers);

    bool m_paused = false;
    bool m_deviceOpen = false;
    qint32 m_playSize = 0;    // buffer size of the current playback
    qint32 m_playBuffers = 0; // ring size of the current playback
    qint32 m_playRate = 0;    // frame rate the device was opened with
    quint32 m_opening =
        0; // counts openings, so late notifications of an earlier one are told apart
    TCallBackWinOut* m_callbackWindow = nullptr; // child of this engine
    audio::TWaveDeviceFactory m_factory;
    std::unique_ptr<audio::TWaveDevice> m_device;
};
