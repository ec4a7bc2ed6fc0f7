#include "sync/uSync.h"

#include "fileops/uProgress.h"
#include "listing/FileListing.h"
#include "platform/FileNames.h"

#include <QCheckBox>
#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace
{

enum TColumn { cName, cLeftSize, cLeftDate, cAction, cRightDate, cRightSize, cState, cColumns };

QString SizeText(const TSyncSide& side)
{
    if (!side.Present)
        return {};
    if (side.IsFolder())
        return QStringLiteral("folder: %1 files, %2").arg(side.Files).arg(FormatSize(side.Bytes));
    return FormatSize(side.Seen.Size);
}

QString DateText(const TSyncSide& side)
{
    if (!side.Present)
        return {};
    return QDateTime::fromSecsSinceEpoch(side.Seen.Seconds)
        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// The next allowed action after the row's own, in the order of the buttons.
TSyncAction NextAction(const TSyncRow& row)
{
    for (int step = 1; step <= 4; ++step) {
        const auto next = TSyncAction((int(row.Action) + step) % 4);
        if (ActionAllowed(row, next))
            return next;
    }
    return row.Action;
}

QString Bytes(qint64 bytes)
{
    return FormatSize(bytes) + QStringLiteral(" bytes");
}

} // namespace

TfSync::TfSync(QWidget* parent, const QString& left, const QString& right, bool leftActive,
               bool useTrash, std::shared_ptr<const TArchiveSide> archive,
               std::shared_ptr<const TRemoteSyncSide> remote)
    : QDialog(parent), m_left(left), m_right(right), m_useTrash(useTrash),
      m_archive(std::move(archive)), m_remote(std::move(remote))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Synchronise folders"));
    auto* layout = new QVBoxLayout(this);
    const QString active = QStringLiteral(" (active panel)");
    const QString source = QStringLiteral(", an archive: read only");
    const bool archiveLeft = m_archive && m_archive->Left;
    const bool archiveRight = m_archive && !m_archive->Left;
    layout->addWidget(
        new QLabel(QStringLiteral("Left%1: %2\nRight%3: %4")
                       .arg((leftActive ? active : QString()) + (archiveLeft ? source : QString()),
                            platform::DisplayName(left),
                            (leftActive ? QString() : active) + (archiveRight ? source : QString()),
                            platform::DisplayName(right)),
                   this));

    auto* options = new QHBoxLayout;
    CheckSubfolders = new QCheckBox(QStringLiteral("&Subfolders"), this);
    CheckSubfolders->setChecked(true);
    CheckIgnoreDates = new QCheckBox(QStringLiteral("&Ignore dates"), this);
    CheckByContent = new QCheckBox(QStringLiteral("By &content"), this);
    if (m_archive && m_archive->HasCrc) {
        CheckByContent->setToolTip(QStringLiteral("Files of the same size are read and their "
                                                  "CRC-32 compared with the member's."));
    } else if (m_remote) {
        // Each pair of files would be read whole, one of them over the network.
        CheckByContent->setEnabled(false);
        CheckByContent->setToolTip(QStringLiteral("Off for a remote place: its files are "
                                                  "compared by size and date only."));
    } else if (m_archive) {
        // Reading members next to their files would mean extracting each one first.
        CheckByContent->setEnabled(false);
        CheckByContent->setToolTip(QStringLiteral("Off for this archive: it gives no "
                                                  "checksum of its members, so they are "
                                                  "compared by size and date only."));
    }
    ButtonCompare = new QPushButton(QStringLiteral("Co&mpare"), this);
    for (QWidget* w :
         {static_cast<QWidget*>(CheckSubfolders), static_cast<QWidget*>(CheckIgnoreDates),
          static_cast<QWidget*>(CheckByContent), static_cast<QWidget*>(ButtonCompare)})
        options->addWidget(w);
    options->addStretch();
    layout->addLayout(options);

    auto* filters = new QHBoxLayout;
    filters->addWidget(new QLabel(QStringLiteral("Show:"), this));
    for (int s = 0; s < kSyncStates; ++s) {
        ShowState[s] = new QCheckBox(StateText(TSyncState(s)), this);
        ShowState[s]->setChecked(TSyncState(s) != TSyncState::Equal);
        connect(ShowState[s], &QCheckBox::toggled, this, &TfSync::Fill);
        filters->addWidget(ShowState[s]);
    }
    filters->addStretch();
    layout->addLayout(filters);

    List = new QTreeWidget(this);
    List->setColumnCount(cColumns);
    List->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Left size"),
                           QStringLiteral("Left date"), QStringLiteral("Action"),
                           QStringLiteral("Right date"), QStringLiteral("Right size"),
                           QStringLiteral("State")});
    List->setRootIsDecorated(false);
    List->setUniformRowHeights(true);
    List->setSelectionMode(QAbstractItemView::ExtendedSelection);
    List->header()->setSectionResizeMode(cName, QHeaderView::Stretch);
    List->installEventFilter(this);
    connect(List, &QTreeWidget::itemClicked, this, &TfSync::ItemClicked);
    layout->addWidget(List, 1);

    auto* actions = new QHBoxLayout;
    const char* captions[4] = {"&Leave (=)", "Copy &→ (>)", "Copy &← (<)", "&Delete (Del)"};
    for (int a = 0; a < 4; ++a) {
        ButtonAction[a] = new QPushButton(QString::fromUtf8(captions[a]), this);
        ButtonAction[a]->setAutoDefault(false);
        connect(ButtonAction[a], &QPushButton::clicked, this,
                [this, a] { SetSelected(TSyncAction(a)); });
        actions->addWidget(ButtonAction[a]);
    }
    // Nothing is ever copied into the archive.
    if (m_archive)
        ButtonAction[int(m_archive->Left ? TSyncAction::CopyLeft : TSyncAction::CopyRight)]
            ->setEnabled(false);
    actions->addStretch();
    layout->addLayout(actions);
    m_plan = new QLabel(this);
    m_plan->setWordWrap(true);
    layout->addWidget(m_plan);
    m_status = new QLabel(this);
    m_status->setWordWrap(true);
    layout->addWidget(m_status);
    auto* buttons = new QHBoxLayout;
    ButtonSync = new QPushButton(QStringLiteral("S&ynchronise"), this);
    ButtonSync->setAutoDefault(false);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setAutoDefault(false);
    buttons->addStretch();
    buttons->addWidget(ButtonSync);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(ButtonCompare, &QPushButton::clicked, this, &TfSync::Compare);
    connect(ButtonSync, &QPushButton::clicked, this, &TfSync::Synchronise);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(&m_timer, &QTimer::timeout, this, &TfSync::Tick);
    resize(900, 560);
    Compare();
}

