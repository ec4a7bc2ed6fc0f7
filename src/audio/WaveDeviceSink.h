#pragma once
// The system's audio output (PulseAudio or PipeWire through Qt Multimedia's QAudioSink in
// pull mode). The sink runs on a thread of its own that takes data from the queued buffers,
// so sound keeps flowing while the opening thread is busy. A buffer is handed back once the
// server has played it, not when the sink took it: the sink takes data ahead by the
// server's stream buffer, so a buffer counts as played when the stream has run that far
// past its end. Until then, with nothing else queued, the sink is fed silence, so that the
// last buffers of a sound are heard before the device closes. Position counts the frames
// played, without that silence.
//
// Calls from the opening thread that touch the sink (Open, Pause, Restart, Reset, Position,
// Close) wait for the audio thread to carry them out.

#include "audio/WaveDevice.h"

#include <QThread>
#include <memory>

namespace audio
{

class TSinkWorker;
struct TSinkQueue;

class TSinkWaveDevice final : public TWaveDevice
{
public:
    // `deviceNumber` -1: the default output; otherwise an index into the list of outputs.
    explicit TSinkWaveDevice(int deviceNumber);
    ~TSinkWaveDevice() override;

    TWaveResult Open(const TWaveFormat& format, QObject* receiver, TWaveCallback callback) override;
    TWaveResult Write(TWaveHeader& header) override;
    TWaveResult Pause() override;
    TWaveResult Restart() override;
    TWaveResult Reset() override;
    TWaveResult Position(qint64& samples) override;
    TWaveResult Close() override;

private:
    void HandBackAll();

    int m_deviceNumber = -1;
    TWaveFormat m_format;
    bool m_open = false;
    bool m_paused = false;
    std::shared_ptr<TSinkQueue> m_queue;
    QThread m_thread;
    TSinkWorker* m_worker = nullptr; // lives on m_thread; deleted when it ends
};

} // namespace audio
