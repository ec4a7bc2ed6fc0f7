#include "viewers/uImage.h"

#include "controls/FontScale.h"
#include "controls/WindowFit.h"
#include "piclib/PicLib.h"
#include "platform/Memory.h"
#include "platform/Messages.h"
#include "viewers/PictureQueue.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPixmap>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>
#include <cmath>
#include <limits>

namespace
{

const QString DefaultCaption = QStringLiteral("Image viewer");
// Size of a viewer that shows no picture, for the design font.
constexpr QSize EmptySize(296, 269);

// Shows the wait cursor for the life of the object, whichever way the scope is left.
class TWaitCursor final
{
public:
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
    Q_DISABLE_COPY_MOVE(TWaitCursor)
};

// Qt refuses pictures over 128 MB; a viewer may take what the machine can hold. Set once,
// at the first viewer, for the whole process.
void RaisePictureMemoryLimit()
{
    static const bool raised = [] {
        PicLibSetMemoryLimit(TfImage::PictureMemoryLimitMB(platform::PhysicalMemoryBytes()));
        return true;
    }();
    Q_UNUSED(raised);
}

} // namespace

namespace
{

// The size a picture of `size` shows at, zoomed to fit `area`: never enlarged.
QSize FitSize(QSize size, QSize area)
{
    if (size.width() > area.width() || size.height() > area.height())
        size = size.scaled(area, Qt::KeepAspectRatio);
    return size.expandedTo(QSize(1, 1));
}

// `image` at `size`, smaller: picked pixels down to twice the size, then averaged. Looks
// like averaging all the way and takes a fraction of its time on large photographs.
QImage ScaledDown(const QImage& image, QSize size)
{
    const QSize twice = size * 2;
    if (image.width() <= twice.width() * 2 || image.height() <= twice.height() * 2)
        return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image.scaled(twice, Qt::IgnoreAspectRatio, Qt::FastTransformation)
        .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

viewers::TPicture Decode(const QString& fileName, QSize box = {})
{
    TWaitCursor wait;
    return viewers::DecodePicture(fileName, box);
}

// The pictures ahead decode side by side: keys pressed back to back then wait less than a
// decode each on two cores (measured by bench_viewerstep).
constexpr int AheadThreads = 2;
constexpr double ZoomStep = 1.25;
constexpr double MostPixels = 100e6; // a zoomed picture takes at most this many pixels

QAction* AddEntry(QMenu* menu, const QString& text, const QKeySequence& shortcut = {},
                  bool enabled = true)
{
    QAction* action = menu->addAction(text);
    action->setShortcut(shortcut);
    action->setEnabled(enabled);
    return action;
}

} // namespace

TfImage::TfImage(QWidget* owner)
    : QMainWindow(owner, Qt::Window), m_owner(owner),
      m_queue(new viewers::TPictureQueue(AheadThreads, this))
{
    RaisePictureMemoryLimit();
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(DefaultCaption);
    Scroller = new QScrollArea(this);
    Scroller->setFrameShape(QFrame::NoFrame);
    Scroller->setWidgetResizable(false);
    Scroller->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The scroll bars' own minimum would otherwise keep tiny pictures' windows larger.
    Scroller->setMinimumSize(1, 1);
    Image = new QLabel;
    Image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image->resize(0, 0);
    Scroller->setWidget(Image);
    Scroller->viewport()->installEventFilter(this);
    setCentralWidget(Scroller);
    BuildMenu();
    windowfit::Resize(this, fontscale::Scaled(EmptySize));
}

void TfImage::BuildMenu()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    AddEntry(file, QStringLiteral("&New"), QKeySequence(QStringLiteral("Ctrl+N")), false);
    MenuOpen = AddEntry(file, QStringLiteral("&Open..."), QKeySequence(QStringLiteral("Ctrl+O")));
    AddEntry(file, QStringLiteral("&Save"), QKeySequence(QStringLiteral("Ctrl+S")), false);
    AddEntry(file, QStringLiteral("Save &as..."), QKeySequence(QStringLiteral("Ctrl+A")), false);
    file->addSeparator();
    AddEntry(file, QStringLiteral("Printer s&etup..."), {}, false);
    AddEntry(file, QStringLiteral("&Print"), {}, false);
    file->addSeparator();
    MenuClose = AddEntry(file, QStringLiteral("&Close"));

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    AddEntry(edit, QStringLiteral("&Cut"), QKeySequence(QStringLiteral("Ctrl+X")), false);
    AddEntry(edit, QStringLiteral("C&opy"), QKeySequence(QStringLiteral("Ctrl+C")), false);
    AddEntry(edit, QStringLiteral("&Paste"), QKeySequence(QStringLiteral("Ctrl+V")), false);

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    MenuViewNormalSize = AddEntry(view, QStringLiteral("&Normal size"));
    MenuViewStretch = AddEntry(view, QStringLiteral("&Stretch"));
    MenuViewStretch->setCheckable(true);

