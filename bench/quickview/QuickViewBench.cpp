// The quick view does not slow the cursor: with the pane on, Down held at key-repeat speed
// (30 keys a second) through 1,000 eight-megapixel JPEGs. Each key's time runs from the
// moment it is due to the end of the list's repaint, so a window thread busy with
// anything else (taking a decoded picture, say) counts against it. The photographs are
// made once by a child run of this program (so that their making adds nothing to this
// run's memory peak): Distinct different ones, the rest hard links to them, which decode
// the same.
#include "controls/VirtualListView.h"
#include "main/uMain.h"
#include "platform/Messages.h"
#include "quickview/uQuickView.h"
#include "support/Bench.h"
#include "zip/ZipArchive.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sys/resource.h>
#include <vector>

namespace
{

constexpr int Photos = 1000;
constexpr int Distinct = 20;
constexpr int KeyEveryMs = 33; // key repeat at 30 a second

QString PhotoName(int i)
{
    return QStringLiteral("photo%1.jpg").arg(i, 4, 10, QLatin1Char('0'));
}

// A 3264 x 2448 (8 Mpixel) photograph-like picture, a little different for each seed.
QImage Photo(int seed)
{
    QImage image(3264, 2448, QImage::Format_RGB32);
    QRandomGenerator random{quint32(seed)};
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int noise = int(random.bounded(24));
            line[x] = qRgb((x / 16 + noise + seed * 9) & 0xFF, (y / 12 + noise) & 0xFF,
                           ((x + y) / 28 + seed) & 0xFF);
        }
    }
    return image;
}

int MakePhotos(const QString& folder)
{
    for (int i = 0; i < Distinct; ++i)
        if (!Photo(i).save(folder + PhotoName(i), "JPG", 90))
            return 1;
    for (int i = Distinct; i < Photos; ++i) {
        std::error_code error;
        std::filesystem::create_hard_link(
            QFile::encodeName(folder + PhotoName(i % Distinct)).toStdString(),
            QFile::encodeName(folder + PhotoName(i)).toStdString(), error);
        if (error)
            return 1;
    }
    return 0;
}

double PeakResidentMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && QByteArray(argv[1]) == "--make")
        return MakePhotos(QFile::decodeName(argv[2]));
    QApplication app(argc, argv);
    platform::SetMessageHandler(
        [](const QString& m) { std::fprintf(stderr, "%s\n", qPrintable(m)); });
    TZipArchive::SetLibraryDirectory(QStringLiteral(TRVX_LIB_DIR));
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/trvx-bench-XXXXXX"));
    const QString folder = dir.path() + QStringLiteral("/photos/");
    QDir().mkpath(folder);
    if (QProcess::execute(QCoreApplication::applicationFilePath(), {"--make", folder}) != 0)
        qFatal("cannot make the photographs");

    TfMain main;
    main.LiveFolders = false;
    main.resize(1200, 800);
    main.show();
    main.Left().Directory = folder;
    main.RefreshLeft();
    while (main.Reading(sdLeft))
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    TVirtualListView* files = main.Left().Files;
    files->setFocus();
    auto* view = static_cast<QAbstractItemView*>(files->ActiveView());
    QWindow* window = main.windowHandle();

    // Down held from the first photograph to the last: each key's milliseconds from when
    // it was due to the end of the list's repaint, sorted.
    const auto holdDown = [&] {
        files->FocusItem(1);
        QApplication::processEvents();
        std::vector<double> keys;
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < Photos - 1; ++i) {
            const qint64 due = qint64(i) * KeyEveryMs;
            while (clock.elapsed() < due)
                QApplication::processEvents(QEventLoop::AllEvents, int(due - clock.elapsed()));
            QTest::keyClick(window, Qt::Key_Down);
            view->viewport()->repaint();
            keys.push_back(double(clock.nsecsElapsed()) / 1e6 - double(due));
        }
        std::sort(keys.begin(), keys.end());
        return keys;
    };
    const std::vector<double> without = holdDown(); // the reference: the pane off
    main.MenuQuickViewClick();
    if (!main.QuickViewOn())
        qFatal("the quick view did not open");
    const std::vector<double> keys = holdDown();
    if (files->GetFocusedIndex() != Photos)
        qFatal("the cursor did not reach the last photograph");
    // The pane then shows the photograph the cursor rests on.
    TfQuickView* pane = main.QuickView();
    const QString last = folder + PhotoName(Photos - 1);
    QElapsedTimer rest;
    rest.start();
    while (pane->Loading() || pane->Shown().Path != last)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    if (pane->Picture().isNull())
        qFatal("the pane shows no picture");
    const double restMs = rest.nsecsElapsed() / 1e6;

    const auto at = [](const std::vector<double>& sorted, double share) {
        return sorted[size_t(share * double(sorted.size() - 1))];
    };
    bench::Figure(
        QStringLiteral("quick view on, Down held through %1 8 Mpixel JPEGs (%2 distinct), "
                       "key to cursor repaint, median")
            .arg(Photos)
            .arg(Distinct),
        at(keys, 0.5), QStringLiteral("ms"));
    bench::Report(QStringLiteral("  same, 99th percentile"), at(keys, 0.99) / 1e3,
                  at(without, 0.99) / 1e3, QStringLiteral("the pane off"));
    bench::Report(QStringLiteral("  same, worst"), keys.back() / 1e3, without.back() / 1e3,
                  QStringLiteral("the pane off"));
    bench::Figure(QStringLiteral("  pictures loaded on the way"), pane->Loader().Started(),
                  QStringLiteral("loads"));
    bench::Figure(QStringLiteral("  last key to its picture shown"), restMs, QStringLiteral("ms"));
    bench::Figure(QStringLiteral("  peak resident memory"), PeakResidentMiB(),
                  QStringLiteral("MiB"));
    main.close();
    return 0;
}
