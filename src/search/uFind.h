#pragma once
// TfFind: the non-modal "Find files" window. The user gives masks, a folder, options
// and optionally a text; Return starts the search on a worker thread (TFileSearch),
// whose hits a 100 ms timer moves into the results list with the count and the folder
// being read on the status line. Stop or Escape ends the search keeping its hits (a
// worker that does not return at once, stuck in the file system, is abandoned);
// folders that could not be read are listed under the results at the end.
// What the results lead to (the panel, the viewer, the results as a listing) is the
// main window's: the window only calls OnGoTo, OnView and OnFeed.
//
// Threads: the user-interface thread; the search's own worker touches no widget.

#include "search/FileSearch.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QToolButton;
class QTreeView;
class TFindResultsModel;

class TfFind final : public QDialog
{
    Q_OBJECT

public:
    explicit TfFind(QWidget* parent = nullptr);
    ~TfFind() override;

    // Prepares the window for a new request: "In" becomes `folder` unless a search is
    // under way, and the focus goes to "Search for" with its text selected.
    void Prepare(const QString& folder);

    // Starts a search with what the fields say; a folder that is not there is said on
    // the status line and nothing starts. A search under way is replaced.
    void StartSearch();
    // Ends the search under way; its hits stay, and the rest arrive at the next tick.
    void StopSearch();
    bool Searching() const { return bool(m_search); }
    // The options the fields give.
    TSearchOptions Options() const;

    const std::vector<TSearchHit>& Hits() const;
    // The row of the results list that has the cursor, or -1.
    int CurrentRow() const;
    // The folder the shown results were searched from, ending in "/".
    QString SearchedFolder() const { return m_searched; }

    // Called with the hit at the cursor (Go to file, double click; View, F3) and with
    // every hit so far (Feed to panel).
    std::function<void(const TSearchHit& hit)> OnGoTo;
    std::function<void(const TSearchHit& hit)> OnView;
    std::function<void(const QString& folder, const std::vector<TSearchHit>& hits)> OnFeed;

    // The controls, for tests.
    QLineEdit* EditMask{nullptr};
    QLineEdit* EditFolder{nullptr};
    QToolButton* ButtonBrowse{nullptr};
    QCheckBox* CheckSubfolders{nullptr};
    QCheckBox* CheckFollowLinks{nullptr};
    QLineEdit* EditText{nullptr};
    QCheckBox* CheckMatchCase{nullptr};
    QCheckBox* CheckInsideArchives{nullptr};
    QSpinBox* SpinSizeLimit{nullptr}; // MB; 0: no limit
    QCheckBox* CheckSkipBinary{nullptr};
    QPushButton* ButtonStart{nullptr};
    QPushButton* ButtonStop{nullptr};
    QTreeView* Results{nullptr};
    QLabel* Status{nullptr};
    QPlainTextEdit* Unreadable{nullptr};
    QPushButton* ButtonGoTo{nullptr};
    QPushButton* ButtonView{nullptr};
    QPushButton* ButtonFeed{nullptr};

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QLayout* CreateFields();
    QLabel* BuddyLabel(const QString& text, QWidget* field);
    QLayout* CreateButtons();
    void Tick();
    void Finish();
    void ShowStatus();
    void BrowseFolder();
    void GoToCurrent();
    void ViewCurrent();

    TFindResultsModel* m_model{nullptr};
    std::unique_ptr<TFileSearch> m_search;
    QTimer m_tick;
    QElapsedTimer m_stopped; // since Stop, while the worker has not returned
    QString m_searched;
};
