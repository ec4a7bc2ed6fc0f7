#include "platform/FileOpsFaults.h"

namespace platform
{

namespace
{

TFileOpsFaultHook& Hook()
{
    static TFileOpsFaultHook hook;
    return hook;
}

} // namespace

TFileOpsFaultHook SetFileOpsFaultHook(TFileOpsFaultHook hook)
{
    TFileOpsFaultHook previous = std::move(Hook());
    Hook() = std::move(hook);
    return previous;
}

int FileOpsFault(TFileOpsStep step, const QString& path)
{
    return Hook() ? Hook()(step, path) : 0;
}

} // namespace platform
