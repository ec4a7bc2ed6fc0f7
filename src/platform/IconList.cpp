#include "platform/IconList.h"

#include <QApplication>
#include <QFileIconProvider>
#include <QStyle>

namespace platform
{

void SetupIconTheme()
{
    QStringList paths = QIcon::themeSearchPaths();
    if (!paths.contains(QStringLiteral("/usr/share/icons")))
        paths << QStringLiteral("/usr/share/icons");
    QIcon::setThemeSearchPaths(paths);
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
        QIcon::setThemeName(QStringLiteral("Adwaita"));
}

TIconList& TIconList::instance()
{
    static TIconList list;
    return list;
}

TIconList::TIconList()
{
    QFileIconProvider provider;
    m_icons << QIcon::fromTheme(QStringLiteral("text-x-generic"),
                                provider.icon(QFileIconProvider::File));
    m_byKey.insert(QStringLiteral("application/octet-stream"), 0);
}

int TIconList::IndexForThemeNames(const QString& key, const QStringList& names,
                                  const QIcon& fallback)
{
    const auto found = m_byKey.constFind(key);
    if (found != m_byKey.constEnd())
        return *found;
    QIcon icon;
    for (const QString& name : names) {
        if (!name.isEmpty() && QIcon::hasThemeIcon(name)) {
            icon = QIcon::fromTheme(name);
            break;
        }
    }
    if (icon.isNull())
        icon = fallback;
    if (icon.isNull()) {
        m_byKey.insert(key, 0);
        return 0;
    }
    m_icons << icon;
    m_byKey.insert(key, int(m_icons.size() - 1));
    return int(m_icons.size() - 1);
}

int TIconList::IndexForName(const QString& name, bool isDir)
{
    if (isDir)
        return FolderIndex(false);
    const QMimeType type = m_mime.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    if (!type.isValid() || type.isDefault())
        return 0;
    return IndexForThemeNames(type.name(), {type.iconName(), type.genericIconName()}, QIcon());
}

int TIconList::FolderIndex(bool open)
{
    QFileIconProvider provider;
    return open
               ? IndexForThemeNames(QStringLiteral(":folder-open"), {QStringLiteral("folder-open")},
                                    provider.icon(QFileIconProvider::Folder))
               : IndexForThemeNames(QStringLiteral(":folder"), {QStringLiteral("folder")},
                                    provider.icon(QFileIconProvider::Folder));
}

int TIconList::ComputerIndex()
{
    QFileIconProvider provider;
    return IndexForThemeNames(QStringLiteral(":computer"), {QStringLiteral("computer")},
                              provider.icon(QFileIconProvider::Computer));
}

int TIconList::DriveIndex(const QString& root)
{
    QFileIconProvider provider;
    if (root.startsWith(QLatin1String("/media/")) || root.startsWith(QLatin1String("/mnt/")))
        return IndexForThemeNames(
            QStringLiteral(":drive-removable"),
            {QStringLiteral("drive-removable-media"), QStringLiteral("drive-harddisk")},
            provider.icon(QFileIconProvider::Drive));
    return IndexForThemeNames(QStringLiteral(":drive"), {QStringLiteral("drive-harddisk")},
                              provider.icon(QFileIconProvider::Drive));
}

QIcon TIconList::Icon(int index) const
{
    return index >= 0 && index < m_icons.size() ? m_icons[index] : m_icons[0];
}

} // namespace platform
