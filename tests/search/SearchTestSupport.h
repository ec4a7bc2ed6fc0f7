#pragma once
// Running a whole search in a test, and what `find` says of the same tree.

#include "search/FileSearch.h"

#include <QProcess>
#include <QStringList>
#include <algorithm>

// Runs a search to its end on the calling thread; the full paths of its hits (an
// archive member as "archive path/member"), sorted.
inline QStringList SearchPaths(const TSearchOptions& options, QStringList* unreadable = nullptr)
{
    TSearchProgress progress;
    RunFileSearch(options, progress);
    QStringList paths;
    for (const TSearchHit& hit : progress.TakeHits())
        paths << (hit.Member.isEmpty() ? hit.Path() : hit.Path() + '/' + hit.Member);
    if (unreadable)
        *unreadable = progress.Unreadable();
    paths.sort();
    return paths;
}

// `find DIR -mindepth 1 ARGUMENTS...`, full paths sorted.
inline QStringList FindPaths(const QString& dir, const QStringList& arguments)
{
    QProcess find;
    find.start("find", QStringList{dir, "-mindepth", "1"} + arguments);
    find.waitForFinished(60000);
    QStringList paths =
        QString::fromUtf8(find.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    for (QString& path : paths)
        path.replace("//", "/");
    paths.sort();
    return paths;
}
