#pragma once
// What the synchronise tests read back from real folders.

#include <QString>
#include <QStringList>

// `diff -rq` of the two folders, one line per difference, with the roots cut to L and R.
QStringList Diff(const QString& left, const QString& right);
// Every entry below `folder`, hidden ones included, sorted.
QStringList Entries(const QString& folder);
