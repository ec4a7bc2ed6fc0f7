#include "main/uMain.h"

#include "archive/ReadOnlyArchive.h"
#include "controls/FontScale.h"
#include "controls/VirtualListView.h"
#include "fileops/uProgress.h"
#include "modules/SupportModules.h"
#include "panel/DriveSelector.h"
#include "panel/PanelText.h"
#include "panel/PathLine.h"
#include "panel/StatusLine.h"
#include "platform/ConfigPath.h"
#include "platform/Drives.h"
#include "platform/FileNames.h"
#include "platform/FileSystem.h"
#include "platform/IconList.h"
#include "platform/Locale.h"
#include "platform/Messages.h"
#include "viewers/uText.h"
#include "zip/ZipArchive.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDate>
#include <QHBoxLayout>
#include <QLabel>
#include <QSettings>
#include <QShortcut>
#include <QSplitter>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

using fontscale::Scaled;

namespace
{

// Design sizes, scaled with the desktop font.
constexpr int kSplitterWidth = 3;
constexpr int kNameWidth = 45; // the Name column at the design client width
const QSize kClientSize(688, 434);

} // namespace

TfMain::TfMain(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Travodex"));
    SetProgressOwner(this);
    FormCreate();
    // The design client size, scaled; wide enough for the design Name columns.
    const int panel = Left().OtherColumnsWidth() + Scaled(kNameWidth);
    const QSize client = Scaled(kClientSize);
    resize(std::max(client.width(), 2 * panel + m_splitter->handleWidth()), client.height());
}

TfMain::~TfMain()
{
    platform::SetQuitting(false); // the quitting belonged to this window
    // A read still under way is abandoned before the panels it would land in go; the
    // program ends without waiting for it.
    for (TPanel& p : m_panels)
        p.Read.reset();
    // The lists call back into the panels while they are torn down: they go first.
    delete takeCentralWidget();
    Left().Zip->UnloadUnzLib();
    Left().Zip->UnloadZipLib();
}

namespace
{

constexpr char kTrashKey[] = "Delete/UseRecycleBin";
constexpr char kAskTargetKey[] = "Copy/AskTarget";

} // namespace

void TfMain::ReadSettings()
{
    const QString path = platform::UserSettingsFilePath();
    // Until the user has said otherwise, deletes go to the trash, where they can be undone.
    UseRecycleBin = AskTarget = true;
    if (path.isEmpty())
        return;
    const QSettings settings(path, QSettings::IniFormat);
    UseRecycleBin = settings.value(kTrashKey, true).toBool();
    // Copy and move ask for their target unless the user chose the direct ones.
    AskTarget = settings.value(kAskTargetKey, true).toBool();
}

void TfMain::WriteSettings()
{
    const QString path = platform::UserSettingsFilePath();
    if (path.isEmpty())
        return;
    QSettings settings(path, QSettings::IniFormat);
    settings.setValue(kTrashKey, UseRecycleBin);
    settings.setValue(kAskTargetKey, AskTarget);
    settings.sync();
    if (settings.status() != QSettings::NoError)
        platform::ShowMessage(QStringLiteral("The settings could not be saved to %1.").arg(path));
}

