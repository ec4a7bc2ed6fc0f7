#include "viewers/uImage.h"

#include "piclib/PicLib.h"

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
#include <memory>

namespace
{

const QString DefaultCaption = QStringLiteral("Image viewer");
// Size of a viewer that shows no picture.
constexpr QSize EmptySize(296, 269);

// Shows the wait cursor for the life of the object, whichever way the scope is left.
class TWaitCursor final
{
public:
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
    Q_DISABLE_COPY_MOVE(TWaitCursor)
};

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
    resize(EmptySize);
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
    viewer->show();
    return viewer->Load() ? viewer : nullptr;
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
    TWaitCursor wait;
    ShowNaturalSize();
    std::unique_ptr<QImage> image(PicLibLoad(QFile::encodeName(m_fileName).constData(), 0));
    QPixmap pixmap;
    if (image)
        pixmap = QPixmap::fromImage(*image);
    if (!m_fileName.isEmpty() && pixmap.isNull()) {
        // A picture that cannot be decoded or shown ends the viewer without a message.
        close();
        return false;
    }
    Image->setPixmap(pixmap);
    m_pictureSize = pixmap.size();
    Image->resize(m_pictureSize);
    setWindowTitle(m_fileName.isEmpty() ? DefaultCaption : QFileInfo(m_fileName).fileName());
    if (pixmap.isNull())
        resize(EmptySize);
    else
        FitWindow();
    CentreWindow();
    return true;
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
    const int width = std::min(m_pictureSize.width(), std::max(0, area.width() - 10));
    const int height = std::min(m_pictureSize.height(), std::max(0, area.height() - 30));
    // The scroll bars come on top of the client area, like a window's own scroll bars.
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, Scroller);
    const int outerWidth = width + (m_pictureSize.height() > height ? bar : 0);
    const int viewHeight = height + (m_pictureSize.width() > width ? bar : 0);
    QWidget* menu = menuWidget();
    const int menuHeight = menu ? menu->heightForWidth(outerWidth) : 0;
    resize(outerWidth, viewHeight + std::max(menuHeight, menu ? menu->sizeHint().height() : 0));
}

void TfImage::CentreWindow()
{
    const QScreen* screen = m_owner ? m_owner->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = frameGeometry();
    frame.setSize(frame.size().expandedTo(size()));
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
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
