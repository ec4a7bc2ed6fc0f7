#include "viewers/uImage.h"

#include "controls/FontScale.h"
#include "controls/WindowFit.h"
#include "piclib/PicLib.h"
#include "platform/Memory.h"
#include "platform/Messages.h"

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
#include <limits>
#include <memory>

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

struct TfImage::TDecoded {
    QPixmap Pixmap;
    QSize Own;   // the picture's own size (larger than the pixmap when scaled down)
    QString Why; // why there is no pixmap
};

namespace
{

TfImage::TDecoded Decode(const QString& fileName)
{
    TWaitCursor wait;
    std::unique_ptr<QImage> image(PicLibLoad(QFile::encodeName(fileName).constData(), 0));
    TfImage::TDecoded d;
    if (!image) {
        d.Why = QString::fromUtf8(PicLibErrorText());
        return d;
    }
    int width = 0, height = 0;
    d.Own = PicLibLastScaled(&width, &height) ? QSize(width, height) : image->size();
    d.Pixmap = QPixmap::fromImage(*image);
    if (d.Pixmap.isNull())
        d.Why = QStringLiteral("the picture is too large for the screen's memory");
    return d;
}

QAction* AddEntry(QMenu* menu, const QString& text, const QKeySequence& shortcut = {},
                  bool enabled = true)
{
    QAction* action = menu->addAction(text);
    action->setShortcut(shortcut);
    action->setEnabled(enabled);
    return action;
}

} // namespace

TfImage::TfImage(QWidget* owner) : QMainWindow(owner, Qt::Window), m_owner(owner)
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
    const TDecoded decoded = Decode(fileName);
    if (!fileName.isEmpty() && decoded.Pixmap.isNull()) {
        delete viewer;
        ReportFailure(fileName, decoded);
        return nullptr;
    }
    viewer->show();
    viewer->ShowDecoded(decoded);
    return viewer;
}

void TfImage::ReportFailure(const QString& fileName, const TDecoded& decoded)
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
    const TDecoded decoded = Decode(m_fileName);
    if (!m_fileName.isEmpty() && decoded.Pixmap.isNull()) {
        ReportFailure(m_fileName, decoded);
        m_fileName = m_shownFile; // the viewer keeps what it showed
        return false;
    }
    ShowDecoded(decoded);
    return true;
}

void TfImage::ShowDecoded(const TDecoded& decoded)
{
    TWaitCursor wait;
    ShowNaturalSize();
    Image->setPixmap(decoded.Pixmap);
    m_pictureSize = decoded.Pixmap.size();
    m_shownFile = m_fileName;
    Image->resize(m_pictureSize);
    setWindowTitle(Caption(decoded.Own));
    if (decoded.Pixmap.isNull())
        windowfit::Resize(this, fontscale::Scaled(EmptySize));
    else
        FitWindow();
    CentreWindow();
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
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, Scroller);
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
}

void TfImage::MenuViewStretchClick()
{
    if (MenuViewStretch->isChecked())
        Image->resize(Scroller->viewport()->size());
    else
        Image->resize(m_pictureSize);
    Image->setScaledContents(MenuViewStretch->isChecked());
}

void TfImage::FormResize()
{
    if (Stretched())
        Image->resize(Scroller->viewport()->size());
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
