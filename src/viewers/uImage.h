#pragma once
// TfImage: the picture viewer window. Shows one picture decoded by PicLib, at natural
// size (scrolled when larger than the window) or stretched to the window.
//
// Each viewer is a top-level window whose transient parent is its owner (the main
// window), owned by it and deleted when closed (Qt::WA_DeleteOnClose). Any number may be
// open. The owner's client area bounds the viewer's first size, and the screen bounds it
// too; it opens centred, all of it on the screen: see FitWindow().
// User-interface thread only; Load() blocks while the picture decodes.

#include <QMainWindow>
#include <QSize>
#include <QString>

class QAction;
class QFileDialog;
class QLabel;
class QScrollArea;

class TfImage final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TfImage)
public:
    // `owner` may be null (then the screen's available area bounds the first size).
    explicit TfImage(QWidget* owner);

    // Creates a viewer owned by `owner`, shows it and loads `fileName` (empty for an
    // empty viewer). Returns null when the picture could not be decoded: the message has
    // said why, and the window has closed and is about to be deleted.
    static TfImage* Open(QWidget* owner, const QString& fileName);

    // The most memory, in megabytes, a decoded picture may take on a machine with
    // `physicalBytes` of memory: a quarter of it, at least 1 GB. The first viewer sets it
    // for the process (pictures larger still are shown scaled down, see PicLib.h).
    static int PictureMemoryLimitMB(qint64 physicalBytes);

    QString FileName() const { return m_fileName; }
    void SetFileName(const QString& fileName) { m_fileName = fileName; }

    // The area the viewer's client area may use, taken from the owner when not set.
    void SetFitArea(QSize area) { m_fitArea = area; }
    QSize FitArea() const;

    // Decodes FileName with the wait cursor shown, shows it at natural size, fits and
    // centres the window; the caption names the file (and the picture's own size when it
    // is shown scaled down). A picture that cannot be shown is reported ("Cannot show
    // FILE: REASON") and false returned; the viewer then keeps what it showed, and
    // FileName goes back to that file.
    bool Load();

    bool Stretched() const;
    // The picture's natural size (0 x 0 for an empty viewer).
    QSize PictureSize() const { return m_pictureSize; }

    struct TDecoded; // a decoded picture, or why there is none

    // Components, owned by the window.
    QScrollArea* Scroller{nullptr};
    QLabel* Image{nullptr};
    QFileDialog* OpenDialog{nullptr}; // created on first use
    QAction* MenuOpen{nullptr};
    QAction* MenuClose{nullptr};
    QAction* MenuViewNormalSize{nullptr};
    QAction* MenuViewStretch{nullptr};

public slots:
    void MenuOpenClick();
    void MenuCloseClick();
    void MenuViewNormalSizeClick();
    // Runs after the checkable "&Stretch" action has inverted its mark (trigger() it).
    void MenuViewStretchClick();

protected:
    void keyReleaseEvent(QKeyEvent* event) override; // FormKeyUp
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenu();
    void FormResize();
    // Sizes the window so that its client area is the picture, bounded by FitArea()
    // less 10 pixels across and 30 down (for the design font, scaled with the desktop's);
    // scroll bars come on top of that. The window is never narrower than its menu bar,
    // nor larger than the screen's available area.
    void FitWindow();
    void CentreWindow();
    void ShowNaturalSize();
    QString Caption(QSize ownSize) const;
    void ShowDecoded(const TDecoded& decoded);
    static void ReportFailure(const QString& fileName, const TDecoded& decoded);

    QString m_fileName;
    QString m_shownFile; // the file whose picture is shown
    QSize m_fitArea;
    QSize m_pictureSize;
    QWidget* m_owner{nullptr};
};
