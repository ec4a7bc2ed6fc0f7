#include "unpack/uArchiveTestReport.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

TfArchiveTestReport::TfArchiveTestReport(QWidget* parent, const std::vector<TArchiveTest>& tests)
    : QDialog(parent)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Test archives"));
    auto* layout = new QVBoxLayout(this);
    Rows = new QTreeWidget(this);
    Rows->setHeaderLabels({QStringLiteral("Archive / member"), QStringLiteral("Result")});
    Rows->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    layout->addWidget(Rows);
    int ok = 0, damaged = 0;
    bool cancelled = false;
    for (const TArchiveTest& test : tests) {
        auto* row = new QTreeWidgetItem(Rows);
        row->setText(0, test.Archive.section('/', -1));
        row->setToolTip(0, test.Archive);
        const QString members = QStringLiteral("%1 member(s)").arg(test.Members);
        if (test.Cancelled)
            row->setText(1, QStringLiteral("cancelled"));
        else if (test.Ok())
            row->setText(1, QStringLiteral("OK, ") + members);
        else
            row->setText(1, QStringLiteral("DAMAGED, ") + members);
        for (const QString& problem : test.Problems) {
            auto* line = new QTreeWidgetItem(row);
            const int colon = problem.indexOf(QStringLiteral(": "));
            line->setText(0, problem.left(colon));
            line->setText(1, problem.mid(colon + 2));
        }
        row->setExpanded(true);
        cancelled = cancelled || test.Cancelled;
        ok += test.Ok() ? 1 : 0;
        damaged += !test.Ok() && !test.Cancelled ? 1 : 0;
    }
    m_summary = QStringLiteral("%1 OK, %2 damaged").arg(ok).arg(damaged);
    if (cancelled)
        m_summary += QStringLiteral(", cancelled");
    Totals = new QLabel(m_summary, this);
    layout->addWidget(Totals);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(640, 360);
}
