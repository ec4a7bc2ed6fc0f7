// Moves of 1,000 files (64 MiB) from a tmpfs (/dev/shm) to the disk of the temporary
// folder, against `mv` followed by `sync`: the tree as one item, and the files one by one
// as the move command passes them (one flush for the command). Before them, the cost of
// the two ways of making copies durable before their originals go: fdatasync of each file
// before its rename, against one syncfs of the target file system after all renames.
// Every timed run starts from a settled disk: after a sync and a pause.

#include "support/Bench.h"
#include "transfer/FileOpsMoves.h"
#include "transfer/ShellFileOperation.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

constexpr int kFolders = 10;
constexpr int kFilesPerFolder = 100;
constexpr int kFiles = kFolders * kFilesPerFolder;
constexpr int kRounds = 3;

const platform::TShellFailureHandler kPrintFailure = [](const QString& message) {
    std::fprintf(stderr, "%s\n", qPrintable(message));
};

QString Folder(int i)
{
    return QStringLiteral("d%1").arg(i, 2, 10, QLatin1Char('0'));
}
QString FileName(int i)
{
    return QStringLiteral("f%1.bin").arg(i, 3, 10, QLatin1Char('0'));
}

// From 4 KiB to 124 KiB, 64 MiB in all.
qint64 FileSize(int index)
{
    return (4 + 8 * (index % 16)) * 1024;
}

const QByteArray& Block()
{
    static const QByteArray block = [] {
        QByteArray data(128 * 1024, Qt::Uninitialized);
        quint32 x = 88172645u;
        for (char& c : data) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            c = char(x);
        }
        return data;
    }();
    return block;
}

bool MakeTree(const QString& root)
{
    for (int i = 0; i < kFiles; ++i) {
        const QString dir = root + "/" + Folder(i / kFilesPerFolder);
        QDir().mkpath(dir);
        QFile f(dir + "/" + FileName(i % kFilesPerFolder));
        if (!f.open(QIODevice::WriteOnly) ||
            f.write(Block().constData(), FileSize(i)) != FileSize(i))
            return false;
    }
    return true;
}

void Settle()
{
    ::sync();
    ::sleep(1);
}

double Timed(const std::function<void()>& work)
{
    QElapsedTimer t;
    t.start();
    work();
    return t.nsecsElapsed() / 1e9;
}

void Run(const QString& command)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
    p.waitForFinished(-1);
}

QString Quoted(const QString& path)
{
    return "'" + path + "'";
}

// Writes the 1,000 files under temporary names into `folder` and renames each to its
// name; `each` runs on every file before its rename, `end` once at the end.
double WriteAndRename(const QString& folder, const std::function<void(int fd)>& each,
                      const std::function<void(int dirFd)>& end)
{
    QDir().mkpath(folder);
    const int dir = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    const double seconds = Timed([&] {
        for (int i = 0; i < kFiles; ++i) {
            const QByteArray part = QByteArray::number(i) + ".part";
            const QByteArray name = QByteArray::number(i) + ".bin";
            const int fd = ::openat(dir, part.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
            if (fd < 0 || ::write(fd, Block().constData(), size_t(FileSize(i))) != FileSize(i))
                std::fprintf(stderr, "cannot write %s\n", part.constData());
            each(fd);
            ::close(fd);
            ::renameat(dir, part.constData(), dir, name.constData());
        }
        end(dir);
    });
    ::close(dir);
    QDir(folder).removeRecursively();
    return seconds;
}

void BenchFlushes(const QString& disk)
{
    double each = std::numeric_limits<double>::max(), once = each;
    for (int round = 0; round < kRounds; ++round) {
        Settle();
        each = std::min(each, WriteAndRename(
                                  disk + "/each", [](int fd) { ::fdatasync(fd); }, [](int) {}));
        Settle();
        once = std::min(once, WriteAndRename(
                                  disk + "/once", [](int) {}, [](int dir) { ::syncfs(dir); }));
    }
    bench::Report("1,000 files durable: fdatasync each / one syncfs", each, once, "one syncfs");
}

// `ours` and `reference` move the tree `src` (on the tmpfs) into `dst` (on the disk).
void BenchMoves(const QString& name, const QString& shm, const QString& disk,
                const std::function<void(const QString& src, const QString& dst)>& ours,
                const QString& reference)
{
    double best = std::numeric_limits<double>::max(), mv = best;
    const QString src = shm + "/src", dst = disk + "/dst";
    for (int round = 0; round < kRounds; ++round) {
        for (int side = 0; side < 2; ++side) {
            QDir(dst).removeRecursively();
            QDir(src).removeRecursively();
            QDir().mkpath(dst);
            if (!MakeTree(src)) {
                std::printf("bench_move_across: could not write the test tree\n");
                return;
            }
            Settle();
            // The order of the two sides alternates between rounds.
            if ((side + round) % 2 == 0)
                best = std::min(best, Timed([&] { ours(src, dst); }));
            else
                mv = std::min(mv, Timed([&] {
                                  Run(QString(reference)
                                          .replace("SRC", Quoted(src))
                                          .replace("DST", Quoted(dst)));
                              }));
            if (QDir(src).exists() || !QFile::exists(dst + "/src/d09/f099.bin"))
                std::fprintf(stderr, "the move did not take every file\n");
        }
    }
    QDir(dst).removeRecursively();
    QDir(src).removeRecursively();
    bench::Report(name, best, mv, "mv + sync");
}

void MoveTree(const QString& src, const QString& dst)
{
    platform::ShellFileOperation(platform::TShellFunction::Move, src, dst, false, kPrintFailure);
}

// As the move command does with 1,000 marked files: one call each, one flush at the end.
void MoveFiles(const QString& src, const QString& dst)
{
    platform::TMoveRemovals removals;
    for (int d = 0; d < kFolders; ++d) {
        const QString into = dst + "/src/" + Folder(d);
        QDir().mkpath(into);
        for (int i = 0; i < kFilesPerFolder; ++i)
            platform::ShellFileOperation(platform::TShellFunction::Move,
                                         src + "/" + Folder(d) + "/" + FileName(i), into, false,
                                         kPrintFailure, nullptr, &removals);
    }
    removals.Finish();
    QDir(src).removeRecursively(); // the emptied folders, as mv's own
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir shm(QStringLiteral("/dev/shm/trvx-bench-move-XXXXXX"));
    QTemporaryDir disk(QDir::tempPath() + "/trvx-bench-move-XXXXXX");
    struct stat a {
    }, b{};
    if (!shm.isValid() || !disk.isValid() ||
        ::stat(QFile::encodeName(shm.path()).constData(), &a) != 0 ||
        ::stat(QFile::encodeName(disk.path()).constData(), &b) != 0 || a.st_dev == b.st_dev) {
        std::printf("bench_move_across: skipped, needs /dev/shm on another file system than %s\n",
                    qPrintable(QDir::tempPath()));
        return 0;
    }
    BenchFlushes(disk.path());
    BenchMoves("move 1,000 files, 64 MiB, across (one tree)", shm.path(), disk.path(), MoveTree,
               "mv SRC DST/ && sync");
    BenchMoves("move 1,000 files one by one across", shm.path(), disk.path(), MoveFiles,
               "mkdir DST/src && for d in SRC/*; do mkdir DST/src/${d##*/} && "
               "mv $d/* DST/src/${d##*/}/; done && sync && rm -r SRC");
    return 0;
}
