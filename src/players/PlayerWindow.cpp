#include "players/PlayerWindow.h"

#include "controls/Display.h"
#include "controls/FontScale.h"
#include "controls/WindowFit.h"

#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QShowEvent>
#include <QTimer>
#include <algorithm>

namespace
{

const QColor kAqua(0, 255, 255);
const QColor kBlack(0, 0, 0);

} // namespace

TPlayerWindow::TPlayerWindow(QWidget* parent, const QString& caption, int timerInterval)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(caption);
    setFixedSize(fontscale::Scaled(QSize(270, 41)));
    BuildPanel();

    Timer = new QTimer(this);
    Timer->setInterval(timerInterval);
    connect(Timer, &QTimer::timeout, this, [this] { TimerTimer(); });

    windowfit::Centre(this);
}

void TPlayerWindow::BuildPanel()
{
    PanelInformation = new QFrame(this);
    PanelInformation->setGeometry(QRect(QPoint(0, 0), size()));
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

TDisplay* TPlayerWindow::AddDisplay(int x, char digit)
{
    auto* d = new TDisplay(PanelInformation);
    d->setGeometry(fontscale::Scaled(QRect(x, 5, 24, 32)));
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

void TPlayerWindow::ShowDigits(qint64 minuteTens, int minuteUnits, int secondTens, int secondUnits)
{
    Min1->SetDigit(char(std::min<qint64>('0' + minuteTens, 127)));
    Min2->SetDigit(char('0' + minuteUnits));
    Sec1->SetDigit(char('0' + secondTens));
    Sec2->SetDigit(char('0' + secondUnits));
}

void TPlayerWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        ShowRequested();
}

void TPlayerWindow::Open(const QString& path)
{
    if (!isVisible()) {
        FileName = path;
        show();
        return;
    }
    StopForNextFile();
    FileName = path;
    ShowRequested();
}

void TPlayerWindow::StopForNextFile()
{
    FormClose();
}

void TPlayerWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TPlayerWindow::ShowRequested()
{
    FormShow();
}

void TPlayerWindow::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
}

QString TPlayerWindow::StartAudioFailure(const QString& why)
{
    return QStringLiteral("Failed to start audio, because : \n") + why;
}
