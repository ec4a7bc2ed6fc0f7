#include "platform/FileOpsParts.h"

#include "platform/FileNames.h"
#include "platform/FileOpsSupport.h"

#include <QRandomGenerator>
#include <cerrno>
#include <csignal>
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
    QByteArray random(kRandomChars, Qt::Uninitialized);
    for (char& c : random)
        c = kAlphabet[QRandomGenerator::global()->bounded(int(sizeof kAlphabet - 1))];
    const QByteArray tail = ".trvx" + QByteArray::number(::getpid()) + '-' + random + ".part";
    QByteArray stem = name;
    const qsizetype room = kNameMax - 1 - tail.size();
    if (stem.size() > room) {
        qsizetype cut = room;
        while (cut > 0 && (uchar(stem[cut]) & 0xC0) == 0x80)
            --cut; // never half a UTF-8 sequence
        stem.truncate(cut);
    }
    return '.' + stem + tail;
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
