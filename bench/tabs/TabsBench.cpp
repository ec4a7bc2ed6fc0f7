// Tabs: the first complete paint after switching to a hidden tab on an unchanged folder
// of 100,000 entries (its listing kept, no read), beside a fresh read of that folder;
// the resident memory 20 tabs on small folders add to one; and a start with 20
// remembered tabs beside a start with one (hidden tabs are read when first shown).
#include "controls/VirtualListView.h"
#include "main/uMain.h"
#include "platform/Messages.h"
#include "support/Bench.h"
#include "zip/ZipArchive.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace
{

constexpr int kEntries = 100000;
constexpr int kTabs = 20;

void MakeFiles(const QString& folder, int count)
{
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i) {
        QFile f(QStringLiteral("%1/file%2.txt").arg(folder).arg(i, 6, 10, QChar('0')));
        f.open(QIODevice::WriteOnly);
    }
}

void WaitForReads(TfMain& main)
{
    while (main.Reading(sdLeft) || main.Reading(sdRight))
        QApplication::processEvents(QEventLoop::AllEvents, 50);
}

// Resident memory in MiB, from /proc/self/statm.
double ResidentMiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

void Go(TfMain& main, const QString& folder)
{
    main.Left().Directory = folder;
    main.RefreshLeft();
    WaitForReads(main);
}

// Seconds from a new window over `kept` to both panels shown and read.
double StartSeconds(const QString& kept)
{
    return bench::BestSeconds(3, [&] {
        TfMain main;
        main.resize(1000, 700);
        main.KeepPanelsIn(kept);
        main.show();
        WaitForReads(main);
        main.repaint();
    });
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    platform::SetMessageHandler(
        [](const QString& m) { std::fprintf(stderr, "%s\n", qPrintable(m)); });
    TZipArchive::SetLibraryDirectory(QStringLiteral(TRVX_LIB_DIR));
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/trvx-bench-XXXXXX"));
    const QString big = dir.path() + QStringLiteral("/big/");
    const QString small = dir.path() + QStringLiteral("/small/");
    MakeFiles(big, kEntries);
    for (int i = 0; i < kTabs; ++i)
        MakeFiles(small + QString::number(i), 20);

    auto main = std::make_unique<TfMain>();
    main->resize(1000, 700);
    main->show();
    Go(*main, big);
    main->MenuNewTabClick();
    Go(*main, small + QStringLiteral("0/"));
    double switched = 1e9;
    for (int i = 0; i < 5; ++i) {
        main->ShowTab(sdLeft, 1);
        WaitForReads(*main);
        QElapsedTimer clock;
        clock.start();
        main->ShowTab(sdLeft, 0);
        main->repaint(); // the first complete paint
        switched = std::min(switched, clock.nsecsElapsed() / 1e9);
    }
    const double read = bench::BestSeconds(3, [&] {
        main->RereadKeepingView(sdLeft);
        WaitForReads(*main);
        main->repaint();
    });
    bench::Report(QStringLiteral("Switch to a hidden tab on an unchanged 100,000-entry folder, "
                                 "first paint (limit 50 ms)"),
                  switched * 1000, read * 1000, QStringLiteral("reading it afresh"),
                  QStringLiteral("ms"));

    // 20 tabs on small folders, each shown once so that each keeps its listing.
    main = std::make_unique<TfMain>();
    main->resize(1000, 700);
    main->show();
    Go(*main, small + QStringLiteral("0/"));
    const double one = ResidentMiB();
    for (int i = 1; i < kTabs; ++i) {
        main->MenuNewTabClick();
        Go(*main, small + QString::number(i) + '/');
    }
    for (int i = 0; i < kTabs; ++i) {
        main->ShowTab(sdLeft, i);
        WaitForReads(*main);
    }
    bench::Figure(QStringLiteral("Resident memory 20 tabs on small folders add to one (limit 5)"),
                  ResidentMiB() - one, QStringLiteral("MiB"));

    // Starts over a Panels.ini with one tab and with 20.
    const QString keptOne = dir.path() + QStringLiteral("/one.ini");
    const QString keptMany = dir.path() + QStringLiteral("/many.ini");
    main->KeepPanelsIn(keptMany);
    main->close();
    main = std::make_unique<TfMain>();
    main->KeepPanelsIn(keptOne);
    main->resize(1000, 700); // as the other file keeps it
    main->show();
    Go(*main, small + QStringLiteral("0/"));
    main->close();
    main.reset();
    StartSeconds(keptOne); // the first window's costs (fonts, icons) out of the way
    const double startMany = StartSeconds(keptMany);
    const double startOne = StartSeconds(keptOne);
    bench::Report(QStringLiteral("Start with 20 remembered tabs (limit: within 5 % of one)"),
                  startMany * 1000, startOne * 1000, QStringLiteral("a start with one tab"),
                  QStringLiteral("ms"));
    return 0;
}
