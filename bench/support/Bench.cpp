#include "support/Bench.h"

#include <QElapsedTimer>
#include <QProcess>
#include <cstdio>
#include <limits>
#include <sys/resource.h>

namespace bench {

double BestSeconds(int repeats, const std::function<void()>& work)
{
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        best = std::min(best, t.nsecsElapsed() / 1e9);
    }
    return best;
}

double BestCommandSeconds(int repeats, const QString& command)
{
    return BestSeconds(repeats, [&] {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p.setStandardOutputFile(QProcess::nullDevice());
        p.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
        p.waitForFinished(-1);
    });
}

double CpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
}

void Report(const QString& name, double ours, double reference, const QString& tool,
            const QString& unit)
{
    std::printf("%-55s ours %10.4f %s   %-28s %10.4f %s   ratio %.2f\n", qPrintable(name), ours,
                qPrintable(unit), qPrintable(tool), reference, qPrintable(unit),
                reference > 0 ? ours / reference : 0.0);
    std::fflush(stdout);
}

void Figure(const QString& name, double value, const QString& unit)
{
    std::printf("%-55s %10.4f %s\n", qPrintable(name), value, qPrintable(unit));
    std::fflush(stdout);
}

} // namespace bench
