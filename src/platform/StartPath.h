#pragma once
// Places named from outside the program: a command-line argument or a place remembered
// from an earlier run, turned into a folder to show and, for a file, the name to put the
// cursor on. Looks at the disk; changes nothing.

#include <QString>

namespace platform
{

// Where a panel starts: a folder (absolute, ending in "/") and, when the place named a
// file, that file's name within it.
struct TStartPlace {
    QString Folder;
    QString Name;
    bool operator==(const TStartPlace&) const = default;
};

// Resolves `argument` as the user typed it or the desktop handed it: a path absolute or
// relative to `currentFolder`, one starting with "~" (the home folder), or a "file://" URI. A folder (links followed) gives that
// folder; any other existing entry gives its folder and its name. False when nothing
// exists there (or the URI is not a local file); `place` is then unchanged.
bool ResolveStartPath(const QString& argument, const QString& currentFolder, TStartPlace& place);

// Completes the last name of `typed` (a path as resolved above, not a URI) from the
// entries of its folder: to the longest start that all entries beginning with it share,
// with a "/" after a single folder. `typed` as it is when nothing matches.
QString CompletePath(const QString& typed, const QString& currentFolder);

// The nearest folder at or above `path` (absolute) that exists, ending in "/"; "/" at
// the latest.
QString NearestExistingFolder(const QString& path);

} // namespace platform
