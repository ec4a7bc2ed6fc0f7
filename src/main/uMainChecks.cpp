// Checksum files and the comparison of two files in the main window: the File menu's
// entries, what they are given (marked names, the cursor's file, both panels' files),
// and what they leave (checksum files written whole, their undo record, the windows).
#include "checks/ChecksumCreate.h"
#include "checks/FileCompare.h"
#include "checks/uChecksumDialog.h"
#include "checks/uChecksumReport.h"
#include "checks/uFileDiff.h"
#include "controls/VirtualListView.h"
#include "fileops/uCommon.h"
#include "fileops/uConfirm.h"
#include "fileops/uProgress.h"
#include "main/uMain.h"
#include "panel/FedResults.h"
#include "platform/FileContent.h"
#include "platform/FileNames.h"
#include "platform/Messages.h"
#include "transfer/FileSave.h"

#include <QMenu>
#include <cstring>

void TfMain::CreateChecksumItems(QMenu* file)
{
    TMainActions& a = Actions;
    a.MenuCreateChecksums = new QAction(QStringLiteral("Create chec&ksum file..."), this);
    a.MenuVerifyChecksums = new QAction(QStringLiteral("Veri&fy checksums"), this);
    a.MenuCompareFiles = new QAction(QStringLiteral("Compare f&iles"), this);
    file->addActions({a.MenuCreateChecksums, a.MenuVerifyChecksums, a.MenuCompareFiles});
    connect(a.MenuCreateChecksums, &QAction::triggered, this,
            Command(&TfMain::MenuCreateChecksumsClick));
    connect(a.MenuVerifyChecksums, &QAction::triggered, this,
            Command(&TfMain::MenuVerifyChecksumsClick));
    connect(a.MenuCompareFiles, &QAction::triggered, this, Command(&TfMain::MenuCompareFilesClick));
}

namespace
{

QString Names(const QStringList& paths)
{
    QStringList names;
    for (const QString& path : paths.mid(0, 5))
        names << platform::DisplayName(path.section('/', -1));
    return names.join(QStringLiteral(", ")) + (paths.size() > 5 ? QStringLiteral(", …") : "");
}

// Asks once whether the checksum files of `plan` whose names are taken by a file replace
// them: Yes lists them in `replaced`, No takes them out of `plan`. A name taken by
// anything else (a link, a folder) is never written, and said so.
void ReplaceTaken(TChecksumPlan& plan, QStringList& replaced)
{
    QStringList taken;
    for (auto it = plan.Targets.begin(); it != plan.Targets.end();) {
        const platform::TSaveTarget target = platform::InspectSaveTarget(it->Path);
        if (target.Kind == platform::TSaveTarget::TKind::Missing) {
            ++it;
        } else if (target.Kind == platform::TSaveTarget::TKind::File) {
            taken << it->Path;
            ++it;
        } else {
            plan.Problems << QStringLiteral("\"%1\" is not written: the name is taken by "
                                            "something other than a file.")
                                 .arg(platform::DisplayName(it->Path));
            it = plan.Targets.erase(it);
        }
    }
    if (taken.isEmpty())
        return;
    if (AskConfirmation(
            QStringLiteral("%1 exist(s) already: %2").arg(taken.size()).arg(Names(taken)),
            QStringLiteral("Replace?"))) {
        replaced = taken;
        return;
    }
    std::erase_if(plan.Targets, [&](const TChecksumTarget& t) { return taken.contains(t.Path); });
}

} // namespace

