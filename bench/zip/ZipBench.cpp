// Reading an archive's directory, adding files at level 9 and extracting them, each
// beside the command-line tool doing the same work in the same run.
#include "platform/Messages.h"
#include "support/Bench.h"
#include "zip/ZipArchive.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <limits>
#include <memory>

namespace
{

constexpr int kDirectoryMembers = 10000;
constexpr int kLargeDirectoryMembers = 100000;
constexpr int kAddedFiles = 1000;
constexpr int kRepeats = 3;
constexpr int kCancelBytes = 256 << 20;
constexpr unsigned long kCancelAfterMs = 300;

// Text-like content: words from a small vocabulary, so deflate has work to do.
QByteArray SampleText(QRandomGenerator& random, int bytes)
{
    static const char* const kWords[] = {"archive", "panel",   "member", "folder", "travodex",
                                         "level",   "extract", "update", "ZIP",    "data"};
    QByteArray text;
    while (text.size() < bytes) {
        text += kWords[random.bounded(10)];
        text += random.bounded(8) == 0 ? '\n' : ' ';
    }
    return text;
}

QStringList WriteFiles(const QString& folder, int count, int bytes)
{
    QDir().mkpath(folder);
    QRandomGenerator random(42);
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        const QString path = QStringLiteral("%1/file%2.txt").arg(folder).arg(i, 5, 10, QChar('0'));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(SampleText(random, bytes)) < 0)
            qFatal("cannot write %s", qPrintable(path));
        paths << path;
    }
    return paths;
}

QString Quote(const QString& path)
{
    return QLatin1Char('\'') + path + QLatin1Char('\'');
}

// Best time of `work` over the repeats, with `prepare` run untimed before each.
double BestWithPreparation(const std::function<void()>& prepare, const std::function<void()>& work)
{
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < kRepeats; ++i) {
        prepare();
        best = std::min(best, bench::BestSeconds(1, work));
    }
    return best;
}

