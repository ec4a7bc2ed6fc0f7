#include "modules/SupportModules.h"

#include "modules/ViewerModules.h"
#include "platform/ModuleLoader.h"

#include <QDebug>
#include <mutex>

namespace
{

// A module's slot: the one linked in by a test, or the one loaded from its file.
template <typename TModule> struct TSlot {
    TSlot(const char* fileName, const char* entry) : FileName(fileName), Entry(entry) {}
    const char* FileName;
    const char* Entry;
    TModule* Registered{nullptr};
    TModule* Loaded{nullptr};
    QString LoadedPath; // a test may point the modules' folder elsewhere
    std::mutex Mutex;   // loads from worker threads come one at a time
};

// Made on first use: a test registers its module from a static initializer.
TSlot<TPrintModule>& PrintSlot()
{
    static TSlot<TPrintModule> slot{kPrintModuleFile, kPrintModuleEntry};
    return slot;
}

TSlot<const TArchiveModule>& ArchivesSlot()
{
    static TSlot<const TArchiveModule> slot{kArchiveModuleFile, kArchiveModuleEntry};
    return slot;
}

TSlot<const TPackingModule>& PackingSlot()
{
    static TSlot<const TPackingModule> slot{kPackingModuleFile, kPackingModuleEntry};
    return slot;
}

TSlot<platform::TRemotePlaces>& RemoteSlot()
{
    static TSlot<platform::TRemotePlaces> slot{kRemoteModuleFile, kRemoteModuleEntry};
    return slot;
}

template <typename TModule>
TModule* Load(TSlot<TModule>& slot, const QString& what, QString& failure)
{
    const std::lock_guard<std::mutex> lock(slot.Mutex);
    if (slot.Registered)
        return slot.Registered;
    const QString path = ModuleFilePath(slot.FileName);
    if (slot.Loaded && path == slot.LoadedPath)
        return slot.Loaded;
    const platform::TModuleLoad load = platform::LoadModuleEntry(path, slot.Entry);
    slot.Loaded = load.Entry ? reinterpret_cast<TModule* (*)()>(load.Entry)() : nullptr;
    slot.LoadedPath = path;
    if (slot.Loaded)
        return slot.Loaded;
    if (!load.Missing.isEmpty())
        failure = QStringLiteral("%1: %2 is missing.").arg(what, load.Missing);
    else if (load.Entry)
        failure = QStringLiteral("%1: %2 gave no module.").arg(what, QLatin1String(slot.FileName));
    else
        failure = QStringLiteral("%1: %2").arg(what, load.Error);
    // Also for the terminal or the session's log, as the loader's own failures are.
    qWarning("%s", qUtf8Printable(failure));
    return nullptr;
}

} // namespace

TPrintModule* PrintModuleOf(QString& failure)
{
    return Load(PrintSlot(), QStringLiteral("The text cannot be printed"), failure);
}

const TArchiveModule* ArchiveModuleOf(QString& failure)
{
    return Load(ArchivesSlot(), QStringLiteral("Archives other than ZIP cannot be read"), failure);
}

const TPackingModule* PackingModuleOf(QString& failure)
{
    return Load(PackingSlot(), QStringLiteral("Archives cannot be packed or unpacked"), failure);
}

void RegisterPrintModule(TPrintModule* module)
{
    TSlot<TPrintModule>& slot = PrintSlot();
    const std::lock_guard<std::mutex> lock(slot.Mutex);
    slot.Registered = module;
}

void RegisterArchiveModule(const TArchiveModule* module)
{
    TSlot<const TArchiveModule>& slot = ArchivesSlot();
    const std::lock_guard<std::mutex> lock(slot.Mutex);
    slot.Registered = module;
}

void RegisterPackingModule(const TPackingModule* module)
{
    TSlot<const TPackingModule>& slot = PackingSlot();
    const std::lock_guard<std::mutex> lock(slot.Mutex);
    slot.Registered = module;
}

platform::TRemotePlaces* RemotePlacesOf(QString& failure)
{
    return Load(RemoteSlot(), QStringLiteral("Remote places cannot be used"), failure);
}

void RegisterRemotePlaces(platform::TRemotePlaces* places)
{
    TSlot<platform::TRemotePlaces>& slot = RemoteSlot();
    const std::lock_guard<std::mutex> lock(slot.Mutex);
    slot.Registered = places;
}

platform::TRemotePlaces* LoadedRemotePlaces()
{
    TSlot<platform::TRemotePlaces>& slot = RemoteSlot();
    const std::lock_guard<std::mutex> lock(slot.Mutex);
    return slot.Registered ? slot.Registered : slot.Loaded;
}
