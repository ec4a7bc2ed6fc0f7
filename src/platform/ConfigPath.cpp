#include "platform/ConfigPath.h"
#include "platform/FileNames.h"

#include "platform/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <unistd.h>

namespace platform
{

namespace
{

QString WithSeparator(const QString& dir)
{
    return dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
}

bool WritableDirectory(const QString& dir)
{
    return access(platform::EncodeFileName(dir).constData(), W_OK | X_OK) == 0;
}

} // namespace

QString ConfigFilePathIn(const QString& programDirectory, const QString& userConfigDirectory)
{
    const QString user = WithSeparator(userConfigDirectory) + QLatin1String(kConfigFileName);
    if (FileExists(user))
        return user;
    const QString besideProgram = WithSeparator(programDirectory) + QLatin1String(kConfigFileName);
    if (FileExists(besideProgram) || WritableDirectory(programDirectory))
        return besideProgram;
    return user;
}

QString UserConfigFilePath()
{
    const QString userDir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    return userDir.isEmpty() ? QString() : WithSeparator(userDir) + QLatin1String(kConfigFileName);
}

QString PanelsFilePath()
{
    const QString userDir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    return userDir.isEmpty() ? QString() : WithSeparator(userDir) + QStringLiteral("Panels.ini");
}

QString UserSettingsFilePath()
{
    const QString userDir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    return userDir.isEmpty() ? QString() : WithSeparator(userDir) + QStringLiteral("Travodex.conf");
}

QString DefaultConfigFile()
{
    return ProgramDirectory() + QStringLiteral("../share/travodex/") +
           QLatin1String(kConfigFileName);
}

QString ConfigFilePath()
{
    const QString userDir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    const QString programDir = ProgramDirectory();
    const QString path = ConfigFilePathIn(programDir, userDir);
    if (path != programDir + QLatin1String(kConfigFileName) && !userDir.isEmpty())
        QDir().mkpath(userDir);
    // An installed program starts from the shipped categories; an existing file is
    // never replaced.
    if (!FileExists(path) && FileExists(DefaultConfigFile()))
        QFile::copy(DefaultConfigFile(), path);
    return path;
}

} // namespace platform
