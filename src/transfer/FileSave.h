#pragma once
// Saving a whole file's bytes under its name, as the text editor does, so that the name
// never holds part of a file, whenever the program is stopped (killed included), except
// where the file must be written in place (below).
//
// A file being written takes a hidden temporary name in its folder (FileOpsParts.h) and
// gets its real name only when its data is written and synced. Before writing, the
// folder's left-overs of ended processes that belong to this user are removed; never
// anyone else's, nor those of a running process.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace platform
{

// What stands at a path a save would write to.
struct TSaveTarget {
    enum class TKind { Missing, File, Link, Other };
    TKind Kind{TKind::Missing};
    QString LinkTarget;     // Link: where it points, as the link holds it
    bool LinkToFile{false}; // Link: it leads to an existing regular file
};

// Looks at `path` without following a link there.
TSaveTarget InspectSaveTarget(const QString& path);

// What a save does with a link at its path.
enum class TLinkRule {
    FollowToFile, // writes the regular file it leads to; a link that leads nowhere fails
    ReplaceLink,  // replaces the link itself with the file
};

// Writes `bytes` as the file `path` and returns 0, or the errno of the failure (nothing
// changed then, see the in-place case):
// - no entry there: the file is written under its part name and renamed to `path`
//   without replacing (a name taken meanwhile fails with EEXIST);
// - a regular file of this user with one name: replaced at once by a file written the
//   same way, with its mode and group; EACCES when the user may not write the file
//   (as for an in-place write);
// - a regular file with more than one name (hard links), of another owner, or whose
//   group or folder does not allow the replacement: written in place, so every name, the
//   owner and the mode stay. The whole new text is first written and flushed to a copy
//   "NAME.saved-XXXXXX" beside the file (in the temporary folder where the folder takes
//   no new file). What the old size cannot hold is written next and the file cut back
//   when it does not fit, so a full disk leaves the old data whole; then the rest is
//   written over the old data and the file cut to its new size. The copy goes once the
//   file holds the new text, or when the old data was never reached; when writing over
//   the old data fails, or the program is killed meanwhile, the copy stays and
//   `keptCopy` (may be null) receives its path (KeptSaveCopies finds it later);
// - a link: as `links` says; a save never creates a file through a link (ENOENT);
// - anything else (a folder, a device): EISDIR or EINVAL, nothing written.
// The test hook's TFileOpsStep::SaveDataWritten is asked once the data is written and
// before it takes the name (in place: once the new size is known to fit), and in place
// TFileOpsStep::SaveInPlace before the old data is written over.
int SaveFile(const QString& path, const QByteArray& bytes,
             TLinkRule links = TLinkRule::FollowToFile, QString* keptCopy = nullptr);

// The copies "NAME.saved-XXXXXX" that saves in place of the file `path` left beside it
// (or in the temporary folder) when they were interrupted: this user's regular files,
// full paths, in name order.
QStringList KeptSaveCopies(const QString& path);

// Whether this user may replace the file at `path` with another (write it, and write
// in its folder).
bool CanReplaceFile(const QString& path);

} // namespace platform
