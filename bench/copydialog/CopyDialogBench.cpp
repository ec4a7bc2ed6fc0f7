// The copy dialog adds no wait: F5 and Enter on one file, from the key press to the file's
// arrival in the other panel's folder, through the dialog (Enter pressed as soon as the
// dialog takes keys) and, for reference, by the direct copy (the dialog turned off), taken
// in turns in the same run. Both go through the main window's keys as a user's do.
#include "controls/VirtualListView.h"
#include "fileops/uCopyTarget.h"
#include "main/uMain.h"
#include "platform/Messages.h"
#include "support/Bench.h"
#include "zip/ZipArchive.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

constexpr int kRuns = 41;              // of each kind, taken in turns
constexpr qint64 kFileBytes = 1 << 20; // the one file copied

// Presses Enter in the copy dialog as soon as it shows: a user who knows the target.
class TEnterAtOnce final : public QObject
{
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && qobject_cast<TfCopyTarget*>(watched)) {
            auto* dialog = static_cast<TfCopyTarget*>(watched);
            QTimer::singleShot(0, dialog,
                               [dialog] { QTest::keyClick(dialog->Edit, Qt::Key_Return); });
        }
        return false;
    }
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Milliseconds from the key press of F5 to the file's arrival, whole, in `target`.
double CopyOnce(TfMain& main, const QString& target)
{
    QApplication::setActiveWindow(&main);
    QElapsedTimer clock;
    clock.start();
    QTest::keyClick(main.Left().Files->ActiveView(), Qt::Key_F5);
    while (QFileInfo(target).size() != kFileBytes) { // arrives within the key's handling
        if (clock.elapsed() > 60000) {
            std::fprintf(stderr, "the copy did not arrive\n");
            std::exit(1);
        }
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return double(clock.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    platform::SetMessageHandler(
        [](const QString& m) { std::fprintf(stderr, "%s\n", qPrintable(m)); });
    TZipArchive::SetLibraryDirectory(QStringLiteral(TRVX_LIB_DIR));
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/trvx-bench-XXXXXX"));
    const QString from = dir.path() + QStringLiteral("/from/"),
                  to = dir.path() + QStringLiteral("/to/");
    QDir().mkpath(from);
    QDir().mkpath(to);
    {
        QFile file(from + QStringLiteral("one.bin"));
        file.open(QIODevice::WriteOnly);
        file.write(QByteArray(kFileBytes, 'x'));
    }
    TfMain main;
    main.resize(1000, 700);
    main.show();
    main.Right().Directory = to;
    main.RefreshRight();
    main.Left().Directory = from;
    main.RefreshLeft();
    while (main.Reading(sdLeft) || main.Reading(sdRight))
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    main.Left().Files->FocusItem(1); // "..", one.bin
    TEnterAtOnce enter;
    app.installEventFilter(&enter);
    std::vector<double> asked, direct;
    for (int run = 0; run < 2 * kRuns; ++run) {
        main.AskTarget = run % 2 == 0;
        (main.AskTarget ? asked : direct).push_back(CopyOnce(main, to + QStringLiteral("one.bin")));
        QFile::remove(to + QStringLiteral("one.bin"));
        main.RereadKeepingView(sdRight);
        while (main.Reading(sdRight))
            QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    if (qEnvironmentVariableIsSet("TRVX_BENCH_ALL"))
        for (int i = 0; i < kRuns; ++i)
            std::fprintf(stderr, "%.2f %.2f\n", asked[i], direct[i]);
    bench::Figure(QStringLiteral("F5 Enter, first showing of the copy dialog, to the arrival"),
                  asked.front(), QStringLiteral("ms"));
    // The best run shows the cost itself; the median what a user meets on a busy machine.
    bench::Report(QStringLiteral("F5 Enter on a 1 MiB file to its arrival, best of %1").arg(kRuns),
                  *std::min_element(asked.begin(), asked.end()),
                  *std::min_element(direct.begin(), direct.end()),
                  QStringLiteral("F5 without the dialog"), QStringLiteral("ms"));
    bench::Report(QStringLiteral("The same, median"), Median(asked), Median(direct),
                  QStringLiteral("F5 without the dialog"), QStringLiteral("ms"));
    return 0;
}
