#include "platform/FileOpsParts.h"

#include "platform/FileNames.h"
#include "platform/FileOpsSupport.h"

#include <QRandomGenerator>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace platform
{

namespace
{

constexpr int kNameMax = 255;
constexpr int kRandomChars = 6;
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

bool IsAlnum(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// The process id of a temporary name of the form above; 0 when `name` is none.
pid_t OwnerOf(const QByteArray& name)
{
    static const QByteArray kPart = ".part", kMark = ".trvx";
    if (!name.startsWith('.') || !name.endsWith(kPart))
        return 0;
    const qsizetype end = name.size() - kPart.size(); // where ".part" starts
    const qsizetype dash = end - kRandomChars - 1;
    if (dash < 2 || name[dash] != '-')
        return 0;
    for (qsizetype i = dash + 1; i < end; ++i)
        if (!IsAlnum(name[i]))
            return 0;
    const qsizetype mark = name.lastIndexOf(kMark, dash);
    if (mark < 1)
        return 0;
    const QByteArray digits = name.mid(mark + kMark.size(), dash - mark - kMark.size());
    if (digits.isEmpty() || digits.size() > 9)
        return 0;
    for (char c : digits)
        if (c < '0' || c > '9')
            return 0;
    return pid_t(digits.toInt());
}

bool ProcessEnded(pid_t pid)
{
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

} // namespace

QByteArray PartFileName(const QByteArray& name)
{
    // One draw of the shared generator gives all six characters (62^6 < 2^64): a copy
    // asks for a name per file, and each draw takes the generator's lock.
    char random[kRandomChars];
    quint64 bits = QRandomGenerator::global()->generate64();
    for (char& c : random) {
        c = kAlphabet[bits % (sizeof kAlphabet - 1)];
        bits /= sizeof kAlphabet - 1;
    }
    char tail[48];
    const int tailSize = std::snprintf(tail, sizeof tail, ".trvx%d-%.*s.part", int(::getpid()),
                                       kRandomChars, random);
    qsizetype stem = name.size();
    const qsizetype room = kNameMax - 1 - tailSize;
    if (stem > room) {
        stem = room;
        while (stem > 0 && (uchar(name[stem]) & 0xC0) == 0x80)
            --stem; // never half a UTF-8 sequence
    }
    QByteArray part;
    part.reserve(1 + stem + tailSize);
    part.append('.').append(name.constData(), stem).append(tail, tailSize);
    return part;
}

int RemoveStalePartFiles(int dirFd)
{
    std::vector<QByteArray> names;
    if (ReadDirectoryNames(dirFd, names) != 0)
        return 0;
    int removed = 0;
    for (const QByteArray& name : names) {
        const pid_t owner = OwnerOf(name);
        if (owner == 0 || owner == ::getpid() || !ProcessEnded(owner))
            continue;
        struct stat st {
        };
        if (::fstatat(dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
            ::unlinkat(dirFd, name.constData(), 0) == 0)
            ++removed;
    }
    return removed;
}

int RemoveStalePartFiles(const QString& folder)
{
    if (!folder.startsWith(QLatin1Char('/')))
        return 0;
    const TFd dir(::open(EncodeFileName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return dir.Valid() ? RemoveStalePartFiles(dir.Get()) : 0;
}

} // namespace platform
