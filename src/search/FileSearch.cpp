#include "search/FileSearch.h"

#include "listing/FileListing.h"
#include "platform/FileSystem.h"
#include "search/ArchiveNames.h"
#include "search/NameMask.h"
#include "search/TextMatch.h"

#include <QDir>
#include <QUrl>
#include <cstring>
#include <optional>
#include <set>
#include <thread>
#include <utility>

bool IsRemoteSearchFolder(const QString& folder)
{
    const qsizetype scheme = folder.indexOf(QLatin1String("://"));
    return scheme > 0 && !folder.startsWith('/') &&
           !folder.startsWith(QLatin1String("file:"), Qt::CaseInsensitive);
}

QString TSearchHit::ShownName() const
{
    return Member.isEmpty() ? Name : Member.section('/', -1);
}

QString TSearchHit::ShownFolder() const
{
    if (Member.isEmpty())
        return IsRemoteSearchFolder(Folder) ? QUrl(Folder).toDisplayString(QUrl::RemovePassword)
                                            : Folder;
    const qsizetype cut = Member.lastIndexOf('/');
    return Folder + Name + '/' + (cut >= 0 ? Member.left(cut + 1) : QString());
}

std::vector<TSearchHit> TSearchProgress::TakeHits()
{
    const QMutexLocker lock(&m_mutex);
    return std::exchange(m_hits, {});
}

QStringList TSearchProgress::Unreadable() const
{
    const QMutexLocker lock(&m_mutex);
    return m_unreadable;
}

QStringList TSearchProgress::Notes() const
{
    const QMutexLocker lock(&m_mutex);
    return m_notes;
}

void TSearchProgress::AddNote(const QString& note)
{
    const QMutexLocker lock(&m_mutex);
    m_notes << note;
}

void TSearchProgress::AddHits(std::vector<TSearchHit>& hits)
{
    if (hits.empty())
        return;
    const QMutexLocker lock(&m_mutex);
    m_found += int(hits.size());
    m_hits.insert(m_hits.end(), std::make_move_iterator(hits.begin()),
                  std::make_move_iterator(hits.end()));
    hits.clear();
}

void TSearchProgress::AddUnreadable(const QString& folder)
{
    const QMutexLocker lock(&m_mutex);
    m_unreadable << folder;
}

namespace
{

// One search's walk: the compiled masks and text, the folders still to read and those
// entered already.
class TWalk final
{
public:
    TWalk(const TSearchOptions& options, TSearchProgress& progress)
        : m_options(options), m_progress(progress), m_mask(options.Masks)
    {
        if (!options.Text.isEmpty())
            m_text.emplace(options.Text, options.MatchCase);
    }

    void Run()
    {
        const QString root = AddSeparator(QDir::cleanPath(m_options.Folder));
        platform::TDirectoryStamp stamp;
        if (platform::GetDirectoryStamp(root, stamp))
            m_entered.insert({stamp.Device, stamp.Inode});
        m_stack.push_back(root);
        while (!m_stack.empty() && !m_progress.Cancelled()) {
            const QString folder = std::move(m_stack.back());
            m_stack.pop_back();
            ReadFolder(folder);
        }
        m_progress.AddHits(m_batch);
    }

private:
    void ReadFolder(const QString& folder)
    {
        m_progress.Walk.SetCurrent(folder);
        m_folder = folder;
        std::vector<QString> below;
        m_below = &below;
        const bool read = platform::SearchDirectoryNames(
            folder,
            [this](const char* name, platform::TNameKind kind) { return Wanted(name, kind); },
            [this](platform::TFoundEntry&& e) { Found(std::move(e)); }, &m_progress.Walk);
        if (!read && !m_progress.Cancelled())
            m_progress.AddUnreadable(folder);
        // Depth first, each folder's subfolders in the order read.
        m_stack.insert(m_stack.end(), std::make_move_iterator(below.rbegin()),
                       std::make_move_iterator(below.rend()));
        m_progress.AddHits(m_batch);
    }

    // Which names are worth a stat: folders (to go in), names the masks match, and
    // archives when their members are searched.
    bool Wanted(const char* name, platform::TNameKind kind) const
    {
        using platform::TNameKind;
        if (name[0] == '.' && name[1] == '.' && name[2] == '\0')
            return false;
        if (kind == TNameKind::Unknown || (kind == TNameKind::Directory && m_options.Subfolders))
            return true;
        if (kind == TNameKind::Link && m_options.FollowLinks && m_options.Subfolders)
            return true;
        if (m_options.InsideArchives && std::strchr(name, '.') &&
            IsSearchedArchive(QString::fromUtf8(name)))
            return true;
        return m_mask.Matches(name, std::strlen(name));
    }

