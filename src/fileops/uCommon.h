#pragma once
// Text and directory functions shared by several windows: the positional wildcard
// rename mask, character replacement, blank removal and directory-tree sizes.
// Plain functions without state; none reports errors.

#include "platform/FileOpsProgress.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

// The text WildChange returns when it refuses a mask; callers compare with it and
// skip the file on equality.
inline constexpr char kWildChangeError[] = "Wild Change Error";

// The new name of `name` under the DOS-style rename `mask`: mask position i is paired
// with name position i; "?" copies the name's character there, "*" copies the rest of
// the name part (or, once past the name's first dot, its whole extension), any other
// mask character is copied as it is. A name without a dot is treated as ending in ".".
// A mask whose first "*" is neither its last character nor followed by "." is refused
// (kWildChangeError). Positions past the end of the name hold nothing: "?" copies
// nothing there. An empty mask gives an empty name.
// Cost: O(length of mask + length of name).
QString WildChange(const QString& name, const QString& mask);

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
