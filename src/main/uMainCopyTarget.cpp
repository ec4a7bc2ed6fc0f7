// Copy and move with their target asked first: the copy dialog of F5, F6 and Shift+F6;
// and the direct copy and move into the other panel's place, of a drop or of F5 and F6
// when the question is turned off.
#include "archive/ReadOnlyArchive.h"
#include "fileops/uCopyTarget.h"
#include "main/uMain.h"
#include "platform/FileNames.h"
#include "zip/ZipArchive.h"

#include <QDir>

namespace
{

// What goes, in words: the one entry's name, or the files and folders counted.
QString WhatGoes(const TFileListing& listing, const std::vector<int>& rows)
{
    if (rows.size() == 1)
        return QStringLiteral("\"%1\"").arg(platform::DisplayName(listing[rows.front()].Name));
    int folders = 0;
    for (int row : rows)
        folders += listing[row].IsDirectory() ? 1 : 0;
    return CountedItems(int(rows.size()) - folders, folders);
}

} // namespace

QString TfMain::TransferTarget(TSide side) const
{
    const TPanel& p = m_panels[side];
    if (ShowsArchive(side))
        return ShowsReadOnlyArchive(side) ? p.ReadOnly->FileName() : p.Zip->ZipFilename();
    if (!p.Directory.startsWith('/'))
        return {}; // the drive list is no place for files
    return AddSeparator(p.Directory);
}

void TfMain::DirectTransfer(bool move)
{
    if (RemoteTransfer(move))
        return;
    if (!ReadingAny() &&
        !RefuseOnFedMembers(ActiveSide(),
                            move ? QStringLiteral("moved") : QStringLiteral("copied")) &&
        ConfirmAfterCursorJump(move ? QStringLiteral("Move") : QStringLiteral("Copy")) &&
        !TransferWithReadOnlyArchive(move))
        KeepingActive([this, move] {
            WithZipMessages(
                [this, move] { move ? m_commands.MoveFiles() : m_commands.CopyFiles(); });
        });
}

void TfMain::TransferCommand(bool move)
{
    if (RemoteTransfer(move))
        return; // into the other panel's place, without the target question
    if (!AskTarget) {
        DirectTransfer(move);
        return;
    }
    const TSide a = ActiveSide(), b = Other(a);
    if (ReadingAny() || (move && RefuseOnReadOnlyArchive(a)) ||
        RefuseOnFedMembers(a, move ? QStringLiteral("moved") : QStringLiteral("copied")))
        return; // nothing leaves a read-only archive: no question about where it would go
    const TPanel& p = m_panels[a];
    const std::vector<int> rows = m_commands.Selection(a);
    if (rows.empty() ||
        !ConfirmAfterCursorJump(move ? QStringLiteral("Move") : QStringLiteral("Copy")))
        return;
    TCopyQuestion question;
    question.Title = move ? QStringLiteral("Move") : QStringLiteral("Copy");
    question.What = QStringLiteral("%1 %2 to:").arg(question.Title, WhatGoes(p.Listing, rows));
    question.Target = TransferTarget(b);
    question.Base = p.Directory.startsWith('/') ? AddSeparator(p.Directory) : QStringLiteral("/");
    question.MayRename = rows.size() == 1 && !ShowsArchive(a);
    KeepingActive([&] {
        TCopyAnswer answer;
        if (!AskCopyTarget(question, answer))
            return; // Escape: nothing done
        if (answer.Unchanged)
            DirectTransfer(move); // exactly as without the question, into archives too
        else
            TransferToTyped(move, answer.Target);
    });
}

void TfMain::TransferToTyped(bool move, const TCopyTarget& target)
{
    const TSide a = ActiveSide(), b = Other(a);
    if (ShowsReadOnlyArchive(a)) { // a copy: a move out of it was refused before asking
        TUndoRecord record{TUndoKind::Copy};
        WithZipMessages([&] { CopyReadOnlyMembers(a, target.Folder, true, &record); });
        m_commands.History().Add(std::move(record));
        if (!ShowsArchive(b))
            RefreshFromDisk(b);
        RefreshFromArchive(a);
        return;
    }
    const QString name = target.Kind == TCopyTarget::AsName ? target.Name : QString();
    WithZipMessages([&] { m_commands.TransferTo(move, target.Folder, name); });
}

void TfMain::MenuRenameMoveClick()
{
    const TSide a = ActiveSide();
    if (RemoteRenameMove() || Reading(a) || RefuseOnReadOnlyArchive(a) ||
        RefuseOnFedMembers(a, QStringLiteral("moved")))
        return;
    if (ShowsArchive(a)) {
        MenuRenameFileClick(); // says that members cannot be renamed
        return;
    }
    const TPanel& p = m_panels[a];
    const std::vector<int> rows = m_commands.Selection(a);
    if (!p.Directory.startsWith('/') || rows.empty() ||
        !ConfirmAfterCursorJump(QStringLiteral("Rename")))
        return;
    const QString here = AddSeparator(p.Directory);
    TCopyQuestion question;
    question.Title = QStringLiteral("Rename or move");
    question.Base = here;
    question.Target = here;
    question.What = QStringLiteral("Move %1 to:").arg(WhatGoes(p.Listing, rows));
    const QString name = rows.size() == 1 ? p.Listing[rows.front()].Name : QString();
    if (rows.size() == 1) {
        // A search result's name is its path below the searched folder: the entry's own
        // folder is where a bare name goes.
        const qsizetype slash = name.lastIndexOf('/');
        question.Base = here + name.left(slash + 1);
        question.Target = name.mid(slash + 1);
        question.MayRename = true;
        // The part before the extension selected, as F2 selects it.
        question.Selected = int(NameStem(platform::DisplayName(question.Target)).size());
        question.What = QStringLiteral("Rename or move %1 to:").arg(WhatGoes(p.Listing, rows));
    }
    KeepingActive([&] {
        TCopyAnswer answer;
        if (!AskCopyTarget(question, answer) || answer.Unchanged)
            return;
        const TCopyTarget& target = answer.Target;
        if (target.Kind == TCopyTarget::AsName && !name.contains('/') &&
            QDir::cleanPath(target.Folder) == QDir::cleanPath(here))
            m_commands.RenameRow(a, rows.front(), target.Name); // as F2 renames
        else
            TransferToTyped(true, target);
    });
}
