#include "remote/RecentServers.h"

#include <QSettings>

namespace remote
{

namespace
{

constexpr char kKey[] = "Remote/RecentServers";

} // namespace

TRecentServers::TRecentServers(QString settingsPath) : m_path(std::move(settingsPath)) {}

void TRecentServers::Load()
{
    m_addresses.clear();
    if (m_path.isEmpty())
        return;
    const QSettings settings(m_path, QSettings::IniFormat);
    for (const QString& kept : settings.value(kKey).toStringList()) {
        const TRemoteUri uri = TRemoteUri::Parse(kept);
        if (uri.IsValid() && !m_addresses.contains(uri.Uri()) && m_addresses.size() < kMost)
            m_addresses << uri.Uri();
    }
}

bool TRecentServers::Add(const TRemoteUri& uri)
{
    if (!uri.IsValid())
        return true;
    m_addresses.removeAll(uri.Uri());
    m_addresses.prepend(uri.Uri());
    while (m_addresses.size() > kMost)
        m_addresses.removeLast();
    return Save();
}

bool TRecentServers::Remove(int index)
{
    if (index < 0 || index >= m_addresses.size())
        return true;
    m_addresses.removeAt(index);
    return Save();
}

bool TRecentServers::Save() const
{
    if (m_path.isEmpty())
        return true;
    QSettings settings(m_path, QSettings::IniFormat);
    settings.setValue(kKey, m_addresses);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace remote
