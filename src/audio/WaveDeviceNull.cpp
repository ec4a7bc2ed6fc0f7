#include "audio/WaveDeviceNull.h"

#include <QtEndian>
#include <algorithm>
#include <cmath>

namespace audio
{

namespace
{

bool ValidFormat(const TWaveFormat& f)
{
    const bool bits = f.BitsPerSample == 8 || f.BitsPerSample == 16 || f.BitsPerSample == 24 ||
                      f.BitsPerSample == 32;
    return bits && f.Channels >= 1 && f.Channels <= 8 && f.SampleRate > 0 && f.SampleRate <= 768000;
}

QByteArray WavHeader(const TWaveFormat& f, qint64 dataBytes)
{
    const quint32 data = quint32(std::min<qint64>(dataBytes, 0xFFFFFFFFLL - 36));
    QByteArray h(44, '\0');
    auto put32 = [&](int at, quint32 v) { qToLittleEndian(v, h.data() + at); };
    auto put16 = [&](int at, quint16 v) { qToLittleEndian(v, h.data() + at); };
    h.replace(0, 4, "RIFF");
    put32(4, 36 + data);
    h.replace(8, 8, "WAVEfmt ");
    put32(16, 16);
    put16(20, 1);
    put16(22, quint16(f.Channels));
    put32(24, quint32(f.SampleRate));
    put32(28, quint32(f.SampleRate * f.BlockAlign()));
    put16(32, quint16(f.BlockAlign()));
    put16(34, quint16(f.BitsPerSample));
    h.replace(36, 4, "data");
    put32(40, data);
    return h;
}

} // namespace

TNullWaveDevice::TNullWaveDevice(QString recordPath) : m_recordPath(std::move(recordPath))
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { Advance(); });
}

TNullWaveDevice::~TNullWaveDevice()
{
    if (m_open)
        FinishRecording();
}

TWaveResult TNullWaveDevice::Open(const TWaveFormat& format, QObject* receiver,
                                  TWaveCallback callback)
{
    if (m_open)
        return TWaveResult::AlreadyOpen;
    if (!ValidFormat(format))
        return TWaveResult::BadFormat;
    m_format = format;
    m_bytesPerSecond = qint64(format.SampleRate) * format.BlockAlign();
    if (!StartRecording())
        return TWaveResult::Error;
    m_open = true;
    m_paused = false;
    m_baseBytes = 0;
    m_writtenBytes = 0;
    m_clock.start();
    SetTarget(receiver, std::move(callback));
    Notify(TWaveMessage::Open);
    return TWaveResult::NoError;
}

qint64 TNullWaveDevice::ClockBytes() const
{
    if (m_paused)
        return m_baseBytes;
    const qint64 ran = qint64(double(m_clock.nsecsElapsed()) * double(m_bytesPerSecond) / 1e9);
    return std::min(m_baseBytes + ran, m_writtenBytes);
}

void TNullWaveDevice::Rebase()
{
    m_baseBytes = ClockBytes();
    m_clock.restart();
}

TWaveResult TNullWaveDevice::Write(TWaveHeader& header)
{
    if (const TWaveResult refused = CheckWritable(m_open, header); refused != TWaveResult::NoError)
        return refused;
    // After an underrun the clock waits at the end of what it had; it runs again from now.
    Rebase();
    header.Flags = (header.Flags | WaveHeaderInQueue) & ~WaveHeaderDone;
    m_writtenBytes += std::max<qint32>(header.BufferLength, 0);
    m_queue.push_back({&header, m_writtenBytes});
    Schedule();
    return TWaveResult::NoError;
}

void TNullWaveDevice::Schedule()
{
    if (m_queue.empty() || m_paused) {
        m_timer.stop();
        return;
    }
    const qint64 left = m_queue.front().EndByte - ClockBytes();
    const double ms = left <= 0 ? 0.0 : double(left) * 1000.0 / double(m_bytesPerSecond);
    m_timer.start(int(std::ceil(ms)));
}

void TNullWaveDevice::Advance()
{
    const qint64 now = ClockBytes();
    while (!m_queue.empty() && m_queue.front().EndByte <= now) {
        TWaveHeader* h = m_queue.front().Header;
        m_queue.pop_front();
        if (m_record.isOpen() && h->BufferLength > 0) {
            m_record.write(h->Data, h->BufferLength);
            m_recordedBytes += h->BufferLength;
        }
        Notify(TWaveMessage::Done, h);
    }
    Schedule();
}

TWaveResult TNullWaveDevice::Pause()
{
    if (!m_open)
        return TWaveResult::NotOpen;
    if (!m_paused) {
        Rebase();
        m_paused = true;
        m_timer.stop();
    }
    return TWaveResult::NoError;
}

TWaveResult TNullWaveDevice::Restart()
{
    if (!m_open)
        return TWaveResult::NotOpen;
    if (m_paused) {
        m_paused = false;
        m_clock.restart();
        Schedule();
    }
    return TWaveResult::NoError;
}

void TNullWaveDevice::HandBackAll()
{
    m_timer.stop();
    for (const TQueued& q : m_queue)
        Notify(TWaveMessage::Done, q.Header);
    m_queue.clear();
    m_baseBytes = 0;
    m_writtenBytes = 0;
    m_clock.restart();
}

TWaveResult TNullWaveDevice::Reset()
{
    if (!m_open)
        return TWaveResult::NotOpen;
    HandBackAll();
    return TWaveResult::NoError;
}

TWaveResult TNullWaveDevice::Position(qint64& samples)
{
    if (!m_open)
        return TWaveResult::NotOpen;
    samples = ClockBytes() / m_format.BlockAlign();
    return TWaveResult::NoError;
}

TWaveResult TNullWaveDevice::Close()
{
    if (!m_open)
        return TWaveResult::NotOpen;
    Advance(); // buffers whose time has come were played, and are recorded
    HandBackAll();
    FinishRecording();
    m_open = false;
    Notify(TWaveMessage::Close);
    ClearTarget();
    return TWaveResult::NoError;
}

bool TNullWaveDevice::StartRecording()
{
    m_recordedBytes = 0;
    if (m_recordPath.isEmpty())
        return true;
    m_record.setFileName(m_recordPath);
    if (!m_record.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    m_record.write(WavHeader(m_format, 0));
    return true;
}

void TNullWaveDevice::FinishRecording()
{
    if (!m_record.isOpen())
        return;
    m_record.seek(0);
    m_record.write(WavHeader(m_format, m_recordedBytes));
    m_record.close();
}

} // namespace audio
