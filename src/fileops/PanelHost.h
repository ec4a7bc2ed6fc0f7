#pragma once
// What the file commands need of the main window: the two panels' state, their lists
// and archive components, and the ways a panel is shown again after a change.
// Panels are numbered 0 (left) and 1 (right).

#include "listing/FileListing.h"
#include "places/Place.h"

#include <QString>
#include <memory>

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
    // The place the panel shows (places/PlaceOf.h), made anew for each command.
    virtual std::unique_ptr<places::TPlace> PanelPlace(int panel) = 0;
    // The folder of its archive the panel shows ("sub/deeper/"); "" at the top, or when
    // it shows no archive.
    virtual QString PanelArchiveFolder(int panel) const
    {
        (void)panel;
        return {};
    }
    virtual bool RecycleBinInUse() const = 0;
    // Adds a line to the one message shown when the current command is over: an item
    // the command did not do, and why.
    virtual void Report(const QString& line) = 0;

    // Re-reads the panel's directory (leaving an archive it showed) and shows it again:
    // the cursor on `cursorName` when given and listed, else on the entry it stood on
    // (or the row where it stood), the scroll position kept, the marks dropped; caption,
    // drive list, free space and totals follow. The keyboard focus and the active panel
    // stay where they are.
    virtual void RefreshFromDisk(int panel, const QString& cursorName = {}) = 0;
    // Refills the panel's listing from its archive component, the same way: cursor and
    // scroll position kept, marks dropped, totals shown anew, focus unchanged.
    virtual void RefreshFromArchive(int panel) = 0;
    // Shows `directory` in the panel again (leaving an archive it showed), keeping the
    // focused and selected rows whose names are still listed; caption, drive list, free
    // space and totals follow. The keyboard focus and the active panel stay.
    virtual void RereadKeepingRows(int panel, const QString& directory) = 0;
};