    view->addSeparator();
    auto keys = [](std::initializer_list<QKeySequence> list) { return QList<QKeySequence>(list); };
    MenuNext = AddEntry(view, QStringLiteral("Ne&xt picture"));
    MenuNext->setShortcuts(keys({Qt::Key_PageDown, Qt::Key_Space, Qt::Key_Right}));
    MenuPrevious = AddEntry(view, QStringLiteral("&Previous picture"));
    MenuPrevious->setShortcuts(keys({Qt::Key_PageUp, Qt::Key_Backspace, Qt::Key_Left}));
    MenuFirst = AddEntry(view, QStringLiteral("&First picture"), Qt::Key_Home);
    MenuLast = AddEntry(view, QStringLiteral("&Last picture"), Qt::Key_End);
    view->addSeparator();
    MenuFit = AddEntry(view, QStringLiteral("Zoom to &fit"), Qt::Key_F);
    MenuActualSize = AddEntry(view, QStringLiteral("&100 %"));
    MenuActualSize->setShortcuts(keys({Qt::Key_1, Qt::Key_Asterisk}));
    MenuZoomIn = AddEntry(view, QStringLiteral("Zoom &in"));
    MenuZoomIn->setShortcuts(keys({Qt::Key_Plus, Qt::Key_Equal}));
    MenuZoomOut = AddEntry(view, QStringLiteral("Zoom &out"), Qt::Key_Minus);
    for (QAction* a : {MenuNext, MenuPrevious, MenuFirst, MenuLast, MenuFit, MenuActualSize,
                       MenuZoomIn, MenuZoomOut})
        a->setShortcutContext(Qt::WindowShortcut);
    connect(MenuNext, &QAction::triggered, this, [this] { Step(1); });
    connect(MenuPrevious, &QAction::triggered, this, [this] { Step(-1); });
    connect(MenuFirst, &QAction::triggered, this, [this] {
        m_direction = 1;
        ShowPicture(0);
    });
    connect(MenuLast, &QAction::triggered, this, [this] {
        m_direction = -1;
        ShowPicture(int(m_folder.size()) - 1);
    });
    connect(MenuFit, &QAction::triggered, this, [this] { SetZoom(0); });
    connect(MenuActualSize, &QAction::triggered, this, [this] { SetZoom(1); });
    connect(MenuZoomIn, &QAction::triggered, this, [this] {
        SetZoom(
            (m_zoom > 0 ? m_zoom : double(Image->width()) / std::max(1, m_pictureSize.width())) *
            ZoomStep);
    });
    connect(MenuZoomOut, &QAction::triggered, this, [this] {
        SetZoom(
            (m_zoom > 0 ? m_zoom : double(Image->width()) / std::max(1, m_pictureSize.width())) /
            ZoomStep);
    });

    connect(MenuOpen, &QAction::triggered, this, &TfImage::MenuOpenClick);
    connect(MenuClose, &QAction::triggered, this, &TfImage::MenuCloseClick);
    connect(MenuViewNormalSize, &QAction::triggered, this, &TfImage::MenuViewNormalSizeClick);
    // The checkable action inverts its own mark before the handler runs.
    connect(MenuViewStretch, &QAction::triggered, this, &TfImage::MenuViewStretchClick);
}

TfImage* TfImage::Open(QWidget* owner, const QString& fileName)
{
    auto* viewer = new TfImage(owner);
    viewer->SetFileName(fileName);
    // Decoded before the window shows: a picture that cannot be shown opens no window.
    const viewers::TPicture decoded = Decode(fileName);
    if (!fileName.isEmpty() && decoded.Image.isNull()) {
        delete viewer;
        ReportFailure(fileName, decoded);
        return nullptr;
    }
    viewer->show();
    viewer->ShowDecoded(decoded);
    return viewer;
}

void TfImage::ReportFailure(const QString& fileName, const viewers::TPicture& decoded)
{
    platform::ShowMessage(QStringLiteral("Cannot show %1: %2").arg(fileName, decoded.Why));
}

int TfImage::PictureMemoryLimitMB(qint64 physicalBytes)
{
    constexpr qint64 AtLeast = 1024;
    const qint64 quarter = physicalBytes / 4 >> 20;
    return int(std::clamp<qint64>(quarter, AtLeast, std::numeric_limits<int>::max()));
}

