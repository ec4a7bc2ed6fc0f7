#include "listing/FileListing.h"

#include "listing/ArchiveFolders.h"
#include "listing/SortKeys.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/Locale.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <algorithm>
#include <mutex>

namespace
{

// A large directory just read, kept for a moment in the order the file system gave it:
// the other panel reading the same unchanged directory right after (both panels on one
// folder) takes these entries, names shared, instead of asking for every entry again,
// and the order their first sort found, instead of sorting them again the same way.
constexpr size_t kKeepFrom = 10000; // entries; smaller directories are always read afresh
constexpr int kKeepForMs = 2000;

struct TRecentRead {
    platform::TDirectoryStamp Stamp;
    QDeadlineTimer Until;
    std::vector<TFileObject> Items; // empty: none kept
    quint64 Serial{0};
    // How the reader sorted them: indexes into Items, in that order.
    quint8 Order{0};
    bool Ascending{true};
    bool Natural{false};
    std::vector<int> From;
};

std::mutex g_recentMutex;
TRecentRead g_recent;
quint64 g_serial = 0;

// Takes the entries kept for the directory with `stamp`, if any, with the order their
// reader sorted them in; drops any others.
bool TakeRecent(const platform::TDirectoryStamp* stamp, std::vector<TFileObject>& items,
                quint8& order, bool& ascending, bool& natural, std::vector<int>& from)
{
    std::vector<TFileObject> dropped;
    std::lock_guard lock(g_recentMutex);
    const bool fits = stamp && !g_recent.Items.empty() && g_recent.Stamp == *stamp &&
                      !g_recent.Until.hasExpired();
    (fits ? items : dropped).swap(g_recent.Items);
    if (fits) {
        order = g_recent.Order;
        ascending = g_recent.Ascending;
        natural = g_recent.Natural;
        from.swap(g_recent.From);
    }
    std::vector<int>().swap(g_recent.From);
    return fits;
}

void KeepRecent(const platform::TDirectoryStamp& stamp, QDeadlineTimer until,
                const std::vector<TFileObject>& items, quint8 order, bool ascending, bool natural,
                const std::vector<int>& from)
{
    // As a read gives them: the panel may have set an icon or a folder's measured size.
    std::vector<TFileObject> copy(items);
    for (TFileObject& e : copy) {
        e.ImageIndex = 0;
        if (e.IsDirectory())
            e.Size = 0;
    }
    std::lock_guard lock(g_recentMutex);
    g_recent = {stamp, until, std::move(copy), ++g_serial, order, ascending, natural, from};
    // Nobody took them in time: they go. The timer runs on the application's thread,
    // whichever thread read the directory.
    if (QCoreApplication* app = QCoreApplication::instance()) {
        const quint64 serial = g_serial;
        QMetaObject::invokeMethod(
            app,
            [app, serial, until] {
                QTimer::singleShot(std::max<qint64>(0, until.remainingTime()), app, [serial] {
                    std::vector<TFileObject> dropped;
                    std::lock_guard lock(g_recentMutex);
                    if (g_recent.Serial == serial) {
                        dropped.swap(g_recent.Items);
                        std::vector<int>().swap(g_recent.From);
                    }
                });
            },
            Qt::QueuedConnection);
    }
}

} // namespace

int ObjectCount(const std::vector<TFileObject>& items)
{
    return int(std::count_if(items.begin(), items.end(),
                             [](const TFileObject& e) { return !e.IsParent(); }));
}

bool TFileObject::IsDirectory() const
{
    return (Attr & platform::faDirectory) != 0;
}

TFileListing::~TFileListing()
{
    Directory.clear();
}

int TFileListing::RowOf(const QString& name) const
{
    for (int row = 0; row < Count(); ++row)
        if ((*this)[row].Name == name)
            return row;
    return -1;
}

