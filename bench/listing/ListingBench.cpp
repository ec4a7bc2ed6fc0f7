// Listing a 100,000-file folder: reading and sorting against find | sort, memory per
// entry, the first complete paint of a panel, and re-sorting by each order. Then a
// 1,000,000-entry folder (on /dev/shm when there is one) read, sorted and shown in one
// panel against find | sort, with the peak memory growth per entry and the re-sort time.
#include "controls/VirtualListView.h"
#include "listing/FileListing.h"
#include "main/uMain.h"
#include "platform/Messages.h"
#include "support/Bench.h"
#include "zip/ZipArchive.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

namespace
{

constexpr int kFiles = 100000;

void MakeFolder(const QString& path)
{
    for (int i = 0; i < kFiles; ++i) {
        QFile f(QStringLiteral("%1/file%2.%3")
                    .arg(path)
                    .arg(i, 6, 10, QChar('0'))
                    .arg(i % 7 ? "txt" : "dat"));
        f.open(QIODevice::WriteOnly);
        if (i % 3 == 0)
            f.write("x");
    }
}

// A read of another folder: the next read of the benchmark's folder asks the file system
// instead of taking the copy that a sorted read of a large folder leaves for a moment.
void ForgetKeptRead()
{
    TFileListing other;
    other.ReadDirectory(QDir::rootPath());
}

void BenchReadAndSort(const QString& dir)
{
    TFileListing listing;
    const double ours = bench::BestSeconds(3, [&] {
        ForgetKeptRead();
        listing.ReadDirectory(dir);
        listing.Sort(soName);
    });
    const double reference = bench::BestCommandSeconds(
        3, QStringLiteral("find '%1' -maxdepth 1 -printf '%s %T@ %m %f\\n' | sort > /dev/null")
               .arg(dir));
    bench::Report(QStringLiteral("ReadDirectory + Sort by name, 100,000 files"), ours, reference,
                  QStringLiteral("find | sort"));

    TFileListing measured;
    ForgetKeptRead();
    const size_t before = mallinfo2().uordblks;
    measured.ReadDirectory(dir);
    const size_t after = mallinfo2().uordblks;
    bench::Figure(QStringLiteral("Listing memory per entry"),
                  double(after - before) / measured.Count(), QStringLiteral("bytes"));
}

// Refreshes the left panel and waits until its rows are in: a long read goes on in the
// background after RefreshLeft returns.
void RefreshLeftAndWait(TfMain& main)
{
    main.RefreshLeft();
    while (main.Reading(sdLeft))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

void BenchPanel(const QString& dir)
{
    TfMain main;
    main.resize(1000, 700);
    main.show();
    QApplication::processEvents();
    auto* view = static_cast<QAbstractItemView*>(main.Left().Files->ActiveView());
    const double listing = bench::BestSeconds(3, [&] {
        ForgetKeptRead();
        TFileListing l;
        l.ReadDirectory(dir);
        l.Sort(soName);
    });
    const double refresh = bench::BestSeconds(3, [&] {
        ForgetKeptRead();
        main.Left().Directory = dir;
        RefreshLeftAndWait(main);
        view->viewport()->repaint();
    });
    bench::Report(QStringLiteral("RefreshLeft to first complete paint, 100,000 files"), refresh,
                  listing, QStringLiteral("listing alone"));
    const char* names[] = {"", "name", "size", "date", "extension"};
    const int columns[] = {0, 0, 2, 3, 1};
    for (int order = soName; order <= soExtension; ++order) {
        const double seconds = bench::BestSeconds(5, [&] { main.SetSortOrder(columns[order]); });
        bench::Figure(QStringLiteral("Re-sort 100,000 entries by %1").arg(names[order]),
                      seconds * 1000, QStringLiteral("ms"));
    }
}

constexpr int kManyFiles = 1000000;

// Names like the small folder's; every third file has a size (sparse: no data written).
void MakeLargeFolder(const QString& path)
{
    for (int i = 0; i < kManyFiles; ++i) {
        const QByteArray name = QStringLiteral("%1/file%2.%3")
                                    .arg(path)
                                    .arg(i, 7, 10, QChar('0'))
                                    .arg(i % 7 ? "txt" : "dat")
                                    .toUtf8();
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT, 0644);
        if (i % 3 == 0 && ::ftruncate(fd, i % 5000 + 1) != 0)
            std::perror("ftruncate");
        ::close(fd);
    }
    for (int i = 0; i < kManyFiles / 1000; ++i)
        QDir(path).mkdir(QStringLiteral("dir%1").arg(i, 5, 10, QChar('0')));
}

// A field of /proc/self/status in bytes ("VmRSS", "VmHWM").
double StatusBytes(const char* field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    f.open(QIODevice::ReadOnly);
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(QByteArray(field) + ':'))
            return line.mid(qstrlen(field) + 1).trimmed().split(' ').first().toDouble() * 1024;
    return 0;
}

void BenchLargeFolder()
{
    const QString base =
        QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    QTemporaryDir dir(base + QStringLiteral("/trvx-bench-large-XXXXXX"));
    MakeLargeFolder(dir.path());
    const QString path = dir.path() + '/';
    const int entries = kManyFiles + kManyFiles / 1000 + 1; // with ".."

    TfMain main;
    main.resize(1000, 700);
    main.show();
    QApplication::processEvents();
    auto* view = static_cast<QAbstractItemView*>(main.Left().Files->ActiveView());
    malloc_trim(0);
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5"); // the peak starts again from here
    clear.close();
    const double before = StatusBytes("VmRSS");
    QElapsedTimer timer;
    timer.start();
    main.Left().Directory = path;
    RefreshLeftAndWait(main);
    view->viewport()->repaint();
    const double shown = timer.nsecsElapsed() / 1e9;
    const double peak = StatusBytes("VmHWM");
    const double reference = bench::BestCommandSeconds(
        2, QStringLiteral("find '%1' -maxdepth 1 -printf '%f\\t%s\\t%T@\\n' | sort > /dev/null")
               .arg(path));
    bench::Report(QStringLiteral("RefreshLeft to first complete paint, 1,000,000 entries"), shown,
                  reference, QStringLiteral("find | sort"));
    bench::Figure(QStringLiteral("Peak memory growth per entry, 1,000,000 entries in one panel"),
                  (peak - before) / entries, QStringLiteral("bytes"));
    const char* names[] = {"", "name", "size", "date", "extension"};
    const int columns[] = {0, 0, 2, 3, 1};
    for (int order : {soSize, soDateTime, soExtension, soName}) {
        const double seconds = bench::BestSeconds(3, [&] { main.SetSortOrder(columns[order]); });
        bench::Figure(QStringLiteral("Re-sort 1,000,000 entries by %1").arg(names[order]),
                      seconds * 1000, QStringLiteral("ms"));
    }
    main.Left().Directory = QDir::tempPath();
    RefreshLeftAndWait(main);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Messages go to the terminal; a benchmark has nobody to answer a message box.
    platform::SetMessageHandler([](const QString& m) { std::fprintf(stderr, "%s\n", qPrintable(m)); });
    TZipArchive::SetLibraryDirectory(QStringLiteral(TRVX_LIB_DIR));
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/trvx-bench-XXXXXX"));
    MakeFolder(dir.path());
    const QString path = dir.path() + '/';
    BenchReadAndSort(path);
    BenchPanel(path);
    BenchLargeFolder();
    return 0;
}
