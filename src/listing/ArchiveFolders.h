#pragma once
// The folders of an archive: which members and folders each folder holds, built once
// when the archive is read, so that entering a folder costs only its own rows.
// A folder is a member whose name ends in "/" ("sub/"), or is implied by the names
// below it ("sub/deeper/x.txt" gives "sub/" and "sub/deeper/"). A leading "./" (tar) is
// no folder. A name that holds an empty, "." or ".." part after that, or begins with
// "/", makes no folder at all: it stays one row at the top under its whole name, so no
// such part is ever a place to go.

#include "listing/FileListing.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <vector>

// A member name's path: its leading "./" parts left out ("./sub/x" gives "sub/x").
QStringView MemberPath(QStringView name);
// True when the member's path is made of plain parts (no empty, "." or ".." part, no
// leading "/"; a final "/" marks a folder member).
bool IsPlainMemberPath(QStringView name);
// What a panel shows of a member's row: the last part of a plain path, else the whole
// name.
QString ShownMemberName(const QString& name);

// The names that `members` holds more than once: the libraries, taking members by name,
// would act on all of them, so no command hands such a name to them.
QSet<QString> RepeatedNames(const std::vector<TArchiveMember>& members);

class TArchiveFolders final
{
public:
    // Indexes `members` (kept), in O(n) for members grouped by folder.
    explicit TArchiveFolders(std::vector<TArchiveMember> members = {});

    const std::vector<TArchiveMember>& Members() const { return m_members; }
    // `folder` is "" for the top, else a path ending in "/" ("sub/deeper/").
    bool HasFolder(const QString& folder) const { return m_index.contains(folder); }
    // `folder`, or the nearest folder above it that the archive holds ("" at last).
    QString NearestFolder(const QString& folder) const;
    // The rows of one folder, unsorted: each subfolder (Name its path without the final
    // "/", the directory bit, the date of its own member if it has one), then each member
    // (Name its stored name). Empty for a folder the archive does not hold.
    std::vector<TFileObject> Rows(const QString& folder) const;
    // The stored names of the members at and below `folder` (its own member too).
    QStringList NamesBelow(const QString& folder) const;

private:
    struct TFolder {
        int Entry{-1};                // its own member, if any
        std::vector<int> Members;     // members directly inside
        std::vector<QString> Folders; // subfolders directly inside, as paths
    };
    int FolderOf(const QString& path);
    void Collect(const QString& folder, QStringList& names) const;

    std::vector<TArchiveMember> m_members;
    QHash<QString, int> m_index; // folder path to its place in m_folders
    std::vector<TFolder> m_folders;
};
