#pragma once
// A wave device without sound hardware: it "plays" the queued buffers in real time by a
// monotonic clock and hands each one back when the clock has passed its end. It can also
// write everything it played to a WAV file (one recording per opening; the file is
// replaced at each opening and complete after Close).
//
// Runs entirely on the thread that opens it, whose event loop drives its timer.

#include "audio/WaveDevice.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <deque>

namespace audio
{

class TNullWaveDevice final : public TWaveDevice
{
public:
    // `recordPath` empty: nothing is recorded.
    explicit TNullWaveDevice(QString recordPath = {});
    ~TNullWaveDevice() override;

    TWaveResult Open(const TWaveFormat& format, QObject* receiver, TWaveCallback callback) override;
    TWaveResult Write(TWaveHeader& header) override;
    TWaveResult Pause() override;
    TWaveResult Restart() override;
    TWaveResult Reset() override;
    TWaveResult Position(qint64& samples) override;
    TWaveResult Close() override;

private:
    struct TQueued {
        TWaveHeader* Header = nullptr;
        qint64 EndByte = 0; // clock position at which the buffer has been played
    };

    qint64 ClockBytes() const;
    void Rebase();
    void Schedule();
    void Advance();
    void HandBackAll();
    bool StartRecording();
    void FinishRecording();

    QString m_recordPath;
    QFile m_record;
    qint64 m_recordedBytes = 0;
    TWaveFormat m_format;
    qint64 m_bytesPerSecond = 0;
    bool m_open = false;
    bool m_paused = false;
    std::deque<TQueued> m_queue;
    qint64 m_baseBytes = 0;    // clock position when m_clock was last restarted
    qint64 m_writtenBytes = 0; // end of the last queued buffer
    QElapsedTimer m_clock;
    QTimer m_timer;
};

} // namespace audio
