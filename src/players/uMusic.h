#pragma once
// TfMusic: the music player window. It opens the sequencer (libs/sequencer) on one MIDI
// file, plays it in the background and runs a one-second stopwatch (it does not follow the
// music, nor stop when the music ends). The caption stays "Music player".
//
// One instance lives for the whole run, created with the main window as parent. The caller
// sets FileName (a full path) and shows the window; playing starts when it becomes visible,
// so a request while it is visible only brings it to the front.
//
// Errors: FormShow raises platform::EError with the sequencer's text when the file cannot
// be opened or played. Shown through show(), the error is raised again from a queued call
// once the window is fully shown, so that it leaves an event handler of its own and the
// application object displays it; the window stays open, idle, at 00:00. Closing stops
// the music at once (the device is closed before close() returns).

#include "sequencer/Sequencer.h"

#include <QString>
#include <QWidget>

class QFrame;
class QTimer;
class TDisplay;

class TfMusic final : public QWidget
{
public:
    explicit TfMusic(QWidget* parent = nullptr);
    ~TfMusic() override;

    QString FileName;

    QFrame* PanelInformation = nullptr;
    TDisplay* Min1 = nullptr;
    TDisplay* Min2 = nullptr;
    TDisplay* MinSec = nullptr;
    TDisplay* Sec1 = nullptr;
    TDisplay* Sec2 = nullptr;
    QTimer* Timer = nullptr;

    // The sequencer device open on FileName, 0 when none (the media player control).
    SeqDevice MediaPlayer = 0;
    qint32 MinuteTens = 0;
    qint32 MinuteUnits = 0;
    qint32 SecondTens = 0;
    qint32 SecondUnits = 0;

    // Event handlers (also reachable for tests). FormShow throws platform::EError.
    void FormShow();
    void FormClose();
    void TimerTimer();

    // The sequencer's text for an error code.
    static QString ErrorText(int error);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    TDisplay* AddDisplay(int x, char digit);
    void CloseDevice();
    void ShowCounters();
};
