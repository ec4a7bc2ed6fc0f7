// Copy of a tree of 1,000 files totalling 1 GiB, against `cp -r` of the same tree, and
// moves within one file system against `mv`, all in one temporary folder that is
// removed at the end. Caches stay warm for both sides; every timed copy starts after a
// sync and a pause, so neither side pays for the other's write-back.

#include "platform/FileOpsProgress.h"
#include "support/Bench.h"
#include "transfer/ShellFileOperation.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>
#include <sys/statvfs.h>
#include <unistd.h>

namespace
{

constexpr int kFolders = 10;
constexpr int kFilesPerFolder = 100;
constexpr qint64 kTotalBytes = qint64(1) << 30;
constexpr int kCopyRounds = 4;
constexpr int kMoveRounds = 5;

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

// Sizes from a quarter to seven quarters of the mean, adding up to exactly 1 GiB.
qint64 FileSize(int index)
{
    const qint64 mean = kTotalBytes / (kFolders * kFilesPerFolder);
    const qint64 size = mean / 4 + (mean * 3 / 2) * (index % 7) / 6;
    return index == 0 ? 0 : size;
}

bool MakeTree(const QString& root)
{
    QByteArray block(1 << 20, Qt::Uninitialized);
    quint32 x = 88172645u;
    for (char& c : block) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = char(x);
    }
    qint64 total = 0;
    const int count = kFolders * kFilesPerFolder;
    for (int i = 0; i < count; ++i) {
        const QString dir = root + "/" + Folder(i / kFilesPerFolder);
        QDir().mkpath(dir);
        const qint64 size = i == count - 1 ? kTotalBytes - total : FileSize(i);
        QFile f(dir + "/" + FileName(i % kFilesPerFolder));
        if (!f.open(QIODevice::WriteOnly))
            return false;
        for (qint64 left = size; left > 0;) {
            const qint64 n = std::min<qint64>(left, block.size() - (i % 4096));
            if (f.write(block.constData() + (i % 4096), n) != n)
                return false;
            left -= n;
        }
        total += size;
    }
    return true;
}

double Timed(const std::function<void()>& work)
{
    ::sync();
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

// Every copy starts from the same state: only the source and the copies of the round
// before on disk, nothing dirty, the disk settled. Each tool writes into a fresh folder of
// its own, and the copies of a round are deleted together before the next one: a file
// system may keep the inodes of files deleted a moment ago from reuse (ext4 without a
// journal does so for a minute) and look past them at every create, so a copy made just
// after another was deleted pays for it, and the first copy of all does not. The order
// of the two tools alternates between rounds.
void BenchCopy(const QString& src, const QString& out)
{
    double ours = std::numeric_limits<double>::max(), cp = ours;
    const auto settle = [] {
        ::sync();
        ::sleep(1);
    };
    const auto runCp = [&](const QString& folder) {
        settle();
        cp = std::min(cp, Timed([&] { Run("cp -r " + Quoted(src) + " " + Quoted(folder)); }));
    };
    // With the progress record the program's copies fill: entries, bytes, current entry.
    const auto runOurs = [&](const QString& folder) {
        settle();
        platform::TFileOpsProgress progress;
        ours = std::min(ours, Timed([&] {
                            platform::ShellFileOperation(platform::TShellFunction::Copy, src,
                                                         folder, false, kPrintFailure, &progress);
                        }));
        if (progress.Bytes() != kTotalBytes)
            std::fprintf(stderr, "the progress record counted %lld bytes\n",
                         static_cast<long long>(progress.Bytes()));
    };
    for (int round = 0; round < kCopyRounds; ++round) {
        QDir(out).removeRecursively(); // the round before's two copies
        const QString cpFolder = out + "/cp", oursFolder = out + "/ours";
        QDir().mkpath(cpFolder);
        QDir().mkpath(oursFolder);
        if (round % 2 == 0) {
            runCp(cpFolder);
            runOurs(oursFolder);
        } else {
            runOurs(oursFolder);
            runCp(cpFolder);
        }
    }
    QDir(out).removeRecursively();
    bench::Report("copy 1,000 files, 1 GiB (one tree)", ours, cp, "cp -r");
    bench::Figure("copy throughput", kTotalBytes / ours / (1 << 20), "MiB/s");
}

void BenchMoveTree(const QString& src, const QString& parent)
{
    const QString away = parent + "/away";
    QDir().mkpath(away);
    double ours = std::numeric_limits<double>::max(), mv = ours;
    for (int round = 0; round < kMoveRounds; ++round) {
        mv = std::min(mv, Timed([&] { Run("mv " + Quoted(src) + " " + Quoted(away + "/")); }));
        Run("mv " + Quoted(away + "/src") + " " + Quoted(parent + "/"));
        ours = std::min(ours, Timed([&] {
                            platform::ShellFileOperation(platform::TShellFunction::Move, src, away,
                                                         false, kPrintFailure);
                        }));
        Run("mv " + Quoted(away + "/src") + " " + Quoted(parent + "/"));
    }
    bench::Report("move the tree within one file system", ours, mv, "mv");
}

// The move command calls the operation once per selected entry: 1,000 calls here,
// against one mv per folder.
void BenchMoveFiles(const QString& src, const QString& parent)
{
    const QString away = parent + "/away";
    for (int d = 0; d < kFolders; ++d)
        QDir().mkpath(away + "/" + Folder(d));
    QString mvAll, mvBack;
    for (int d = 0; d < kFolders; ++d) {
        mvAll +=
            "mv " + Quoted(src + "/" + Folder(d)) + "/* " + Quoted(away + "/" + Folder(d)) + "/;";
        mvBack +=
            "mv " + Quoted(away + "/" + Folder(d)) + "/* " + Quoted(src + "/" + Folder(d)) + "/;";
    }
    double ours = std::numeric_limits<double>::max(), mv = ours;
    for (int round = 0; round < kMoveRounds; ++round) {
        mv = std::min(mv, Timed([&] { Run(mvAll); }));
        Run(mvBack);
        ours = std::min(ours, Timed([&] {
                            for (int i = 0; i < kFolders * kFilesPerFolder; ++i) {
                                const QString folder = "/" + Folder(i / kFilesPerFolder);
                                platform::ShellFileOperation(platform::TShellFunction::Move,
                                                             src + folder + "/" +
                                                                 FileName(i % kFilesPerFolder),
                                                             away + folder, false, kPrintFailure);
                            }
                        }));
        Run(mvBack);
    }
    bench::Report("move 1,000 files one by one within one file system", ours, mv,
                  "mv (per folder)");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir temp(QDir::tempPath() + "/trvx-bench-fileops-XXXXXX");
    struct statvfs fs {
    };
    if (!temp.isValid() || ::statvfs(QFile::encodeName(temp.path()).constData(), &fs) != 0 ||
        qint64(fs.f_bavail) * qint64(fs.f_frsize) < 4 * kTotalBytes) {
        std::printf("bench_fileops: skipped, needs 4 GiB free in %s\n",
                    qPrintable(QDir::tempPath()));
        return 0;
    }
    const QString src = temp.path() + "/src";
    if (!MakeTree(src)) {
        std::printf("bench_fileops: could not write the test tree\n");
        return 1;
    }
    BenchCopy(src, temp.path() + "/out");
    BenchMoveTree(src, temp.path());
    BenchMoveFiles(src, temp.path());
    return 0;
}
