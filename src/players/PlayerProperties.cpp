// The properties of sound, module and MIDI files for the quick view, read by the same
// libraries that play them, without playing: AudioFileLib (libsndfile) for sounds,
// libopenmpt for modules, the sequencer's check for MIDI files.
#include "players/PlayerWindows.h"

#include "audiofilelib/AudioFileLib.h"
#include "listing/FileListing.h"
#include "sequencer/MidiCheck.h"

#include <QFile>
#include <QString>
#include <QtEndian>
#include <libopenmpt/libopenmpt.hpp>
#include <ostream>
#include <vector>

namespace
{

// Modules and MIDI files are read whole; larger files are not looked at.
constexpr qint64 MostBytes = 64LL << 20;

QString Length(double seconds)
{
    const int whole = int(seconds);
    return QStringLiteral("Length: %1:%2.%3")
        .arg(whole / 60)
        .arg(whole % 60, 2, 10, QLatin1Char('0'))
        .arg(int((seconds - whole) * 10));
}

QStringList SoundProperties(const QString& path, QString* why)
{
    FileInfo info{};
    if (!AFL_open(&info, QFile::encodeName(path).constData(), 'r', 0)) {
        *why = QString::fromUtf8(AFL_ErrorMessage());
        return {};
    }
    AFL_close(&info);
    QStringList lines{QStringLiteral("Sound")};
    lines << QStringLiteral("Channels: %1").arg(info.Channels)
          << QStringLiteral("Rate: %1 Hz").arg(FormatSize(qint64(info.SampleRate)))
          << QStringLiteral("Bits per sample: %1").arg(info.BitsPerSample);
    if (info.SampleRate > 0)
        lines << Length(info.FrameCount / info.SampleRate);
    return lines;
}

bool ReadWhole(const QString& path, QByteArray& data, QString* why)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *why = file.errorString();
        return false;
    }
    if (file.size() > MostBytes) {
        *why = QStringLiteral("too large: more than %1 bytes").arg(FormatSize(MostBytes));
        return false;
    }
    data = file.readAll();
    return true;
}

QStringList ModuleProperties(const QString& path, QString* why)
{
    QByteArray data;
    if (!ReadWhole(path, data, why))
        return {};
    try {
        std::ostream quiet(nullptr); // libopenmpt's load messages go nowhere
        const std::vector<char> bytes(data.begin(), data.end());
        openmpt::module module(bytes, quiet);
        QStringList lines{QStringLiteral("Module")};
        const QString title = QString::fromStdString(module.get_metadata("title"));
        if (!title.trimmed().isEmpty())
            lines << QStringLiteral("Title: ") + title.trimmed();
        lines << QStringLiteral("Format: ") +
                     QString::fromStdString(module.get_metadata("type_long"))
              << QStringLiteral("Channels: %1").arg(module.get_num_channels())
              << Length(module.get_duration_seconds());
        return lines;
    } catch (const std::exception& e) {
        *why = QString::fromUtf8(e.what());
        return {};
    }
}

// The first track name (meta event 3) of the first track, when it comes before any note.
QString TrackName(const std::vector<std::uint8_t>& midi)
{
    // MThd (14 bytes), then MTrk, its length, and events from offset 22.
    for (size_t at = 22; at + 4 < midi.size() && at < 22 + 4096;) {
        while (at < midi.size() && (midi[at] & 0x80)) // the delta time
            ++at;
        ++at;
        if (at + 2 >= midi.size() || midi[at] != 0xFF)
            return {};
        const std::uint8_t type = midi[at + 1];
        const size_t length = midi[at + 2];
        if (length & 0x80 || at + 3 + length > midi.size())
            return {};
        if (type == 3)
            return QString::fromLatin1(reinterpret_cast<const char*>(&midi[at + 3]),
                                       qsizetype(length));
        at += 3 + length;
    }
    return {};
}

QStringList MidiProperties(const QString& path, QString* why)
{
    QByteArray data;
    if (!ReadWhole(path, data, why))
        return {};
    const std::vector<std::uint8_t> midi = sequencer::ExtractMidi(
        reinterpret_cast<const std::uint8_t*>(data.constData()), size_t(data.size()));
    if (midi.size() < 14) {
        *why = QStringLiteral("not a well-formed MIDI sequence");
        return {};
    }
    QStringList lines{QStringLiteral("MIDI sequence")};
    const QString title = TrackName(midi).trimmed();
    if (!title.isEmpty())
        lines << QStringLiteral("Title: ") + title;
    lines << QStringLiteral("Format: %1").arg(qFromBigEndian<quint16>(&midi[8]))
          << QStringLiteral("Tracks: %1").arg(qFromBigEndian<quint16>(&midi[10]));
    return lines;
}

} // namespace

QStringList PlayerProperties(TModuleWindow window, const QString& path, QString* why)
{
    switch (window) {
    case TModuleWindow::Sound:
        return SoundProperties(path, why);
    case TModuleWindow::Module:
        return ModuleProperties(path, why);
    case TModuleWindow::Music:
        return MidiProperties(path, why);
    case TModuleWindow::Html:
        break;
    }
    return {};
}
