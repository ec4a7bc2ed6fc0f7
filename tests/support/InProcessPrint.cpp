// Test executables that print link the printing module's code into themselves: the text
// editor takes it from here instead of loading the module from beside the program.
#include "modules/SupportModules.h"

extern "C" TPrintModule* TravodexPrintModule1();

namespace
{

const bool g_registered = (RegisterPrintModule(TravodexPrintModule1()), true);

} // namespace
