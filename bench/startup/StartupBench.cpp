// Start-up: wall-clock time from exec to the first moment the event loop sleeps with the
// window painted (and, for Travodex, both panels' rows in), and the resident memory at
// that moment, as the programs report it themselves (TRAVODEX_START_PROBE). Travodex
// starts with both panels on an empty folder, on 100,000 entries and on 1,000,000; each
// figure is the median of several starts, beside the bare Qt program's start in the
// same run and, for the large folders, `find -printf | sort` of the folder.
// Both programs run on a virtual X display of their own (Xvfb) when there is one,
// otherwise on Qt's offscreen platform.
#include "support/Bench.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace
{

struct TStart {
    double Seconds{-1};
    double ResidentMiB{0};
};

// The Xvfb server of the run; it picks a free display number and says which.
class TDisplay final
{
public:
    TDisplay()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty())
            return;
        m_server.setStandardErrorFile(QProcess::nullDevice());
        m_server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"),
                              QStringLiteral("-screen"), QStringLiteral("0"),
                              QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                              QStringLiteral("tcp")});
        if (m_server.waitForReadyRead(10000))
            m_name = QStringLiteral(":") + QString::fromLatin1(m_server.readLine().trimmed());
    }
    ~TDisplay()
    {
        m_server.terminate();
        m_server.waitForFinished(5000);
    }
    QString Name() const { return m_name; }

private:
    QProcess m_server;
    QString m_name;
};

qint64 MonotonicNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// One start of `program`, ended by SIGTERM once it has reported; -1 s when it never did.
TStart StartOnce(const QString& program, const QStringList& arguments,
                 const QProcessEnvironment& environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setReadChannel(QProcess::StandardError);
    const qint64 before = MonotonicNs();
    process.start(program, arguments);
    TStart start;
    QByteArray line;
    while (start.Seconds < 0 && process.waitForReadyRead(120000)) {
        while (process.canReadLine()) {
            line = process.readLine();
            if (!line.startsWith("start-idle "))
                continue;
            const QList<QByteArray> fields = line.trimmed().split(' ');
            start.Seconds = (fields.value(1).toLongLong() - before) / 1e9;
            start.ResidentMiB = fields.value(2).toDouble() / (1024 * 1024);
        }
    }
    process.terminate();
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(5000);
    }
    if (start.Seconds < 0)
        std::fprintf(stderr, "%s reported no idle moment\n", qPrintable(program));
    return start;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? -1 : values[values.size() / 2];
}

// The medians of `runs` starts, after one start that warms the caches.
TStart MedianStart(int runs, const QString& program, const QStringList& arguments,
                   const QProcessEnvironment& environment, const char* what)
{
    StartOnce(program, arguments, environment);
    std::vector<double> seconds;
    std::vector<double> resident;
    std::printf("  %-40s", what);
    for (int i = 0; i < runs; ++i) {
        const TStart start = StartOnce(program, arguments, environment);
        seconds.push_back(start.Seconds);
        resident.push_back(start.ResidentMiB);
        std::printf(" %.0f ms", start.Seconds * 1000);
    }
    std::printf("\n");
    std::fflush(stdout);
    return {Median(seconds), Median(resident)};
}

// Names as the listing benchmark's folders have them; every third file has a size.
void MakeFolder(const QString& path, int files)
{
    const int digits = files >= 1000000 ? 7 : 6;
    for (int i = 0; i < files; ++i) {
        const QByteArray name = QStringLiteral("%1/file%2.%3")
                                    .arg(path)
                                    .arg(i, digits, 10, QChar('0'))
                                    .arg(i % 7 ? "txt" : "dat")
                                    .toUtf8();
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT, 0644);
        if (fd >= 0 && i % 3 == 0 && ::ftruncate(fd, i % 5000 + 1) != 0)
            std::perror("ftruncate");
        if (fd >= 0)
            ::close(fd);
    }
    for (int i = 0; i < files / 1000; ++i)
        QDir(path).mkdir(QStringLiteral("dir%1").arg(i, 5, 10, QChar('0')));
}

QString LoadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("unknown");
    return QString::fromLatin1(file.readLine().trimmed());
}

void BenchFolder(const QString& label, const QString& folder, int runs, const TStart& bare,
                 const QProcessEnvironment& environment, bool reference)
{
    const TStart ours = MedianStart(runs, QStringLiteral(TRVX_PROGRAM), {folder, folder},
                                    environment, qPrintable(label));
    bench::Report(QStringLiteral("Start to idle, %1").arg(label), ours.Seconds, bare.Seconds,
                  QStringLiteral("bare Qt program"));
    bench::Report(QStringLiteral("Resident memory at idle, %1").arg(label), ours.ResidentMiB,
                  bare.ResidentMiB, QStringLiteral("bare Qt program"), QStringLiteral("MiB"));
    if (!reference)
        return;
    const double find = bench::BestCommandSeconds(
        3, QStringLiteral("find '%1' -maxdepth 1 -printf '%f\\t%s\\t%T@\\n' | sort > /dev/null")
               .arg(folder));
    bench::Report(QStringLiteral("Start to idle, %1").arg(label), ours.Seconds, find,
                  QStringLiteral("find -printf | sort"));
}

} // namespace

int main()
{
    std::printf("load average before: %s\n", qPrintable(LoadAverage()));
    const TDisplay display;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TRAVODEX_START_PROBE"), QStringLiteral("1"));
    if (display.Name().isEmpty()) {
        std::printf("no Xvfb: the programs start on the offscreen platform\n");
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    } else {
        environment.insert(QStringLiteral("DISPLAY"), display.Name());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    }
    // A configuration folder of its own: no panel places kept from another run.
    QTemporaryDir config(QDir::tempPath() + QStringLiteral("/trvx-bench-config-XXXXXX"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());

    const TStart bare =
        MedianStart(7, QStringLiteral(TRVX_BARE_PROGRAM), {}, environment, "bare Qt program");
    QTemporaryDir empty(QDir::tempPath() + QStringLiteral("/trvx-bench-empty-XXXXXX"));
    BenchFolder(QStringLiteral("empty folder"), empty.path() + '/', 7, bare, environment, false);

    QTemporaryDir small(QDir::tempPath() + QStringLiteral("/trvx-bench-XXXXXX"));
    MakeFolder(small.path(), 100000);
    BenchFolder(QStringLiteral("100,000 entries in both panels"), small.path() + '/', 7, bare,
                environment, true);

    const QString base =
        QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    QTemporaryDir large(base + QStringLiteral("/trvx-bench-large-XXXXXX"));
    MakeFolder(large.path(), 1000000);
    BenchFolder(QStringLiteral("1,000,000 entries in both panels"), large.path() + '/', 5, bare,
                environment, true);
    std::printf("load average after: %s\n", qPrintable(LoadAverage()));
    return 0;
}
