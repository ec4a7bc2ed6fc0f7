#pragma once
// TfMusic: the music player window. It opens the sequencer (libs/sequencer) on one MIDI
// file, plays it in the background and runs a one-second stopwatch (it does not follow the
// music, nor stop when the music ends). The caption stays "Music player".
//
// One instance lives for the whole run, created with the main window as parent. The caller
// sets FileName (a full path) and shows the window; playing starts when it becomes visible,
// and Open() on the open window plays the new sequence in its place.
//
// Errors: FormShow raises platform::EError with the sequencer's text when the file cannot
// be opened or played. Shown through show(), the error is raised again from a queued call
// once the window is fully shown, so that it leaves an event handler of its own and the
// application object displays it; the window stays open, idle, at 00:00. Closing stops
// the music at once (the device is closed before close() returns).

#include "players/StopwatchPlayer.h"
#include "sequencer/Sequencer.h"

#include <QString>

class TfMusic final : public TStopwatchPlayer
{
public:
    explicit TfMusic(QWidget* parent = nullptr);
    ~TfMusic() override;

    // The sequencer device open on FileName, 0 when none (the media player control).
    SeqDevice MediaPlayer = 0;

    // Event handlers (also reachable for tests; TimerTimer is the stopwatch's). FormShow
    // throws platform::EError.
    void FormShow() override;
    void FormClose() override;

    // The sequencer's text for an error code.
    static QString ErrorText(int error);

protected:
    // Defers an error of FormShow until the window is fully shown (see above).
    void ShowRequested() override;

private:
    void CloseDevice();
};
