#pragma once
// An archive shown in a panel as the source side of a comparison of folders. Its members
// at and below the folder the panel shows become the scan records the comparison uses
// (size and date; no device or inode), and a copy out of it extracts the member, or a
// folder's members, beside the target, checks each file against the archive's directory
// (size, and CRC-32 where the archive gives one) and only then puts it in place as a copy
// between folders is put. Nothing is ever written into the archive or deleted from it.
// No widgets.

#include "listing/ArchiveFolders.h"
#include "listing/FileListing.h"
#include "platform/FileOpsProgress.h"
#include "platform/FileOpsSupport.h"
#include "platform/FileOpsSync.h"
#include "platform/FolderScan.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

struct TArchiveSide {
    QString Shown;  // the archive and the folder shown in it, for the window and messages
    QString Folder; // the folder shown inside it: "" the top, else "sub/deeper/"
    std::vector<TArchiveMember> Members; // as the archive's directory lists them
    bool HasCrc{false};                  // Members carry the CRC-32 of their data
    bool Left{true};                     // the archive is the left side of the comparison
    // Writes the members `names` (stored names) into the existing folder `folder`, each
    // under the last part of its name and never over anything; one line per member not
    // written. Runs on the synchronisation's worker; `progress` counts the bytes written
    // and its cancel stops the extraction.
    std::function<QStringList(const QStringList& names, const QString& folder,
                              platform::TFileOpsProgress& progress)>
        Extract;
    // Called on the user-interface thread before a run; what it returns is kept until the
    // run has ended (the ZIP library loaded there, so the worker never has to load it).
    std::function<std::shared_ptr<void>()> Hold;
};

// The members at and below the folder shown as a scan, each folder before what it holds:
// with `subfolders` everything below it, else its own entries only. Names that are no
// plain path (an empty, "." or ".." part, a leading "/") and names the archive holds more
// than once are left out: no copy could name them safely. A folder the archive does not
// hold gives the error ENOENT. `from` (may be null) takes each entry's origin: a file's
// stored name, a folder's path in the archive ending in "/".
platform::TFolderScan ScanArchive(const TArchiveSide& archive, bool subfolders,
                                  QHash<QByteArray, QString>* from = nullptr);

// Copies entries out of one archive for a synchronisation, on its worker.
class TArchiveCopier final
{
public:
    explicit TArchiveCopier(const TArchiveSide& archive);

    // Copies the entry `relPath` of the scan (a file, or a folder with everything below
    // it) to the same relative path below `toRoot`; `to` is the target as read, or null
    // where it had none (the name must still be free). With `useTrash` a replaced entry
    // goes to the trash. A cancel or a failure leaves nothing behind.
    platform::TSyncStep Copy(const QString& toRoot, const QByteArray& relPath,
                             const platform::TSeenEntry* to, bool useTrash,
                             platform::TFileOpsReport& report,
                             platform::TFileOpsProgress& progress) const;

private:
    // Extracts the files `names` into the staging folder's `inner` ("" or ending in "/")
    // and checks each one; false, reported, when one is not whole.
    bool ExtractChecked(const QStringList& names, const QByteArray& inner,
                        platform::TSyncStaging& staging, const QString& shown,
                        platform::TFileOpsReport& report,
                        platform::TFileOpsProgress& progress) const;
    // Makes `inner` in the staging folder and fills it with the archive folder `folder`.
    bool FillFolder(const QString& folder, const QByteArray& inner, platform::TSyncStaging& staging,
                    const QString& shown, platform::TFileOpsReport& report,
                    platform::TFileOpsProgress& progress) const;
    bool Copyable(const QString& name) const;

    const TArchiveSide& m_archive;
    TArchiveFolders m_index;
    QHash<QByteArray, QString> m_from;
    QHash<QString, const TArchiveMember*> m_byName;
    QSet<QString> m_repeated;
};
