#pragma once
// TStopwatchPlayer: a player window whose read-out is a plain stopwatch, one second per
// tick of a one-second timer. It counts the ticks and knows nothing of what plays: it
// neither follows the sound nor stops when the sound ends.

#include "players/PlayerWindow.h"

class TStopwatchPlayer : public TPlayerWindow
{
public:
    // The read-out's digits, as counted; the tens of minutes have no upper bound.
    qint32 MinuteTens = 0;
    qint32 MinuteUnits = 0;
    qint32 SecondTens = 0;
    qint32 SecondUnits = 0;

    // One second more, carried into the minutes.
    void TimerTimer() override;

protected:
    TStopwatchPlayer(QWidget* parent, const QString& caption);

    // Stops the timer and sets the stopwatch back to 00:00.
    void ResetStopwatch();

private:
    void ShowCounters();
};
