#include "modules/ViewerModules.h"

#include "platform/BrowserEnvironment.h"
#include "platform/FileSystem.h"
#include "platform/Messages.h"
#include "platform/ModuleLoader.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <array>
#include <cstring>

namespace
{

struct TModuleSlot {
    const char* FileName;
    TViewerModule* Module{nullptr};
    TViewerModule* Registered{nullptr};
    bool Asked{false};
};

std::array<TModuleSlot, 2> g_slots{{{kPlayersModuleFile}, {kBrowserModuleFile}}};
QString g_directory;

TModuleSlot& SlotOf(TModuleWindow window)
{
    return window == TModuleWindow::Html ? g_slots[1] : g_slots[0];
}

QString FailureText(TModuleWindow window, const platform::TModuleLoad& load)
{
    const QString title = ModuleWindowTitle(window);
    if (!load.Missing.isEmpty())
        return QStringLiteral("%1 cannot start: %2 is missing.").arg(title, load.Missing);
    return QStringLiteral("%1 cannot start: %2").arg(title, load.Error);
}

} // namespace

QString ModuleFilePath(const char* fileName)
{
    const QString name = QString::fromLatin1(fileName);
    if (!g_directory.isEmpty())
        return QDir(g_directory).filePath(name);
    const QString beside = platform::ProgramDirectory() + name;
    const QString installed =
        QDir::cleanPath(platform::ProgramDirectory() + QStringLiteral("../lib/travodex/") + name);
    return QFile::exists(beside) || !QFile::exists(installed) ? beside : installed;
}

QString ModuleWindowTitle(TModuleWindow window)
{
    switch (window) {
    case TModuleWindow::Sound:
        return QStringLiteral("The sound player");
    case TModuleWindow::Module:
        return QStringLiteral("The module player");
    case TModuleWindow::Music:
        return QStringLiteral("The music player");
    case TModuleWindow::Html:
        break;
    }
    return QStringLiteral("The HTML viewer");
}

TViewerModule* ViewerModuleOf(TModuleWindow window)
{
    QString failure;
    TViewerModule* module = ViewerModuleOf(window, &failure);
    if (!module) {
        // Also for the terminal or the session's log, as the loader's own failures are.
        qWarning("%s", qUtf8Printable(failure));
        platform::ShowMessage(failure);
    }
    return module;
}

TViewerModule* ViewerModuleOf(TModuleWindow window, QString* failure)
{
    TModuleSlot& slot = SlotOf(window);
    slot.Asked = true;
    if (slot.Registered)
        return slot.Registered;
    if (slot.Module)
        return slot.Module;
    // The engine looks for its shared graphics context as soon as it is loaded.
    if (window == TModuleWindow::Html)
        platform::ShareBrowserGraphics();
    platform::TModuleLoad load =
        platform::LoadModuleEntry(ModuleFilePath(slot.FileName), kViewerModuleEntry);
    if (load.Entry) {
        slot.Module = reinterpret_cast<TViewerModuleEntry>(load.Entry)();
        if (!slot.Module)
            load.Error = QStringLiteral("%1 has no windows.").arg(QLatin1String(slot.FileName));
    }
    if (!slot.Module && failure)
        *failure = FailureText(window, load);
    return slot.Module;
}

bool FirstUseOf(TModuleWindow window)
{
    return !SlotOf(window).Asked;
}

void RegisterViewerModule(const char* fileName, TViewerModule* module)
{
    for (TModuleSlot& slot : g_slots)
        if (std::strcmp(slot.FileName, fileName) == 0)
            slot.Registered = module;
}

void SetModuleDirectory(const QString& directory)
{
    g_directory = directory;
    for (TModuleSlot& slot : g_slots) {
        slot.Module = nullptr;
        slot.Asked = false;
    }
}
