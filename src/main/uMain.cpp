#include "main/uMain.h"

#include "archive/ReadOnlyArchive.h"
#include "controls/FontScale.h"
#include "controls/VirtualListView.h"
#include "fileops/uProgress.h"
#include "main/DriveSelector.h"
#include "main/PanelText.h"
#include "main/PathLine.h"
#include "main/StatusLine.h"
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
constexpr int kColumnBorders = 17; // with Ext. 40, Size 75, Last modified 120, Attr. 45: 297
constexpr int kNameWidth = 45;     // the Name column at the design client width
const QSize kClientSize(688, 434);

// The widest "Last modified" text of this locale and font, with the cell's margins:
// every month, a two-digit day, a morning and an evening time, each digit measured as
// the font's widest digit (digits of proportional fonts differ: "12:00" may be wider
// than "10:58").
int WidestDateWidth(const QWidget* list)
{
    const QFontMetrics metrics(list->font());
    const QFontMetricsF exact(list->font()); // whole pixels would tie digits that differ
    QChar widestDigit = u'0';
    for (char16_t d = u'1'; d <= u'9'; ++d)
        if (exact.horizontalAdvance(QChar(d)) > exact.horizontalAdvance(widestDigit))
            widestDigit = QChar(d);
    int widest = 0;
    for (int month = 1; month <= 12; ++month)
        for (int hour : {10, 22}) {
            const double day = QDate(1899, 12, 30).daysTo(QDate(2000, month, 28));
            QString text = platform::FormatDateTime(day + (hour * 3600 + 3538) / 86400.0);
            for (QChar& c : text)
                if (c >= u'0' && c <= u'9')
                    c = widestDigit;
            widest = std::max(widest, metrics.horizontalAdvance(text));
        }
    const int margin = list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list);
    // The cell lays its text out in fractional widths and rounds up: one pixel more.
    return widest + 2 * (margin + 1) + 1;
}

void AddColumns(TVirtualListView* files)
{
    files->AddColumn(QStringLiteral("Name"), Scaled(kNameWidth));
    files->AddColumn(QStringLiteral("Ext."), Scaled(40));
    files->AddColumn(QStringLiteral("Size"), Scaled(75), Qt::AlignRight);
    // A font wider than the design font needs more room for a date than scaling gives.
    files->AddColumn(QStringLiteral("Last modified"),
                     std::max(Scaled(120), WidestDateWidth(files)));
    files->AddColumn(QStringLiteral("Attr."), Scaled(45));
}

// What the columns other than Name take of a list's width (297 at the design size).
int OtherColumnsWidth(const TVirtualListView* files)
{
    int width = Scaled(kColumnBorders);
    for (int column = 1; column < files->ColumnCount(); ++column)
        width += files->ColumnWidth(column);
    return width;
}

} // namespace

TfMain::TfMain(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Travodex"));
    SetProgressOwner(this);
    FormCreate();
    // The design client size, scaled; wide enough for the design Name columns.
    const int panel = OtherColumnsWidth(Left().Files) + Scaled(kNameWidth);
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
    p.Panel = new QWidget(this);
    auto* layout = new QVBoxLayout(p.Panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(CreateTabBar(side));
    // The panel may be narrower than its contents: the layout rules decide its width.
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    p.Panel->setMinimumWidth(1);

    p.DirectoryLabel = new QLabel(p.Panel);
    QFont bold = p.DirectoryLabel->font();
    bold.setBold(true);
    p.DirectoryLabel->setFont(bold);
    p.DirectoryLabel->setFixedHeight(std::max(Scaled(16), p.DirectoryLabel->sizeHint().height()));
    layout->addWidget(p.DirectoryLabel);
    p.PathLine = new TPathLine(p.Panel);
    p.PathLine->setFixedHeight(
        std::max(p.DirectoryLabel->height(), p.PathLine->sizeHint().height()));
    layout->addWidget(p.PathLine);
    OnLabelClick(p.DirectoryLabel, [this, side] { RunCommand([this, side] { EditPath(side); }); });
    layout->addLayout(CreateDriveRow(side));

    p.Files = new TVirtualListView(p.Panel);
    TVirtualListView* files = p.Files;
    files->SetExtendedStyles(lvxFullRowSelect);
    files->SetVirtualMode(true);
    AddColumns(files);
    files->ImageProvider = [](int index) { return platform::TIconList::instance().Icon(index); };
    files->OnODGetItemInfo = [this, side](TVirtualListView*, int item, int subItem, unsigned mask,
                                          int& image, int&, int&, int&, QString& text) {
        FilesODGetItemInfo(side, item, subItem, mask, image, text);
    };
    files->OnODCacheHint = [this, side](TVirtualListView*, TLVCacheHint& hint) {
        FilesODCacheHint(side, hint.iFrom, hint.iTo);
    };
    files->OnChange = [this, side](TVirtualListView*) { FilesChange(side); };
    files->OnEnter = [this, side](TVirtualListView*) { FilesEnter(side); };
    files->OnDblClick = [this, side](TVirtualListView*) {
        RunCommand([this, side] { FilesDblClick(side); });
    };
    files->OnColumnClick = [this, side](TVirtualListView*, int column) {
        RunCommand([this, side, column] { FilesColumnClick(side, column); });
    };
    // F2 edits the whole name with the part before the extension selected.
    files->EditedPart = [](const QString& name) { return int(NameStem(name).size()); };
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
    layout->addWidget(files, 1);
    // Escape in the list ends a read still under way; it is off otherwise.
    p.CancelRead = new QShortcut(QKeySequence(Qt::Key_Escape), files, nullptr, nullptr,
                                 Qt::WidgetWithChildrenShortcut);
    p.CancelRead->setEnabled(false);
    connect(p.CancelRead, &QShortcut::activated, this, [this, side] { CancelRead(side); });
    CreateWatcher(side);

    p.Selected = new TStatusLine(QStringLiteral("Selected :"), p.Panel);
    p.Total = new TStatusLine(QStringLiteral("Directory :"), p.Panel);
    layout->addWidget(p.Selected);
    layout->addWidget(p.Total);
    return p.Panel;
}

QLayout* TfMain::CreateDriveRow(TSide side)
{
    TPanel& p = m_panels[side];
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, Scaled(5), 0);
    auto* drives = new TDriveSelector(p.Panel);
    p.Drives = drives;
    connect(drives, &QComboBox::activated, this, [this, side](int index) {
        RunCommand([this, side, index] { DrivesChange(side, index); });
    });
    p.LabelFree = new QLabel(QStringLiteral("0 bytes free"), p.Panel);
    p.LabelFree->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // The selector is 220 wide at the design size; it gives way to a free-space figure
    // that would not fit beside it, so that the figure is never cut or overlapped.
    drives->setMaximumWidth(Scaled(220));
    drives->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    p.LabelFree->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
    row->addWidget(drives, 1);
    row->addWidget(p.LabelFree);
    return row;
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
        files->SetColumnWidth(0, std::max(caption, sizes[side] - OtherColumnsWidth(files)));
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
    TPanel& p = m_panels[side];
    p.Total->SetText(1, FormatSize(p.Listing.FileCount) + objects);
    p.Total->SetText(2, FormatSize(p.Listing.TotalSize) + bytes);
}

void TfMain::FilesEnter(TSide side)
{
    ActivePanel = side == sdLeft ? 1 : 2;
    SyncMenusToPanel(side);
}
