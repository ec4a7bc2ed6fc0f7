// ZIPLIB: adds files to an archive and deletes members from it, over libzip.
// Entry points: ZipLibExec (one command record, returns the number of files added or
// members deleted) and GetZipLibVersion.
#include "LibCommon.h"
#include "ZipAdd.h"
#include "ZipDelete.h"
#include "ZipReplace.h"

#define TRVX_EXPORT extern "C" __attribute__((visibility("default")))

TRVX_EXPORT int32_t GetZipLibVersion()
{
    return 170;
}

TRVX_EXPORT int32_t ZipLibExec(TZipCommand* command)
{
    if (!command)
        return 0;
    trvxlib::TReporter reporter(command->Caller, command->Callback, command->Verbose != 0);
    try {
        const int32_t count = command->ReplaceMember  ? trvxlib::ReplaceMember(*command, reporter)
                              : command->DeleteEntries ? trvxlib::DeleteMembers(*command, reporter)
                                                       : trvxlib::AddFiles(*command, reporter);
        reporter.BatchEnd();
        return count;
    } catch (const std::exception& e) {
        reporter.Message(1, std::string("ZIPLIB: ") + e.what());
    } catch (...) {
        reporter.Message(1, "ZIPLIB: unexpected error");
    }
    return 0;
}
