#include "players/uSound.h"

#include "controls/Display.h"
#include "controls/FontScale.h"
#include "platform/Messages.h"
#include "players/AudioIO.h"

#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace
{

const QColor kAqua(0, 255, 255);
const QColor kGray(128, 128, 128);

// Puts a label at its design place, scaled, and never lower than a line of its font.
void PlaceLabel(QLabel* label, const QRect& design)
{
    QRect r = fontscale::Scaled(design);
    r.setHeight(std::max(r.height(), label->fontMetrics().height()));
    label->setGeometry(r);
}

qint16 Rounded(double v)
{
    // Weighted means of 16-bit samples stay in range; the clamp guards rounding only.
    return qint16(std::clamp<long>(std::lrint(v), -32768, 32767));
}

} // namespace

TfSound::TfSound(QWidget* parent) : TPlayerWindow(parent, QStringLiteral("Sound player"), 200)
{
    BuildControls();

    AudioOut = new TAudioOut(this);
    AudioOut->SetFrameRate(22050);
    AudioOut->SetStereo(true);
    AudioOut->OnStart = [this](QObject* sender) { AudioOutStart(sender); };
    AudioOut->OnStop = [this](QObject* sender) { AudioOutStop(sender); };
    AudioOut->OnFillBuffer = [this](char* buffer, qint32& size) {
        return AudioOutFillBuffer(buffer, size);
    };
}

TfSound::~TfSound()
{
    // The device goes first, so that nothing plays from a buffer being freed.
    delete AudioOut;
    AFL_close(&FileInfo);
}

void TfSound::BuildControls()
{
    // The labels' text is aqua on the panel's black.
    QPalette panel = PanelInformation->palette();
    panel.setColor(QPalette::WindowText, kAqua);
    PanelInformation->setPalette(panel);

    LabelResolution = new QLabel(QStringLiteral("8 bits / mono"), PanelInformation);
    PlaceLabel(LabelResolution, QRect(5, 5, 106, 15));
    LabelRate = new QLabel(QStringLiteral("11 025 Hz"), PanelInformation);
    PlaceLabel(LabelRate, QRect(5, 20, 106, 15));

    DisplayRemain = AddDisplay(125, '-');
    DisplayRemain->SetOnColor(kGray);

    PanelRemain = new QLabel(PanelInformation);
    PanelRemain->setGeometry(fontscale::Scaled(QRect(120, 5, 32, 31)));
    PanelRemain->setAttribute(Qt::WA_TranslucentBackground);
    PanelRemain->setToolTip(QStringLiteral("Click to toggle between ellapsed and remaining time"));
    PanelRemain->installEventFilter(this);
}

bool TfSound::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == PanelRemain && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton &&
            PanelRemain->rect().contains(mouse->position().toPoint()))
            PanelRemainClick();
    }
    return QWidget::eventFilter(watched, event);
}

QString TfSound::FormatRate(double sampleRate)
{
    const qint64 n = std::llround(sampleRate);
    const QString digits = QString::number(std::abs(n)).rightJustified(4, QLatin1Char('0'));
    const QString separator = QLocale().groupSeparator();
    QString grouped;
    for (int i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            grouped += separator;
        grouped += digits[i];
    }
    return (n < 0 ? QStringLiteral("-") : QString()) + grouped + QStringLiteral(" Hz");
}

void TfSound::FillLabels()
{
    ::FileInfo local{};
    if (!AFL_open(&local, QFile::encodeName(FileName).constData(), 'r', 0))
        return;
    LabelRate->setText(FormatRate(local.SampleRate));
    QString resolution = QString::number(local.BitsPerSample) + QStringLiteral(" bits");
    if (local.Channels == 1)
        resolution += QStringLiteral(" / mono");
    else if (local.Channels == 2)
        resolution += QStringLiteral(" / stereo");
    else if (local.Channels > 2) // played mixed down to stereo
        resolution += QStringLiteral(" / %1 ch").arg(local.Channels);
    LabelResolution->setText(resolution);
    AFL_close(&local);
}

void TfSound::FormShow()
{
    Timer->stop();
    ShowRemaining = false;
    DisplayRemain->SetOnColor(kGray);
    setWindowTitle(QFileInfo(FileName).fileName());
    FillLabels();
    if (!PreparePlayback()) {
        platform::ShowMessage(QStringLiteral("Failed to setup start, because : \n") +
                              AudioOut->LastError());
        // Its figures would be another file's: the window goes once it is fully shown.
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        return;
    }
    if (!AudioOut->Start()) {
        // Release at once; a close notification that may still follow finds nothing open.
        ReleasePlayback();
        platform::ShowMessage(StartAudioFailure(AudioOut->LastError()));
    }
}

