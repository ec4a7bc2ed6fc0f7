#pragma once
// Checking the files a checksum file lists, as "sha256sum -c" judges them, on a thread of
// its own that nobody waits for: the window reads what it found so far and never waits.
// No widgets.

#include "checks/ChecksumFile.h"
#include "checks/ChecksumSource.h"
#include "platform/FileOpsProgress.h"

#include <QString>
#include <memory>
#include <vector>

enum class TCheckResult { Ok, Failed, Missing, Unreadable };

struct TCheckRow {
    QString Name; // as listed, for display
    TCheckResult Result{TCheckResult::Ok};
};

struct TCheckTotals {
    int Ok{0}, Failed{0}, Missing{0}, Unreadable{0};
    int BadLines{0}; // lines that are no checksum line
};

class TChecksumVerify final
{
public:
    // Starts at once. Names are taken relative to the checksum file's folder (absolute
    // ones as they are); the algorithm comes from the file's name, else from the length
    // of its first digest, or per line from a BSD-style tag.
    // The files are those of `source`; null: the local disk.
    explicit TChecksumVerify(const QString& checksumFile,
                             std::shared_ptr<TChecksumSource> source = nullptr);
    // Cancels and abandons the work, which ends on its own.
    ~TChecksumVerify();
    TChecksumVerify(const TChecksumVerify&) = delete;
    TChecksumVerify& operator=(const TChecksumVerify&) = delete;

    void Cancel();
    bool Finished() const;
    // The rows checked since the last call, in the file's order.
    std::vector<TCheckRow> TakeRows();
    TCheckTotals Totals() const;
    // Why the checksum file itself could not be read or holds no checksum line; empty
    // otherwise. Set once Finished.
    QString Problem() const;
    const platform::TFileOpsProgress& Progress() const;

private:
    struct TShared;
    std::shared_ptr<TShared> m_shared;
};
