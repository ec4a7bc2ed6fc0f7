#include "browser/BrowserModule.h"

#include "browser/BrowserPane.h"
#include "browser/uBrowser.h"
#include "controls/SharedWindow.h"

TfBrowser* fBrowser = nullptr;

TfBrowser* HtmlViewer(QWidget* mainWindow)
{
    return SharedWindow(fBrowser, mainWindow);
}

namespace
{

class TBrowserModule final : public TViewerModule
{
public:
    QWidget* Show(TModuleWindow window, QWidget* mainWindow, const QString& path) override
    {
        if (window != TModuleWindow::Html)
            return nullptr;
        TfBrowser* viewer = HtmlViewer(mainWindow);
        if (!viewer->isVisible())
            viewer->FileName = path;
        viewer->show();
        return viewer;
    }
    QStringList Properties(TModuleWindow, const QString&, QString*) override { return {}; }
    QWidget* MakePane(TModuleWindow window, QWidget* parent) override
    {
        return window == TModuleWindow::Html ? new TBrowserPane(parent) : nullptr;
    }
    void ShowInPane(QWidget* pane, const QString& path) override
    {
        if (auto* page = qobject_cast<TBrowserPane*>(pane))
            page->Show(path);
    }
};

} // namespace

TViewerModule& BrowserModule()
{
    static TBrowserModule module;
    return module;
}
