// Opening an archive of 100,000 members in 1,000 folders as a panel does (its directory
// read, its folders indexed, the rows of its top made and sorted by name), beside the
// flat listing of every member that panels showed before; and entering one folder.
#include "listing/ArchiveFolders.h"
#include "listing/FileListing.h"
#include "platform/Messages.h"
#include "support/Bench.h"
#include "zip/ZipArchive.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>

namespace
{

constexpr int kMembers = 100000;
constexpr int kFolders = 1000;
constexpr int kRepeats = 5;

// The flat listing: one row per member that is not a folder, sorted by name.
void FlatListing(const TZipArchive& zip, TFileListing& listing)
{
    std::vector<TFileObject> rows;
    TFileObject& parent = rows.emplace_back();
    parent.Name = QStringLiteral("..");
    parent.Kind = fkZipFile;
    for (const TArchiveMember& m : zip.Members()) {
        if (m.Name.endsWith('/'))
            continue;
        TFileObject& e = rows.emplace_back();
        e.Name = m.Name;
        e.Size = m.Size;
        e.DateTime = m.DateTime;
        e.Kind = fkZipMember;
    }
    listing.LoadRows(std::move(rows));
    listing.Sort(soName);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    platform::SetMessageHandler(
        [](const QString& t) { std::fprintf(stderr, "%s\n", qPrintable(t)); });
    QTemporaryDir scratch;
    const QString archive = scratch.path() + "/folders.zip";
    // Every other folder has a member of its own ("dir0002/"), the rest are implied.
    bench::BestCommandSeconds(
        1, "python3 -c \"import zipfile; z = zipfile.ZipFile('" + archive +
               "', 'w', zipfile.ZIP_DEFLATED); n = " + QString::number(kMembers) +
               "; f = " + QString::number(kFolders) +
               "; [z.writestr('dir%04d/' % d, '') for d in range(0, f, 2)]; "
               "[z.writestr('dir%04d/file%06d.txt' % (i % f, i), 'member %d ' % i) "
               "for i in range(n)]; z.close()\"");
    TZipArchive zip;
    TFileListing listing;
    const double flat = bench::BestSeconds(kRepeats, [&] {
        zip.SetZipFilename(archive);
        FlatListing(zip, listing);
    });
    if (listing.FileCount != kMembers)
        qFatal("listed %d members instead of %d", listing.FileCount, kMembers);

    std::unique_ptr<TArchiveFolders> folders;
    const double top = bench::BestSeconds(kRepeats, [&] {
        zip.SetZipFilename(archive);
        folders = std::make_unique<TArchiveFolders>(zip.Members());
        listing.LoadArchiveFolder(*folders, QString(), nullptr);
        listing.Sort(soName);
    });
    if (listing.FileCount != kFolders)
        qFatal("listed %d folders at the top instead of %d", listing.FileCount, kFolders);
    bench::Report("archive folders: open 100,000 members in 1,000 folders at the top", top, flat,
                  "flat listing of every member");

    int index = 0;
    const double enter = bench::BestSeconds(kRepeats * 4, [&] {
        const QString folder =
            QStringLiteral("dir%1/").arg(++index * 7 % kFolders, 4, 10, QChar('0'));
        listing.LoadArchiveFolder(*folders, folder, nullptr);
        listing.Sort(soName);
    });
    if (listing.FileCount != kMembers / kFolders)
        qFatal("listed %d members in a folder instead of %d", listing.FileCount,
               kMembers / kFolders);
    bench::Figure("archive folders: enter a folder of 100 members", enter * 1000, "ms");
    return 0;
}
