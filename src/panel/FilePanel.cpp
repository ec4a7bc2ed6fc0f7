// The panel's controls and their layout: the tab strip, the caption and the path line
// that stands in for it, the drive selector beside the free space, the list with its
// columns, the two status lines; and the figures of the Directory line.
#include "panel/FilePanel.h"

#include "controls/FontScale.h"
#include "controls/TabStrip.h"
#include "controls/VirtualListView.h"
#include "panel/DriveSelector.h"
#include "panel/PanelText.h"
#include "panel/PathLine.h"
#include "panel/StatusLine.h"
#include "platform/FileNames.h"
#include "platform/IconList.h"
#include "platform/Locale.h"

#include <QDate>
#include <QHBoxLayout>
#include <QLabel>
#include <QShortcut>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

using fontscale::Scaled;

namespace
{

// Design sizes, scaled with the desktop font.
constexpr int kColumnBorders = 17; // with Ext. 40, Size 75, Last modified 120, Attr. 45: 297
constexpr int kNameWidth = 45;     // the Name column at the design client width

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

} // namespace

QWidget* TFilePanel::CreateControls(QWidget* parent)
{
    Panel = new QWidget(parent);
    auto* layout = new QVBoxLayout(Panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    TabBar = new TTabStrip(Panel);
    TabBar->setVisible(false);
    layout->addWidget(TabBar);
    // The panel may be narrower than its contents: the layout rules decide its width.
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    Panel->setMinimumWidth(1);

    DirectoryLabel = new QLabel(Panel);
    QFont bold = DirectoryLabel->font();
    bold.setBold(true);
    DirectoryLabel->setFont(bold);
    DirectoryLabel->setFixedHeight(std::max(Scaled(16), DirectoryLabel->sizeHint().height()));
    layout->addWidget(DirectoryLabel);
    PathLine = new TPathLine(Panel);
    PathLine->setFixedHeight(std::max(DirectoryLabel->height(), PathLine->sizeHint().height()));
    layout->addWidget(PathLine);
    CreateDriveRow(layout);
    CreateList();
    layout->addWidget(Files, 1);
    Selected = new TStatusLine(QStringLiteral("Selected :"), Panel);
    Total = new TStatusLine(QStringLiteral("Directory :"), Panel);
    layout->addWidget(Selected);
    layout->addWidget(Total);
    return Panel;
}

void TFilePanel::CreateDriveRow(QBoxLayout* layout)
{
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, Scaled(5), 0);
    auto* drives = new TDriveSelector(Panel);
    Drives = drives;
    LabelFree = new QLabel(QStringLiteral("0 bytes free"), Panel);
    LabelFree->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // The selector is 220 wide at the design size; it gives way to a free-space figure
    // that would not fit beside it, so that the figure is never cut or overlapped.
    drives->setMaximumWidth(Scaled(220));
    drives->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    LabelFree->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
    row->addWidget(drives, 1);
    row->addWidget(LabelFree);
    layout->addLayout(row);
}

void TFilePanel::CreateList()
{
    Files = new TVirtualListView(Panel);
    Files->SetExtendedStyles(lvxFullRowSelect);
    Files->SetVirtualMode(true);
    AddColumns(Files);
    Files->ImageProvider = [](int index) { return platform::TIconList::instance().Icon(index); };
    Files->OnODGetItemInfo = [this](TVirtualListView*, int item, int subItem, unsigned mask,
                                    int& image, int&, int&, int&,
                                    QString& text) { ItemInfo(item, subItem, mask, image, text); };
    Files->OnODCacheHint = [this](TVirtualListView*, TLVCacheHint& hint) {
        CacheHint(hint.iFrom, hint.iTo);
    };
    Files->OnChange = [this](TVirtualListView*) { FilesChange(); };
    Files->OnEnter = [this](TVirtualListView*) {
        if (!m_landingInBackground)
            emit Activated();
    };
    // F2 edits the whole name with the part before the extension selected.
    Files->EditedPart = [](const QString& name) { return int(NameStem(name).size()); };
    // Escape in the list ends a read still under way; it is off otherwise.
    CancelRead = new QShortcut(QKeySequence(Qt::Key_Escape), Files, nullptr, nullptr,
                               Qt::WidgetWithChildrenShortcut);
    CancelRead->setEnabled(false);
    connect(CancelRead, &QShortcut::activated, this, [this] { EndRead(); });
}

int TFilePanel::OtherColumnsWidth() const
{
    int width = Scaled(kColumnBorders);
    for (int column = 1; column < Files->ColumnCount(); ++column)
        width += Files->ColumnWidth(column);
    return width;
}

bool TFilePanel::FitSizeColumn()
{
    qint64 largest = 0;
    for (int row = 0; row < Listing.Count(); ++row)
        largest = std::max(largest, Listing[row].Size);
    // Every digit as wide as the widest one: no size of as many digits is wider.
    const QFontMetrics metrics(Files->font());
    int digit = 0;
    for (char c = '0'; c <= '9'; ++c)
        digit = std::max(digit, metrics.horizontalAdvance(QLatin1Char(c)));
    QString text = FormatSize(largest);
    int width = 0;
    for (const QChar c : text)
        width += c.isDigit() ? digit : metrics.horizontalAdvance(c);
    const int margin = Files->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, Files);
    const int needed = std::max(Scaled(75), width + 2 * (margin + 1) + Scaled(4));
    if (needed == Files->ColumnWidth(pcSize))
        return false;
    Files->SetColumnWidth(pcSize, needed);
    return true;
}

void TFilePanel::ShowTotals(const QString& objects, const QString& bytes)
{
    Total->SetText(1, FormatSize(Listing.FileCount) + objects);
    Total->SetText(2, FormatSize(Listing.TotalSize) + bytes);
}
