// Checksums beside the tool a user would run instead, on the same file in the same run:
// the SHA-256 of 1 GiB of varied bytes against `sha256sum FILE` (the file lies on
// /dev/shm when there is one, else in the temporary folder, so both read from memory).
// Also the comparison of two equal 1 GiB files against `cmp`.
#include "checks/Digest.h"
#include "checks/FileCompare.h"
#include "support/Bench.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <random>

namespace
{

constexpr qint64 kSize = qint64(1) << 30;

QString ScratchBase()
{
    return QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                     : QDir::tempPath();
}

bool WriteRandom(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    std::mt19937_64 random(47);
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (qint64 done = 0; done < kSize; done += block.size()) {
        auto* words = reinterpret_cast<quint64*>(block.data());
        for (int i = 0; i < block.size() / 8; ++i)
            words[i] = random();
        if (file.write(block) != block.size())
            return false;
    }
    return true;
}

QByteArray ToolDigest(const QString& path)
{
    QProcess tool;
    tool.start(QStringLiteral("sha256sum"), {path});
    tool.waitForFinished(-1);
    return tool.readAllStandardOutput().left(64);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir(ScratchBase() + QStringLiteral("/trvx-bench-checks-XXXXXX"));
    const QString file = dir.filePath(QStringLiteral("data.bin"));
    std::printf("writing 1 GiB...\n");
    std::fflush(stdout);
    if (!WriteRandom(file)) {
        std::printf("cannot write %s\n", qPrintable(file));
        return 1;
    }
    QByteArray ours;
    const double sha = bench::BestSeconds(
        3, [&] { ours = DigestFile(file, TDigestKind::Sha256).Hex; });
    const double tool = bench::BestCommandSeconds(3, QStringLiteral("sha256sum '%1'").arg(file));
    if (ours != ToolDigest(file)) {
        std::printf("the digests differ\n");
        return 1;
    }
    bench::Report(QStringLiteral("SHA-256 of 1 GiB"), sha, tool, QStringLiteral("sha256sum"));

    const QString copy = dir.filePath(QStringLiteral("copy.bin"));
    QFile::copy(file, copy);
    const double compare = bench::BestSeconds(3, [&] { CompareFiles(file, copy); });
    const double cmp =
        bench::BestCommandSeconds(3, QStringLiteral("cmp '%1' '%2'").arg(file, copy));
    bench::Report(QStringLiteral("Compare two equal 1 GiB files"), compare, cmp,
                  QStringLiteral("cmp"));
    return 0;
}
