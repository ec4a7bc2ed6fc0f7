#pragma once
// TfModule: the module player window. It hands one tracker module to ModLib, which plays
// it in the background on its own, puts the song's name in the caption and runs a
// one-second stopwatch (it does not follow the song, nor stop when the song ends).
//
// One instance lives for the whole run, created with the main window as parent. The caller
// sets FileName (a full path) and shows the window; playing starts when it becomes visible,
// so a request while it is visible only brings it to the front. A file ModLib cannot load
// or play closes the window again at once, silently. Closing frees the module and shuts
// ModLib down, which stops the sound before close() returns.

#include "modlib/ModLib.h"

#include <QString>
#include <QWidget>

class QFrame;
class QTimer;
class TDisplay;

class TfModule final : public QWidget
{
public:
    explicit TfModule(QWidget* parent = nullptr);
    ~TfModule() override;

    QString FileName;

    QFrame* PanelInformation = nullptr;
    TDisplay* Min1 = nullptr;
    TDisplay* Min2 = nullptr;
    TDisplay* MinSec = nullptr;
    TDisplay* Sec1 = nullptr;
    TDisplay* Sec2 = nullptr;
    QTimer* Timer = nullptr;

    ModHandle Module = 0;     // the loaded module, 0 when none
    ModHandle PlayHandle = 0; // its running playback, 0 when none
    qint32 MinuteTens = 0;
    qint32 MinuteUnits = 0;
    qint32 SecondTens = 0;
    qint32 SecondUnits = 0;

    // Event handlers (also reachable for tests).
    void FormShow();
    void FormClose();
    void TimerTimer();

    // The song name of a module record: its first 32 bytes up to the first zero byte.
    static QString SongName(const ModModuleInfo& info);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    TDisplay* AddDisplay(int x, char digit);
    void LoadAndPlay();
    void ShowCounters();

    bool m_libraryUp = false; // between ModStartup in FormShow and ModClose in FormClose
};
