#include "main/uMain.h"

#include "controls/VirtualListView.h"
#include "main/DriveSelector.h"
#include "main/StatusLine.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/IconList.h"
#include "viewers/uText.h"
#include "zip/ZipArchive.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QSplitter>
#include <QVBoxLayout>

namespace
{

constexpr int kSplitterWidth = 3;
constexpr int kOtherColumnsWidth =
    297; // Ext. 40 + Size 75 + Last modified 120 + Attr. 45 + borders

} // namespace

TfMain::TfMain(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Travodex"));
    resize(688, 434);
    FormCreate();
}

TfMain::~TfMain()
{
    // The lists call back into the panels while they are torn down: they go first.
    delete takeCentralWidget();
    Left().Zip->UnloadUnzLib();
    Left().Zip->UnloadZipLib();
}

void TfMain::FormCreate()
{
    UseRecycleBin = false;
    for (TPanel& p : m_panels) {
        p.Zip = new TZipArchive(this);
        p.Zip->AddOptions = AddHiddenFiles;
        // The libraries' own reports are collected and shown after the command.
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
    m_splitter->setHandleWidth(kSplitterWidth);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->addWidget(CreatePanel(sdLeft));
    m_splitter->addWidget(CreatePanel(sdRight));
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
    // The panel may be narrower than its contents: the layout rules decide its width.
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    p.Panel->setMinimumWidth(1);

    p.DirectoryLabel = new QLabel(p.Panel);
    QFont bold = p.DirectoryLabel->font();
    bold.setBold(true);
    p.DirectoryLabel->setFont(bold);
    p.DirectoryLabel->setFixedHeight(16);
    layout->addWidget(p.DirectoryLabel);

    auto* driveRow = new QHBoxLayout;
    driveRow->setContentsMargins(0, 0, 5, 0);
    auto* drives = new TDriveSelector(p.Panel);
    drives->setFixedWidth(220);
    p.Drives = drives;
    connect(drives, &QComboBox::activated, this,
            [this, side](int index) { DrivesChange(side, index); });
    p.LabelFree = new QLabel(QStringLiteral("0 bytes free"), p.Panel);
    p.LabelFree->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    driveRow->addWidget(drives);
    driveRow->addWidget(p.LabelFree, 1);
    layout->addLayout(driveRow);

    p.Files = new TVirtualListView(p.Panel);
    TVirtualListView* files = p.Files;
    files->SetExtendedStyles(lvxFullRowSelect);
    files->SetVirtualMode(true);
    files->AddColumn(QStringLiteral("Name"), 45);
    files->AddColumn(QStringLiteral("Ext."), 40);
    files->AddColumn(QStringLiteral("Size"), 75, Qt::AlignRight);
    files->AddColumn(QStringLiteral("Last modified"), 120);
    files->AddColumn(QStringLiteral("Attr."), 45);
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
    files->OnDblClick = [this, side](TVirtualListView*) { FilesDblClick(side); };
    files->OnColumnClick = [this](TVirtualListView*, int column) { SetSortOrder(column); };
    files->OnEdited = [this, side](TVirtualListView*, int, QString& text) {
        FilesEdited(side, text);
    };
    files->OnMouseMove = [this](TVirtualListView* list, Qt::MouseButtons buttons,
                                Qt::KeyboardModifiers modifiers, QPoint) {
        FilesMouseMove(list == Left().Files ? sdLeft : sdRight, buttons, modifiers);
    };
    files->OnMouseUp = [this](TVirtualListView* list, Qt::MouseButtons, Qt::KeyboardModifiers,
                              QPoint) { FilesMouseUp(list == Left().Files ? sdLeft : sdRight); };
    layout->addWidget(files, 1);

    p.Selected = new TStatusLine(QStringLiteral("Selected :"), p.Panel);
    p.Total = new TStatusLine(QStringLiteral("Directory :"), p.Panel);
    layout->addWidget(p.Selected);
    layout->addWidget(p.Total);
    return p.Panel;
}

int TfMain::ClientWidth() const
{
    return m_splitter->width();
}

void TfMain::FormResize()
{
    const int total = ClientWidth();
    const int left = (total - kSplitterWidth) / 2;
    m_splitter->setSizes({left, std::max(0, total - kSplitterWidth - left)});
    SplitterMoved();
}

void TfMain::SplitterMoved()
{
    const QList<int> sizes = m_splitter->sizes();
    for (int side = 0; side < 2 && side < sizes.size(); ++side)
        m_panels[side].Files->SetColumnWidth(0, sizes[side] - kOtherColumnsWidth);
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
    RefreshRight();
    RefreshLeft();
}

void TfMain::closeEvent(QCloseEvent* event)
{
    // Every open editor offers to save first; one whose text could not be saved keeps
    // the program open.
    if (!TfText::CloseAll(this)) {
        event->ignore();
        return;
    }
    for (TPanel& p : m_panels)
        p.Files->SetViewStyle(vsReport);
    QMainWindow::closeEvent(event);
}

void TfMain::QuitWithoutQuestions()
{
    TfText::CloseAllWithoutQuestions(this);
    close();
    QCoreApplication::exit(0); // also ends a dialog that is waiting for an answer
}

void TfMain::ReadListing(TSide side)
{
    TPanel& p = m_panels[side];
    p.Listing.ReadDirectory(p.Directory);
    p.Listing.Sort(p.SortOrder, true);
    p.Files->SetVirtualItemCount(p.Listing.Count(), cfNoScroll);
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

void TfMain::RefreshPanel(TSide side)
{
    TPanel& p = m_panels[side];
    ReadListing(side);
    FillDriveList(side);
    p.DirectoryLabel->setText(p.Directory);
    p.LabelFree->setText(FormatSize(platform::FreeSpace(p.Directory)) +
                         QStringLiteral(" bytes free"));
    ShowTotals(side, QStringLiteral(" object(s)"), QStringLiteral(" byte(s)"));
    FocusFirstRow(side);
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
