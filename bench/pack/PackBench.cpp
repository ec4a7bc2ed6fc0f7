// Packing beside the tool a user would run instead, on the same files in the same run:
// 1 GiB of mixed files (half random bytes that do not compress, half varied text that
// does; a few large files and many small ones, in folders) packed into tar.zst at the
// default level, against `tar --zstd -cf`. The files lie on /dev/shm when there is one,
// else in the temporary folder, so both read from memory.
#include "pack/Pack.h"
#include "support/Bench.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <random>
#include <sys/resource.h>

namespace
{

constexpr qint64 kHalf = qint64(512) << 20;

// CPU seconds (user + system) of the children that have ended: the tool's processes.
double ChildCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return double(u.ru_utime.tv_sec) + double(u.ru_utime.tv_usec) / 1e6 +
           double(u.ru_stime.tv_sec) + double(u.ru_stime.tv_usec) / 1e6;
}

QString ScratchBase()
{
    return QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                     : QDir::tempPath();
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// 512 MiB of random bytes in 32 files of 16 MiB, and 512 MiB of text in 4096 files of
// 128 KiB spread over 64 folders.
bool WriteTree(const QString& root)
{
    std::mt19937_64 random(47);
    QDir().mkpath(root + QStringLiteral("/large"));
    QByteArray block(16 << 20, Qt::Uninitialized);
    for (int i = 0; i < int(kHalf / block.size()); ++i) {
        auto* words = reinterpret_cast<quint64*>(block.data());
        for (int w = 0; w < block.size() / 8; ++w)
            words[w] = random();
        if (!WriteFile(root + QStringLiteral("/large/noise%1.bin").arg(i), block))
            return false;
    }
    static const char* const words[] = {"archive ", "folder ", "panel ", "cursor ", "copy ",
                                        "the ",     "of ",     "and ",   "12345 ",  "\n"};
    const int smallSize = 128 << 10;
    for (int i = 0; i < int(kHalf / smallSize); ++i) {
        QByteArray text;
        text.reserve(smallSize + 16);
        while (text.size() < smallSize)
            text += words[random() % 10];
        text.truncate(smallSize);
        const QString folder = root + QStringLiteral("/text/d%1").arg(i % 64);
        QDir().mkpath(folder);
        if (!WriteFile(folder + QStringLiteral("/t%1.txt").arg(i), text))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir(ScratchBase() + QStringLiteral("/trvx-bench-pack-XXXXXX"));
    std::printf("writing 1 GiB of mixed files...\n");
    std::fflush(stdout);
    if (!WriteTree(dir.filePath(QStringLiteral("src")))) {
        std::printf("cannot write the files in %s\n", qPrintable(dir.path()));
        return 1;
    }
    QDir().mkpath(dir.filePath(QStringLiteral("out")));
    const QString ours = dir.filePath(QStringLiteral("out/ours.tar.zst"));
    const QString theirs = dir.filePath(QStringLiteral("out/tar.tar.zst"));
    bool done = true;
    const double cpuBefore = bench::CpuSeconds();
    const double pack = bench::BestSeconds(2, [&] {
        QFile::remove(ours);
        platform::TFileOpsProgress progress;
        const TPackRequest request{dir.filePath(QStringLiteral("src/")),
                                   {QStringLiteral("large"), QStringLiteral("text")},
                                   ours,
                                   TPackFormat::TarZst,
                                   PackFormatInfo(TPackFormat::TarZst).DefaultLevel};
        done = done && Pack(request, progress).Outcome == TPackResult::TOutcome::Done;
    });
    const double cpuOurs = (bench::CpuSeconds() - cpuBefore) / 2;
    const double childBefore = ChildCpuSeconds();
    const double tool = bench::BestCommandSeconds(
        2, QStringLiteral("rm -f '%1' && tar --zstd -cf '%1' -C '%2' large text")
               .arg(theirs, dir.filePath(QStringLiteral("src"))));
    const double cpuTool = (ChildCpuSeconds() - childBefore) / 2;
    if (!done) {
        std::printf("packing failed\n");
        return 1;
    }
    bench::Report(QStringLiteral("Pack 1 GiB of mixed files into tar.zst"), pack, tool,
                  QStringLiteral("tar --zstd -cf"));
    // CPU time does not move with the machine's load as the wall-clock time does.
    bench::Report(QStringLiteral("The same, CPU time per run"), cpuOurs, cpuTool,
                  QStringLiteral("tar and zstd"));
    std::printf("sizes: ours %lld bytes, tar's %lld bytes\n", QFile(ours).size(),
                QFile(theirs).size());
    return 0;
}
