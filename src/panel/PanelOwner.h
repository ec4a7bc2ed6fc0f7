#pragma once
// TPanelOwner: what a panel's read needs from the window that holds it. The panel starts,
// waits for, lands, restarts and cancels its own reads, asking the place it goes to for
// the rows; the window supplies that place (it knows the remote places and the search
// results shown), whether a finished read may land now (not while a command runs), and
// what follows a landing (the watch on the new place, the column widths). A tab shown again or a
// step through the history asks it for the window's parts that follow the panel's place and
// settings, and for the places it opens itself (an archive, a folder as a double click would).

#include "fileops/uProgress.h"
#include "panel/PanelRead.h"

#include <functional>
#include <memory>

class TFilePanel;

class TPanelOwner
{
public:
    // False while the rows of a finished background read must wait (LandIfDone then).
    virtual bool MayLand() const = 0;
    // The settings both panels read with; the panel adds its own order.
    virtual TPanelReadOptions ReadOptions() const = 0;
    // The place the panel's Directory is, for its read to list; `then` extended with
    // what the window does once that place's rows are in (the caption of search results).
    virtual std::unique_ptr<places::TPlace> PlaceToRead(TFilePanel& panel,
                                                        std::function<void()>& then) = 0;
    // The panel's new rows are in (`widened`: the Size column grew).
    virtual void Arrived(TFilePanel& panel, bool widened) = 0;
    // The window's parts that follow the panel's place: the drive list, the free space.
    virtual void ShowPlace(TFilePanel& panel) = 0;
    // The window's parts that follow the panel's settings: the sort arrow, the menus.
    virtual void ShowSettings(TFilePanel& panel) = 0;
    // Opens the archive at `row` of the panel, showing `member` in it.
    virtual void OpenArchiveAt(TFilePanel& panel, int row, const QString& member) = 0;
    // Reads the panel's Directory as a double click on it would, then calls `after`.
    virtual void OpenPlace(TFilePanel& panel, const std::function<void()>& after) = 0;
    // Reads the panel's folder again, its cursor and marks kept.
    virtual void Reread(TFilePanel& panel) = 0;
    // Whether a change another program made may be read in now: not inside a command, a
    // dialog, a read or an edit in place. Reading it in: the folder again (the changed
    // entries say so), or the archive shown (false: its file is gone).
    virtual bool MayRereadChange(const TFilePanel& panel) const = 0;
    virtual void RereadChange(TFilePanel& panel) = 0;
    virtual bool ReloadShownArchive(TFilePanel& panel) = 0;

protected:
    ~TPanelOwner() = default;
};
