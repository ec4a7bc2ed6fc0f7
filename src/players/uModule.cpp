#include "players/uModule.h"

#include "controls/Display.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <algorithm>
#include <cstring>

namespace
{

const QColor kAqua(0, 255, 255);
const QColor kBlack(0, 0, 0);

} // namespace

TfModule::TfModule(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QStringLiteral("Module player"));
    setFixedSize(270, 41);
    BuildControls();

    Timer = new QTimer(this);
    Timer->setInterval(1000);
    connect(Timer, &QTimer::timeout, this, [this] { TimerTimer(); });

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TfModule::~TfModule()
{
    if (m_libraryUp)
        FormClose();
}

TDisplay* TfModule::AddDisplay(int x, char digit)
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

void TfModule::BuildControls()
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

void TfModule::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // A window restored by the window system is not a new request.
    if (!event->spontaneous())
        FormShow();
}

void TfModule::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
}

void TfModule::FormShow()
{
    setWindowTitle(QFileInfo(FileName).fileName());
    Timer->stop();
    MinuteTens = MinuteUnits = SecondTens = SecondUnits = 0;
    ShowCounters();
    ModStartup();
    ModInit();
    m_libraryUp = true;
    Module = 0;
    PlayHandle = 0;
    ModStartBackgroundPlay(0);
    LoadAndPlay();
}

void TfModule::LoadAndPlay()
{
    const QByteArray name = QFile::encodeName(FileName);
    if (PlayHandle != 0) {
        ModStopModule(PlayHandle);
        PlayHandle = 0;
    }
    if (Module != 0) {
        ModFreeModule(Module);
        Module = 0;
    }
    Module = ModLoadModule(name.constData());
    if (Module != 0)
        PlayHandle = ModPlayModule(Module, 0);
    if (Module == 0 || PlayHandle == 0) {
        // Closing from inside the show event would leave the window half shown.
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        return;
    }
    Timer->start();
    ModModuleInfo info{};
    ModGetModuleInfo(Module, &info);
    const QString song = SongName(info);
    if (std::any_of(song.cbegin(), song.cend(), [](QChar c) { return c != QLatin1Char(' '); }))
        setWindowTitle(song);
}

QString TfModule::SongName(const ModModuleInfo& info)
{
    const char* end = static_cast<const char*>(std::memchr(info.SongName, 0, sizeof info.SongName));
    const qsizetype length = end ? end - info.SongName : qsizetype(sizeof info.SongName);
    return QString::fromUtf8(info.SongName, length);
}

void TfModule::FormClose()
{
    Timer->stop();
    if (Module != 0)
        ModFreeModule(Module); // stops its playback first
    Module = 0;
    PlayHandle = 0;
    ModStopBackgroundPlay();
    ModClose();
    m_libraryUp = false;
}

void TfModule::TimerTimer()
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
        ++MinuteTens; // no upper bound: past 99 minutes Min1 shows what the display makes of it
    }
    ShowCounters();
}

void TfModule::ShowCounters()
{
    // Past "9" the tens of minutes run through the characters that follow it, up to 127.
    Min1->SetDigit(char(std::min(int('0') + MinuteTens, 127)));
    Min2->SetDigit(char('0' + MinuteUnits));
    Sec1->SetDigit(char('0' + SecondTens));
    Sec2->SetDigit(char('0' + SecondUnits));
}
