// Live folders: the processor time the program spends while a folder of 10,000 files
// shown in a panel changes 1,000 times a second (another process creates and removes
// files in it), with the panel following the folder and, for reference, with the same
// folder shown unwatched. The program's own threads (folder reads) count; the writer's
// process does not.
#include "controls/VirtualListView.h"
#include "main/uMain.h"
#include "platform/FolderWatcher.h"
#include "platform/Messages.h"
#include "support/Bench.h"
#include "zip/ZipArchive.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <fcntl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace
{

constexpr int kFiles = 10000;
constexpr int kChangesPerSecond = 1000;
constexpr int kSeconds = 5;

void MakeFolder(const QString& path)
{
    for (int i = 0; i < kFiles; ++i) {
        QFile f(QStringLiteral("%1/file%2.txt").arg(path).arg(i, 5, 10, QChar('0')));
        f.open(QIODevice::WriteOnly);
    }
}

// A child process that creates or removes one file of `folder` every millisecond
// until `seconds` have passed; only system calls after the fork.
pid_t StartWriter(const QString& folder, int seconds)
{
    const QByteArray base = QFile::encodeName(folder + QStringLiteral("/burst"));
    const pid_t child = fork();
    if (child != 0)
        return child;
    char name[4096];
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    for (int i = 0; i < seconds * kChangesPerSecond; ++i) {
        std::snprintf(name, sizeof name, "%s%d", base.constData(), (i / 2) % 50);
        if (i % 2 == 0)
            close(open(name, O_WRONLY | O_CREAT | O_TRUNC, 0644));
        else
            unlink(name);
        next.tv_nsec += 1000000000 / kChangesPerSecond;
        if (next.tv_nsec >= 1000000000) {
            next.tv_nsec -= 1000000000;
            ++next.tv_sec;
        }
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
    }
    _exit(0);
}

// Per cent of a core the program used while the writer ran, and how often the panel
// was told that the folder's changes had settled (each is one re-read).
double CoreShareUnderBurst(TfMain& main, const QString& folder, int& rereads)
{
    rereads = 0;
    const QMetaObject::Connection counting = QObject::connect(
        main.Left().Watcher, &platform::TFolderWatcher::Settled, [&] { ++rereads; });
    const double before = bench::CpuSeconds();
    const pid_t writer = StartWriter(folder, kSeconds);
    QEventLoop loop;
    QTimer::singleShot(kSeconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const double used = bench::CpuSeconds() - before;
    waitpid(writer, nullptr, 0);
    QObject::disconnect(counting);
    return 100.0 * used / kSeconds;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    platform::SetMessageHandler([](const QString& m) { std::fprintf(stderr, "%s\n", qPrintable(m)); });
    TZipArchive::SetLibraryDirectory(QStringLiteral(TRVX_LIB_DIR));
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/trvx-bench-XXXXXX"));
    MakeFolder(dir.path());
    TfMain main;
    main.resize(1000, 700);
    main.show();
    double share[2] = {};
    int rereads[2] = {};
    for (const bool live : {false, true}) {
        main.LiveFolders = live;
        main.Left().Directory = QStringLiteral("/");
        main.RefreshLeft(); // leaves the folder, so that the next read watches it anew
        main.Left().Directory = dir.path() + '/';
        main.RefreshLeft();
        while (main.Reading(sdLeft))
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        share[live] = CoreShareUnderBurst(main, dir.path(), rereads[live]);
    }
    bench::Report(QStringLiteral("CPU while a 10,000-file folder changes 1,000 times a second, "
                                 "watched (%1 re-reads in %2 s)")
                      .arg(rereads[1])
                      .arg(kSeconds),
                  share[1], share[0], QStringLiteral("the same folder unwatched"),
                  QStringLiteral("% of a core"));
    return 0;
}
