#pragma once
// The application-wide icon list: stable indexes into a growing list of icons, one per
// MIME type, so that a listing can store an icon as a small number. Index 0 is the
// generic document icon. Used on the user-interface thread only.

#include <QHash>
#include <QIcon>
#include <QList>
#include <QMimeDatabase>
#include <QString>

namespace platform
{

class TIconList final
{
public:
    static TIconList& instance();

    // Icon of a file by its name alone (no content sniffing); `isDir` gives the
    // folder icon. Cost: one MIME look-up by extension, then a hash look-up.
    int IndexForName(const QString& name, bool isDir = false);
    int FolderIndex(bool open = false);
    int ComputerIndex();
    int DriveIndex(const QString& root);

    // The icon at `index`; the generic document icon for an unknown index.
    QIcon Icon(int index) const;
    int Count() const { return int(m_icons.size()); }

private:
    TIconList();
    int IndexForThemeNames(const QString& key, const QStringList& names, const QIcon& fallback);

    QMimeDatabase m_mime;
    QList<QIcon> m_icons;
    QHash<QString, int> m_byKey;
};

// Makes the desktop's icon theme (or Adwaita) available to Qt; call once at start.
void SetupIconTheme();

} // namespace platform
