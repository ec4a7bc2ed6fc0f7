// The file search in a remote folder: each folder is read whole through
// TRemotePlaces::ReadFolder on the search's worker, depth first as on disk, and a file's
// content, when a text is asked for, is streamed through ReadBlocks and never stored.
// A cancel reaches the GIO call under way at once (TSearchProgress::RemoteCancel).
#include "platform/FileSystem.h"
#include "search/FileSearch.h"
#include "search/NameMask.h"
#include "search/TextMatch.h"

#include <QDateTime>
#include <QUrl>
#include <optional>

namespace
{

// Links to folders are entered only this deep: the names of a remote place say nothing of
// where a link leads, so a loop of links is cut off by its depth.
constexpr int kMaxLinkDepth = 16;

// Local time as the panels keep it: days since 30 December 1899.
double PanelDateTime(qint64 secondsSinceEpoch)
{
    if (secondsSinceEpoch <= 0)
        return 0;
    const QDateTime local = QDateTime::fromSecsSinceEpoch(secondsSinceEpoch);
    return double(QDate(1899, 12, 30).daysTo(local.date())) +
           local.time().msecsSinceStartOfDay() / 86400000.0;
}

QString Shown(const QString& uri)
{
    return QUrl(uri).toDisplayString(QUrl::RemovePassword);
}

class TRemoteWalk final
{
public:
    TRemoteWalk(const TSearchOptions& options, TSearchProgress& progress)
        : m_options(options), m_progress(progress), m_places(*options.Remote), m_mask(options.Masks)
    {
        if (!options.Text.isEmpty())
            m_text.emplace(options.Text, options.MatchCase);
    }

    void Run()
    {
        if (m_options.InsideArchives)
            m_progress.AddNote(QStringLiteral("Archives on remote places are not searched "
                                              "inside: only their names were looked at."));
        QString root = m_options.Folder;
        if (!root.endsWith('/'))
            root += '/';
        m_stack.push_back({root, 0});
        while (!m_stack.empty() && !m_progress.Cancelled()) {
            const TFolder folder = std::move(m_stack.back());
            m_stack.pop_back();
            ReadFolder(folder);
        }
        m_progress.AddHits(m_batch);
    }

private:
    struct TFolder {
        QString Uri; // ending in "/"
        int LinkDepth{0};
    };

    void ReadFolder(const TFolder& folder)
    {
        m_progress.Walk.SetCurrent(Shown(folder.Uri));
        const platform::TRemoteFolder read =
            m_places.ReadFolder(folder.Uri, &m_progress.RemoteCancel);
        if (read.Cancelled || m_progress.Cancelled())
            return;
        if (!read.Error.isEmpty())
            m_progress.AddUnreadable(read.Error);
        std::vector<TFolder> below;
        for (const platform::TRemoteEntry& entry : read.Entries) {
            if (m_progress.Cancelled())
                return;
            if (entry.Name == QLatin1String(".") || entry.Name == QLatin1String(".."))
                continue;
            m_progress.Walk.AddItem();
            if (entry.Folder)
                FoundFolder(folder, entry, below);
            else if (m_mask.Matches(entry.Name) && (!m_text || Holds(folder.Uri, entry)))
                Hit(folder.Uri, entry);
        }
        // Depth first, each folder's subfolders in the order read.
        m_stack.insert(m_stack.end(), std::make_move_iterator(below.rbegin()),
                       std::make_move_iterator(below.rend()));
        m_progress.AddHits(m_batch);
    }

    void FoundFolder(const TFolder& folder, const platform::TRemoteEntry& entry,
                     std::vector<TFolder>& below)
    {
        if (!m_text && m_mask.Matches(entry.Name))
            Hit(folder.Uri, entry);
        if (!m_options.Subfolders)
            return;
        const int depth = folder.LinkDepth + (entry.Symlink ? 1 : 0);
        if (entry.Symlink && (!m_options.FollowLinks || depth > kMaxLinkDepth))
            return;
        QString uri = m_places.Child(folder.Uri, entry.Name);
        if (!uri.endsWith('/'))
            uri += '/';
        below.push_back({uri, depth});
    }

    bool Holds(const QString& folder, const platform::TRemoteEntry& entry)
    {
        if (m_options.SizeLimit > 0 && entry.Size > m_options.SizeLimit)
            return false;
        const QString uri = m_places.Child(folder, entry.Name);
        platform::TRemoteResult read;
        // The size said is not trusted: the scan stops reading at the limit.
        const auto result = m_text->Scan(
            [&](const TTextMatcher::TBlockSink& sink) {
                read = m_places.ReadBlocks(uri, sink, &m_progress.RemoteCancel);
                return read.Ok;
            },
            m_options.SkipBinary, [this] { return m_progress.Cancelled(); }, m_options.SizeLimit);
        if (result == TTextMatcher::TResult::Unreadable && !read.Cancelled &&
            !m_progress.Cancelled())
            m_progress.AddNote(read.Error);
        return result == TTextMatcher::TResult::Found;
    }

    void Hit(const QString& folder, const platform::TRemoteEntry& entry)
    {
        constexpr size_t kBatch = 256;
        if (m_batch.size() >= kBatch)
            m_progress.AddHits(m_batch);
        const quint32 attr = entry.Folder ? platform::faDirectory : platform::faArchive;
        m_batch.push_back(TSearchHit{folder,
                                     entry.Name,
                                     {},
                                     entry.Folder ? 0 : entry.Size,
                                     PanelDateTime(entry.Modified),
                                     attr});
    }

    const TSearchOptions& m_options;
    TSearchProgress& m_progress;
    platform::TRemotePlaces& m_places;
    TNameMask m_mask;
    std::optional<TTextMatcher> m_text;
    std::vector<TFolder> m_stack;
    std::vector<TSearchHit> m_batch;
};

} // namespace

void WalkRemoteFolders(const TSearchOptions& options, TSearchProgress& progress)
{
    TRemoteWalk(options, progress).Run();
}
