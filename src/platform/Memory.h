#pragma once
// How much memory the machine has.

#include <QtGlobal>

namespace platform
{

// The machine's physical memory in bytes; 0 when the system does not say.
qint64 PhysicalMemoryBytes();

} // namespace platform