QSize TfImage::FitArea() const
{
    if (m_fitArea.isValid())
        return m_fitArea;
    if (auto* main = qobject_cast<QMainWindow*>(m_owner)) {
        const QWidget* menu = main->menuWidget();
        const int menuHeight = menu && menu->isVisible() ? menu->height() : 0;
        return main->size() - QSize(0, menuHeight);
    }
    if (m_owner)
        return m_owner->size();
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableSize() : QSize(800, 600);
}

bool TfImage::Stretched() const
{
    return MenuViewStretch->isChecked();
}

bool TfImage::Load()
{
    const viewers::TPicture decoded = Decode(m_fileName);
    if (!m_fileName.isEmpty() && decoded.Image.isNull()) {
        ReportFailure(m_fileName, decoded);
        m_fileName = m_shownFile; // the viewer keeps what it showed
        return false;
    }
    ShowDecoded(decoded);
    return true;
}

void TfImage::ShowDecoded(const viewers::TPicture& decoded)
{
    TWaitCursor wait;
    m_image = decoded.Image;
    m_pictureSize = m_image.size();
    m_shownFile = m_fileName;
    m_index = int(m_folder.indexOf(m_fileName));
    Image->setText(QString());
    ShowNaturalSize();
    m_ownSize = decoded.Own;
    setWindowTitle(Caption(decoded.Own) + Place());
    if (m_image.isNull())
        windowfit::Resize(this, fontscale::Scaled(EmptySize));
    else
        FitWindow();
    CentreWindow();
    ShowZoomed();
}

void TfImage::SetFolder(const QStringList& pictures)
{
    m_folder = pictures;
    m_index = int(m_folder.indexOf(m_fileName));
    setWindowTitle(m_fileName.isEmpty() ? DefaultCaption : Caption(m_ownSize) + Place());
    Want(m_index, false);
}

QString TfImage::Place() const
{
    if (m_index < 0)
        return {};
    return QStringLiteral(" — %1 of %2").arg(m_index + 1).arg(m_folder.size());
}

void TfImage::Step(int by)
{
    m_direction = by;
    ShowPicture(m_index + by);
}

void TfImage::ShowPicture(int index)
{
    if (m_folder.isEmpty())
        return;
    index = std::clamp(index, 0, int(m_folder.size()) - 1);
    if (index == m_index)
        return;
    m_fromPrefetch = m_queue->IsWanted(index);
    // This one first, the next ones after it: those go on decoding while it shows.
    Want(index, true);
    viewers::TPicture decoded;
    {
        TWaitCursor wait;
        decoded = m_queue->Take(index).value_or(viewers::TPicture{});
    }
    m_index = index;
    m_fileName = m_shownFile = m_folder[index];
    m_image = std::move(decoded.Image);
    m_pictureSize = decoded.Full;
    MenuViewStretch->setChecked(false);
    if (m_image.isNull()) {
        Image->setScaledContents(false);
        Image->setPixmap(QPixmap());
        Image->setText(QStringLiteral("Cannot show %1: %2")
                           .arg(QFileInfo(m_fileName).fileName(), decoded.Why));
        Image->adjustSize();
        setWindowTitle(QFileInfo(m_fileName).fileName() + Place());
    } else {
        Image->setText(QString());
        ShowZoomed();
        m_ownSize = decoded.Own;
        setWindowTitle(Caption(decoded.Own) + Place());
    }
}

QSize TfImage::DecodeBox() const
{
    return m_zoom > 0 ? QSize() : Scroller->viewport()->size();
}

void TfImage::Want(int index, bool withIndex)
{
    constexpr int Ahead = 2;
    const int step = m_direction < 0 ? -1 : 1;
    QList<viewers::TPictureRequest> wanted;
    for (int i = withIndex ? 0 : 1; i <= Ahead; ++i) {
        const int at = index + i * step;
        if (at < 0 || at >= m_folder.size())
            break;
        wanted.append({at, m_folder[at], DecodeBox()});
    }
    m_queue->Want(wanted);
}

void TfImage::SetZoom(double zoom)
{
    if (zoom > 0 && !m_image.isNull()) {
        const double most =
            std::sqrt(MostPixels / (double(m_pictureSize.width()) * m_pictureSize.height()));
        zoom = std::clamp(zoom, 1.0 / 64, std::max(1.0, most));
    }
    m_zoom = zoom;
    MenuViewStretch->setChecked(false);
    ShowZoomed();
    Want(m_index, false); // the pictures ahead, at the detail this zoom needs
}

