#pragma once
// Text and directory functions shared by several windows: the positional wildcard
// rename mask, character replacement, blank removal and directory-tree sizes.
// Plain functions without state; none reports errors.

#include "platform/FileOpsProgress.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

// The new name of `name` under the rename `mask`, and whether the mask fits it. A mask
// with a dot is split at its last dot, the name as the panels show it (NameStem |
// NameExtension: "multi.dot.name.v2.final" | "txt", ".hidden" whole); each part of the
// mask makes the same part of the name. A mask without a dot makes the whole name. In a
// part, mask position i is paired with the name part's position i: "?" copies the
// character there (nothing past the part's end), "*" copies the rest of the part from
// there on (in the extension at most 255 characters), any other character is itself.
// The dot is left out when the new extension is empty and the mask's is empty ("*."
// drops the extension) or holds only wildcards for a name without one ("*.*" keeps
// "README" as it is).
struct TMaskedName {
    QString Name;    // what the mask makes of the name, also when it refuses
    QString Refusal; // why the mask does not fit the name; empty when it fits
};
// Refused: a "*" or "?" after a "*" in the same part (it stands for nothing and would
// stay in the name), an empty name, "." or "..", a name holding "/".
// Cost: O(length of mask + length of name).
TMaskedName ApplyRenameMask(const QString& name, const QString& mask);
// The name alone.
inline QString WildChange(const QString& name, const QString& mask)
{
    return ApplyRenameMask(name, mask).Name;
}

// `text` with every `from` replaced by `to`.
QString ReplaceChar(const QString& text, QChar from, QChar to);

// `text` without its blanks (character 32); tabs and other white space stay.
QString StripSpaces(const QString& text);

// The smaller of two integers.
int Min(int a, int b);

// Sum of the sizes a directory search reports for the entries directly in `path`
// (subdirectories report 0). Names beginning with "." are skipped. A directory that
// cannot be read gives 0. Cost: one directory search.
qint64 DirectoryFilesSize(const QString& path);

// Appends to `list` the full path (no trailing "/") of every subdirectory of `path`
// whose name does not begin with ".". Symbolic links to directories are not listed,
// so a walk built on this never enters a loop of links. Always returns true.
bool AddSubdirectories(QStringList& list, const QString& path);

// Total size of the files in `path` and every directory below it, walked breadth
// first; names beginning with "." are skipped at every level (nothing below such a
// directory counts), and symbolic links to directories are not followed. Unreadable
// directories count 0. Blocks until the whole tree is walked, or gives -1 once
// `progress` (may be null) is cancelled; it counts the bytes found. Any thread.
qint64 DirectoryTreeSize(const QString& path, platform::TFileOpsProgress* progress = nullptr);
