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
// Threads: the window lives on the user-interface thread; Load() decodes there. Stepping
// goes through a TPictureQueue (viewers/PictureQueue.h): a step asks for the picture it
// shows first and the next two in the same direction after it, and takes the first; the
// others go on decoding on the queue's own threads while the window shows it, and a step
// that turns away forgets them. Zoomed to fit, the pictures are decoded at the size they
// show at (a JPEG is then decoded at a fraction of its size: less time and memory); zooming
// to more detail than that decodes the picture again.

#include "viewers/PictureQueue.h"

#include <QImage>
#include <QMainWindow>
#include <QSize>
#include <QString>
#include <QStringList>

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
    // True when the picture shown had been asked for ahead, by the step before.
    bool ShownFromPrefetch() const { return m_fromPrefetch; }

    // Zoom: 0 fits the window (never enlarging), otherwise the factor.
    double Zoom() const { return m_zoom; }

    bool Stretched() const;
    // The picture's natural size (0 x 0 for an empty viewer).
    QSize PictureSize() const { return m_pictureSize; }

    // The decoded picture held: smaller than PictureSize() when it was decoded to fit.
    QSize HeldSize() const { return m_image.size(); }
    // The pictures of the folder being decoded ahead or held decoded.
    int PicturesAhead() const { return m_queue->Wanted(); }

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
    void ShowDecoded(const viewers::TPicture& decoded);
    void Step(int by);
    // Asks the queue for the picture at `index` (when `withIndex`), then the next two
    // after it in the direction of the last step, and no other.
    void Want(int index, bool withIndex);
    // Zoomed to fit, the size pictures are decoded at; otherwise invalid (whole).
    QSize DecodeBox() const;
    void SetZoom(double zoom);
    void ShowZoomed();
    QString Place() const;
    // Decodes the picture shown again with the detail `size` needs, when it was decoded
    // smaller than that.
    void DecodeDetail(QSize size);
    static void ReportFailure(const QString& fileName, const viewers::TPicture& decoded);

    QString m_fileName;
    QString m_shownFile; // the file whose picture is shown
    QSize m_fitArea;
    QSize m_pictureSize; // the size the picture has decoded whole
    QSize m_ownSize;     // the picture's own size (see viewers::TPicture)
    QWidget* m_owner{nullptr};
    QImage m_image; // the picture shown, decoded (to fit, or whole)
    QStringList m_folder;
    int m_index{-1};
    int m_direction{1};
    double m_zoom{0};
    bool m_fromPrefetch{false};
    viewers::TPictureQueue* m_queue{nullptr}; // the folder's pictures decoded ahead
};
