#pragma once
// The servers the user connected to last, most recent first, at most kMost of them, kept
// in the program's own settings file (platform::UserSettingsFilePath, an INI file) under
// "Remote/RecentServers". Only addresses without a password are ever kept: each one goes
// through TRemoteUri both ways, so an address with a password written into the file by
// hand comes back without it, and one that does not parse is dropped. No widgets.

#include "remote/RemoteUri.h"

#include <QString>
#include <QStringList>

namespace remote
{

class TRecentServers final
{
public:
    static constexpr int kMost = 10;

    // `settingsPath` empty: nothing is read or kept.
    explicit TRecentServers(QString settingsPath);

    // Reads the list from the file (a missing file reads as none).
    void Load();
    // The addresses (TRemoteUri::Uri forms), most recent first.
    const QStringList& Addresses() const { return m_addresses; }
    // Puts `uri` first, drops an earlier equal entry and the oldest beyond kMost, and
    // writes the list. False when the file could not be written (the list in memory holds
    // the change all the same).
    bool Add(const TRemoteUri& uri);
    // Drops the entry at `index` and writes the list; false when it could not be written.
    bool Remove(int index);

private:
    bool Save() const;

    QString m_path;
    QStringList m_addresses;
};

} // namespace remote
