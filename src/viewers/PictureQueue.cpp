#include "viewers/PictureQueue.h"

#include "piclib/PicLib.h"

#include <QFile>
#include <algorithm>

namespace viewers
{

TPicture DecodePicture(const QString& fileName, QSize box)
{
    const QByteArray name = QFile::encodeName(fileName);
    std::unique_ptr<QImage> image(
        box.isValid() ? PicLibLoadFitted(name.constData(), box.width(), box.height())
                      : PicLibLoad(name.constData(), 0));
    TPicture picture;
    if (!image) {
        picture.Why = QString::fromUtf8(PicLibErrorText());
        return picture;
    }
    int width = 0, height = 0;
    picture.Full = PicLibLastFullSize(&width, &height) ? QSize(width, height) : image->size();
    picture.Own = PicLibLastScaled(&width, &height) ? QSize(width, height) : image->size();
    picture.Image = std::move(*image);
    return picture;
}

struct TPictureQueue::TEntry {
    enum class TState { Queued, Running, Done };
    TPictureRequest Request;
    TState State{TState::Queued};
    TPicture Picture;
};

TPictureQueue::TPictureQueue(int threads, QObject* parent) : QObject(parent)
{
    m_pool.setMaxThreadCount(std::max(1, threads));
}

TPictureQueue::~TPictureQueue()
{
    {
        const std::lock_guard lock(m_mutex);
        m_wanted.clear();
    }
    m_pool.clear();
    m_pool.waitForDone();
}

void TPictureQueue::Want(const QList<TPictureRequest>& requests)
{
    int fresh = 0;
    {
        const std::lock_guard lock(m_mutex);
        std::list<std::shared_ptr<TEntry>> wanted;
        for (const TPictureRequest& request : requests) {
            const auto same = std::find_if(m_wanted.begin(), m_wanted.end(), [&](const auto& e) {
                return e->Request.Key == request.Key && e->Request.FileName == request.FileName &&
                       e->Request.Box == request.Box;
            });
            if (same != m_wanted.end()) {
                wanted.splice(wanted.end(), m_wanted, same);
            } else {
                wanted.push_back(std::make_shared<TEntry>(TEntry{request, {}, {}}));
                ++fresh;
            }
        }
        m_wanted = std::move(wanted); // what is left here is no longer wanted
    }
    // Each task decodes the first picture still waiting when it runs.
    for (int i = 0; i < fresh; ++i)
        m_pool.start([this] { DecodeNext(); });
}

bool TPictureQueue::IsWanted(int key) const
{
    const std::lock_guard lock(m_mutex);
    return std::any_of(m_wanted.begin(), m_wanted.end(),
                       [key](const auto& e) { return e->Request.Key == key; });
}

int TPictureQueue::Wanted() const
{
    const std::lock_guard lock(m_mutex);
    return int(m_wanted.size());
}

void TPictureQueue::DecodeNext()
{
    std::shared_ptr<TEntry> entry;
    {
        const std::lock_guard lock(m_mutex);
        const auto next = std::find_if(m_wanted.begin(), m_wanted.end(), [](const auto& e) {
            return e->State == TEntry::TState::Queued;
        });
        if (next == m_wanted.end())
            return;
        entry = *next;
        entry->State = TEntry::TState::Running;
    }
    TPicture picture = DecodePicture(entry->Request.FileName, entry->Request.Box);
    bool wanted = false;
    {
        const std::lock_guard lock(m_mutex);
        entry->Picture = std::move(picture);
        entry->State = TEntry::TState::Done;
        wanted = std::find(m_wanted.begin(), m_wanted.end(), entry) != m_wanted.end();
    }
    m_finished.notify_all();
    if (wanted)
        emit Decoded(entry->Request.Key);
}

std::optional<TPicture> TPictureQueue::Take(int key)
{
    std::unique_lock lock(m_mutex);
    const auto found = std::find_if(m_wanted.begin(), m_wanted.end(),
                                    [key](const auto& e) { return e->Request.Key == key; });
    if (found == m_wanted.end())
        return std::nullopt;
    const std::shared_ptr<TEntry> entry = *found;
    m_wanted.erase(found);
    if (entry->State == TEntry::TState::Queued) {
        // Not started: decoded here at once rather than behind the decode under way.
        entry->State = TEntry::TState::Running;
        lock.unlock();
        return DecodePicture(entry->Request.FileName, entry->Request.Box);
    }
    m_finished.wait(lock, [&entry] { return entry->State == TEntry::TState::Done; });
    return std::move(entry->Picture);
}

} // namespace viewers
