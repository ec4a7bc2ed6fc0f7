#pragma once
// The surface of the packing module, libtrvx_packing.so: packing into new archives (libzip,
// libarchive's writers, libzstd) and unpacking and testing archives (ARCHIVELIB), loaded
// the first time one of these commands runs, so that a start maps none of those libraries.
// The module exports kPackingModuleEntry, which returns its TPackingModule. A module is
// never unloaded.

#include "pack/Pack.h"
#include "unpack/Unpack.h"

// The calls of pack/Pack.h and unpack/Unpack.h, with the same promises.
struct TPackingModule {
    TPackResult (*Pack)(const TPackRequest& request, platform::TFileOpsProgress& progress);
    TUnpackResult (*Unpack)(const TUnpackRequest& request, platform::TFileOpsProgress& progress,
                            const platform::TCollisionAsk& ask);
    std::vector<TArchiveTest> (*TestArchives)(const QStringList& archives, const QString& password,
                                              platform::TFileOpsProgress& progress);
};

// `extern "C" const TPackingModule* TravodexPackingModule1()`; the number changes with this
// interface.
inline constexpr char kPackingModuleEntry[] = "TravodexPackingModule1";
using TPackingModuleEntry = const TPackingModule* (*)();
inline constexpr char kPackingModuleFile[] = "libtrvx_packing.so";
