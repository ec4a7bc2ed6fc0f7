#pragma once
// How much memory the machine has, and how much of it this process holds.

#include <QtGlobal>

namespace platform
{

// The machine's physical memory in bytes; 0 when the system does not say.
qint64 PhysicalMemoryBytes();

// The bytes of this process's memory that are resident (its VmRSS); 0 when the system
// does not say.
qint64 ResidentBytes();

} // namespace platform
