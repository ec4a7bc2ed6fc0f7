#include "checks/uChecksumReport.h"

#include "platform/FileNames.h"

#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace
{

QString ResultText(TCheckResult result)
{
    switch (result) {
    case TCheckResult::Ok:
        return QStringLiteral("OK");
    case TCheckResult::Failed:
        return QStringLiteral("FAILED");
    case TCheckResult::Missing:
        return QStringLiteral("missing");
    case TCheckResult::Unreadable:
        return QStringLiteral("unreadable");
    }
    return {};
}

} // namespace

TfChecksumReport::TfChecksumReport(QWidget* parent, const QString& checksumFile,
                                   std::shared_ptr<TChecksumSource> source)
    : QDialog(parent), m_verify(std::make_unique<TChecksumVerify>(checksumFile, std::move(source)))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Verify %1").arg(platform::DisplayName(checksumFile)));
    auto* layout = new QVBoxLayout(this);
    Rows = new QTreeWidget(this);
    Rows->setColumnCount(2);
    Rows->setHeaderLabels({QStringLiteral("File"), QStringLiteral("Result")});
    Rows->setRootIsDecorated(false);
    Rows->setUniformRowHeights(true);
    Rows->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    Rows->header()->setStretchLastSection(false);
    layout->addWidget(Rows);
    Bar = new QProgressBar(this);
    Bar->setRange(0, 1000);
    layout->addWidget(Bar);
    Totals = new QLabel(this);
    Totals->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(Totals);
    ButtonCancel = new QPushButton(QStringLiteral("Cancel"), this);
    connect(ButtonCancel, &QPushButton::clicked, this, &TfChecksumReport::reject);
    layout->addWidget(ButtonCancel, 0, Qt::AlignRight);
    resize(560, 420);
    connect(&m_timer, &QTimer::timeout, this, &TfChecksumReport::Tick);
    m_timer.start(100);
    Totals->setText(QStringLiteral("Checking…"));
}

TfChecksumReport::~TfChecksumReport() = default;

void TfChecksumReport::Tick()
{
    const bool finished = m_verify->Finished(); // before the rows: none comes after it
    for (const TCheckRow& row : m_verify->TakeRows()) {
        auto* item = new QTreeWidgetItem(Rows, {row.Name, ResultText(row.Result)});
        if (row.Result != TCheckResult::Ok) {
            item->setForeground(1, QColor(180, 0, 0));
            QFont bold = item->font(1);
            bold.setBold(true);
            item->setFont(1, bold);
        }
    }
    const platform::TFileOpsProgress& p = m_verify->Progress();
    const qint64 total = p.TotalBytes();
    if (total > 0)
        Bar->setValue(int(std::min<qint64>(1000, p.Bytes() * 1000 / total)));
    if (finished) {
        m_over = true;
        m_timer.stop();
        Bar->setValue(1000);
        ButtonCancel->setText(QStringLiteral("Close"));
    }
    ShowTotals();
}

QString TfChecksumReport::Summary() const
{
    return Totals->text();
}

void TfChecksumReport::ShowTotals()
{
    const TCheckTotals t = m_verify->Totals();
    QStringList parts;
    parts << QStringLiteral("%1 OK").arg(t.Ok);
    if (t.Failed)
        parts << QStringLiteral("%1 FAILED").arg(t.Failed);
    if (t.Missing)
        parts << QStringLiteral("%1 missing").arg(t.Missing);
    if (t.Unreadable)
        parts << QStringLiteral("%1 unreadable").arg(t.Unreadable);
    if (t.BadLines)
        parts << QStringLiteral("%1 improperly formatted line(s)").arg(t.BadLines);
    QString text = parts.join(QStringLiteral(", "));
    if (!m_over)
        text = QStringLiteral("Checking… ") + text;
    else if (m_cancelled)
        text += QStringLiteral("; cancelled");
    else if (!m_verify->Problem().isEmpty())
        text = m_verify->Problem() + ' ' + text;
    else if (t.Failed + t.Missing + t.Unreadable == 0 && t.BadLines == 0)
        text += QStringLiteral(": all files are as listed");
    Totals->setText(text);
}

void TfChecksumReport::reject()
{
    if (!m_over) {
        // The rows so far stay; the check ends at its next block.
        m_cancelled = true;
        m_verify->Cancel();
        m_over = true;
        m_timer.stop();
        Tick();
        ButtonCancel->setText(QStringLiteral("Close"));
        return;
    }
    QDialog::reject();
}
