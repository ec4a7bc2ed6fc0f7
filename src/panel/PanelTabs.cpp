#include "panel/PanelTabs.h"

#include <algorithm>

int TPanelTabs::Open(std::unique_ptr<TTabState> tab)
{
    const int at = m_shown + 1;
    m_tabs.insert(m_tabs.begin() + at, std::move(tab));
    return at;
}

bool TPanelTabs::Close(int index)
{
    if (Count() <= 1 || index < 0 || index >= Count())
        return false;
    m_tabs.erase(m_tabs.begin() + index);
    if (index < m_shown || m_shown >= Count())
        --m_shown;
    return true;
}

void TPanelTabs::Move(int from, int to)
{
    if (from < 0 || from >= Count() || to < 0 || to >= Count() || from == to)
        return;
    auto tab = std::move(m_tabs[size_t(from)]);
    m_tabs.erase(m_tabs.begin() + from);
    m_tabs.insert(m_tabs.begin() + to, std::move(tab));
    if (m_shown == from)
        m_shown = to;
    else if (from < m_shown && to >= m_shown)
        --m_shown;
    else if (from > m_shown && to <= m_shown)
        ++m_shown;
}

void TPanelTabs::Show(int index)
{
    if (index >= 0 && index < Count())
        m_shown = index;
}

int TPanelTabs::Neighbour(int step) const
{
    return ((m_shown + step) % Count() + Count()) % Count();
}

void TPanelTabs::Reset(std::vector<std::unique_ptr<TTabState>> tabs, int shown)
{
    if (tabs.empty())
        return;
    m_tabs = std::move(tabs);
    m_shown = std::clamp(shown, 0, Count() - 1);
}

QString TPanelTabs::Title(const TTabState& tab)
{
    if (tab.Fed)
        return QStringLiteral("Search results");
    if (!tab.Place.Archive.isEmpty())
        return tab.Place.Archive;
    QString folder = tab.Place.Folder;
    if (folder == QLatin1String("Drives") || folder == QLatin1String("/"))
        return folder;
    if (folder.endsWith('/'))
        folder.chop(1);
    return folder.mid(folder.lastIndexOf('/') + 1);
}
