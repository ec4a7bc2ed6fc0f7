// Unpacking beside the tool a user would run instead, on the same archive in the same
// run: a tar.zst of 1 GiB of mixed files (many small texts, mid-sized files, a few large
// ones, half of the bytes incompressible) unpacked here against `tar -xf`. Everything
// lies on /dev/shm when there is one, else in the temporary folder; each run unpacks
// into a fresh folder, removed before the next.
#include "platform/FileOpsProgress.h"
#include "support/Bench.h"
#include "unpack/Unpack.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <random>

namespace
{

QString ScratchBase()
{
    return QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                     : QDir::tempPath();
}

bool WriteFile(const QString& path, qint64 size, bool random, std::mt19937_64& rng)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray block(int(std::min<qint64>(size, 1 << 20)), Qt::Uninitialized);
    for (qint64 done = 0; done < size; done += block.size()) {
        const int n = int(std::min<qint64>(block.size(), size - done));
        for (int i = 0; i < n; ++i)
            block[i] = random ? char(rng()) : char('a' + (i * 7 + done / 4096) % 26);
        if (file.write(block.constData(), n) != n)
            return false;
    }
    return true;
}

// About 1 GiB: 20,000 files of 4 KiB in 100 folders, 400 of 1 MiB, 7 of 64 MiB.
bool WriteTree(const QString& root)
{
    std::mt19937_64 rng(47);
    for (int i = 0; i < 20000; ++i) {
        const QString folder = root + QStringLiteral("/small/%1").arg(i % 100);
        QDir().mkpath(folder);
        if (!WriteFile(folder + QStringLiteral("/f%1.txt").arg(i), 4096, false, rng))
            return false;
    }
    QDir().mkpath(root + QStringLiteral("/mid"));
    for (int i = 0; i < 400; ++i)
        if (!WriteFile(root + QStringLiteral("/mid/m%1.bin").arg(i), 1 << 20, i % 2 == 0, rng))
            return false;
    QDir().mkpath(root + QStringLiteral("/large"));
    for (int i = 0; i < 7; ++i)
        if (!WriteFile(root + QStringLiteral("/large/l%1.bin").arg(i), 64 << 20, i % 2 == 0, rng))
            return false;
    return true;
}

bool Sh(const QString& command)
{
    return QProcess::execute(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command}) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir(ScratchBase() + QStringLiteral("/trvx-bench-unpack-XXXXXX"));
    const QString tree = dir.filePath(QStringLiteral("tree"));
    const QString archive = dir.filePath(QStringLiteral("mixed.tar.zst"));
    std::printf("writing 1 GiB of mixed files and packing them...\n");
    std::fflush(stdout);
    if (!WriteTree(tree) || !Sh(QStringLiteral("cd '%1' && tar --zstd -cf '%2' tree && rm -rf tree")
                                    .arg(dir.path(), archive))) {
        std::printf("cannot make the archive in %s\n", qPrintable(dir.path()));
        return 1;
    }
    const QString out = dir.filePath(QStringLiteral("out"));
    double ours = 1e9, tool = 1e9;
    for (int run = 0; run < 3; ++run) {
        Sh(QStringLiteral("rm -rf '%1' && mkdir '%1'").arg(out));
        QElapsedTimer timer;
        timer.start();
        platform::TFileOpsProgress progress;
        const TUnpackResult result = Unpack({archive, out, false, {}, false}, progress, {});
        ours = std::min(ours, timer.nsecsElapsed() / 1e9);
        if (result.Written != 20407 || !result.Lines.isEmpty()) {
            std::printf("the unpack wrote %d files: %s\n", result.Written,
                        qPrintable(result.Lines.join('\n')));
            return 1;
        }
        Sh(QStringLiteral("rm -rf '%1' && mkdir '%1'").arg(out));
        tool = std::min(tool, bench::BestCommandSeconds(
                                  1, QStringLiteral("tar -xf '%1' -C '%2'").arg(archive, out)));
    }
    bench::Report(QStringLiteral("Unpack a 1 GiB mixed tar.zst"), ours, tool,
                  QStringLiteral("tar -xf"));
    return 0;
}
