// The file search beside the tools a user would run instead, on the same tree in the
// same run: by name over 1,000,000 entries against `find DIR -iname MASK`, and by
// content over 1 GB of text files against `grep -rliF TEXT DIR`. The trees are built
// on /dev/shm when there is one (else in the temporary folder) and removed after.
#include "search/FileSearch.h"
#include "support/Bench.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <random>

namespace
{

constexpr int kFolders = 1000;
constexpr int kFilesPerFolder = 999; // with the folders: 1,000,000 entries

QString ScratchBase()
{
    return QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                     : QDir::tempPath();
}

// Runs a search on its worker thread to its end; the number of hits.
int Search(const TSearchOptions& options)
{
    TFileSearch search(options);
    while (!search.Progress().Finished())
        QThread::usleep(200);
    return int(search.Progress().TakeHits().size());
}

void BenchNames()
{
    QTemporaryDir tree(ScratchBase() + QStringLiteral("/trvx-bench-search-XXXXXX"));
    std::printf("building %d entries...\n", kFolders * (kFilesPerFolder + 1));
    std::fflush(stdout);
    for (int d = 0; d < kFolders; ++d) {
        const QString folder = tree.filePath(QStringLiteral("folder%1/").arg(d, 4, 10, QChar('0')));
        QDir().mkpath(folder);
        for (int f = 0; f < kFilesPerFolder; ++f) {
            QFile file(
                folder +
                QStringLiteral("File%1.%2").arg(f, 4, 10, QChar('0')).arg(f % 5 ? "txt" : "Log"));
            file.open(QIODevice::WriteOnly);
        }
    }
    TSearchOptions options;
    options.Folder = tree.path();
    options.Masks = QStringLiteral("*40.log");
    int hits = 0;
    const double ours = bench::BestSeconds(3, [&] { hits = Search(options); });
    const double reference =
        bench::BestCommandSeconds(3, QStringLiteral("find '%1' -iname '*40.log'").arg(tree.path()));
    bench::Report(QStringLiteral("Find by name *40.log, 1,000,000 entries (%1 hits)").arg(hits),
                  ours, reference, QStringLiteral("find -iname"));
}

// About 1 MiB of words, the same for every file but for where the needle may go.
QByteArray TextBlock(std::mt19937& random)
{
    static const char* const kWords[] = {"alpha",  "river",  "stone",  "garden", "window",
                                         "paper",  "silver", "orange", "market", "yellow",
                                         "letter", "bridge", "cotton", "planet", "summer"};
    QByteArray text;
    text.reserve(1 << 20);
    while (text.size() < (1 << 20) - 64) {
        text += kWords[random() % 15];
        text += random() % 12 ? ' ' : '\n';
    }
    return text;
}

void BenchContent()
{
    QTemporaryDir tree(ScratchBase() + QStringLiteral("/trvx-bench-search-XXXXXX"));
    constexpr int kFiles = 1024; // of 1 MiB each
    std::printf("building %d files of 1 MiB...\n", kFiles);
    std::fflush(stdout);
    std::mt19937 random(7);
    const QByteArray block = TextBlock(random);
    for (int i = 0; i < kFiles; ++i) {
        const QString folder = tree.filePath(QStringLiteral("part%1/").arg(i % 32));
        QDir().mkpath(folder);
        QFile file(folder + QStringLiteral("text%1.txt").arg(i));
        file.open(QIODevice::WriteOnly);
        file.write(block);
        if (i % 100 == 99)
            file.write("\nthe Lighthouse keeper\n"); // at the end: the whole file is read
    }
    TSearchOptions options;
    options.Folder = tree.path();
    options.Text = QStringLiteral("lighthouse");
    int hits = 0;
    const double ours = bench::BestSeconds(3, [&] { hits = Search(options); });
    const double reference =
        bench::BestCommandSeconds(3, QStringLiteral("grep -rliF lighthouse '%1'").arg(tree.path()));
    bench::Report(QStringLiteral("Find by content, 1 GiB of text (%1 hits)").arg(hits), ours,
                  reference, QStringLiteral("grep -rliF"));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    BenchNames();
    BenchContent();
    return 0;
}
