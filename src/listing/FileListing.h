#pragma once
// The entries of one panel: read from a directory or taken from an archive's entry
// list, sorted in four orders, with totals. A listing is the only copy of a panel's
// rows; views ask it for each visible cell by row index. A large directory (10,000
// entries and more) read from the disk and sorted leaves a copy of its entries for two
// seconds, which the next read of the same directory, unchanged since, takes instead of
// asking the file system.

#include "platform/FileSystem.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <optional>
#include <vector>

namespace platform
{
class TFileOpsProgress;
}
class TArchiveFolders;

// Kinds of entry.
enum : quint8 {
    fkDisk = 0,      // an entry read from disk
    fkZipMember = 1, // a member of the archive open in the panel
    fkZipFile = 2,   // a ".zip" file on disk, or the ".." row of an archive listing
    fkDrive = 3,     // a drive of the drive list: Name is its root, Size its free space
};

// Sort orders as the panels store them; any other value leaves a listing unsorted.
enum : quint8 { soName = 1, soSize = 2, soDateTime = 3, soExtension = 4 };

// One panel row. A new entry has every field zero or empty.
struct TFileObject {
    QString Name;       // file name, or the member's full stored name in an archive
    double DateTime{0}; // local last-write time, days since 30 December 1899
    qint64 Size{0};     // bytes; a directory's computed tree size once measured
    qint32 ImageIndex{0};
    quint16 Attr{0}; // platform::fa* bits; 0 for archive members
    quint8 Kind{fkDisk};

    bool IsDirectory() const;
    bool IsParent() const { return Name == QLatin1String(".."); }
};

// One member of an archive as the archive component reads it.
struct TArchiveMember {
    QString Name;
    qint64 Size{0};
    double DateTime{0}; // local time, days since 30 December 1899, as TFileObject's
    quint32 Crc32{0};   // the checksum stored for the member's data
};

class TFileListing final
{
public:
    TFileListing() = default;
    ~TFileListing();
    TFileListing(const TFileListing&) = delete;
    TFileListing& operator=(const TFileListing&) = delete;

    // Clears the listing and fills it from `directory` (every entry but "."; ".."
    // when the file system lists it). A directory that cannot be read, or a path
    // that is not absolute such as the pseudo-location "Drives", gives an empty
    // listing. Returns the number of entries, ".." included.
    // With `progress`, every name read counts as one of its items, and its cancel flag
    // ends the read early with the listing incomplete. Touches no other listing, so a
    // worker thread may fill a listing no view reads.
    int ReadDirectory(const QString& directory, platform::TFileOpsProgress* progress = nullptr);

    // The row of the entry `name`, or -1.
    int RowOf(const QString& name) const;

    // Exchanges the whole contents (rows, Directory and totals) with `other`. O(1).
    void Swap(TFileListing& other) noexcept;

    // Refills the listing with one folder of an archive (see ArchiveFolders.h): a ".."
    // row (Kind fkZipFile) carrying `archiveEntry`'s size, date and attributes (zeros
    // when null; it may be a row of this very listing), then the folder's subfolders and
    // members. `folder` is "" for the top. Does not sort and does not change Directory.
    void LoadArchiveFolder(const TArchiveFolders& folders, const QString& folder,
                           const TFileObject* archiveEntry);
    // The same for the top of an archive of `members`.
    void LoadArchiveMembers(const std::vector<TArchiveMember>& members,
                            const TFileObject* archiveEntry);

    // Refills the listing with `rows` as given (nothing added, Directory unchanged);
    // TotalSize and FileCount follow from them. Does not sort.
    void LoadRows(std::vector<TFileObject>&& rows);

    // Fills the listing with one row per drive root (Kind fkDrive, the directory bit, Size
    // the free space, 0 when unknown) and sets Directory to "Drives". Asks the file system
    // for each drive's free space, so it may wait on a slow drive: run it off the window.
    void LoadDrives(const QStringList& roots);

    // Sorts in place; ".." stays the first row in every order and direction, directories
    // before the other entries (see SortedOrder). Cost: O(n log n) comparisons of 64-bit
    // keys; while it runs, about 16 bytes per row, and in the C locale the folded names as
    // bytes, which go after. `natural` compares numbers in names by value (slower).
    void Sort(quint8 order, bool ascending = true, bool natural = false);

    // Leaves out the hidden entries read from the disk (names that begin with a dot, ".."
    // excepted); TotalSize and FileCount then count the entries left.
    void DropHidden();

    // Empties the list; Directory, TotalSize and FileCount stay.
    void Clear() { m_items.clear(); }

    int Count() const { return int(m_items.size()); }
    TFileObject& operator[](int index) { return m_items.at(size_t(index)); }
    const TFileObject& operator[](int index) const { return m_items.at(size_t(index)); }
    // True when the listing shows an archive: its rows are members and their "..".
    bool IsArchiveListing() const;

    QString Directory;
    qint64 TotalSize{0};
    int FileCount{0}; // the entries other than "..": the objects the status line counts
    // Why the last ReadDirectory fell short, as errno values, else 0: the directory could
    // not be opened or searched (nothing read), or its names stopped midway (the entries
    // read before are listed). Such a listing is never kept for the other panel.
    int OpenError{0};
    int ReadError{0};

private:
    // A read from the disk of a large directory, until the first sort: that sort keeps a
    // copy of the entries, still in the order read, for the other panel.
    struct TKeep {
        platform::TDirectoryStamp Stamp;
        QString Directory;
        size_t Count{0};
        qint64 UntilMs{0}; // QDeadlineTimer::deadline(): two seconds after the read
    };

    // The order the first sort of a kept copy found for its entries (indexes into them
    // as read): a panel that takes the copy and sorts it the same way uses it again.
    struct TSortedOrder {
        quint8 Order{0};
        bool Ascending{true};
        bool Natural{false};
        std::vector<int> From;
    };

    // Looks the ".." row of entries taken from a kept copy up again.
    void RefreshParentRow();

    std::vector<TFileObject> m_items;
    std::optional<TKeep> m_keep;
    std::optional<TSortedOrder> m_taken; // the order that came with a kept copy
};

// The entries of `items` other than "..".
int ObjectCount(const std::vector<TFileObject>& items);

// The value with the locale's thousands separator and no decimals: 1234567 gives
// 1,234,567 in en-US.
QString FormatSize(qint64 value);

// `path` with a "/" appended unless it already ends in one. `path` must not be empty.
QString AddSeparator(const QString& path);

// The extension of a name: from its last dot on, dot included; empty when there is
// no dot after the last "/", "\\" or ":".
QString ExtractFileExt(const QString& name);

// How the panels split a name: NameExtension is ExtractFileExt, except that a dot that
// begins the last part of the name (".hidden", "dir/.profile") starts no extension;
// NameStem is the rest. "report.v1.txt" gives "report.v1" and ".txt"; ".hidden" gives
// ".hidden" and "". NameStem + NameExtension is always the whole name.
QString NameExtension(const QString& name);
QString NameStem(const QString& name);
