#pragma once
// Where the files of a checksum command lie: the local disk, or a place reached through
// another layer (a remote folder). Paths are what the source names them by; every call
// runs on the working thread and blocks.

#include "checks/Digest.h"
#include "platform/FileOpsProgress.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

// A file to hash, by its path relative to the command's folder ("sub/name").
struct TListedFile {
    QString Relative;
    qint64 Size{0};
};

class TChecksumSource
{
public:
    virtual ~TChecksumSource() = default;
    // The files of the entry `item` of `folder`: the file itself, or a folder's files
    // below it in name order. What is no file is named in `problems`.
    virtual void List(const QString& folder, const QString& item, std::vector<TListedFile>& files,
                      QStringList& problems) = 0;
    // The path of `relative` ("sub/name", or an absolute path as it is) in `folder`.
    virtual QString Join(const QString& folder, const QString& relative) = 0;
    // The folder the file `path` is in.
    virtual QString FolderOf(const QString& path) = 0;
    // The file's size; -1 when it is not known.
    virtual qint64 Size(const QString& path) = 0;
    // The whole of a file of at most `limit` bytes; false when it cannot be read or is larger.
    virtual bool ReadSmall(const QString& path, qint64 limit, QByteArray& bytes) = 0;
    // Blocks are counted into `progress`, whose cancel stops the read (Cancelled).
    virtual TFileDigest Digest(const QString& path, TDigestKind kind,
                               platform::TFileOpsProgress& progress) = 0;
};

// The local disk.
std::shared_ptr<TChecksumSource> LocalChecksumSource();
