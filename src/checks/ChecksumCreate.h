#pragma once
// Hashing the files a checksum file is made for. No widgets: the main window asks for the
// names and the replacement of taken names, and writes the texts made here (each under a
// temporary name, renamed into place when whole: platform::SaveFile).

#include "checks/ChecksumSource.h"
#include "checks/Digest.h"
#include "platform/FileOpsProgress.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

struct TChecksumRequest {
    QString Folder;    // the folder the names are in, ending in "/"
    QStringList Items; // marked names of that folder: files, and folders with everything below
    TDigestKind Kind{TDigestKind::Sha256};
    bool OnePerFile{false}; // "NAME.sha256" beside each file, else one file for all
    QString TargetName;     // one file for all: its name in Folder
};

// One checksum file to write: its full path and whole text.
struct TChecksumTarget {
    QString Path;
    QByteArray Text;
    int Files{0};
    QString Relative; // its path relative to the request's folder
};

struct TChecksumPlan {
    std::vector<TChecksumTarget> Targets;
    QStringList Problems; // files left out, and why
    bool Cancelled{false};
};

// The default name of one checksum file for all of `items` in `folder`: the item's name
// with the algorithm's extension for one item, else the folder's name ("CHECKSUMS" at the
// root).
QString DefaultChecksumName(const QString& folder, const QStringList& items, TDigestKind kind);

// Lists the files of the request (a folder's files by their paths relative to Folder,
// hidden ones included, in name order; links to folders and special files left out and
// named in Problems), counts them into `progress` and hashes them; one file for all
// leaves its own name out. Names in each text are relative to the checksum file's folder.
// On a cancel, Cancelled is set and there are no targets. Any thread. The files are
// those of `source`; null: the local disk.
TChecksumPlan HashForChecksums(const TChecksumRequest& request,
                               platform::TFileOpsProgress& progress,
                               TChecksumSource* source = nullptr);
