#pragma once
// Loading a shared library of the program at run time (a module) and finding its entry
// function, with a reason a user can read when it cannot be loaded.

#include <QString>

namespace platform
{

struct TModuleLoad {
    void* Entry{nullptr}; // the resolved function; null when the load failed
    QString Missing;      // the file name of a library that could not be found, if that was why
    QString Error;        // the system's reason otherwise
};

// Loads the library file `path` with every symbol bound at once (so that a missing symbol
// fails here, not in a later call) and resolves `entry`. The library stays loaded until
// the process ends; loading it again returns the same entry. When the file or a library it
// needs cannot be found, Missing names that file ("libQt6WebEngineCore.so.6").
TModuleLoad LoadModuleEntry(const QString& path, const char* entry);

} // namespace platform
