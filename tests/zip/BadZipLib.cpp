// A ZIPLIB that lacks its operation entry point, for the driver's failure messages.
#include <cstdint>

extern "C" __attribute__((visibility("default"))) int32_t GetZipLibVersion()
{
    return 1;
}