void TfMain::FormCreate()
{
    ReadSettings();
    for (TPanel& p : m_panels) {
        p.Zip = new TZipArchive(this);
        p.Zip->AddOptions = AddHiddenFiles;
        p.Zip->ExactNames = true; // the panels pass members and files by their names
        // The libraries' own reports are collected and shown after the command, on this
        // thread: the handler runs on the worker thread of long work and only collects.
        p.Zip->OnMessage = [this](QObject*, int, const QString& text) {
            if (!text.trimmed().isEmpty())
                m_zipMessages << text;
        };
    }
    // The two libraries are loaded once and shared by both panels' components.
    Left().Zip->LoadZipLib();
    Left().Zip->LoadUnzLib();
    LogicalDrives = platform::LogicalDrives();
    const QString programDrive = platform::DriveOf(platform::ProgramDirectory(), LogicalDrives);
    for (TPanel& p : m_panels) {
        p.Mask = QStringLiteral("*.*");
        p.Directory = programDrive;
        p.SortOrder = soName;
        p.ViewStyle = vsReport;
    }
    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setHandleWidth(Scaled(kSplitterWidth));
    m_splitter->setChildrenCollapsible(false);
    m_splitter->addWidget(CreatePanel(sdLeft));
    m_splitter->addWidget(CreatePanel(sdRight));
    ShowSortOrder(sdLeft);
    ShowSortOrder(sdRight);
    m_splitter->setStretchFactor(1, 1);
    connect(m_splitter, &QSplitter::splitterMoved, this, [this] { SplitterMoved(); });
    setCentralWidget(m_splitter);
    CreateMenus();
    CreateToolbar();
    WireCommands();
    ReadConfiguration();
    Left().Files->setFocus();
}

QWidget* TfMain::CreatePanel(TSide side)
{
    TPanel& p = m_panels[side];
    QWidget* panel = p.CreateControls(this);
    p.Owner = this;
    p.Twin = &m_panels[Other(side)];
    p.Clock = [this] { return SteadyClockMs(); };
    CreateTabBar(side);
    OnLabelClick(p.DirectoryLabel, [this, side] { RunCommand([this, side] { EditPath(side); }); });
    connect(p.Drives, &QComboBox::activated, this, [this, side](int index) {
        RunCommand([this, side, index] { DrivesChange(side, index); });
    });
    connect(&p, &TFilePanel::Activated, this, [this, side] { FilesEnter(side); });
    connect(&p, &TFilePanel::SelectionChanged, this, [this, side] { QuickFollowSoon(side); });
    TVirtualListView* files = p.Files;
    files->OnODCacheHint = [this, side](TVirtualListView*, TLVCacheHint& hint) {
        FilesODCacheHint(side, hint.iFrom, hint.iTo);
    };
    files->OnDblClick = [this, side](TVirtualListView*) {
        RunCommand([this, side] { FilesDblClick(side); });
    };
    files->OnColumnClick = [this, side](TVirtualListView*, int column) {
        RunCommand([this, side, column] { FilesColumnClick(side, column); });
    };
    files->OnEdited = [this, side](TVirtualListView*, int, QString& text) {
        RunCommand([this, side, text] { FilesEdited(side, text); });
    };
    files->OnMouseMove = [this](TVirtualListView* list, Qt::MouseButtons buttons,
                                Qt::KeyboardModifiers modifiers, QPoint) {
        FilesMouseMove(list == Left().Files ? sdLeft : sdRight, buttons, modifiers);
    };
    files->OnMouseUp = [this](TVirtualListView* list, Qt::MouseButtons,
                              Qt::KeyboardModifiers modifiers, QPoint at) {
        const QPoint global = list->mapToGlobal(at);
        RunCommand([this, list, global, modifiers] {
            if (!TabDropAt(global, modifiers))
                FilesMouseUp(list == Left().Files ? sdLeft : sdRight);
        });
    };
    files->OnUrlsDropped = [this, side](TVirtualListView*, const QList<QUrl>& urls, bool move) {
        PostDrop([=, this] { DropUrls(side, urls, move); });
    };
    files->OnDragOut = [this, side](TVirtualListView*) { return DragOutData(side); };
    CreateWatcher(side);
    return panel;
}

int TfMain::ClientWidth() const
{
    return m_splitter->width();
}

void TfMain::FormResize()
{
    const int total = ClientWidth();
    const int handle = m_splitter->handleWidth();
    const int left = (total - handle) / 2;
    m_splitter->setSizes({left, std::max(0, total - handle - left)});
    SplitterMoved();
}

