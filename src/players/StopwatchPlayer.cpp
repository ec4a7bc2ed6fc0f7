#include "players/StopwatchPlayer.h"

#include <QTimer>

TStopwatchPlayer::TStopwatchPlayer(QWidget* parent, const QString& caption)
    : TPlayerWindow(parent, caption, 1000)
{
}

void TStopwatchPlayer::ResetStopwatch()
{
    Timer->stop();
    MinuteTens = MinuteUnits = SecondTens = SecondUnits = 0;
    ShowCounters();
}

void TStopwatchPlayer::TimerTimer()
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
        ++MinuteTens;
    }
    ShowCounters();
}

void TStopwatchPlayer::ShowCounters()
{
    ShowDigits(MinuteTens, MinuteUnits, SecondTens, SecondUnits);
}
