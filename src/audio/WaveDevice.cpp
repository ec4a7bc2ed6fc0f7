#include "audio/WaveDevice.h"

#include "audio/WaveDeviceNull.h"
#include "audio/WaveDeviceSink.h"

#include <QMetaObject>
#include <QObject>

namespace audio
{

QString WaveErrorText(TWaveResult result)
{
    switch (result) {
    case TWaveResult::NoError:
        return QStringLiteral("The command completed successfully.");
    case TWaveResult::Error:
        return QStringLiteral("An unspecified error occurred on the audio output device.");
    case TWaveResult::BadDevice:
        return QStringLiteral("The specified audio output device does not exist.");
    case TWaveResult::NoOutputDevice:
        return QStringLiteral("no audio output device");
    case TWaveResult::BadFormat:
        return QStringLiteral("The audio output device does not support this sound format.");
    case TWaveResult::NotOpen:
        return QStringLiteral("The audio output device is not open.");
    case TWaveResult::AlreadyOpen:
        return QStringLiteral("The audio output device is already in use.");
    case TWaveResult::StillPlaying:
        return QStringLiteral("The sound buffer is still playing.");
    case TWaveResult::Unprepared:
        return QStringLiteral("The sound buffer was not prepared.");
    case TWaveResult::NoMemory:
        return QStringLiteral("Not enough memory for the audio output device.");
    }
    return QStringLiteral("Unknown audio output error %1.").arg(int(result));
}

TWaveResult TWaveDevice::Prepare(TWaveHeader& header)
{
    if (header.Data == nullptr || header.BufferLength < 0)
        return TWaveResult::Error;
    header.Flags |= WaveHeaderPrepared;
    return TWaveResult::NoError;
}

TWaveResult TWaveDevice::Unprepare(TWaveHeader& header)
{
    if (header.Flags & WaveHeaderInQueue)
        return TWaveResult::StillPlaying;
    header.Flags &= ~WaveHeaderPrepared;
    return TWaveResult::NoError;
}

void TWaveDevice::SetTarget(QObject* receiver, TWaveCallback callback)
{
    m_receiver = receiver;
    m_callback = std::make_shared<const TWaveCallback>(std::move(callback));
}

void TWaveDevice::ClearTarget()
{
    m_receiver = nullptr;
    m_callback.reset();
}

void TWaveDevice::Notify(TWaveMessage message, TWaveHeader* header) const
{
    if (m_receiver == nullptr || !m_callback)
        return;
    // The callback is shared so that a notification posted before ClearTarget still runs.
    QMetaObject::invokeMethod(
        m_receiver,
        [callback = m_callback, message, header] {
            if (header != nullptr && message == TWaveMessage::Done) {
                header->Flags &= ~WaveHeaderInQueue;
                header->Flags |= WaveHeaderDone;
            }
            if (*callback)
                (*callback)(message, header);
        },
        Qt::QueuedConnection);
}

std::unique_ptr<TWaveDevice> CreateWaveDevice(int deviceNumber)
{
    const QString choice = qEnvironmentVariable("TRAVODEX_AUDIO");
    if (choice == QLatin1String("null"))
        return std::make_unique<TNullWaveDevice>();
    if (choice.startsWith(QLatin1String("wav:")))
        return std::make_unique<TNullWaveDevice>(choice.mid(4));
    return std::make_unique<TSinkWaveDevice>(deviceNumber);
}

TWaveResult TWaveDevice::CheckWritable(bool open, const TWaveHeader& header)
{
    if (!open)
        return TWaveResult::NotOpen;
    if (!(header.Flags & WaveHeaderPrepared))
        return TWaveResult::Unprepared;
    if (header.Flags & WaveHeaderInQueue)
        return TWaveResult::StillPlaying;
    return TWaveResult::NoError;
}

} // namespace audio
