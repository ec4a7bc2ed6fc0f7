#pragma once
// The wave output device: plays PCM buffers that the caller queues, in order, and hands
// each one back once it has been played.
//
// Threads: every call is made on the thread that opened the device (the user-interface
// thread). Notifications never arrive as direct calls: each one is a queued call of the
// callback on the thread of the receiver given to Open, handled by its event loop after
// the call that caused it, and none arrives once the receiver is destroyed.
//
// Buffers: the caller owns a buffer and its header. From Write until its Done notification
// the device may read the data; the caller must not touch it (nor free it) meanwhile.
// The header's flags are only changed on the caller's thread.

#include <QString>
#include <QtGlobal>
#include <functional>
#include <memory>

class QObject;

namespace audio
{

struct TWaveFormat final {
    int SampleRate = 22050;
    int Channels = 1;
    int BitsPerSample = 16;

    int BlockAlign() const { return BitsPerSample / 8 * Channels; }
};

// Header flags.
inline constexpr quint32 WaveHeaderDone = 0x01;     // handed back by the device
inline constexpr quint32 WaveHeaderPrepared = 0x02; // ready to be written
inline constexpr quint32 WaveHeaderInQueue = 0x10;  // queued on the device

// One buffer handed to the device.
struct TWaveHeader final {
    char* Data = nullptr;
    qint32 BufferLength = 0; // bytes of Data to play
    qint32 BytesRecorded = 0;
    quintptr User = 0;
    quint32 Flags = 0;
    quint32 Loops = 0;
    TWaveHeader* Next = nullptr;
    quintptr Reserved = 0;
};

enum class TWaveResult {
    NoError = 0,
    Error,          // unspecified failure
    BadDevice,      // no device with that number
    NoOutputDevice, // the system has no audio output at all
    BadFormat,      // the device refuses the format
    NotOpen,        // a call on a device that is not open
    AlreadyOpen,
    StillPlaying, // a header that is still queued
    Unprepared,   // a header that was not prepared
    NoMemory,
};

// The user-readable text of a result.
QString WaveErrorText(TWaveResult result);

enum class TWaveMessage { Open, Done, Close };

// `header` is the buffer handed back for Done, null for Open and Close.
using TWaveCallback = std::function<void(TWaveMessage message, TWaveHeader* header)>;

class TWaveDevice
{
public:
    TWaveDevice() = default;
    TWaveDevice(const TWaveDevice&) = delete;
    TWaveDevice& operator=(const TWaveDevice&) = delete;
    // Destroying an open device drops its queue silently and releases the hardware.
    virtual ~TWaveDevice() = default;

    // Opens the device for `format`; an Open notification follows. `receiver` must outlive
    // the device.
    virtual TWaveResult Open(const TWaveFormat& format, QObject* receiver,
                             TWaveCallback callback) = 0;
    // Marks a header as ready for Write; Unprepare fails while it is queued.
    virtual TWaveResult Prepare(TWaveHeader& header);
    virtual TWaveResult Unprepare(TWaveHeader& header);
    // Queues a prepared header behind the others; a Done notification follows when played.
    virtual TWaveResult Write(TWaveHeader& header) = 0;
    virtual TWaveResult Pause() = 0;
    virtual TWaveResult Restart() = 0;
    // Stops playing and hands every queued buffer back at once (Done notifications follow);
    // the position starts again at 0.
    virtual TWaveResult Reset() = 0;
    // Sample frames played since the opening or the last Reset.
    virtual TWaveResult Position(qint64& samples) = 0;
    // Closes the device; buffers still queued are handed back first. A Close notification
    // follows.
    virtual TWaveResult Close() = 0;

protected:
    // Whether `header` may be written to a device that is `open`: prepared and not queued.
    static TWaveResult CheckWritable(bool open, const TWaveHeader& header);
    // Posts a notification to the receiver's thread. Safe from any thread.
    void Notify(TWaveMessage message, TWaveHeader* header = nullptr) const;
    void SetTarget(QObject* receiver, TWaveCallback callback);
    void ClearTarget();
    bool HasTarget() const { return m_receiver != nullptr; }

private:
    QObject* m_receiver = nullptr;
    std::shared_ptr<const TWaveCallback> m_callback;
};

using TWaveDeviceFactory = std::function<std::unique_ptr<TWaveDevice>(int deviceNumber)>;

// The device the environment selects: TRAVODEX_AUDIO=null gives the null device,
// TRAVODEX_AUDIO=wav:PATH the null device recording to PATH, anything else the system's
// audio output (device -1: the default one; otherwise that index of the output list).
std::unique_ptr<TWaveDevice> CreateWaveDevice(int deviceNumber);

} // namespace audio
