#pragma once
// The target of a copy or move as the user typed it in the copy dialog (F5, F6, Shift+F6),
// turned into a folder to copy into and, for a single item, the name it takes there; and
// what the dialog says is copied. Looks at the disk; changes nothing, except
// MakeTargetFolder.

#include <QString>

// "1 file", "3 files and 1 folder", "2 folders": the counts that are not zero.
QString CountedItems(int files, int folders);

struct TCopyTarget {
    enum TKind { Invalid, Into, AsName };
    TKind Kind{Invalid};
    QString Folder;     // Into, AsName: absolute, ending in "/"
    QString Name;       // AsName: the one item's new name in Folder
    bool Create{false}; // Folder does not exist yet: it is made (after asking) first
    QString Why;        // Invalid: why, in words for the user
};

// Resolves `typed`: a folder path or a new name, absolute, relative to `base` (a folder
// ending in "/"), starting with "~" (`home`) or a "file://" URI.
// - An existing folder (links followed): the items go into it.
// - With `mayRename` (one item of a folder), a path ending in a name that is no folder:
//   the item takes that name in the folder before it (a taken name is handled as the
//   item's own taken name would be).
// - Any other path: a folder, made when it does not exist yet (Create); a path ending in
//   "/" always names one.
// Invalid, with why, when nothing is typed, the URI is no local file, a name holds NUL,
// or a file stands where a folder of the path should be.
TCopyTarget ResolveCopyTarget(const QString& typed, const QString& base, const QString& home,
                              bool mayRename);

// Makes `folder` (absolute) with every missing level above it, through the platform
// layer. Empty when it exists afterwards, else why not.
QString MakeTargetFolder(const QString& folder);

// The text `edited` a user made of `raw` shown as platform::DisplayName shows it (bytes
// that are not UTF-8 as U+FFFD): what is left as it was at the start and at the end keeps
// the original characters, so such bytes stay bytes and are never written as the
// replacement character they show as. Only the part between is the user's new text.
QString UnshownText(const QString& raw, const QString& edited);
