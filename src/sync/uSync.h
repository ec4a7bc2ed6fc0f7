#pragma once
// TfSync: the non-modal window of "Synchronise folders". It names both folders (which is
// the active panel's), compares them on a thread of its own (a 100 ms timer reads the
// comparison's record: the window never waits), and lists one row per entry that differs
// or is equal, with filters per state. Each row has an action: copy →, copy ←, delete (on
// the side that has it) or leave, set for the selected rows by the buttons or the keys
// (">" or "→" copy right, "<" or "←" copy left, Delete, "=" leave) or stepped by a click
// on the action cell. Before anything runs the window shows what will change (entries,
// files, bytes, replacements, deletes); Synchronise carries it out behind the progress
// window, then compares again. One side may be an archive (the source only): nothing is
// offered that would write into it or delete from it; by content only where it gives
// its members' CRC-32.

#include "sync/SyncCompare.h"
#include "sync/SyncRun.h"
#include "sync/SyncSession.h"

#include <QDialog>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class TfSync final : public QDialog
{
    Q_OBJECT
public:
    // Compares `left` and `right` (full paths of folders) at once; `leftActive` says
    // which panel the user was in. With `useTrash`, what is replaced or deleted goes to
    // the trash. The window deletes itself when closed.
    // With `archive`, its side is that archive (its path there only names it); with
    // `remote`, its side is that remote folder (its path there only names it).
    TfSync(QWidget* parent, const QString& left, const QString& right, bool leftActive,
           bool useTrash, std::shared_ptr<const TArchiveSide> archive = nullptr,
           std::shared_ptr<const TRemoteSyncSide> remote = nullptr);
    ~TfSync() override;

    // Called after a run, with what it did, so the panels can be read again.
    std::function<void(const TSyncOutcome&)> OnSynchronised;

    bool Comparing() const { return bool(m_comparison); }
    const std::vector<TSyncRow>& Rows() const { return m_rows; }
    // "→ 3 entries (4 files, 21 bytes) …", as shown.
    QString PlanText() const;
    QString Status() const;

    QCheckBox* CheckSubfolders{nullptr};
    QCheckBox* CheckIgnoreDates{nullptr};
    QCheckBox* CheckByContent{nullptr};
    QCheckBox* ShowState[kSyncStates]{};
    QTreeWidget* List{nullptr};
    QPushButton* ButtonCompare{nullptr};
    QPushButton* ButtonSync{nullptr};
    QPushButton* ButtonAction[4]{}; // by TSyncAction

    // Starts a new comparison with the options as they are set.
    void Compare();
    // Sets `action` for the selected rows that allow it.
    void SetSelected(TSyncAction action);
    // Carries out the plan behind the progress window.
    void Synchronise();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Tick();
    void Fill();
    void ShowRow(QTreeWidgetItem* item, const TSyncRow& row) const;
    void ShowPlan();
    void ItemClicked(QTreeWidgetItem* item, int column);

    QString m_left, m_right;
    bool m_useTrash;
    std::shared_ptr<const TArchiveSide> m_archive;
    std::shared_ptr<const TRemoteSyncSide> m_remote;
    std::unique_ptr<TSyncComparison> m_comparison;
    std::vector<TSyncRow> m_rows;
    QStringList m_problems;
    QString m_said; // what the last run did, shown until the next comparison by hand
    QTimer m_timer;
    QLabel* m_plan{nullptr};
    QLabel* m_status{nullptr};
};
