#include "fileops/DeleteQuestion.h"

#include "platform/Locale.h"
#include "transfer/FileOpsTree.h"

#include <QLocale>

namespace
{

// How long the question may wait for the folders to be measured: past either bound it
// says what it counted so far.
constexpr qint64 kMeasureEntries = 10000;
constexpr qint64 kMeasureMs = 500;

QString Counted(qint64 count, const char* one, const char* many)
{
    return platform::FormatNumber(count) + ' ' + QLatin1String(count == 1 ? one : many);
}

QString Bytes(qint64 bytes)
{
    return bytes < 1000 ? Counted(bytes, "byte", "bytes")
                        : QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

// "230 files, 12.3 MB"; "at least 10,000 files, 1.2 GB" when the walk was cut short
// or could not read everything; "no files".
QString Contents(const platform::TTreeMeasure& m)
{
    if (m.Files == 0 && m.Complete)
        return QStringLiteral("no files");
    return (m.Complete ? QString() : QStringLiteral("at least ")) +
           Counted(m.Files, "file", "files") + QStringLiteral(", ") + Bytes(m.Bytes);
}

} // namespace

QString DeleteQuestionText(const TFileListing& listing, const std::vector<int>& selection,
                           const QString& dir, bool measure)
{
    QStringList folders;
    qint64 files = 0;
    for (int row : selection) {
        if (listing[row].IsDirectory())
            folders << AddSeparator(dir) + listing[row].Name;
        else
            ++files;
    }
    const QString inside =
        measure && !folders.isEmpty()
            ? Contents(platform::MeasureTrees(folders, kMeasureEntries, kMeasureMs))
            : QString();
    if (selection.size() == 1) {
        const TFileObject& only = listing[selection.front()];
        return QStringLiteral("You have selected the %1 %2 to be deleted.")
                   .arg(only.IsDirectory() ? QStringLiteral("folder") : QStringLiteral("file"),
                        only.Name) +
               (inside.isEmpty() ? QString() : QStringLiteral("\nIt holds ") + inside + '.');
    }
    QStringList parts;
    if (files > 0)
        parts << Counted(files, "file", "files");
    if (!folders.isEmpty())
        parts << Counted(folders.size(), "folder", "folders") +
                     (inside.isEmpty()
                          ? QString()
                          : QStringLiteral(" (with ") + inside + QStringLiteral(" inside)"));
    return QStringLiteral("You have selected ") + parts.join(QStringLiteral(" and ")) +
           QStringLiteral(" to be deleted.");
}
