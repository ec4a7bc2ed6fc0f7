#pragma once
// The surface between the main window and the windows that live in modules: shared
// libraries beside the program, loaded the first time one of their windows is wanted, so
// that a start maps neither the web engine nor the audio libraries. The main window knows
// only this header; each module exports one function, kViewerModuleEntry, that returns
// its TViewerModule. A module is never unloaded.

class QString;
class QWidget;
template <typename T> class QList;
using QStringList = QList<QString>; // as Qt's own forward declaration has it

// The windows that live in modules.
enum class TModuleWindow { Sound, Module, Music, Html };

class TViewerModule
{
public:
    virtual ~TViewerModule() = default;

    // Shows `path` (a full path) in the module's shared window of that kind, made on first
    // use with `mainWindow` as its parent: a player plays the file at once, in place of
    // what it plays; the HTML viewer comes up showing it, or, already on screen, keeps its
    // document. Returns the window, or nullptr when the module has none of that kind. The
    // caller brings the window to the front. User-interface thread only.
    virtual QWidget* Show(TModuleWindow window, QWidget* mainWindow, const QString& path) = 0;

    // What the file `path` of that kind is, as lines ("Channels: 2", "Rate: 44,100 Hz"),
    // for the quick view; nothing plays and no window is made. Empty when the module
    // describes no files of that kind, and also when the file cannot be read as one: then
    // `why` says why. Any thread; each call stands alone.
    virtual QStringList Properties(TModuleWindow window, const QString& path, QString* why) = 0;

    // A read-only page for files of that kind, made as a child of `parent` to live in a
    // pane of the main window (the quick view); it shows nothing until ShowInPane. Returns
    // nullptr when the module has no such page. User-interface thread only.
    virtual QWidget* MakePane(TModuleWindow window, QWidget* parent) = 0;
    // Shows the file `path` in `pane` (made by MakePane) in place of what it showed; an
    // empty path shows nothing. Returns at once: the page loads in the background and a
    // later call drops a load under way. User-interface thread only.
    virtual void ShowInPane(QWidget* pane, const QString& path) = 0;
};

// The exported function of every module: `extern "C" TViewerModule* TravodexViewerModule3()`,
// returning an object that lives as long as the process. The number changes with this
// interface, so that a module of another build is refused instead of called.
inline constexpr char kViewerModuleEntry[] = "TravodexViewerModule3";
using TViewerModuleEntry = TViewerModule* (*)();

// The files of the modules, beside the program or in ../lib/travodex/ when installed.
inline constexpr char kPlayersModuleFile[] = "libtrvx_players.so";
inline constexpr char kBrowserModuleFile[] = "libtrvx_browser.so";
