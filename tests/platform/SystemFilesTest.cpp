// The "fully" reads and writes of the system file layer: they go on over short counts,
// and a short count followed by a failure is that failure, never success.
#include "platform/SystemFiles.h"
#include "support/TempDir.h"

#include <QByteArray>
#include <cerrno>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>

namespace
{

using platform::TFd;
namespace sys = platform::sys;

// Limits the size of files this process writes to `bytes` while it lives (writes past the
// limit are cut short, then fail with EFBIG instead of raising SIGXFSZ).
class TFileSizeLimit final
{
public:
    explicit TFileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_signal = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_set = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~TFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_signal);
    }
    bool Set() const { return m_set; }

private:
    rlimit m_old{};
    void (*m_signal)(int){};
    bool m_set{false};
};

QByteArray Pattern(int size)
{
    QByteArray data(size, '\0');
    for (int i = 0; i < size; ++i)
        data[i] = char('a' + i % 23);
    return data;
}

TEST(SystemFilesTest, ReadFullyGathersShortReadsUntilTheEnd)
{
    // A packet socket hands out one packet per read: every read but the last is short.
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair), 0);
    TFd reader(pair[0]);
    TFd writer(pair[1]);
    ASSERT_EQ(sys::Write(writer.Get(), "abc", 3), 3);
    ASSERT_EQ(sys::Write(writer.Get(), "defg", 4), 4);
    ASSERT_EQ(sys::Write(writer.Get(), "hi", 2), 2);

    char buffer[16] = {};
    // Asked for less than is there: exactly that much, across two packets.
    EXPECT_EQ(sys::ReadFully(reader.Get(), buffer, 5), 5);
    EXPECT_EQ(QByteArray(buffer, 5), QByteArray("abcde"));

    // Asked for more: what is left of that packet and the next, then the end.
    ASSERT_EQ(shutdown(writer.Get(), SHUT_WR), 0);
    EXPECT_EQ(sys::ReadFully(reader.Get(), buffer, sizeof buffer), 2);
    EXPECT_EQ(QByteArray(buffer, 2), QByteArray("hi"));

    EXPECT_EQ(sys::ReadFully(-1, buffer, sizeof buffer), -1);
    EXPECT_EQ(errno, EBADF);
}

TEST(SystemFilesTest, ShortWritesEndInTheFailureThatFollows)
{
    TempDir dir;
    const QByteArray path = dir("limited").toLocal8Bit();
    const QByteArray data = Pattern(8000);
    {
        TFd fd(sys::Open(path.constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
        ASSERT_TRUE(fd.Valid());
        TFileSizeLimit limit(5000);
        ASSERT_TRUE(limit.Set());
        // The first write takes 5000 bytes and returns short; the next one fails.
        EXPECT_EQ(sys::WriteFully(fd.Get(), data.constData(), size_t(data.size())), EFBIG);
    }
    EXPECT_EQ(readAll(dir("limited")), data.left(5000));

    {
        TFd fd(sys::Open(path.constData(), O_RDWR | O_TRUNC | O_CLOEXEC));
        ASSERT_TRUE(fd.Valid());
        TFileSizeLimit limit(5000);
        ASSERT_TRUE(limit.Set());
        EXPECT_EQ(sys::PWriteFully(fd.Get(), data.constData(), size_t(data.size()), 1000), EFBIG);
        // The file position stays where it was.
        EXPECT_EQ(sys::LSeek(fd.Get(), 0, SEEK_CUR), 0);
    }
    const QByteArray written = readAll(dir("limited"));
    ASSERT_EQ(written.size(), 5000);
    EXPECT_EQ(written.left(1000), QByteArray(1000, '\0'));
    EXPECT_EQ(written.mid(1000), data.left(4000));
}

TEST(SystemFilesTest, WholeWritesLandWhereAsked)
{
    TempDir dir;
    const QByteArray path = dir("whole").toLocal8Bit();
    const QByteArray data = Pattern(300000);
    TFd fd(sys::Open(path.constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    ASSERT_TRUE(fd.Valid());
    EXPECT_EQ(sys::WriteFully(fd.Get(), data.constData(), size_t(data.size())), 0);
    EXPECT_EQ(sys::PWriteFully(fd.Get(), "XYZ", 3, 10), 0);
    EXPECT_EQ(sys::WriteFully(fd.Get(), "!", 1), 0);
    QByteArray expected = data;
    expected.replace(10, 3, "XYZ");
    expected += '!';
    EXPECT_EQ(readAll(dir("whole")), expected);
    EXPECT_EQ(sys::WriteFully(-1, "x", 1), EBADF);
}

} // namespace
