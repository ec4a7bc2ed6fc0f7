#pragma once
// What the file commands need of the main window: the two panels' state, their lists
// and archive components, and the ways a panel is shown again after a change.
// Panels are numbered 0 (left) and 1 (right).

#include "listing/FileListing.h"

#include <QString>

class TVirtualListView;
class TZipArchive;

class TPanelHost
{
public:
    virtual ~TPanelHost() = default;

    // The panel that commands act on (0 or 1); the other one is the target.
    virtual int ActiveIndex() const = 0;
    virtual TFileListing& PanelListing(int panel) = 0;
    // The panel's location: a directory ending in "/", or "Drives". While a panel
    // shows an archive, its location is the directory that holds the archive.
    virtual QString PanelDirectory(int panel) const = 0;
    virtual TVirtualListView& PanelFiles(int panel) = 0;
    virtual TZipArchive& PanelZip(int panel) = 0;
    virtual bool RecycleBinInUse() const = 0;
    // Adds a line to the one message shown when the current command is over: an item
    // the command did not do, and why.
    virtual void Report(const QString& line) = 0;

    // Full refresh from the panel's directory; the panel becomes the active one.
    virtual void RefreshFromDisk(int panel) = 0;
    // Refills the panel's listing from its archive component (focus unchanged).
    virtual void RefreshFromArchive(int panel) = 0;
    // Re-reads and re-sorts the panel's listing and gives the list its new row count;
    // caption, status lines and focus stay as they were.
    virtual void RefillListing(int panel) = 0;
    // Shows `directory` in the panel again (leaving an archive it showed), keeping the
    // focused and selected rows whose names are still listed; caption, drive list, free
    // space and totals follow. The keyboard focus and the active panel stay.
    virtual void RereadKeepingRows(int panel, const QString& directory) = 0;
};
