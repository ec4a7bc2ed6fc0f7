#include "players/PlayerWindows.h"

#include "controls/SharedWindow.h"
#include "players/uModule.h"
#include "players/uMusic.h"
#include "players/uSound.h"

TfModule* fModule = nullptr;
TfMusic* fMusic = nullptr;
TfSound* fSound = nullptr;

TfModule* ModulePlayer(QWidget* mainWindow)
{
    return SharedWindow(fModule, mainWindow);
}
TfMusic* MusicPlayer(QWidget* mainWindow)
{
    return SharedWindow(fMusic, mainWindow);
}
TfSound* SoundPlayer(QWidget* mainWindow)
{
    return SharedWindow(fSound, mainWindow);
}

namespace
{

class TPlayersModule final : public TViewerModule
{
public:
    QWidget* Show(TModuleWindow window, QWidget* mainWindow, const QString& path) override
    {
        TPlayerWindow* player = nullptr;
        switch (window) {
        case TModuleWindow::Sound:
            player = SoundPlayer(mainWindow);
            break;
        case TModuleWindow::Module:
            player = ModulePlayer(mainWindow);
            break;
        case TModuleWindow::Music:
            player = MusicPlayer(mainWindow);
            break;
        case TModuleWindow::Html:
            return nullptr;
        }
        player->Open(path);
        return player;
    }
    QStringList Properties(TModuleWindow window, const QString& path, QString* why) override
    {
        return PlayerProperties(window, path, why);
    }
    // The players have no page for a pane.
    QWidget* MakePane(TModuleWindow, QWidget*) override { return nullptr; }
    void ShowInPane(QWidget*, const QString&) override {}
};

} // namespace

TViewerModule& PlayersModule()
{
    static TPlayersModule module;
    return module;
}
