#pragma once
// The results of a file search shown in a panel ("Feed to panel"): a listing captioned
// "Search results" whose names are the results' paths relative to the searched folder,
// which is the listing's Directory; so every command that joins Directory and a name
// reaches the real file. A re-read keeps the results still there; ".." leads back.

#include <QString>
#include <QStringList>

struct TFedResults {
    QString Root;      // the searched folder, ending in "/"
    QString Before;    // the location the panel showed before, where ".." leads
    QStringList Names; // the results, relative to Root, in the order found
};