TfSync::~TfSync() = default;

void TfSync::Compare()
{
    TSyncOptions options;
    options.Subfolders = CheckSubfolders->isChecked();
    options.IgnoreDates = CheckIgnoreDates->isChecked();
    options.ByContent = CheckByContent->isChecked() && CheckByContent->isEnabled();
    m_comparison = std::make_unique<TSyncComparison>(m_left, m_right, options, m_archive, m_remote);
    m_rows.clear();
    m_problems.clear();
    m_said.clear();
    List->clear();
    ButtonSync->setEnabled(false);
    m_status->setText(QStringLiteral("Comparing…"));
    ShowPlan();
    m_timer.start(100);
}

void TfSync::Tick()
{
    if (!m_comparison)
        return;
    if (!m_comparison->Finished()) {
        const platform::TFileOpsProgress& p = m_comparison->Progress();
        m_status->setText(p.TotalItems() < 0
                              ? QStringLiteral("Comparing… %1 entries read").arg(p.Items())
                              : QStringLiteral("Comparing contents… %1 of %2 files")
                                    .arg(p.Items())
                                    .arg(p.TotalItems()));
        return;
    }
    m_timer.stop();
    m_rows = m_comparison->TakeRows();
    m_problems = m_comparison->Problems();
    m_comparison.reset();
    QStringList said;
    if (!m_said.isEmpty())
        said << m_said;
    said << (m_problems.isEmpty() ? QStringLiteral("%1 entries compared.").arg(m_rows.size())
                                  : m_problems.join('\n'));
    if (m_archive)
        said << (m_archive->HasCrc
                     ? QStringLiteral("The archive is the source only: nothing is copied into "
                                      "it or deleted from it. By content compares the files' "
                                      "CRC-32 with its members'.")
                     : QStringLiteral("The archive is the source only: nothing is copied into "
                                      "it or deleted from it. It gives no checksums, so it is "
                                      "compared by size and date, not by content."));
    if (m_remote)
        said << QStringLiteral("The remote place is compared by size and date, not by content.");
    m_status->setText(said.join('\n'));
    Fill();
    ShowPlan();
}

void TfSync::Fill()
{
    List->clear();
    QList<QTreeWidgetItem*> items;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (!ShowState[int(m_rows[i].State)]->isChecked())
            continue;
        auto* item = new QTreeWidgetItem;
        item->setData(cName, Qt::UserRole, qulonglong(i));
        ShowRow(item, m_rows[i]);
        items << item;
    }
    List->addTopLevelItems(items);
    for (const int column : {cLeftSize, cLeftDate, cAction, cRightDate, cRightSize, cState})
        List->resizeColumnToContents(column);
    if (!items.isEmpty())
        List->setCurrentItem(items.front());
}

void TfSync::ShowRow(QTreeWidgetItem* item, const TSyncRow& row) const
{
    item->setText(cName, platform::DisplayName(platform::DecodeFileName(row.Path)));
    item->setText(cLeftSize, SizeText(row.Left));
    item->setText(cLeftDate, DateText(row.Left));
    item->setText(cAction, ActionText(row.Action));
    item->setText(cRightDate, DateText(row.Right));
    item->setText(cRightSize, SizeText(row.Right));
    item->setText(cState, StateText(row.State));
    item->setTextAlignment(cLeftSize, Qt::AlignRight);
    item->setTextAlignment(cRightSize, Qt::AlignRight);
}

