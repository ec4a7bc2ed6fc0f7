#pragma once
// The modules that carry libraries rather than windows: printing (Qt's print support),
// the archive formats other than ZIP (libarchive) and packing and unpacking (libzip,
// libarchive, libzstd). Each is loaded the first time it is
// needed, from where ModuleFilePath says, and stays loaded; one that failed is tried again
// on the next request.

#include "modules/ArchiveModule.h"
#include "modules/PackingModule.h"
#include "modules/PrintModule.h"
#include "modules/RemoteModule.h"

#include <QString>

// The printing module; nullptr when it cannot be loaded, with `failure` saying so
// ("The text cannot be printed: libQt6PrintSupport.so.6 is missing."). User-interface
// thread only.
TPrintModule* PrintModuleOf(QString& failure);

// The archive module; nullptr when it cannot be loaded, with `failure` saying so
// ("Archives other than ZIP cannot be read: libtrvx_archives.so is missing."). Any thread.
const TArchiveModule* ArchiveModuleOf(QString& failure);

// The packing module; nullptr when it cannot be loaded, with `failure` saying so
// ("Archives cannot be packed or unpacked: libtrvx_packing.so is missing."). Any thread.
const TPackingModule* PackingModuleOf(QString& failure);

// The remote places (GIO); nullptr when the module cannot be loaded, with `failure` saying
// so ("Remote places cannot be used: libtrvx_remote.so is missing."). Any thread.
platform::TRemotePlaces* RemotePlacesOf(QString& failure);

// Put `module` in the place of the module's file: a test that links the code into its
// own executable. nullptr goes back to loading the file.
void RegisterPrintModule(TPrintModule* module);
void RegisterArchiveModule(const TArchiveModule* module);
void RegisterPackingModule(const TPackingModule* module);
void RegisterRemotePlaces(platform::TRemotePlaces* places);
// The remote places when the module is loaded (or registered) already; nullptr, without
// loading it, when not.
platform::TRemotePlaces* LoadedRemotePlaces();
