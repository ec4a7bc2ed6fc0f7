#pragma once
// The tabs of one panel: each keeps what the panel shows when it is the tab shown (its
// place, options, cursor, marks, scroll and history) and, while hidden, the listing it
// showed with the stamp of its folder, so that showing it again needs no read while the
// folder is unchanged. There is always one tab at least; one of them is shown.

#include "listing/FileListing.h"
#include "panel/FedResults.h"
#include "panel/PanelHistory.h"
#include "platform/FileSystem.h"

#include <QPoint>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

struct TTabState {
    TPanelPlace Place;     // folder (or "Drives"), archive in it, the cursor's entry
    QString ArchiveFolder; // the folder shown inside the archive ("" the top)
    QString Mask{QStringLiteral("*.*")};
    quint8 SortOrder{soName};
    bool Ascending{true};
    quint8 ViewStyle{3};
    int CursorRow{-1};
    QStringList Marks;
    QPoint Scroll;
    bool Locked{false};
    TPanelHistory History;
    std::shared_ptr<TFedResults> Fed; // search results it shows, if any
    // Kept while hidden: the folder's listing, read with these options, and the stamp
    // of the folder it was read from; none for archives, results and the drive list.
    std::unique_ptr<TFileListing> Listing;
    platform::TDirectoryStamp Stamp;
    bool Stamped{false};
    bool Hidden{true}, Natural{false};
    bool Stale{false}; // a change was seen while it was shown, not yet read
    // Shown at least once in this run; a tab remembered from the last run is not, and
    // its place is looked at only when it is first shown.
    bool Visited{true};
};

class TPanelTabs
{
public:
    TPanelTabs() { m_tabs.push_back(std::make_unique<TTabState>()); }

    int Count() const { return int(m_tabs.size()); }
    int Shown() const { return m_shown; }
    TTabState& Tab(int index) { return *m_tabs[size_t(index)]; }
    const TTabState& Tab(int index) const { return *m_tabs[size_t(index)]; }
    TTabState& ShownTab() { return Tab(m_shown); }

    // Puts `tab` right after the shown one and returns its index; the shown tab stays.
    int Open(std::unique_ptr<TTabState> tab);
    // Closes the tab at `index`, never the last one (false). Closing the shown tab
    // shows the one after it, else the one before.
    bool Close(int index);
    // Moves a tab; the shown one stays shown wherever it goes.
    void Move(int from, int to);
    void Show(int index);
    // The tab `step` places from the shown one, round the ends.
    int Neighbour(int step) const;
    // Replaces all tabs (at least one) and which is shown.
    void Reset(std::vector<std::unique_ptr<TTabState>> tabs, int shown);

    // What a tab's label says: the folder's name ("/" for the root), the archive's name
    // inside an archive, "Search results" for fed results, "Drives" for the drive list.
    static QString Title(const TTabState& tab);

private:
    std::vector<std::unique_ptr<TTabState>> m_tabs;
    int m_shown{0};
};
