#include "browser/PictureNames.h"

#include "platform/FileSystem.h"

#include <QDirIterator>
#include <algorithm>

QString PictureFileName(const QString& src)
{
    QString local = src;
    if (local.contains(QLatin1Char('/'))) {
        const qsizetype three = local.indexOf(QLatin1String("file:///"), 0, Qt::CaseInsensitive);
        if (three >= 0)
            local.remove(three, 8);
        else if (const qsizetype two =
                     local.indexOf(QLatin1String("file://"), 0, Qt::CaseInsensitive);
                 two >= 0)
            local.remove(two, 7);
        local.replace(QLatin1Char('|'), QLatin1Char(':'));
        local.replace(QLatin1Char('/'), QLatin1Char('\\'));
    }
    const qsizetype cut =
        std::max(local.lastIndexOf(QLatin1Char('\\')), local.lastIndexOf(QLatin1Char(':')));
    QString name = local.mid(cut + 1);
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return {};
    return name;
}

QString FindPictureFile(const QString& folder, const QString& name)
{
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String(".") ||
        name == QLatin1String(".."))
        return {};
    const QString base = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    if (platform::FileExists(base + name))
        return base + name;
    QDirIterator entries(base, QDir::Files | QDir::Hidden | QDir::System);
    while (entries.hasNext()) {
        entries.next();
        if (entries.fileName().compare(name, Qt::CaseInsensitive) == 0)
            return base + entries.fileName();
    }
    return {};
}
