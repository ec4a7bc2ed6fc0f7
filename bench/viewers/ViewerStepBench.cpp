// The F3 view and the picture viewer: the time to the first page of a 1 GiB text file and
// the memory that takes; the next picture of 8-megapixel JPEGs, from the key to the picture
// painted, against decoding the same pictures alone the way the viewer decodes them.
// TRVX_BENCH_PICTURES_ONLY=1 leaves out the text file.
#include "platform/Memory.h"
#include "support/Bench.h"
#include "viewers/PictureQueue.h"
#include "viewers/uImage.h"
#include "viewers/uTextView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <vector>

namespace
{

QString WriteLog(const QTemporaryDir& dir, qint64 bytes)
{
    const QString path = dir.filePath(QStringLiteral("big.log"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    QByteArray block;
    for (int i = 0; block.size() < (4 << 20); ++i)
        block += "2024-01-01 12:00:00 INFO request " + QByteArray::number(i) + " served in 12 ms\n";
    for (qint64 written = 0; written < bytes; written += block.size())
        if (file.write(block.left(int(std::min<qint64>(block.size(), bytes - written)))) < 0)
            qFatal("cannot write %s", qPrintable(path));
    return path;
}

void FirstPage(const QString& path)
{
    const qint64 before = platform::ResidentBytes();
    QElapsedTimer timer;
    timer.start();
    TfTextView* view = TfTextView::Open(nullptr, path);
    if (!view)
        qFatal("the view did not open");
    view->Page->viewport()->repaint();
    QCoreApplication::processEvents();
    const double seconds = timer.nsecsElapsed() / 1e9;
    bench::Figure(QStringLiteral("F3 view, 1 GiB log, first page"), seconds, QStringLiteral("s"));
    bench::Figure(QStringLiteral("F3 view, 1 GiB log, resident growth"),
                  (platform::ResidentBytes() - before) / double(1 << 20), QStringLiteral("MiB"));
    bench::Figure(QStringLiteral("F3 view, 1 GiB log, bytes read"),
                  view->Text().BytesRead() / 1024.0, QStringLiteral("KiB"));
    view->setAttribute(Qt::WA_DeleteOnClose, false);
    delete view;
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

struct TRound {
    double Looked{1e9}; // the quickest step after a look
    double Mean{0};     // keys back to back: mean and worst
    double Worst{0};
    double Alone{0}; // decoding the same pictures alone, as the viewer does: mean
    double Whole{0}; // and decoding them whole (as PicLibLoad does), mean
};

// One viewer on the folder: three steps after a look each, then keys back to back; then
// the pictures those keys showed decoded alone, one after the other, the way the viewer
// decodes them (fitted to its window), so that both see the same load of the machine.
TRound Round(const QStringList& folder)
{
    QWidget owner;
    owner.resize(1200, 900);
    TfImage* viewer = TfImage::Open(&owner, folder[0]);
    viewer->SetFolder(folder);
    viewer->activateWindow();
    if (!QTest::qWaitForWindowActive(viewer))
        qFatal("the viewer is not active");
    const QSize box = viewer->Scroller->viewport()->size();
    const double guess = bench::BestSeconds(1, [&] { viewers::DecodePicture(folder[0], box); });
    TRound round;
    // As a user steps: a look at each picture (the decoding ahead has ended), then PgDn.
    for (int i = 1; i < 4; ++i) {
        QTest::qWait(int(guess * 3000) + 200);
        QElapsedTimer timer;
        timer.start();
        QTest::keyClick(viewer->Scroller, Qt::Key_PageDown);
        viewer->Scroller->viewport()->repaint();
        round.Looked = std::min(round.Looked, timer.nsecsElapsed() / 1e9);
        if (viewer->FolderIndex() != i || !viewer->ShownFromPrefetch())
            qFatal("the viewer did not step to picture %d from its decoding ahead", i + 1);
    }
    // Keys as fast as they go: each waits for its own picture's decoding.
    const int keys = int(folder.size()) - 4;
    for (int i = 0; i < keys; ++i) {
        QElapsedTimer timer;
        timer.start();
        QTest::keyClick(viewer->Scroller, Qt::Key_PageDown);
        viewer->Scroller->viewport()->repaint();
        const double seconds = timer.nsecsElapsed() / 1e9;
        round.Worst = std::max(round.Worst, seconds);
        round.Mean += seconds / keys;
    }
    if (viewer->FolderIndex() != 3 + keys || viewer->HeldSize() == viewer->PictureSize())
        qFatal("the viewer did not step through the pictures fitted to its window");
    viewer->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // Fitted and whole in turn, picture by picture, so that both see the same load.
    for (int i = 4; i < folder.size(); ++i) {
        QElapsedTimer timer;
        timer.start();
        if (viewers::DecodePicture(folder[i], box).Image.isNull())
            qFatal("cannot decode");
        round.Alone += timer.nsecsElapsed() / 1e9 / keys;
        timer.restart();
        if (viewers::DecodePicture(folder[i]).Image.isNull())
            qFatal("cannot decode");
        round.Whole += timer.nsecsElapsed() / 1e9 / keys;
    }
    return round;
}

void NextPicture(const QTemporaryDir& dir)
{
    QStringList folder;
    for (int i = 0; i < 10; ++i) {
        const QString path = dir.filePath(QStringLiteral("photo%1.jpg").arg(i));
        if (!Photo(i).save(path, "JPG", 90))
            qFatal("cannot write %s", qPrintable(path));
        folder << path;
    }
    // The machine's load changes from moment to moment: the round of the median ratio.
    std::vector<TRound> rounds;
    for (int i = 0; i < 5; ++i)
        rounds.push_back(Round(folder));
    std::sort(rounds.begin(), rounds.end(),
              [](const TRound& a, const TRound& b) { return a.Mean / a.Alone < b.Mean / b.Alone; });
    const TRound& median = rounds[rounds.size() / 2];
    const QString alone = QStringLiteral("decode alone, fitted");
    bench::Report(QStringLiteral("next 8 Mpixel JPEG after a look"), median.Looked, median.Alone,
                  alone);
    bench::Report(QStringLiteral("next 8 Mpixel JPEG, keys back to back (mean)"), median.Mean,
                  median.Alone, alone);
    bench::Report(QStringLiteral("next 8 Mpixel JPEG, keys back to back (worst)"), median.Worst,
                  median.Alone, alone);
    bench::Report(QStringLiteral("8 Mpixel JPEG decoded fitted to the viewer"), median.Alone,
                  median.Whole, QStringLiteral("decoded whole"));
    for (const TRound& round : rounds)
        bench::Figure(QStringLiteral("  a round: back to back / alone"), round.Mean / round.Alone,
                      QStringLiteral(""));
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    if (!qEnvironmentVariableIsSet("TRVX_BENCH_PICTURES_ONLY")) {
        FirstPage(WriteLog(dir, 1LL << 30));
        QFile::remove(dir.filePath(QStringLiteral("big.log")));
    }
    NextPicture(dir);
    return 0;
}