void TfMain::SplitterMoved()
{
    const QList<int> sizes = m_splitter->sizes();
    for (int side = 0; side < 2 && side < sizes.size(); ++side) {
        // A Size column widened for large sizes leaves the Name column room for its caption
        // at least; the list then scrolls sideways.
        TVirtualListView* files = m_panels[side].Files;
        const int caption = files->fontMetrics().horizontalAdvance(QStringLiteral("Name")) +
                            2 * files->style()->pixelMetric(QStyle::PM_HeaderMargin) + 2;
        files->SetColumnWidth(0,
                              std::max(caption, sizes[side] - m_panels[side].OtherColumnsWidth()));
    }
}

void TfMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    FormResize();
}

void TfMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TfMain::FormShow()
{
    ActivePanel = 0;
    RefreshPanel(sdRight, [this] { EnterStartPlace(sdRight); });
    RefreshPanel(sdLeft, [this] { EnterStartPlace(sdLeft); });
    // Remote places come after the window has shown, each once mounted.
    QTimer::singleShot(0, this, [this] { ConnectStartPlaces(sdLeft); });
}

void TfMain::closeEvent(QCloseEvent* event)
{
    // File work under way is cancelled first; the window closes once its command is over.
    // Meanwhile the program is quitting: the command's closing messages show nothing.
    if (CancelFileWork()) {
        platform::SetQuitting(true);
        event->ignore();
        QTimer::singleShot(50, this, &QWidget::close);
        return;
    }
    // Every open editor offers to save first; one whose text could not be saved keeps
    // the program open.
    if (!TfText::CloseAll(this)) {
        platform::SetQuitting(false);
        event->ignore();
        return;
    }
    KeepPanels();
    if (platform::TRemotePlaces* places = LoadedRemotePlaces())
        places->LeaveParts();
    for (TPanel& p : m_panels)
        p.Files->SetViewStyle(vsReport);
    QMainWindow::closeEvent(event);
}

void TfMain::QuitWithoutQuestions()
{
    platform::SetQuitting(true);
    TfText::CloseAllWithoutQuestions(this);
    close();
    QCoreApplication::exit(0); // also ends a dialog that is waiting for an answer
}

void TfMain::FocusFirstRow(TSide side)
{
    TPanel& p = m_panels[side];
    p.Files->setFocus();
    if (!p.Files->isVisible())
        return; // the window refuses the focus: the active panel stays as it was
    FilesEnter(side);
    if (p.Listing.Count() > 0)
        p.Files->FocusItem(0);
}

void TfMain::RefreshPanel(TSide side, const std::function<void()>& after)
{
    ReadListing(side, [this, side, after] {
        TPanel& p = m_panels[side];
        FillDriveList(side);
        p.DirectoryLabel->setText(platform::DisplayName(p.Directory));
        ShowFreeSpace(side);
        ShowTotals(side, QStringLiteral(" object(s)"), QStringLiteral(" byte(s)"));
        FocusFirstRow(side);
        if (after)
            after();
    });
}

void TfMain::ShowFreeSpace(TSide side)
{
    if (ShowRemoteFreeSpace(side))
        return;
    TPanel& p = m_panels[side];
    // The list of drives lies on no disk: it has no free space to show, and its Size
    // column holds each drive's free space.
    const bool drives = p.Directory == QLatin1String("Drives");
    p.Files->SetColumnCaption(pcSize, drives ? QStringLiteral("Free") : QStringLiteral("Size"));
    if (drives) {
        p.LabelFree->clear();
        return;
    }
    const QString text =
        FormatSize(platform::FreeSpace(p.Directory)) + QStringLiteral(" bytes free");
    p.LabelFree->setText(text);
    // The other panel on the same file system shows the same figure, taken now.
    const TPanel& other = m_panels[Other(side)];
    if (other.Directory != QLatin1String("Drives") &&
        platform::DriveOf(other.Directory, LogicalDrives) ==
            platform::DriveOf(p.Directory, LogicalDrives))
        other.LabelFree->setText(text);
}

void TfMain::ShowTotals(TSide side, const QString& objects, const QString& bytes)
{
    m_panels[side].ShowTotals(objects, bytes);
}

void TfMain::FilesEnter(TSide side)
{
    ActivePanel = side == sdLeft ? 1 : 2;
    SyncMenusToPanel(side);
}