bool TfSound::PreparePlayback()
{
    if (!AFL_open(&FileInfo, QFile::encodeName(FileName).constData(), 'r', 0)) {
        AudioOut->SetLastError(QString::fromLocal8Bit(AFL_ErrorMessage()));
        return false;
    }
    FramesRead = 0;
    AudioOut->SetFrameRate(int(std::nearbyint(FileInfo.SampleRate))); // halves to even
    AudioOut->SetStereo(FileInfo.Channels != 1);
    AudioOut->SetQuantization(16);
    SourceStereo = AudioOut->Stereo();
    ReadBufferSize =
        SourceStereo ? AudioOut->EffectiveBufferSize() : AudioOut->EffectiveBufferSize() / 2;
    ReadBuffer.reset(new (std::nothrow) qint16[size_t(ReadBufferSize) / 2 + 1]);
    if (!ReadBuffer) {
        AudioOut->SetLastError(QStringLiteral("Could not allocate buffer."));
        AFL_close(&FileInfo);
        return false;
    }
    AudioOut->SetStereo(true);
    return true;
}

bool TfSound::AudioOutFillBuffer(char* Buffer, qint32& Size)
{
    const int bytesPerFrame = FileInfo.BytesPerFrame;
    if (Size <= 0 || !ReadBuffer || bytesPerFrame <= 0)
        return false;
    std::memset(ReadBuffer.get(), 0, size_t(ReadBufferSize));
    const qint32 framesPerRead = ReadBufferSize / bytesPerFrame;
    const qint32 n =
        std::min(AFL_read(&FileInfo, ReadBuffer.get(), framesPerRead, FramesRead), Size / 4);
    if (n <= 0)
        return false;
    FramesRead += n;

    // Samples per delivered frame: files of more than two channels arrive mixed to stereo.
    const int channels = std::max<int>(bytesPerFrame / 2, 1);
    const qint64 first = qint64(AudioOut->FilledCount()) * framesPerRead;
    const bool pan = FileInfo.FrameCount > 0; // a sound of unknown length plays as it is
    auto* out = reinterpret_cast<qint16*>(Buffer);
    for (qint32 k = 0; k < n; ++k) {
        const double f = pan ? std::clamp(double(first + k) / FileInfo.FrameCount, 0.0, 1.0) : 0;
        const qint16* in = ReadBuffer.get() + qint64(k) * channels;
        if (!SourceStereo) {
            out[2 * k] = pan ? Rounded((1 - f) * in[0]) : in[0];
            out[2 * k + 1] = pan ? Rounded(f * in[0]) : in[0];
        } else {
            out[2 * k] = pan ? Rounded(f * in[0] + (1 - f) * in[1]) : in[0];
            out[2 * k + 1] = pan ? Rounded((1 - f) * in[0] + f * in[1]) : in[1];
        }
    }
    Size = n * 4; // 16-bit stereo frames
    return true;
}

void TfSound::AudioOutStart(QObject*)
{
    Timer->start();
}

void TfSound::ReleasePlayback()
{
    ReadBuffer.reset();
    AFL_close(&FileInfo);
}

void TfSound::AudioOutStop(QObject*)
{
    // The stop of a playback that another file's replaced arrives once the new one runs:
    // it is not this playback's.
    if (AudioOut->DeviceOpen())
        return;
    Timer->stop();
    ReleasePlayback();
}

void TfSound::FormClose()
{
    AudioOut->StopNow();
}

void TfSound::StopForNextFile()
{
    // The next file opens at once, before the device's notice of this stop arrives: the
    // file is released here.
    AudioOut->StopNow();
    AudioOutStop(nullptr);
}

void TfSound::TimerTimer()
{
    double t = AudioOut->ElapsedSeconds();
    if (ShowRemaining) {
        const double length =
            FileInfo.SampleRate > 0 ? FileInfo.FrameCount / FileInfo.SampleRate : 0;
        t = length - t;
    }
    // The device may report slightly more than the sound's length: never below zero.
    const qint64 secs = std::isfinite(t) && t > 0 ? qint64(t) : 0;
    const qint64 minutes = secs / 60;
    const int seconds = int(secs % 60);
    ShowDigits(minutes / 10, int(minutes % 10), seconds / 10, seconds % 10);
}

void TfSound::PanelRemainClick()
{
    ShowRemaining = !ShowRemaining;
    DisplayRemain->SetOnColor(ShowRemaining ? kAqua : kGray);
}
