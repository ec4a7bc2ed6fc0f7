#pragma once
// TfImage: the picture viewer window. Shows one picture decoded by PicLib, at natural
// size (scrolled when larger than the window) or stretched to the window.
//
// Each viewer is a top-level window whose transient parent is its owner (the main
// window), owned by it and deleted when closed (Qt::WA_DeleteOnClose). Any number may be
// open. The owner's client area bounds the viewer's first size, and the screen bounds it
// too; it opens centred, all of it on the screen: see FitWindow().
// A viewer given the pictures of its folder (SetFolder, in the panel's order) steps
// through them: PgDn/Space/Right next, PgUp/Backspace/Left previous, Home/End first and
// last; the caption says "NAME — 3 of 120". Pictures show zoomed to fit the window
// (never enlarged), at 100 % (1 or *), or zoomed in (+) and out (-).
//
// Threads: the window lives on the user-interface thread; Load() and a step to a picture
// that was not decoded ahead block while it decodes. After each step the picture the next
// two steps in the same direction will show are decoded ahead through QtConcurrent on the global
// pool (PicLib may be called from any thread); that work holds only the file's name and
// the size to fit, never the window. A step to the picture decoded ahead takes its result,
// waiting only for its own decode; any other step decodes at once, beside it.

#include <QFuture>
#include <QImage>
#include <QMainWindow>
#include <QSize>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

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

    // The pictures to step through (paths, in the panel's order); the one shown is found
    // in it by name.
    void SetFolder(const QStringList& pictures);
    QStringList Folder() const { return m_folder; }
    int FolderIndex() const { return m_index; }
    // Shows the picture at `index` of the folder, keeping the window's size; one that
    // cannot be decoded says so in the window, and the next step goes on from it.
    void ShowPicture(int index);
    // True when the picture shown was taken from the decoding done ahead.
    bool ShownFromPrefetch() const { return m_fromPrefetch; }

    // Zoom: 0 fits the window (never enlarging), otherwise the factor.
    double Zoom() const { return m_zoom; }

    bool Stretched() const;
    // The picture's natural size (0 x 0 for an empty viewer).
    QSize PictureSize() const { return m_pictureSize; }

    // A decoded picture, or why there is none.
    struct TDecoded {
        QImage Image;
        QImage Fitted; // Image scaled down to fit the window, when decoded ahead
        QSize Own;     // the picture's own size (larger than Image when scaled down)
        QString Why;   // why there is no image
    };

    // Components, owned by the window.
    QScrollArea* Scroller{nullptr};
    QLabel* Image{nullptr};
    QFileDialog* OpenDialog{nullptr}; // created on first use
    QAction* MenuOpen{nullptr};
    QAction* MenuClose{nullptr};
    QAction* MenuViewNormalSize{nullptr};
    QAction* MenuViewStretch{nullptr};
    QAction* MenuNext{nullptr};
    QAction* MenuPrevious{nullptr};
    QAction* MenuFirst{nullptr};
    QAction* MenuLast{nullptr};
    QAction* MenuFit{nullptr};
    QAction* MenuActualSize{nullptr};
    QAction* MenuZoomIn{nullptr};
    QAction* MenuZoomOut{nullptr};

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
    void Step(int by);
    // Starts decoding the next pictures from `index` on in the direction of the last
    // step, and drops the work for any other.
    void Prefetch(int index);
    void SetZoom(double zoom);
    void ShowZoomed();
    QString Place() const;
    static void ReportFailure(const QString& fileName, const TDecoded& decoded);

    QString m_fileName;
    QString m_shownFile; // the file whose picture is shown
    QSize m_fitArea;
    QSize m_pictureSize;
    QSize m_ownSize; // the picture's own size (see TDecoded)
    QWidget* m_owner{nullptr};
    QImage m_image;  // the picture shown, decoded
    QImage m_fitted; // it scaled to fit, when decoded ahead (or null)
    QStringList m_folder;
    int m_index{-1};
    int m_direction{1};
    double m_zoom{0};
    bool m_fromPrefetch{false};
    // The pictures decoded ahead: the next two in the direction of the last step.
    std::vector<std::pair<int, QFuture<TDecoded>>> m_ahead;
};