void TfImage::ShowZoomed()
{
    if (m_image.isNull())
        return;
    const QSize size = m_zoom > 0 ? (QSizeF(m_pictureSize) * m_zoom).toSize().expandedTo({1, 1})
                                  : FitSize(m_pictureSize, Scroller->viewport()->size());
    DecodeDetail(size);
    // Scaled once here, smoothly, rather than at every paint (or decoded at that size).
    Image->setScaledContents(false);
    if (size == m_image.size())
        Image->setPixmap(QPixmap::fromImage(m_image));
    else
        Image->setPixmap(QPixmap::fromImage(
            size.width() < m_image.width()
                ? ScaledDown(m_image, size)
                : m_image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
    Image->resize(size);
}

void TfImage::DecodeDetail(QSize size)
{
    // A pixel of rounding between the fitted decode and the window is no loss of detail.
    if (m_image.size() == m_pictureSize ||
        (size.width() <= m_image.width() + 1 && size.height() <= m_image.height() + 1))
        return;
    // Whole, so that a window resized larger step by step decodes it once.
    viewers::TPicture decoded = Decode(m_shownFile);
    if (!decoded.Image.isNull())
        m_image = std::move(decoded.Image);
}

QString TfImage::Caption(QSize ownSize) const
{
    if (m_fileName.isEmpty())
        return DefaultCaption;
    const QString name = QFileInfo(m_fileName).fileName();
    if (ownSize == m_pictureSize || ownSize.width() <= 0)
        return name;
    // Scaled down to fit the memory a picture may take.
    const int percent = std::max(1, int(100.0 * m_pictureSize.width() / ownSize.width()));
    return QStringLiteral("%1 (%2 × %3 shown at %4%)")
        .arg(name)
        .arg(ownSize.width())
        .arg(ownSize.height())
        .arg(percent);
}

void TfImage::ShowNaturalSize()
{
    MenuViewStretch->setChecked(false);
    Image->setScaledContents(false);
    DecodeDetail(m_pictureSize);
    if (!m_image.isNull())
        Image->setPixmap(QPixmap::fromImage(m_image));
    Image->resize(m_pictureSize);
}

void TfImage::FitWindow()
{
    const QSize area = FitArea();
    const int width =
        std::min(m_pictureSize.width(), std::max(0, area.width() - fontscale::Scaled(10)));
    const int height =
        std::min(m_pictureSize.height(), std::max(0, area.height() - fontscale::Scaled(30)));
    // The scroll bars come on top of the client area, like a window's own scroll bars.
    // Zoomed to fit, no scroll bar is needed.
    const int bar =
        m_zoom > 0 ? style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, Scroller) : 0;
    QWidget* menu = menuWidget();
    // Never narrower than the menu bar, so that every menu stays in reach.
    const int outerWidth = std::max(width + (m_pictureSize.height() > height ? bar : 0),
                                    menu ? menu->sizeHint().width() : 0);
    const int viewHeight = height + (m_pictureSize.width() > width ? bar : 0);
    const int menuHeight = menu ? menu->heightForWidth(outerWidth) : 0;
    // The screen bounds the window too; scroll bars then reach the rest.
    windowfit::Resize(
        this,
        QSize(outerWidth, viewHeight + std::max(menuHeight, menu ? menu->sizeHint().height() : 0)));
}

void TfImage::CentreWindow()
{
    windowfit::Centre(this);
}

void TfImage::MenuOpenClick()
{
    if (!OpenDialog) {
        OpenDialog = new QFileDialog(this, QStringLiteral("Open"));
        OpenDialog->setAcceptMode(QFileDialog::AcceptOpen);
        OpenDialog->setFileMode(QFileDialog::ExistingFile);
        OpenDialog->setDefaultSuffix(QStringLiteral("jpg"));
        OpenDialog->setNameFilters(
            {QStringLiteral("Image files (*.bmp *.gif *.jif *.jpg *.jpeg *.pcx *.tga *.png "
                            "*.tif *.tiff *.webp *.ico *.svg)"),
             QStringLiteral("All files (*)")});
    }
    if (OpenDialog->exec() != QDialog::Accepted || OpenDialog->selectedFiles().isEmpty())
        return;
    m_fileName = OpenDialog->selectedFiles().constFirst();
    Load();
}

void TfImage::MenuCloseClick()
{
    close();
}

void TfImage::MenuViewNormalSizeClick()
{
    ShowNaturalSize();
    FitWindow();
    ShowZoomed();
}

void TfImage::MenuViewStretchClick()
{
    if (!MenuViewStretch->isChecked()) {
        ShowZoomed();
        return;
    }
    Image->resize(Scroller->viewport()->size());
    Image->setScaledContents(true);
}

void TfImage::FormResize()
{
    if (Stretched())
        Image->resize(Scroller->viewport()->size());
    else if (m_zoom == 0)
        ShowZoomed();
}

bool TfImage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Scroller->viewport() && event->type() == QEvent::Resize)
        FormResize();
    return QMainWindow::eventFilter(watched, event);
}

void TfImage::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QMainWindow::keyReleaseEvent(event);
}
