// The comparison of two folder trees of 100,000 files each (1,000 folders of 100 files,
// the right one a copy with 1% of the files rewritten, 1% missing and 1% added) by name,
// size and date, beside `rsync -a -n --delete` over the same trees in the same run. Both
// read warm trees: each is run once before it is timed. The trees lie on /dev/shm when
// there is one, else in the temporary folder.
#include "support/Bench.h"
#include "sync/SyncSession.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

namespace
{

constexpr int kFolders = 1000, kFiles = 100;

QString ScratchBase()
{
    return QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                     : QDir::tempPath();
}

bool Write(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

// Both trees; false when a file cannot be written.
bool MakeTrees(const QString& left, const QString& right)
{
    for (int d = 0; d < kFolders; ++d) {
        const QString folder = QStringLiteral("/d%1/").arg(d, 4, 10, QLatin1Char('0'));
        if (!QDir().mkpath(left + folder) || !QDir().mkpath(right + folder))
            return false;
        for (int f = 0; f < kFiles; ++f) {
            const QString name = folder + QStringLiteral("file%1.txt").arg(f);
            const QByteArray data = QByteArray::number(d * kFiles + f);
            if (!Write(left + name, data))
                return false;
            // 1% missing on the right, 1% rewritten there (another size), 1% only there.
            if (f == 7)
                continue;
            if (!Write(right + name, f == 13 ? data + "changed" : data))
                return false;
            const QDateTime time = QFileInfo(left + name).lastModified();
            QFile copy(right + name);
            if (f != 13 && (!copy.open(QIODevice::ReadWrite) ||
                            !copy.setFileTime(time, QFileDevice::FileModificationTime)))
                return false;
            if (f == 21 && !Write(right + folder + QStringLiteral("extra%1.txt").arg(f), data))
                return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir(ScratchBase() + QStringLiteral("/trvx-bench-sync-XXXXXX"));
    const QString left = dir.filePath(QStringLiteral("left")),
                  right = dir.filePath(QStringLiteral("right"));
    std::printf("making two trees of %d files...\n", kFolders * kFiles);
    std::fflush(stdout);
    if (!MakeTrees(left, right)) {
        std::printf("cannot write the trees\n");
        return 1;
    }
    std::vector<TSyncRow> rows;
    const TSyncOptions options;
    const auto compare = [&] { rows = CompareFolders(left, right, options); };
    compare();
    const double ours = bench::BestSeconds(5, compare);
    const QString rsync =
        QStringLiteral("rsync -a -n --delete '%1/' '%2/' >/dev/null").arg(left, right);
    bench::BestCommandSeconds(1, rsync);
    const double tool = bench::BestCommandSeconds(5, rsync);
    int differing = 0;
    for (const TSyncRow& row : rows)
        differing += row.State != TSyncState::Equal;
    // 1% missing, 1% rewritten, 1% added on the right: 3,000 rows differ.
    if (differing != 3 * kFolders) {
        std::printf("the comparison found %d differences, not %d\n", differing, 3 * kFolders);
        return 1;
    }
    bench::Report(QStringLiteral("Compare two trees of 100,000 files by name, size and date"), ours,
                  tool, QStringLiteral("rsync -a -n --delete"));
    return 0;
}