    void Found(platform::TFoundEntry&& e)
    {
        const bool isFolder = (e.Attr & platform::faDirectory) != 0;
        const bool match = m_mask.Matches(e.Name);
        if (isFolder) {
            if (match && !m_text)
                Hit(e, {});
            if (m_options.Subfolders && (!e.IsLink || m_options.FollowLinks) &&
                m_entered.insert({e.Device, e.Inode}).second)
                m_below->push_back(m_folder + e.Name + '/');
            return;
        }
        if (match && (!m_text || Holds(e)))
            Hit(e, {});
        if (m_options.InsideArchives && IsSearchedArchive(e.Name)) {
            if (m_text)
                MemberContents(e);
            else
                Members(e);
        }
    }

    bool Holds(const platform::TFoundEntry& e) const
    {
        if (m_options.SizeLimit > 0 && e.Size > m_options.SizeLimit)
            return false;
        // The size said is not trusted: the reading itself stops at the limit.
        return m_text->Scan(m_folder + e.Name, m_options.SkipBinary, &m_progress.Walk,
                            m_options.SizeLimit) == TTextMatcher::TResult::Found;
    }

    void Members(const platform::TFoundEntry& e)
    {
        QString failure;
        const auto members = ArchiveMemberNames(m_folder + e.Name, &m_progress.Walk, &failure);
        if (!members) {
            Note(failure);
            return;
        }
        for (const TArchiveMember& m : *members)
            if (MemberWanted(m.Name))
                MemberHit(e, m);
    }

    // Each member the masks match is read into memory, within the limit, and searched.
    void MemberContents(const platform::TFoundEntry& e)
    {
        const QString path = m_folder + e.Name;
        QString failure;
        const auto found = [&](const TMemberContent& m) {
            using TStatus = TMemberContent::TStatus;
            if (m.Status == TStatus::TooLarge)
                m_progress.AddSkippedMember();
            else if (m.Status == TStatus::Unreadable)
                Note(path + '/' + m.Member.Name + QStringLiteral(": ") + m.Why);
            else if (m_text->Scan(m.Data, m_options.SkipBinary) == TTextMatcher::TResult::Found)
                MemberHit(e, m.Member);
        };
        if (!ArchiveMemberContents(
                path, m_options.MemberReadLimit(),
                [this](const QString& name) { return MemberWanted(name); }, found, &m_progress.Walk,
                failure))
            Note(failure);
    }

    bool MemberWanted(const QString& name) const { return m_mask.Matches(name.section('/', -1)); }

    void MemberHit(const platform::TFoundEntry& e, const TArchiveMember& m)
    {
        TSearchHit& hit = Hit(e, m.Name);
        hit.Size = m.Size;
        hit.DateTime = m.DateTime;
        hit.Attr = 0;
    }

    // An archive or member that could not be searched; nothing when the search was
    // stopped meanwhile.
    void Note(const QString& note)
    {
        if (!note.isEmpty() && !m_progress.Cancelled())
            m_progress.AddNote(note);
    }

    TSearchHit& Hit(const platform::TFoundEntry& e, const QString& member)
    {
        constexpr size_t kBatch = 256;
        if (m_batch.size() >= kBatch)
            m_progress.AddHits(m_batch);
        return m_batch.emplace_back(
            TSearchHit{m_folder, e.Name, member, e.Size, e.DateTime, e.Attr});
    }

    const TSearchOptions& m_options;
    TSearchProgress& m_progress;
    TNameMask m_mask;
    std::optional<TTextMatcher> m_text;
    std::vector<QString> m_stack;
    std::set<std::pair<quint64, quint64>> m_entered; // device and inode of folders
    std::vector<TSearchHit> m_batch;
    QString m_folder;                       // the folder being read
    std::vector<QString>* m_below{nullptr}; // its subfolders to enter
};

} // namespace

void RunFileSearch(const TSearchOptions& options, TSearchProgress& progress)
{
    if (options.Remote)
        WalkRemoteFolders(options, progress);
    else
        TWalk(options, progress).Run();
    progress.Walk.SetCurrent(QString());
    progress.Finish();
}

namespace
{

std::atomic<int> g_running{0};

} // namespace

TFileSearch::TFileSearch(TSearchOptions options) : m_shared(std::make_shared<TShared>())
{
    m_shared->Options = std::move(options);
    ++g_running;
    // Detached: nobody waits for a worker stuck in the file system.
    std::thread([shared = m_shared] {
        RunFileSearch(shared->Options, shared->Progress);
        --g_running;
    }).detach();
}

TFileSearch::~TFileSearch()
{
    m_shared->Progress.Cancel();
}

int TFileSearch::Running()
{
    return g_running.load();
}
