// Listing a 100,000-member .tar.gz and .tar.xz and extracting one member near the start,
// each beside GNU tar doing the same work in the same run.
#include "archive/ReadOnlyArchive.h"
#include "modules/ViewerModules.h"
#include "platform/Messages.h"
#include "support/Bench.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

namespace
{

constexpr int kFolders = 100;
constexpr int kFilesPerFolder = 1000;
constexpr int kRepeats = 3;

void WriteTree(const QString& root)
{
    const QByteArray data(100, 'x');
    for (int f = 0; f < kFolders; ++f) {
        const QString folder = QStringLiteral("%1/d%2").arg(root).arg(f, 3, 10, QChar('0'));
        QDir().mkpath(folder);
        for (int i = 0; i < kFilesPerFolder; ++i) {
            QFile file(QStringLiteral("%1/file%2.txt").arg(folder).arg(i, 4, 10, QChar('0')));
            if (!file.open(QIODevice::WriteOnly) || file.write(data) < 0)
                qFatal("cannot write %s", qPrintable(file.fileName()));
        }
    }
}

QString Quote(const QString& path)
{
    return QLatin1Char('\'') + path + QLatin1Char('\'');
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    SetModuleDirectory(QStringLiteral(TRVX_LIB_DIR));
    platform::SetMessageHandler(
        [](const QString& t) { std::fprintf(stderr, "%s\n", qPrintable(t)); });
    QTemporaryDir scratch;
    const QString root = scratch.path();
    WriteTree(root + "/tree");
    const QString archive = root + "/many.tar.gz";
    bench::BestCommandSeconds(1, "cd " + Quote(root + "/tree") + " && tar -czf " + Quote(archive) +
                                     " .");

    TReadOnlyArchive reader;
    const double list = bench::BestSeconds(kRepeats, [&] { reader.Open(archive); });
    const int files = int(reader.Members().size()) - kFolders - 1; // folders and "./"
    if (files != kFolders * kFilesPerFolder)
        qFatal("listed %d files instead of %d", files, kFolders * kFilesPerFolder);
    bench::Report(
        "archive: list a 100,000-member .tar.gz", list,
        bench::BestCommandSeconds(kRepeats, "tar -tzf " + Quote(archive) + " > /dev/null"),
        "tar -tzf");

    // The same tree as .tar.xz: one pass through the decompressor, as tar makes.
    const QString xz = root + "/many.tar.xz";
    bench::BestCommandSeconds(1,
                              "cd " + Quote(root + "/tree") + " && tar -cJf " + Quote(xz) + " .");
    TReadOnlyArchive xzReader;
    const double listXz = bench::BestSeconds(kRepeats, [&] { xzReader.Open(xz); });
    if (xzReader.Members().size() != reader.Members().size())
        qFatal("listed %zu members of the .tar.xz", xzReader.Members().size());
    bench::Report("archive: list the same tree as .tar.xz", listXz,
                  bench::BestCommandSeconds(kRepeats, "tar -tJf " + Quote(xz) + " > /dev/null"),
                  "tar -tJf");

    // The tenth file of the archive: both stop reading once they have it.
    QString member;
    int seen = 0;
    for (const TArchiveMember& m : reader.Members())
        if (!m.Name.endsWith('/') && ++seen == 10)
            member = m.Name;
    const QString out = root + "/out";
    const double one = bench::BestSeconds(kRepeats, [&] {
        QDir(out).removeRecursively();
        QDir().mkpath(out);
        int written = 0;
        reader.Extract({member}, out, written);
        if (written != 1)
            qFatal("extracted %d files instead of 1", written);
    });
    const double oneRef = bench::BestCommandSeconds(
        kRepeats, "rm -rf " + Quote(out) + " && mkdir " + Quote(out) + " && tar -xzf " +
                      Quote(archive) + " -C " + Quote(out) + " --occurrence=1 " + Quote(member));
    bench::Report("archive: extract the tenth file of the .tar.gz", one, oneRef,
                  "tar -xzf --occurrence");
    return 0;
}
