#pragma once
// Decoding pictures off the window's thread, in the order they are wanted. No widgets.
//
// DecodePicture decodes one file through PicLib, scaled down to fit a box when one is
// given (a JPEG is then decoded at a fraction of its size and scaled the rest of the way,
// in less time and memory than a whole decode scaled after).
// TPictureQueue keeps the pictures a viewer will want next: it decodes them on threads of
// its own (one or two, for the machine's other work), first asked first; asking again
// reorders them and forgets the others (those not started never start; one being decoded
// runs out and its result is dropped), so only the pictures asked for are held. Take()
// gives a wanted picture, waiting for its decode; one that has not started yet is decoded
// on the caller's thread at once rather than waiting behind the others.
//
// Threads: DecodePicture runs on any thread. A queue is used from one thread (the one that
// calls Want and Take); Decoded is emitted on the decode thread.

#include <QImage>
#include <QList>
#include <QObject>
#include <QSize>
#include <QString>
#include <QThreadPool>
#include <condition_variable>
#include <list>
#include <memory>
#include <mutex>
#include <optional>

namespace viewers
{

// A decoded picture, or why there is none.
struct TPicture {
    QImage Image;
    QSize Full;  // the size it has decoded whole (Image is smaller when fitted to a box)
    QSize Own;   // its own size (larger than Full when it takes more than the memory limit)
    QString Why; // why there is no image
    // Decoded at less than its full size, to fit a box.
    bool Reduced() const { return !Image.isNull() && Image.size() != Full; }
};

// Decodes `fileName`; with a valid `box`, scaled down to fit in it (proportions kept).
TPicture DecodePicture(const QString& fileName, QSize box = {});

struct TPictureRequest {
    int Key{-1}; // the caller's name for the picture (a viewer's place in its folder)
    QString FileName;
    QSize Box; // fit in it when valid, else decode whole
};

class TPictureQueue final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TPictureQueue)
public:
    // Decodes on at most `threads` threads at a time (besides the callers of Take).
    explicit TPictureQueue(int threads, QObject* parent = nullptr);
    // Drops what has not started and waits for the decode under way.
    ~TPictureQueue() override;

    // Wants these pictures, decoded in this order, and no other. A request that matches
    // one already wanted (key, file and box) keeps its work and its result.
    void Want(const QList<TPictureRequest>& requests);
    bool IsWanted(int key) const;
    // The wanted picture `key`, no longer wanted after: waits for its decode, or decodes it
    // here when it has not started. Empty when `key` is not wanted.
    std::optional<TPicture> Take(int key);
    // How many pictures are wanted (queued, being decoded or decoded and held).
    int Wanted() const;

signals:
    void Decoded(int key);

private:
    struct TEntry;
    void DecodeNext();

    mutable std::mutex m_mutex;
    std::condition_variable m_finished;
    std::list<std::shared_ptr<TEntry>> m_wanted; // in the order asked
    QThreadPool m_pool;
};

} // namespace viewers
