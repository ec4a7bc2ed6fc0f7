#pragma once
// The results of a file search shown in a panel ("Feed to panel"): a listing captioned
// "Search results" whose names are the results' paths relative to the searched folder,
// which is the listing's Directory; so every command that joins Directory and a name
// reaches the real file. Members of archives are rows too, named by the archive's
// relative path and the member's name ("pack.zip/docs/a.txt"), of Kind fkZipMember:
// no file lies at such a path, and the commands that change files refuse them.
// A re-read keeps the results still there; ".." leads back.

#include <QHash>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// Where a panel was: a folder (or "Drives"), or an archive in a folder, and the name
// under the cursor (a member's full stored name in an archive).
struct TPanelPlace {
    QString Folder;  // ending in "/", or "Drives"
    QString Archive; // the archive's name in Folder, when the panel showed one
    QString Cursor;
};

// A member of an archive among the results.
struct TFedMember {
    QString Archive; // the archive's path relative to the searched folder
    QString Member;  // its stored name in the archive
    qint64 Size{0};
    double DateTime{0};
};

struct TFedResults {
    QString Root;      // the searched folder, ending in "/"
    TPanelPlace Before; // where ".." leads: where the panel was before the first results
    QStringList Names; // the results, relative to Root, in the order found
    QHash<QString, TFedMember> Members; // the rows of Names that are archive members
    // Results from a remote place (Root its folder's URI): each row's URI by its name,
    // the path relative to Root as a user reads it.
    QHash<QString, QString> Remote;
};
