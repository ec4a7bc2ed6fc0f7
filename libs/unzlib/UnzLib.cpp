// UNZLIB: extracts archive members into the current directory, over libzip.
// Entry points: UnzLibExec (one command record, returns the number of files written)
// and GetUnzLibVersion.
#include "LibCommon.h"
#include "UnzExtract.h"

#define TRVX_EXPORT extern "C" __attribute__((visibility("default")))

TRVX_EXPORT int32_t GetUnzLibVersion()
{
    return 170;
}

TRVX_EXPORT int32_t UnzLibExec(TUnzipCommand* command)
{
    if (!command)
        return 0;
    trvxlib::TReporter reporter(command->Caller, command->Callback, command->Verbose != 0);
    try {
        const int32_t count = trvxlib::ExtractMembers(*command, reporter);
        reporter.BatchEnd();
        return count;
    } catch (const std::exception& e) {
        reporter.Message(1, std::string("UNZLIB: ") + e.what());
    } catch (...) {
        reporter.Message(1, "UNZLIB: unexpected error");
    }
    return 0;
}
