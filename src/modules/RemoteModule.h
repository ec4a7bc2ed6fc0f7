#pragma once
// The surface of the remote module, libtrvx_remote.so: the GIO layer of remote places
// (platform/RemotePlaces.h), loaded the first time a remote place is used, so that a start
// maps none of GIO's libraries (they cost about 1.2 MiB of memory). The module exports
// kRemoteModuleEntry, which returns the process's one TRemotePlaces. A module is never
// unloaded.

#include "platform/RemotePlaces.h"

// `extern "C" platform::TRemotePlaces* TravodexRemoteModule3()`; the number changes with
// this interface.
inline constexpr char kRemoteModuleEntry[] = "TravodexRemoteModule3";
using TRemoteModuleEntry = platform::TRemotePlaces* (*)();
inline constexpr char kRemoteModuleFile[] = "libtrvx_remote.so";
