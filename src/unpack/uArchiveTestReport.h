#pragma once
// TfArchiveTestReport: the window after "Test archives": a row per archive, OK or
// damaged, with a row below it for each damaged member (or encrypted one that was not
// read) and why. Deletes itself when closed.

#include "unpack/Unpack.h"

#include <QDialog>

class QLabel;
class QTreeWidget;

class TfArchiveTestReport final : public QDialog
{
    Q_OBJECT
public:
    TfArchiveTestReport(QWidget* parent, const std::vector<TArchiveTest>& tests);

    // "2 OK, 1 damaged" (and "cancelled" when it was), as shown.
    QString Summary() const { return m_summary; }

    QTreeWidget* Rows{nullptr};
    QLabel* Totals{nullptr};

private:
    QString m_summary;
};
