#pragma once
// For its life, an archive component's library calls run on a worker thread behind the
// progress window titled `command`, counting into `progress` (see uProgress.h); `count`
// sets its totals meanwhile.
// User-interface thread only.

#include "fileops/uProgress.h"
#include "zip/ZipArchive.h"

class TLibraryWork final
{
public:
    TLibraryWork(TZipArchive& zip, const QString& command, platform::TFileOpsProgress& progress,
                 const TCountTotals& count = {})
        : m_zip(zip)
    {
        zip.Progress = &progress;
        zip.RunLibraryCall = [command, &progress, count](const std::function<void()>& call) {
            RunFileWork(command, progress, call, count);
        };
    }
    ~TLibraryWork()
    {
        m_zip.Progress = nullptr;
        m_zip.RunLibraryCall = nullptr;
    }
    TLibraryWork(const TLibraryWork&) = delete;
    TLibraryWork& operator=(const TLibraryWork&) = delete;

private:
    TZipArchive& m_zip;
};
