#pragma once
// An edited archive member whose put-back has not ended: a marker in the private folder of
// its copy names the archive and the member until the put-back is done. A run killed
// meanwhile leaves the marker, so the next start's sweep keeps that folder, and the start
// saves the edited text beside the archive (RescuePendingPutBack).

#include <QString>

namespace platform
{

// Marks the private folder that holds `copy` as holding the edited text of `member` of
// `archive`; a copy outside a private folder is not marked. Kept until cleared.
void MarkPendingPutBack(const QString& copy, const QString& archive, const QString& member);
void ClearPendingPutBack(const QString& copy);

// Whether `folder` holds such a marker.
bool HoldsPendingPutBack(const QString& folder);

// For a private folder of an ended run that holds a marker: writes the edited copy beside
// the archive under a name no file has ("notes (not put back).txt", then "… 2" and so on),
// never replacing one, and removes the folder once that file holds the copy's bytes.
// Returns what happened, in a sentence: where the text went, or where it stays.
QString RescuePendingPutBack(const QString& folder);

} // namespace platform