void TfMain::MenuCreateChecksumsClick()
{
    const TSide side = ActiveSide();
    if (Reading(side))
        return;
    TPanel& p = m_panels[side];
    if (CreateRemoteChecksums(side))
        return;
    if (!ShowsLocalFolder(p)) {
        platform::ShowMessage(QStringLiteral("Checksum files are made for files in a folder."));
        return;
    }
    const QStringList names = MarkedOrFocusedNames(side);
    if (names.isEmpty())
        return;
    const QString folder = AddSeparator(p.Listing.Directory);
    TfChecksumCreate dialog(
        this, [&](TDigestKind kind) { return DefaultChecksumName(folder, names, kind); });
    if (dialog.exec() != QDialog::Accepted)
        return;
    const TChecksumRequest request{folder, names, dialog.Kind(), dialog.OnePerFile(),
                                   dialog.TargetName()};
    platform::TFileOpsProgress progress;
    TChecksumPlan plan;
    RunFileWork(QStringLiteral("Hashing"), progress,
                [&] { plan = HashForChecksums(request, progress); });
    if (plan.Cancelled) {
        platform::ShowMessage(QStringLiteral("Cancelled: no checksum file was written."));
        return;
    }
    QStringList replaced;
    ReplaceTaken(plan, replaced);
    // Each file under a temporary name, renamed into place when whole; a name taken
    // since the question is left as it is.
    TUndoRecord record{TUndoKind::NewFile};
    QStringList written;
    for (const TChecksumTarget& target : plan.Targets) {
        const int error = platform::SaveFile(target.Path, target.Text);
        if (error != 0) {
            plan.Problems << QStringLiteral("\"%1\" is not written: %2.")
                                 .arg(platform::DisplayName(target.Path),
                                      QString::fromLocal8Bit(strerror(error)));
            continue;
        }
        written << target.Path;
        TUndoItem item{target.Path, {}, {}};
        const std::optional<quint32> crc = platform::FileCrc32(target.Path);
        if (!replaced.contains(target.Path) && crc &&
            platform::RecordEntry(target.Path, item.Record) == 0) {
            item.Record.KeepContent(*crc, true);
            record.Items.push_back(std::move(item));
        }
    }
    if (!replaced.isEmpty() && !written.isEmpty())
        record = TUndoRecord{TUndoKind::None, QStringLiteral("checksum files written over others")};
    m_commands.History().Add(std::move(record));
    RereadKeepingView(side, {},
                      written.size() == 1 ? written.front().mid(folder.size()) : QString());
    if (written.isEmpty() && plan.Problems.isEmpty())
        plan.Problems << QStringLiteral("No checksum file was written.");
    if (!plan.Problems.isEmpty())
        platform::ShowMessage(plan.Problems.join('\n'));
}

void TfMain::MenuVerifyChecksumsClick()
{
    const TFileObject* e = FocusedFile();
    const TPanel& p = m_panels[ActiveSide()];
    if (!e || e->IsParent() || e->IsDirectory() || VerifyRemoteChecksums(ActiveSide(), *e) ||
        !ShowsLocalFolder(p))
        return;
    auto* report = new TfChecksumReport(this, AddSeparator(p.Listing.Directory) + e->Name);
    report->show();
    report->raise();
    report->activateWindow();
}

void TfMain::MenuCompareFilesClick()
{
    if (ReadingAny())
        return;
    // The two marked files of the active panel, else the files at both cursors.
    QStringList paths;
    const TPanel& active = m_panels[ActiveSide()];
    const auto fileAt = [](const TPanel& p, int row) {
        return ShowsLocalFolder(p) && row >= 0 && row < p.Listing.Count() &&
                       !p.Listing[row].IsDirectory() && !p.Listing[row].IsParent()
                   ? AddSeparator(p.Listing.Directory) + p.Listing[row].Name
                   : QString();
    };
    const std::vector<int> marked = MarkedRows(ActiveSide());
    if (marked.size() == 2) {
        paths << fileAt(active, marked[0]) << fileAt(active, marked[1]);
    } else {
        const TPanel& other = m_panels[Other(ActiveSide())];
        paths << fileAt(active, active.Files->GetFocusedIndex())
              << fileAt(other, other.Files->GetFocusedIndex());
    }
    if (paths.contains(QString())) {
        platform::ShowMessage(QStringLiteral("Mark two files, or put the cursor of each panel "
                                             "on a file, to compare them."));
        return;
    }
    platform::TFileOpsProgress progress;
    TCompareResult result;
    TLineDiff diff;
    RunFileWork(QStringLiteral("Comparing"), progress, [&] {
        result = CompareFiles(paths[0], paths[1], &progress);
        if (result.Kind == TCompareResult::TKind::Different)
            diff = DiffFiles(paths[0], paths[1]);
    });
    const QString a = platform::DisplayName(paths[0]), b = platform::DisplayName(paths[1]);
    using K = TCompareResult::TKind;
    if (result.Kind == K::Cancelled)
        return;
    if (result.Kind == K::Unreadable) {
        platform::ShowMessage(result.Problem);
    } else if (result.Kind == K::Equal) {
        platform::ShowMessage(QStringLiteral("The files are equal (%1 bytes):\n%2\n%3")
                                  .arg(FormatSize(result.SizeA), a, b));
    } else if (diff.IsText && !diff.TooLarge) {
        auto* window = new TfFileDiff(this, paths[0], paths[1], diff);
        window->show();
        window->raise();
    } else {
        QString text = QStringLiteral("The files differ first at byte offset %1 (0x%2).\n"
                                      "%3: %4 bytes\n%5: %6 bytes")
                           .arg(result.FirstDifference)
                           .arg(QString::number(result.FirstDifference, 16))
                           .arg(a, FormatSize(result.SizeA), b, FormatSize(result.SizeB));
        if (diff.TooLarge)
            text += QStringLiteral("\nThe texts differ in more than %1 lines, too many to list; "
                                   "they first differ at line %2.")
                        .arg(kMaxDiffEdits)
                        .arg(diff.FirstLine);
        platform::ShowMessage(text);
    }
}