int TFileListing::ReadDirectory(const QString& directory, platform::TFileOpsProgress* progress)
{
    Directory = directory;
    TotalSize = 0;
    OpenError = ReadError = 0;
    std::vector<TFileObject>().swap(m_items); // the old rows go before the new ones come
    m_keep.reset();
    m_taken.reset();
    platform::TDirectoryStamp stamp;
    const bool stamped = platform::GetDirectoryStamp(directory, stamp);
    TSortedOrder taken;
    if (TakeRecent(stamped ? &stamp : nullptr, m_items, taken.Order, taken.Ascending, taken.Natural,
                   taken.From)) {
        if (taken.From.size() == m_items.size())
            m_taken = std::move(taken);
        RefreshParentRow();
        for (const TFileObject& e : m_items)
            TotalSize += e.Size;
        FileCount = ObjectCount(m_items);
        return Count();
    }
    const auto add = [this](platform::TFoundEntry&& found) {
        if (m_items.empty())
            m_items.reserve(size_t(found.Expected)); // one vector of the right size
        TFileObject& e = m_items.emplace_back();
        e.Name = std::move(found.Name);
        e.Size = found.Size;
        e.DateTime = found.DateTime;
        e.Attr = quint16(found.Attr);
        if (e.Name.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive))
            e.Kind = fkZipFile;
        TotalSize += e.Size;
    };
    int error = 0;
    const bool whole = platform::SearchDirectory(AddSeparator(directory), add, progress, &error);
    (m_items.empty() ? OpenError : ReadError) = error;
    if (whole && stamped && m_items.size() >= kKeepFrom)
        m_keep = TKeep{stamp, directory, m_items.size(), QDeadlineTimer(kKeepForMs).deadline()};
    FileCount = ObjectCount(m_items);
    return Count();
}

void TFileListing::RefreshParentRow()
{
    // The stamp tells that this folder's names are unchanged, not its parent's: the
    // ".." row, the parent's date, is looked up again (one stat).
    for (TFileObject& e : m_items)
        if (e.IsParent()) {
            platform::TFoundEntry found;
            if (platform::FindEntry(AddSeparator(Directory), e.Name, found)) {
                e.DateTime = found.DateTime;
                e.Attr = quint16(found.Attr);
            }
            return;
        }
}

void TFileListing::Swap(TFileListing& other) noexcept
{
    Directory.swap(other.Directory);
    std::swap(TotalSize, other.TotalSize);
    std::swap(FileCount, other.FileCount);
    std::swap(OpenError, other.OpenError);
    std::swap(ReadError, other.ReadError);
    m_items.swap(other.m_items);
    m_keep.swap(other.m_keep);
}

void TFileListing::LoadArchiveMembers(const std::vector<TArchiveMember>& members,
                                      const TFileObject* archiveEntry)
{
    LoadArchiveFolder(TArchiveFolders(members), QString(), archiveEntry);
}

void TFileListing::LoadArchiveFolder(const TArchiveFolders& folders, const QString& folder,
                                     const TFileObject* archiveEntry)
{
    TFileObject parent;
    parent.Name = QStringLiteral("..");
    parent.Kind = fkZipFile;
    if (archiveEntry) {
        parent.Size = archiveEntry->Size;
        parent.DateTime = archiveEntry->DateTime;
        parent.Attr = archiveEntry->Attr;
    }
    std::vector<TFileObject> rows = folders.Rows(folder);
    Clear();
    m_keep.reset();
    TotalSize = 0;
    OpenError = ReadError = 0;
    m_items.reserve(rows.size() + 1);
    m_items.push_back(std::move(parent));
    for (TFileObject& e : rows) {
        TotalSize += e.Size;
        m_items.push_back(std::move(e));
    }
    FileCount = ObjectCount(m_items);
}

bool TFileListing::IsArchiveListing() const
{
    // A disk listing's ".." is a directory of kind fkDisk; an archive's is fkZipFile.
    return !m_items.empty() && m_items.front().Kind == fkZipFile && m_items.front().IsParent();
}

