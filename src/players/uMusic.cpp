#include "players/uMusic.h"

#include "platform/Messages.h"

#include <QFile>
#include <QTimer>

TfMusic::TfMusic(QWidget* parent) : TStopwatchPlayer(parent, QStringLiteral("Music player")) {}

TfMusic::~TfMusic()
{
    CloseDevice();
}

void TfMusic::ShowRequested()
{
    try {
        FormShow();
    } catch (const platform::EError& e) {
        // Thrown through the show event, the error would cut the showing short.
        const QString text = e.Message();
        QMetaObject::invokeMethod(
            this, [text] { throw platform::EError(text); }, Qt::QueuedConnection);
    }
}

QString TfMusic::ErrorText(int error)
{
    char text[4096];
    SeqGetErrorText(error, text, int(sizeof text));
    return QString::fromUtf8(text);
}

void TfMusic::FormShow()
{
    ResetStopwatch();
    CloseDevice();
    const QByteArray name = QFile::encodeName(FileName);
    if (const int e = SeqOpen(name.constData(), &MediaPlayer); e != SeqOk) {
        MediaPlayer = 0;
        throw platform::EError(ErrorText(e));
    }
    if (const int e = SeqPlay(MediaPlayer); e != SeqOk) {
        // Reported rather than left silent: a running stopwatch with no sound misleads.
        CloseDevice();
        throw platform::EError(e == SeqErrOutput
                                   ? StartAudioFailure(QString::fromUtf8(SeqOutputError()))
                                   : ErrorText(e));
    }
    Timer->start();
}

void TfMusic::CloseDevice()
{
    if (MediaPlayer != 0)
        SeqClose(MediaPlayer);
    MediaPlayer = 0;
}

void TfMusic::FormClose()
{
    Timer->stop();
    CloseDevice();
}
