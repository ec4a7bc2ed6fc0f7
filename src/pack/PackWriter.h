#pragma once
// Writers of a new archive, member by member: ZIP through libzip (deflate, AES-256 on
// request), the tar family and 7z through libarchive. They write the file they are opened
// on and nothing else; the caller chose its (temporary) name. Any one thread.

#include "pack/PackFormat.h"
#include "platform/FileOpsProgress.h"
#include "transfer/PackFiles.h"

#include <QByteArray>
#include <QString>
#include <memory>

struct TPackAdd {
    enum class TKind { Added, Skipped, Failed, Cancelled };
    TKind Kind{TKind::Added};
    QString Problem; // Skipped and Failed: why
};

class TPackWriter
{
public:
    virtual ~TPackWriter() = default;
    // Empty, or why the archive cannot be written.
    virtual QString Open(const QString& path) = 0;
    // A folder, a link (as a link) or a file, read from `path`. A file that cannot be
    // opened is skipped; one that fails while its bytes are written fails the archive.
    virtual TPackAdd Add(const platform::TPackEntry& entry, const QString& path,
                         platform::TFileOpsProgress& progress) = 0;
    // Finishes the archive: empty, or why it failed; `cancelled` when the user stopped it.
    virtual QString Close(platform::TFileOpsProgress& progress, bool& cancelled) = 0;
    // Stops without finishing (the file holds no whole archive then).
    virtual void Abort() = 0;
};

// A writer for `format` at `level`; `password` (ZIP only) encrypts every member with
// AES-256 when not empty.
std::unique_ptr<TPackWriter> MakePackWriter(TPackFormat format, int level,
                                            const QByteArray& password);
