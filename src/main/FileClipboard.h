#pragma once
// Files on the desktop clipboard, as the desktop's file managers put them there and read
// them: `text/uri-list` (file:// URIs, percent-encoded, each line ended by CR LF),
// `x-special/gnome-copied-files` ("copy" or "cut", then one URI a line), KDE's
// `application/x-kde-cutselection` ("1" after a cut) and `text/plain` with the paths.
// No widgets and no clipboard: the caller hands the data over and takes it back.

#include <QString>
#include <QStringList>
#include <memory>

class QMimeData;

// The data a Copy (`cut` false) or Cut of the files `paths` (absolute, or URIs of a
// remote place) puts there.
std::unique_ptr<QMimeData> FilesToClipboard(const QStringList& paths, bool cut);

// Files named by what another program put on the clipboard.
struct TClipboardFiles {
    QStringList Paths; // absolute local paths, in the order given
    bool Cut{false};   // the files were cut: a paste moves them
    // Why nothing can be pasted ("" when Paths holds something).
    QString Refusal;
};

// Reads the GNOME list first (it carries the cut marker with the names), else the URI
// list with KDE's marker. URIs that are no local files refuse the whole paste.
TClipboardFiles FilesFromClipboard(const QMimeData* data);