void TfSync::SetSelected(TSyncAction action)
{
    for (QTreeWidgetItem* item : List->selectedItems()) {
        TSyncRow& row = m_rows[item->data(cName, Qt::UserRole).toULongLong()];
        if (ActionAllowed(row, action)) {
            row.Action = action;
            ShowRow(item, row);
        }
    }
    ShowPlan();
}

void TfSync::ItemClicked(QTreeWidgetItem* item, int column)
{
    if (column != cAction || m_comparison)
        return;
    TSyncRow& row = m_rows[item->data(cName, Qt::UserRole).toULongLong()];
    row.Action = NextAction(row);
    ShowRow(item, row);
    ShowPlan();
}

bool TfSync::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == List && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        if (key->key() == Qt::Key_Right || text == QLatin1String(">")) {
            SetSelected(TSyncAction::CopyRight);
            return true;
        }
        if (key->key() == Qt::Key_Left || text == QLatin1String("<")) {
            SetSelected(TSyncAction::CopyLeft);
            return true;
        }
        if (key->key() == Qt::Key_Delete) {
            SetSelected(TSyncAction::Delete);
            return true;
        }
        if (text == QLatin1String("=")) {
            SetSelected(TSyncAction::Leave);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

QString TfSync::PlanText() const
{
    const TSyncTotals t = PlanTotals(m_rows);
    if (t.Nothing())
        return QStringLiteral("Nothing will change.");
    QStringList parts;
    if (t.RowsRight)
        parts << QStringLiteral("copy → %1 entries (%2 files, %3), %4 of them replacing")
                     .arg(t.RowsRight)
                     .arg(t.FilesRight)
                     .arg(Bytes(t.BytesRight))
                     .arg(t.ReplacedRight);
    if (t.RowsLeft)
        parts << QStringLiteral("copy ← %1 entries (%2 files, %3), %4 of them replacing")
                     .arg(t.RowsLeft)
                     .arg(t.FilesLeft)
                     .arg(Bytes(t.BytesLeft))
                     .arg(t.ReplacedLeft);
    if (t.Deletes) {
        QStringList sides;
        if (t.DeletesLeft)
            sides << QStringLiteral("%1 on the left").arg(t.DeletesLeft);
        if (t.DeletesRight)
            sides << QStringLiteral("%1 on the right").arg(t.DeletesRight);
        parts << QStringLiteral("delete %1 (%2)%3")
                     .arg(sides.join(QStringLiteral(" and ")), Bytes(t.DeletedBytes),
                          m_useTrash ? QStringLiteral(" into the trash")
                                     : QStringLiteral(" for good"));
    }
    return QStringLiteral("Will %1; %2 rows left as they are.")
        .arg(parts.join(QStringLiteral("; ")))
        .arg(t.Unchanged);
}

QString TfSync::Status() const
{
    return m_status->text();
}

void TfSync::ShowPlan()
{
    m_plan->setText(m_comparison ? QString() : PlanText());
    ButtonSync->setEnabled(!m_comparison && !PlanTotals(m_rows).Nothing());
}

void TfSync::Synchronise()
{
    if (m_comparison || PlanTotals(m_rows).Nothing())
        return;
    if (FileWorkRunning()) { // one piece of file work at a time
        m_status->setText(QStringLiteral("Another file command is running: synchronise once "
                                         "it has ended."));
        return;
    }
    const std::shared_ptr<void> held = m_archive && m_archive->Hold ? m_archive->Hold() : nullptr;
    platform::TFileOpsProgress progress;
    TSyncOutcome outcome;
    platform::TRemoteCancel cancel;
    // Cancel reaches a remote transfer under way at once, also one waiting for a server.
    QTimer watch;
    connect(&watch, &QTimer::timeout, &watch, [&] {
        if (progress.Cancelled())
            cancel.Cancel();
    });
    watch.start(50);
    RunFileWork(QStringLiteral("Synchronising"), progress, [&] {
        outcome = RunSync(m_left, m_right, m_rows, m_useTrash, progress, m_archive.get(),
                          m_remote.get(), &cancel);
    });
    watch.stop();
    QStringList said;
    said << QStringLiteral("%1 entries synchronised%2.")
                .arg(outcome.Done)
                .arg(outcome.Cancelled ? QStringLiteral(", then cancelled") : QString());
    if (!outcome.Changed.isEmpty())
        said << QStringLiteral("Left alone, changed since the comparison: %1.")
                    .arg(outcome.Changed.join(QStringLiteral(", ")));
    said << outcome.Problems;
    if (OnSynchronised)
        OnSynchronised(outcome);
    Compare();
    m_said = said.join('\n');
}
