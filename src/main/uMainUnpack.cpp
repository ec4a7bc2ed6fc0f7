// Unpack (Alt+F9) and Test archives (Alt+Shift+F9) in the main window: the File menu's
// entries, the archives they take (the marked files of the active panel's folder, else
// the cursor's), the work behind the progress window, the undo record of what an unpack
// made, and the test's report window.
#include "controls/VirtualListView.h"
#include "fileops/uCollision.h"
#include "fileops/uProgress.h"
#include "main/uMain.h"
#include "modules/SupportModules.h"
#include "platform/FileNames.h"
#include "platform/Messages.h"
#include "unpack/uArchiveTestReport.h"
#include "unpack/uUnpackDialog.h"

#include <QMenu>

void TfMain::CreateUnpackItems(QMenu* file)
{
    TMainActions& a = Actions;
    a.MenuUnpack = new QAction(QStringLiteral("&Unpack…"), this);
    a.MenuUnpack->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F9));
    a.MenuTestArchives = new QAction(QStringLiteral("&Test archives"), this);
    a.MenuTestArchives->setShortcut(QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_F9));
    file->addActions({a.MenuUnpack, a.MenuTestArchives});
    connect(a.MenuUnpack, &QAction::triggered, this, Command(&TfMain::MenuUnpackClick));
    connect(a.MenuTestArchives, &QAction::triggered, this, Command(&TfMain::MenuTestArchivesClick));
}

QStringList TfMain::ArchivesToUnpack() const
{
    const TSide side = ActiveSide();
    const TPanel& p = m_panels[side];
    if (!ShowsLocalFolder(p))
        return {};
    std::vector<int> rows = MarkedRows(side);
    if (rows.empty())
        rows.push_back(p.Files->GetFocusedIndex());
    QStringList paths;
    for (const int row : rows)
        if (row >= 0 && row < p.Listing.Count() && !p.Listing[row].IsParent() &&
            !p.Listing[row].IsDirectory())
            paths << AddSeparator(p.Listing.Directory) + p.Listing[row].Name;
    return paths;
}

void TfMain::MenuUnpackClick()
{
    if (ReadingAny())
        return;
    const QStringList archives = ArchivesToUnpack();
    if (archives.isEmpty()) {
        platform::ShowMessage(QStringLiteral("Put the cursor on an archive, or mark archives, "
                                             "to unpack them."));
        return;
    }
    const TSide side = ActiveSide(), other = Other(side);
    const TPanel& o = m_panels[other];
    const bool otherIsFolder = ShowsLocalFolder(o);
    const QString folder = otherIsFolder ? o.Listing.Directory : m_panels[side].Listing.Directory;
    const QString what = archives.size() == 1
                             ? platform::DisplayName(archives.front().section('/', -1))
                             : QStringLiteral("%1 archives").arg(archives.size());
    TfUnpack dialog(this, what, AddSeparator(folder));
    if (dialog.exec() != QDialog::Accepted || dialog.Target().isEmpty())
        return;
    const TPackingModule* packing = PackingOrSay();
    if (!packing)
        return;
    platform::TFileOpsProgress progress;
    progress.SetTotals(-1, -1);
    TCollisionAsker asker;
    const platform::TCollisionAsk ask = asker.Handler(progress);
    std::vector<TUnpackResult> results;
    RunFileWork(QStringLiteral("Unpacking"), progress, [&] {
        for (const QString& archive : archives) {
            const TUnpackRequest request{archive, dialog.Target(), dialog.IntoFolder(),
                                         dialog.Password(), UseRecycleBin};
            results.push_back(packing->Unpack(request, progress, ask));
            if (results.back().Cancelled)
                break;
        }
    });
    // An undo removes what the unpack made while it is as it was made, and brings back
    // what it replaced.
    TUndoRecord record{TUndoKind::Copy};
    QStringList lines;
    for (const TUnpackResult& result : results) {
        lines << result.Lines;
        for (const TUnpackMade& made : result.Made) {
            TUndoItem item{made.Path, {}, made.Record};
            item.Trashed = made.Trashed;
            item.TrashedRecord = made.TrashedRecord;
            item.ReplacedForGood = made.ReplacedForGood;
            record.Items.push_back(std::move(item));
        }
    }
    m_commands.History().Add(std::move(record));
    if (progress.Cancelled())
        lines << QStringLiteral("Cancelled: what was not in place yet was removed.");
    for (const TSide s : {side, other})
        RereadKeepingView(s);
    if (!lines.isEmpty())
        platform::ShowMessage(lines.mid(0, 40).join('\n') +
                              (lines.size() > 40 ? QStringLiteral("\n…") : QString()));
}

void TfMain::MenuTestArchivesClick()
{
    if (ReadingAny())
        return;
    const QStringList archives = ArchivesToUnpack();
    if (archives.isEmpty()) {
        platform::ShowMessage(QStringLiteral("Put the cursor on an archive, or mark archives, "
                                             "to test them."));
        return;
    }
    const TPackingModule* packing = PackingOrSay();
    if (!packing)
        return;
    platform::TFileOpsProgress progress;
    progress.SetTotals(-1, -1);
    std::vector<TArchiveTest> tests;
    RunFileWork(QStringLiteral("Testing archives"), progress,
                [&] { tests = packing->TestArchives(archives, {}, progress); });
    auto* report = new TfArchiveTestReport(this, tests);
    report->show();
    report->raise();
    report->activateWindow();
}
