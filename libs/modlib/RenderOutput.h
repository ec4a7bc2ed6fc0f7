#pragma once
// TRenderOutput: plays sound that a render function produces on demand, on a thread of its
// own, into a wave device (src/audio/WaveDevice.h). It keeps a small ring of buffers
// queued on the device and refills each one from the render function when the device
// hands it back, so the sound goes on while the caller's thread is busy.
//
// Format: 16-bit interleaved stereo at the rate given at construction.
//
// Threads: Start, Stop and the destructor are called from one controlling thread and
// wait for the output thread to carry them out. The render function runs on the output
// thread only; it must guard whatever it shares with the controlling thread.
//
// End: when the render function answers 0 frames, what is queued plays out and the device
// closes by itself; Start makes it render again (reopening the device when it has closed).

#include "audio/WaveDevice.h"

#include <QString>
#include <QThread>
#include <atomic>
#include <functional>
#include <memory>

class TRenderWorker;

class TRenderOutput final
{
public:
    // Fills `frames` stereo frames at `out` (2 x frames samples); answers the frames
    // written, 0 at the end of the sound.
    using TRender = std::function<int(qint16* out, int frames)>;

    // `factory` empty: the device the environment selects (audio::CreateWaveDevice).
    TRenderOutput(int sampleRate, TRender render, audio::TWaveDeviceFactory factory = {});
    ~TRenderOutput();
    TRenderOutput(const TRenderOutput&) = delete;
    TRenderOutput& operator=(const TRenderOutput&) = delete;

    // Opens the device if needed and renders again; false with `error` set when the
    // device cannot be opened or written.
    bool Start(QString* error = nullptr);
    // Drops what is queued and closes the device; returns once it is closed.
    void Stop();
    // The device is open (playing or playing out the last buffers).
    bool Running() const;

    int SampleRate() const { return m_sampleRate; }
    // Frames per buffer; the ring holds BufferCount buffers (0.28 s at 44,100 Hz). A real
    // device hands a buffer back only once it has been heard, about 0.1 s after it took it,
    // so the ring keeps enough ahead for a busy machine.
    static constexpr int BufferFrames = 2048;
    static constexpr int BufferCount = 6;

private:
    int m_sampleRate;
    QThread m_thread;
    TRenderWorker* m_worker = nullptr; // lives on m_thread
};
