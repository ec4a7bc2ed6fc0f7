#pragma once
// TPlayerWindow: what every player window has. A fixed 270 x 41 window (for the design
// font; scaled with the desktop's, see FontScale.h) kept on top and centred on its screen, filled
// by a black sunken information panel that carries an "00:00" read-out of 5 x 7 dot digits, and a
// timer (stopped; the player starts it) whose ticks run TimerTimer.
//
// A show the program asks for runs FormShow; a window restored by the window system is
// not a new request and runs nothing. Closing runs FormClose; Escape closes. Open() plays
// a file also when the window is already open: what plays stops and the new file starts.
// Subclasses supply the three handlers, which run on the GUI thread. Every control is a
// child of the window, freed with it after the subclass's destructor has run.

#include <QString>
#include <QWidget>

class QFrame;
class QTimer;
class TDisplay;

class TPlayerWindow : public QWidget
{
public:
    QString FileName; // a full path, set by the caller before showing

    QFrame* PanelInformation = nullptr;
    TDisplay* Min1 = nullptr;
    TDisplay* Min2 = nullptr;
    TDisplay* MinSec = nullptr;
    TDisplay* Sec1 = nullptr;
    TDisplay* Sec2 = nullptr;
    QTimer* Timer = nullptr;

    // Plays `path` (a full path): shows the window, or when it is on screen already,
    // stops what plays and starts `path` in it. The caller brings it to the front.
    void Open(const QString& path);

    // Event handlers (also reachable for tests).
    virtual void FormShow() = 0;
    virtual void FormClose() = 0;
    virtual void TimerTimer() = 0;

protected:
    // caption: the title until the first showing; timerInterval: milliseconds per tick.
    TPlayerWindow(QWidget* parent, const QString& caption, int timerInterval);

    // Runs FormShow for a show the program asked for; a subclass may wrap it to deal with
    // what FormShow throws.
    virtual void ShowRequested();

    // The message of a playback that could not start its audio output, `why` being the
    // output's own reason.
    static QString StartAudioFailure(const QString& why);

    // A new read-out digit on the panel at (x, 5), lit in aqua on black, showing `digit`.
    TDisplay* AddDisplay(int x, char digit);

    // Shows the read-out. The tens of minutes have no bound: past '9' Min1 runs through
    // the characters that follow it, up to 127.
    void ShowDigits(qint64 minuteTens, int minuteUnits, int secondTens, int secondUnits);

    // Stops what plays before Open starts another file in the open window; FormClose
    // unless a player must release more at once.
    virtual void StopForNextFile();

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildPanel();
};
