#pragma once
// TReadOnlyArchive: the component of a panel that shows an archive of a format other
// than ZIP (tar and its compressed forms, cpio, 7z, ISO 9660, RAR, AR, single compressed
// files). It lists and extracts through ARCHIVELIB and never changes the archive.
// Member names pass through the file-name codec, so every name maps back to its bytes.
//
// Threads: any one thread at a time; every call blocks until the archive is read. The
// panels open and extract on a worker thread behind the progress window.

#include "listing/FileListing.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace platform
{
class TFileOpsProgress;
}

// Whether `name` ends in an extension of the formats read here (".tar", ".tar.gz",
// ".tgz", ".7z", ".iso", ".deb", ...), with something before it. The content decides
// what a file is; the name only tells what to say when the formats cannot be loaded.
bool HasArchiveExtension(const QString& name);

class TReadOnlyArchive final
{
public:
    // Reads the members of `path`. False, the component unchanged, when the file is no
    // archive of a supported format. A damaged or encrypted archive raises
    // platform::EError with the reason, and leaves the component unchanged too; so does
    // a file with an archive's extension when the archive module cannot be loaded.
    // The cancel flag of `progress` (may be null) stops the reading within a block of the
    // file; the component is then unchanged and EError raised.
    bool Open(const QString& path, const platform::TFileOpsProgress* progress = nullptr);
    void Close();
    bool IsOpen() const { return !m_path.isEmpty(); }
    QString FileName() const { return m_path; }

    // The members as the panels list them: folders end in "/"; sizes and local dates.
    std::vector<TArchiveMember> Members() const;

    // Writes the named members (as Members() names them) into `folder`, each under the
    // last part of its name, never over an existing file nor outside `folder`. Returns
    // one line per member that was not written, and why; `written` counts the files.
    // A name the archive holds more than once is refused, never answered by one of them.
    // `progress` (may be null) counts the bytes and files written, and its cancel stops
    // the extraction within 64 KiB of data: the file being written goes, no further
    // member is started, and the members not reached get no line.
    QStringList Extract(const QStringList& names, const QString& folder, int& written,
                        platform::TFileOpsProgress* progress = nullptr) const;

    // The message that refuses every change to the archive.
    QString ReadOnlyText() const;

private:
    QString m_path;
    std::vector<TArchiveMember> m_members;
};
