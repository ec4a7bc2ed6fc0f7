#pragma once
// Where the configuration file Trovel.ini lives: in the user's configuration folder when
// it holds one (the properties dialog saves there when the file beside the program
// cannot be written), else beside the program file when that folder is writable or
// already holds the file, otherwise in the user's configuration folder. The reader and
// the properties dialog both use this one path.

#include <QString>

namespace platform
{

// The file name of the configuration.
inline constexpr char kConfigFileName[] = "Trovel.ini";

// The rule itself, for given folders (each ending in "/" or not): `userConfigDirectory`
// + "Trovel.ini" when that file exists; else `programDirectory` + "Trovel.ini" when the
// file exists there or the folder is writable; else the user's file. Looks at the disk;
// creates nothing.
QString ConfigFilePathIn(const QString& programDirectory, const QString& userConfigDirectory);

// The rule applied to the program's folder and QStandardPaths::AppConfigLocation.
// When the user's folder is chosen it is created, so that the file can be written there.
// When the chosen file does not exist yet and an installed default does, the default
// is copied there first.
QString ConfigFilePath();

// The file in the user's configuration folder (QStandardPaths::AppConfigLocation);
// creates nothing. Empty when the platform names no such folder.
QString UserConfigFilePath();

// The file that keeps the panels' places between runs, beside the user's Trovel.ini
// (QStandardPaths::AppConfigLocation + "/Panels.ini"); creates nothing. Empty when the
// platform names no such folder.
QString PanelsFilePath();

// The file of the settings the program keeps for the user across runs (such as whether
// deleted files go to the trash): Travodex.conf in the user's configuration folder
// (QStandardPaths::AppConfigLocation, read anew at each call); creates nothing. Empty
// when the platform names no such folder.
QString UserSettingsFilePath();

// The default configuration an installation ships: <program folder>/../share/travodex/.
QString DefaultConfigFile();

} // namespace platform
