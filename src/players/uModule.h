#pragma once
// TfModule: the module player window. It hands one tracker module to ModLib, which plays
// it in the background on its own, puts the song's name in the caption and runs a
// one-second stopwatch (it does not follow the song, nor stop when the song ends).
//
// One instance lives for the whole run, created with the main window as parent. The caller
// sets FileName (a full path) and shows the window; playing starts when it becomes visible,
// and Open() on the open window plays the new module in its place. A file ModLib cannot load
// closes the window again at once, silently; when the audio output cannot be opened, a
// message says why before it closes. Closing frees the module and shuts
// ModLib down, which stops the sound before close() returns.

#include "modlib/ModLib.h"
#include "players/StopwatchPlayer.h"

#include <QString>

class TfModule final : public TStopwatchPlayer
{
public:
    explicit TfModule(QWidget* parent = nullptr);
    ~TfModule() override;

    ModHandle Module = 0;     // the loaded module, 0 when none
    ModHandle PlayHandle = 0; // its running playback, 0 when none

    // Event handlers (also reachable for tests; TimerTimer is the stopwatch's).
    void FormShow() override;
    void FormClose() override;

    // The song name of a module record: its first 32 bytes up to the first zero byte.
    static QString SongName(const ModModuleInfo& info);

private:
    void LoadAndPlay();

    bool m_libraryUp = false; // between ModStartup in FormShow and ModClose in FormClose
};
