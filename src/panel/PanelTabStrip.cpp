// The panel's tab strip, kept in step with its tabs model.
#include "controls/TabStrip.h"
#include "panel/FilePanel.h"
#include "platform/FileNames.h"

namespace
{

QString TabTip(const TTabState& tab)
{
    if (tab.Fed)
        return platform::DisplayName(tab.Fed->Root);
    return platform::DisplayName(tab.Place.Folder + tab.Place.Archive);
}

} // namespace

void TFilePanel::SyncTabBar()
{
    TTabStrip* bar = TabBar;
    const QSignalBlocker block(bar);
    while (bar->count() < Tabs.Count())
        bar->addTab(QString());
    while (bar->count() > Tabs.Count())
        bar->removeTab(bar->count() - 1);
    for (int i = 0; i < Tabs.Count(); ++i) {
        const TTabState& tab = Tabs.Tab(i);
        const QString title = platform::DisplayName(TPanelTabs::Title(tab));
        bar->setTabText(i, tab.Locked ? title + QStringLiteral(" (locked)") : title);
        bar->setTabToolTip(i, TabTip(tab));
    }
    bar->setCurrentIndex(Tabs.Shown());
    bar->setVisible(Tabs.Count() > 1);
}