void ResetFolder(const QString& folder)
{
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    platform::SetMessageHandler(
        [](const QString& t) { std::fprintf(stderr, "%s\n", qPrintable(t)); });
    TZipArchive::SetLibraryDirectory(QStringLiteral(TRVX_LIB_DIR));
    QTemporaryDir scratch;
    const QString root = scratch.path();
    TZipArchive zip;
    zip.AddOptions = AddHiddenFiles;

    // Directory of a 10,000-member archive.
    WriteFiles(root + "/many", kDirectoryMembers, 200);
    const QString many = root + "/many.zip";
    bench::BestCommandSeconds(1, "cd " + Quote(root + "/many") + " && zip -q -r " + Quote(many) +
                                     " .");
    const double read = bench::BestSeconds(kRepeats, [&] { zip.SetZipFilename(many); });
    if (zip.EntryCount() != kDirectoryMembers)
        qFatal("read %d entries instead of %d", zip.EntryCount(), kDirectoryMembers);
    bench::Report("zip: read directory of 10,000 members", read,
                  bench::BestCommandSeconds(kRepeats, "zipinfo -1 " + Quote(many)), "zipinfo -1");

    // Directory of a 100,000-member archive (ZIP64 end records), written by Python.
    const QString huge = root + "/huge.zip";
    bench::BestCommandSeconds(
        1, "python3 -c \"import zipfile; z = zipfile.ZipFile('" + huge +
               "', 'w', zipfile.ZIP_DEFLATED); [z.writestr('dir%02d/file%06d.txt' % (i % 50, i), "
               "'member %d of the archive ' % i * 8) for i in range(" +
               QString::number(kLargeDirectoryMembers) + ")]; z.close()\"");
    const double readHuge = bench::BestSeconds(kRepeats, [&] { zip.SetZipFilename(huge); });
    if (zip.EntryCount() != kLargeDirectoryMembers)
        qFatal("read %d entries instead of %d", zip.EntryCount(), kLargeDirectoryMembers);
    bench::Report("zip: read directory of 100,000 members", readHuge,
                  bench::BestCommandSeconds(kRepeats, "zipinfo -1 " + Quote(huge)), "zipinfo -1");

    // Adding 1,000 files at level 9 without folder names.
    const QStringList files = WriteFiles(root + "/add", kAddedFiles, 10000);
    const QString ours = root + "/ours.zip", theirs = root + "/theirs.zip";
    const double add = BestWithPreparation([&] { QFile::remove(ours); },
                                           [&] {
                                               zip.SetZipFilename(ours);
                                               zip.FSpecArgs = files;
                                               zip.Add();
                                           });
    if (zip.SuccessCount() != kAddedFiles)
        qFatal("added %d files instead of %d", zip.SuccessCount(), kAddedFiles);
    const double addRef =
        BestWithPreparation([&] { QFile::remove(theirs); },
                            [&] {
                                bench::BestCommandSeconds(1, "zip -9 -j -q " + Quote(theirs) + " " +
                                                                 Quote(root + "/add") + "/*");
                            });
    bench::Report("zip: add 1,000 files at level 9", add, addRef, "zip -9 -j -q");
    bench::Figure("zip: archive size ours / zip's",
                  double(QFile(ours).size()) / QFile(theirs).size(), "");

    // Extracting them without folders and without overwriting, as the file commands do:
    // the library call on a worker thread, counting into a progress record.
    platform::TFileOpsProgress progress;
    zip.Progress = &progress;
    zip.RunLibraryCall = [](const std::function<void()>& call) {
        const std::unique_ptr<QThread> worker(QThread::create(call));
        worker->start();
        worker->wait();
    };
    const QString outOurs = root + "/x-ours", outTheirs = root + "/x-theirs";
    const double extract = BestWithPreparation([&] { ResetFolder(outOurs); },
                                               [&] {
                                                   zip.ExtrBaseDir = outOurs;
                                                   zip.FSpecArgs.clear();
                                                   zip.Extract();
                                               });
    if (zip.SuccessCount() != kAddedFiles)
        qFatal("extracted %d files instead of %d", zip.SuccessCount(), kAddedFiles);
    const double extractRef = BestWithPreparation(
        [&] { ResetFolder(outTheirs); },
        [&] {
            bench::BestCommandSeconds(1, "cd " + Quote(outTheirs) + " && unzip -j -n -q " +
                                             Quote(ours));
        });
    bench::Report("zip: extract 1,000 files", extract, extractRef, "unzip -j -n -q");

    // Cancel in the middle of one large file, adding at level 9 and extracting: the time
    // from the cancel to the end of the library call.
    const QString big = root + "/big/big.txt", bigZip = root + "/big.zip";
    WriteFiles(root + "/big", 0, 0);
    {
        QFile file(big);
        QRandomGenerator random(7);
        if (!file.open(QIODevice::WriteOnly) || file.write(SampleText(random, kCancelBytes)) < 0)
            qFatal("cannot write %s", qPrintable(big));
    }
    // Each call runs on a worker thread and is cancelled kCancelAfterMs after it started.
    double latency = 0;
    const auto cancelled = [&](platform::TFileOpsProgress& record) {
        zip.Progress = &record;
        zip.RunLibraryCall = [&latency, &record](const std::function<void()>& call) {
            const std::unique_ptr<QThread> worker(QThread::create(call));
            worker->start();
            QThread::msleep(kCancelAfterMs);
            latency = bench::BestSeconds(1, [&] {
                record.Cancel();
                worker->wait();
            });
        };
    };
    platform::TFileOpsProgress addProgress, extractProgress;
    zip.SetZipFilename(bigZip);
    zip.FSpecArgs = QStringList{big};
    cancelled(addProgress);
    zip.Add();
    if (QFile::exists(bigZip))
        qFatal("the cancelled add wrote the archive");
    bench::Figure("zip: cancel in the middle of a 256 MiB file, adding", latency * 1000, "ms");
    bench::BestCommandSeconds(1, "cd " + Quote(root + "/big") + " && zip -q -1 " + Quote(bigZip) +
                                     " big.txt");
    zip.SetZipFilename(bigZip);
    cancelled(extractProgress);
    ResetFolder(outOurs);
    zip.ExtrBaseDir = outOurs;
    zip.FSpecArgs = QStringList{"big.txt"};
    zip.Extract();
    if (QFile::exists(outOurs + "/big.txt"))
        qFatal("the cancelled extraction left its file");
    bench::Figure("zip: cancel in the middle of a 256 MiB member, extracting", latency * 1000,
                  "ms");
    QDir::setCurrent(QDir::tempPath());
    return 0;
}
