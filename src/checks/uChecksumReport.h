#pragma once
// TfChecksumReport: the non-modal window of one "Verify checksums": a row per listed
// file (OK, FAILED, missing, unreadable) as the check reaches it, a bar, the totals, and
// Cancel, which becomes Close when the check is over. A 100 ms timer reads the check's
// shared record, so the window never waits for it. Closing the window cancels the check.

#include "checks/ChecksumVerify.h"

#include <QDialog>
#include <QTimer>
#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;

class TfChecksumReport final : public QDialog
{
    Q_OBJECT
public:
    // Starts checking `checksumFile` at once. The window deletes itself when closed.
    TfChecksumReport(QWidget* parent, const QString& checksumFile,
                     std::shared_ptr<TChecksumSource> source = nullptr);
    ~TfChecksumReport() override;

    bool Checking() const { return bool(m_verify) && !m_over; }
    // The check's thread has returned (after a cancel it may run on until its next block).
    bool WorkDone() const { return m_verify->Finished(); }
    // "3 OK, 1 FAILED, 1 missing" and the like, as shown.
    QString Summary() const;

    QTreeWidget* Rows{nullptr};
    QLabel* Totals{nullptr};
    QProgressBar* Bar{nullptr};
    QPushButton* ButtonCancel{nullptr};

    // Escape and Cancel stop a check under way (its rows stay); once over they close.
    void reject() override;

private:
    void Tick();
    void ShowTotals();

    std::unique_ptr<TChecksumVerify> m_verify;
    QTimer m_timer;
    bool m_over{false};
    bool m_cancelled{false};
};
