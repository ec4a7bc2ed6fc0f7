#include "players/uMusic.h"

#include "controls/Display.h"
#include "platform/Messages.h"

#include <QCloseEvent>
#include <QFile>
#include <QFrame>
#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <algorithm>

namespace
{

const QColor kAqua(0, 255, 255);
const QColor kBlack(0, 0, 0);

} // namespace

TfMusic::TfMusic(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QStringLiteral("Music player"));
    setFixedSize(270, 41);
    BuildControls();

    Timer = new QTimer(this);
    Timer->setInterval(1000);
    connect(Timer, &QTimer::timeout, this, [this] { TimerTimer(); });

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TfMusic::~TfMusic()
{
    CloseDevice();
}

TDisplay* TfMusic::AddDisplay(int x, char digit)
{
    auto* d = new TDisplay(PanelInformation);
    d->setGeometry(x, 5, 24, 32);
    d->SetDigitStyle(ds5x7Dot);
    d->SetMargin(1);
    d->SetSegWidth(4);
    d->SetOnColor(kAqua);
    d->SetOffColor(kBlack);
    d->SetBackColor(kBlack);
    d->SetPenOnColor(kBlack);
    d->SetPenOffColor(kBlack);
    d->SetDigit(digit);
    return d;
}

void TfMusic::BuildControls()
{
    PanelInformation = new QFrame(this);
    PanelInformation->setGeometry(0, 0, 270, 41);
    PanelInformation->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    PanelInformation->setAutoFillBackground(true);
    QPalette panel = PanelInformation->palette();
    panel.setColor(QPalette::Window, kBlack);
    PanelInformation->setPalette(panel);

    Min1 = AddDisplay(150, '0');
    Min2 = AddDisplay(175, '0');
    MinSec = AddDisplay(200, ':');
    Sec1 = AddDisplay(220, '0');
    Sec2 = AddDisplay(245, '0');
}

void TfMusic::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // A window restored by the window system is not a new request.
    if (event->spontaneous())
        return;
    try {
        FormShow();
    } catch (const platform::EError& e) {
        // Thrown through the show event, the error would cut the showing short.
        const QString text = e.Message();
        QMetaObject::invokeMethod(
            this, [text] { throw platform::EError(text); }, Qt::QueuedConnection);
    }
}

void TfMusic::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
}

QString TfMusic::ErrorText(int error)
{
    char text[4096];
    SeqGetErrorText(error, text, int(sizeof text));
    return QString::fromUtf8(text);
}

void TfMusic::FormShow()
{
    Timer->stop();
    MinuteTens = MinuteUnits = SecondTens = SecondUnits = 0;
    ShowCounters();
    CloseDevice();
    const QByteArray name = QFile::encodeName(FileName);
    if (const int e = SeqOpen(name.constData(), &MediaPlayer); e != SeqOk) {
        MediaPlayer = 0;
        throw platform::EError(ErrorText(e));
    }
    if (const int e = SeqPlay(MediaPlayer); e != SeqOk) {
        // Reported rather than left silent: a running stopwatch with no sound misleads.
        CloseDevice();
        throw platform::EError(ErrorText(e));
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

void TfMusic::TimerTimer()
{
    if (++SecondUnits > 9) {
        SecondUnits = 0;
        ++SecondTens;
    }
    if (SecondTens > 5) {
        SecondTens = 0;
        ++MinuteUnits;
    }
    if (MinuteUnits > 9) {
        MinuteUnits = 0;
        ++MinuteTens; // no upper bound
    }
    ShowCounters();
}

void TfMusic::ShowCounters()
{
    // Past "9" the tens of minutes run through the characters that follow it, up to 127.
    Min1->SetDigit(char(std::min(int('0') + MinuteTens, 127)));
    Min2->SetDigit(char('0' + MinuteUnits));
    Sec1->SetDigit(char('0' + SecondTens));
    Sec2->SetDigit(char('0' + SecondUnits));
}
