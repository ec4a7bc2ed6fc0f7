// The entry of libtrvx_archives.so, the archive module: ARCHIVELIB and libarchive, loaded
// the first time a file is tried as an archive of a format other than ZIP
// (modules/ArchiveModule.h).
#include "modules/ArchiveModule.h"

extern "C" __attribute__((visibility("default"))) const TArchiveModule* TravodexArchiveModule3()
{
    static const TArchiveModule module{&archivelib::ListMembers, &archivelib::ListMembersApart,
                                       &archivelib::ExtractMembers, &archivelib::ReadMembers};
    return &module;
}
