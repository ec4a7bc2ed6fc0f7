// A module, complete with its entry, that cannot be loaded: it needs libtrvx_test_gone.so.
#include "modules/ViewerModule.h"

extern "C" int TrvxTestGoneValue();

extern "C" __attribute__((visibility("default"))) TViewerModule* TravodexViewerModule3()
{
    static_cast<void>(TrvxTestGoneValue());
    return nullptr;
}