void TFileListing::Sort(quint8 order, bool ascending, bool natural)
{
    if (m_items.size() < 2 || order < soName || order > soExtension)
        return;
    // Entries taken from the other panel's read, sorted the same way there: its order.
    const bool sortedAlready = m_taken && m_taken->Order == order &&
                               m_taken->Ascending == ascending && m_taken->Natural == natural &&
                               m_taken->From.size() == m_items.size();
    std::vector<int> from =
        sortedAlready ? std::move(m_taken->From) : SortedOrder(m_items, order, ascending, natural);
    m_taken.reset();
    // Kept now rather than at the read: the sort's keys are gone by now.
    if (m_keep && m_keep->Directory == Directory && m_keep->Count == m_items.size()) {
        QDeadlineTimer until;
        until.setDeadline(m_keep->UntilMs);
        if (!until.hasExpired())
            KeepRecent(m_keep->Stamp, until, m_items, order, ascending, natural, from);
    }
    m_keep.reset();
    // ".." leads out whatever the order: it goes first.
    for (size_t i = 0; i < from.size(); ++i)
        if (m_items[size_t(from[i])].IsParent()) {
            std::rotate(from.begin(), from.begin() + ptrdiff_t(i), from.begin() + ptrdiff_t(i) + 1);
            break;
        }
    // The rows move along the cycles of the permutation, in place: no second vector.
    for (size_t start = 0; start < from.size(); ++start) {
        if (from[start] < 0 || size_t(from[start]) == start)
            continue;
        TFileObject held = std::move(m_items[start]);
        size_t to = start;
        while (size_t(from[to]) != start) {
            const size_t next = size_t(from[to]);
            m_items[to] = std::move(m_items[next]);
            from[to] = -1;
            to = next;
        }
        m_items[to] = std::move(held);
        from[to] = -1;
    }
}

void TFileListing::DropHidden()
{
    // The rows kept for the other panel (at the sort) hold every entry: it may show them.
    m_keep.reset();
    m_taken.reset();
    const auto hidden = [](const TFileObject& e) {
        return e.Kind != fkZipMember && e.Kind != fkDrive && (e.Attr & platform::faHidden);
    };
    const auto from = std::remove_if(m_items.begin(), m_items.end(), hidden);
    if (from == m_items.end())
        return;
    m_items.erase(from, m_items.end());
    TotalSize = 0;
    for (const TFileObject& e : m_items)
        TotalSize += e.Size;
    FileCount = Count();
}

void TFileListing::LoadDrives(const QStringList& roots)
{
    m_keep.reset();
    m_items.clear();
    m_items.reserve(size_t(roots.size()));
    for (const QString& root : roots) {
        TFileObject e;
        e.Name = root;
        e.Attr = platform::faDirectory;
        e.Kind = fkDrive;
        e.Size = std::max<qint64>(0, platform::FreeSpace(root));
        m_items.push_back(std::move(e));
    }
    Directory = QStringLiteral("Drives");
    TotalSize = 0;
    FileCount = ObjectCount(m_items);
}

QString FormatSize(qint64 value)
{
    return platform::FormatNumber(value);
}

QString AddSeparator(const QString& path)
{
    Q_ASSERT(!path.isEmpty());
    return path.endsWith('/') ? path : path + '/';
}

QString ExtractFileExt(const QString& name)
{
    for (qsizetype i = name.size() - 1; i >= 0; --i) {
        const QChar c = name[i];
        if (c == '.')
            return name.mid(i);
        if (c == '/' || c == '\\' || c == ':')
            break;
    }
    return {};
}

QString NameExtension(const QString& name)
{
    const QString ext = ExtractFileExt(name);
    const qsizetype dot = name.size() - ext.size();
    const bool startsPart = dot == 0 || name[dot - 1] == '/' || name[dot - 1] == '\\';
    return ext.isEmpty() || startsPart ? QString() : ext;
}

QString NameStem(const QString& name)
{
    return name.left(name.size() - NameExtension(name).size());
}
