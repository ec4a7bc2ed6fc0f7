#pragma once
// TfSound: the sound player window. It plays one digitised sound file through the wave
// output engine, always as 16-bit stereo at the file's own rate, panning every frame by
// its position in the file (mono travels from left to right, a stereo pair starts
// exchanged and ends in its own places), and shows the file's format and a running
// read-out of the elapsed or remaining time.
//
// One instance lives for the whole run. The caller sets FileName (a full path) and shows
// the window; playing starts when it becomes visible (a request while it is visible
// plays it in place of the one playing, see TPlayerWindow::Open). Closing it stops at once
// and hides it. Failures are shown with platform::ShowMessage; a file that cannot be
// opened closes the window after its message, an output that cannot start leaves it open
// and idle.

#include "audiofilelib/AudioFileLib.h"
#include "players/PlayerWindow.h"

#include <QString>
#include <memory>

class QLabel;
class TAudioOut;

class TfSound final : public TPlayerWindow
{
public:
    explicit TfSound(QWidget* parent = nullptr);
    ~TfSound() override;

    bool ShowRemaining = false;

    QLabel* LabelResolution = nullptr;
    QLabel* LabelRate = nullptr;
    TDisplay* DisplayRemain = nullptr;
    QLabel* PanelRemain = nullptr;
    TAudioOut* AudioOut = nullptr;

    // Event handlers (also reachable for tests).
    void FormShow() override;
    void FormClose() override;
    void AudioOutStart(QObject* sender);
    void AudioOutStop(QObject* sender);
    bool AudioOutFillBuffer(char* Buffer, qint32& Size);
    void TimerTimer() override;
    void PanelRemainClick();

    // The rate as the label shows it: "0,000 Hz", rounded, with the locale's separator.
    static QString FormatRate(double sampleRate);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void StopForNextFile() override;

private:
    void BuildControls();
    void FillLabels();
    bool PreparePlayback();
    void ReleasePlayback();

    ::FileInfo FileInfo{}; // the open file's descriptor, passed to every library call
    bool SourceStereo = false;
    std::unique_ptr<qint16[]> ReadBuffer; // what AFL_read fills, allocated per playback
    qint32 ReadBufferSize = 0;            // bytes
    qint32 FramesRead = 0;
};
