// The entry of libtrvx_packing.so, the packing module: Pack, Unpack and TestArchives with
// libzip, libarchive and libzstd, loaded the first time one of them runs
// (modules/PackingModule.h).
#include "modules/PackingModule.h"

extern "C" __attribute__((visibility("default"))) const TPackingModule* TravodexPackingModule1()
{
    static const TPackingModule module{&Pack, &Unpack, &TestArchives};
    return &module;
}
