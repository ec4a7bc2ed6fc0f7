#pragma once
// What a panel shows, computed without widgets: the text of each cell, the attribute
// letters, and the items of the drive selector.

#include "listing/FileListing.h"

#include <QString>
#include <QStringList>

// Columns of a panel's list.
enum TPanelColumn : int { pcName = 0, pcExt = 1, pcSize = 2, pcModified = 3, pcAttr = 4 };

// The text of one cell: Name without its extension (NameStem: "report.v1", ".hidden"),
// Ext. without its dot (at most 10 characters), Size (empty for a directory of size 0),
// Last modified, and Attr. letters. A drive of the drive list shows its root whole, its
// free space and no date. Any other column is empty.
QString CellText(const TFileObject& entry, int column);

// The letters D A R H S for the attribute bits that are set, in that order.
QString AttrText(quint32 attr);

// The items of the drive selector for a location: "0:Drives", "1:" + each drive root,
// and after the location's drive its levels "2:/home/", "3:/home/ann/", ... The item
// of the current location starts with "T". `current` receives its index (-1: none).
QStringList DriveListItems(const QString& location, const QStringList& drives, int* current);

// The parts of a drive selector item: its level, its target path (or "Drives") and
// whether it is the current location.
struct TDriveItem {
    int Level{0};
    QString Target;
    bool Current{false};
};
TDriveItem ParseDriveItem(const QString& item);

// The location one level up: "/home/ann/docs/" gives "/home/ann/"; "/" stays "/".
QString ParentLocation(const QString& location);
