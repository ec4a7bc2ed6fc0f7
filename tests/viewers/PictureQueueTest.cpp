// The picture queue: the picture waited for is decoded at once even while the queue's
// thread is busy, pictures no longer wanted never start, and the order last asked holds.
// A named pipe stands for a slow picture: once its decode has opened it, the test holds the
// other end open and the decode waits for data until the test writes the picture, so the
// queue's thread is busy for exactly as long as the test says.
#include "viewers/PictureQueue.h"
#include "support/TempDir.h"

#include <QBuffer>
#include <QImage>
#include <QTest>
#include <atomic>
#include <condition_variable>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using viewers::TPictureQueue;

namespace
{

constexpr int Bound = 20000; // ms: a generous bound on conditions that come at once

QString WritePng(const TempDir& dir, const QString& name, QRgb colour)
{
    QImage image(QSize(40, 30), QImage::Format_RGB32);
    image.fill(colour);
    const QString path = dir(name);
    EXPECT_TRUE(image.save(path, "PNG"));
    return path;
}

QString MakePipe(const TempDir& dir, const QString& name)
{
    const QString path = dir(name);
    EXPECT_EQ(0, ::mkfifo(QFile::encodeName(path).constData(), 0600));
    return path;
}

// The writing end of `pipe` once a decode has opened it for reading, or -1 when none has.
// The decode then waits for the picture until Release().
int Reader(const QString& pipe)
{
    return ::open(QFile::encodeName(pipe).constData(), O_WRONLY | O_NONBLOCK);
}

int WaitForReader(const QString& pipe)
{
    int fd = -1;
    EXPECT_TRUE(QTest::qWaitFor([&] { return (fd = Reader(pipe)) >= 0; }, Bound));
    return fd;
}

// Lets the decode reading the pipe go on: writes a small picture into it and closes it.
void Release(int fd)
{
    if (fd < 0)
        return;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImage(QSize(4, 4), QImage::Format_RGB32).save(&buffer, "PNG");
    EXPECT_EQ(png.size(), ::write(fd, png.constData(), size_t(png.size())));
    ::close(fd);
}

} // namespace

TEST(PictureQueue, ThePictureWaitedForIsDecodedAtOnceWhileTheQueueIsBusy)
{
    TempDir dir;
    const QString pipe = MakePipe(dir, "slow.png");
    const QString wanted = WritePng(dir, "wanted.png", qRgb(200, 10, 10));
    auto queue = std::make_unique<TPictureQueue>(1);
    queue->Want({{0, pipe, {}}, {1, wanted, {}}});
    const int busy = WaitForReader(pipe);
    ASSERT_GE(busy, 0);

    // Should Take() wait behind the blocked decode, a watchdog lets that go after the bound.
    std::mutex mutex;
    std::condition_variable taken;
    bool done = false;
    std::atomic<bool> watchdogFired{false};
    std::thread watchdog([&] {
        std::unique_lock lock(mutex);
        if (!taken.wait_for(lock, std::chrono::milliseconds(Bound), [&] { return done; })) {
            watchdogFired = true;
            Release(busy);
        }
    });
    const std::optional<viewers::TPicture> picture = queue->Take(1);
    {
        const std::lock_guard lock(mutex);
        done = true;
    }
    taken.notify_all();
    watchdog.join();
    EXPECT_FALSE(watchdogFired) << "the picture waited for queued behind the busy thread";
    ASSERT_TRUE(picture.has_value());
    ASSERT_FALSE(picture->Image.isNull()) << qPrintable(picture->Why);
    EXPECT_EQ(qRgb(200, 10, 10), picture->Image.pixel(5, 5));
    EXPECT_FALSE(queue->IsWanted(1)); // taken: no longer held
    if (!watchdogFired)
        Release(busy);
    queue.reset(); // waits for the decode of the pipe
}

TEST(PictureQueue, PicturesNoLongerWantedNeverStartAndTheLatestOrderHolds)
{
    TempDir dir;
    const QString first = MakePipe(dir, "first.png");
    const QString dropped = MakePipe(dir, "dropped.png");
    const QString b = WritePng(dir, "b.png", qRgb(10, 200, 10));
    const QString c = WritePng(dir, "c.png", qRgb(10, 10, 200));
    const QSize box(20, 20);
    auto queue = std::make_unique<TPictureQueue>(1);
    QList<int> decoded;
    QObject::connect(queue.get(), &TPictureQueue::Decoded, queue.get(),
                     [&decoded](int key) { decoded << key; });
    queue->Want({{0, first, box}, {1, dropped, box}, {2, b, box}, {3, c, box}});
    const int busy = WaitForReader(first);
    ASSERT_GE(busy, 0);
    // The user has gone the other way: 1 is no longer wanted, 3 comes before 2.
    queue->Want({{3, c, box}, {2, b, box}});
    EXPECT_EQ(2, queue->Wanted());
    Release(busy);

    const bool both = QTest::qWaitFor([&] { return decoded.size() == 2; }, Bound);
    const int droppedReader = Reader(dropped);
    const bool droppedStarted = droppedReader >= 0;
    Release(droppedReader); // lets the queue end
    EXPECT_TRUE(both) << "decoded: " << decoded.size();
    EXPECT_FALSE(droppedStarted) << "a picture no longer wanted was decoded";
    EXPECT_EQ(QList<int>({3, 2}), decoded);
    EXPECT_FALSE(queue->Take(1).has_value());
    const std::optional<viewers::TPicture> third = queue->Take(3);
    ASSERT_TRUE(third.has_value());
    // Fitted to the box, proportions kept, its whole size known.
    EXPECT_EQ(QSize(20, 15), third->Image.size());
    EXPECT_EQ(QSize(40, 30), third->Full);
    EXPECT_TRUE(third->Reduced());
    EXPECT_EQ(qRgb(10, 10, 200), third->Image.pixel(10, 7));
    EXPECT_EQ(1, queue->Wanted());
}
