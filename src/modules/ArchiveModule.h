#pragma once
// The surface of the archive module, libtrvx_archives.so: ARCHIVELIB with libarchive and
// the compression libraries it needs, loaded the first time a file is tried as an archive
// of a format other than ZIP, so that a start maps none of them. The module exports
// kArchiveModuleEntry, which returns its TArchiveModule. A module is never unloaded.

#include "archivelib/ArchiveLib.h"

// ARCHIVELIB's calls (archivelib/ArchiveLib.h), with the same promises: blocking, any
// thread, one archive per call.
struct TArchiveModule {
    archivelib::TListing (*ListMembers)(const std::string& path, const archivelib::TGoOn& goOn);
    archivelib::TListing (*ListMembersApart)(const std::string& path,
                                             const archivelib::TGoOn& goOn);
    archivelib::TExtraction (*ExtractMembers)(const std::string& path,
                                              const std::vector<std::string>& names,
                                              const std::string& folder,
                                              const archivelib::TProgress& progress);
    archivelib::TListing (*ReadMembers)(const std::string& path, int64_t limit,
                                        const archivelib::TWanted& wanted,
                                        const archivelib::TMemberSink& sink,
                                        const archivelib::TGoOn& goOn);
};

// `extern "C" const TArchiveModule* TravodexArchiveModule3()`; the number changes with this
// interface.
inline constexpr char kArchiveModuleEntry[] = "TravodexArchiveModule3";
using TArchiveModuleEntry = const TArchiveModule* (*)();
inline constexpr char kArchiveModuleFile[] = "libtrvx_archives.so";
