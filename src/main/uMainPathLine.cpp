// The path line: a panel's place typed in, with Tab completing names, and gone to as a
// place given on the command line is.
#include "archive/ReadOnlyArchive.h"
#include "controls/VirtualListView.h"
#include "main/uMain.h"
#include "panel/PathLine.h"
#include "panel/RemoteLocation.h"
#include "platform/Messages.h"
#include "platform/StartPath.h"
#include "zip/ZipArchive.h"

#include <QUrl>

namespace
{

// Why a typed path leads nowhere.
QString NowhereText(const QString& typed)
{
    const QUrl url(typed);
    const bool otherScheme = typed.contains(QLatin1String("://")) && !url.isLocalFile();
    return QStringLiteral("Cannot go to \"%1\": %2.")
        .arg(typed, otherScheme ? QStringLiteral("only local files and folders can be shown")
                                : QStringLiteral("no such file or folder"));
}

// A path into a folder of an archive ("/home/ann/a.zip/sub/deeper/"): the archive, the
// nearest file on the path's way, and the folder after it ("sub/deeper/"). False when
// no file lies on its way.
bool SplitArchivePath(const QString& typed, const QString& here, platform::TStartPlace& place,
                      QString& folder)
{
    for (qsizetype slash = typed.lastIndexOf('/'); slash > 0;
         slash = typed.lastIndexOf('/', slash - 1)) {
        platform::TStartPlace found;
        if (!platform::ResolveStartPath(typed.left(slash), here, found))
            continue;
        if (found.Name.isEmpty())
            return false; // a folder: the rest is not there
        place = found;
        folder = typed.mid(slash + 1);
        if (!folder.isEmpty() && !folder.endsWith('/'))
            folder += '/';
        return true;
    }
    return false;
}

} // namespace

void TfMain::MenuPathLineClick()
{
    EditPath(ActiveSide());
}

void TfMain::EditPath(TSide side)
{
    TPanel& p = m_panels[side];
    FilesEnter(side);
    // Relative paths and completion start from the folder shown (from "/" on the drive list
    // or search results).
    const auto here = [this, side] {
        const QString& dir = m_panels[side].Directory;
        return dir.startsWith('/') ? dir : QStringLiteral("/");
    };
    p.PathLine->OnComplete = [here](const QString& typed) {
        return platform::CompletePath(typed, here());
    };
    p.PathLine->OnAccept = [this, side](const QString& typed) {
        RunCommand([this, side, typed] { GoToTypedPath(side, typed); });
    };
    p.PathLine->OnClosed = [this, side] { m_panels[side].Files->setFocus(); };
    QString shown = here();
    if (ShowsArchive(side))
        shown = ArchiveFile(side) + (p.ArchiveFolder.isEmpty() ? QString() : '/' + p.ArchiveFolder);
    p.PathLine->Open(p.DirectoryLabel, shown);
}

void TfMain::GoToTypedPath(TSide side, const QString& typed)
{
    TPanel& p = m_panels[side];
    if (IsRemoteAddress(typed)) {
        if (!GoToTypedRemote(side, typed)) {
            p.PathLine->setFocus();
            return; // the line keeps the address to be mended
        }
        p.PathLine->Close();
        p.Files->setFocus();
        return; // the panel goes there once the place is mounted
    }
    const QString here = p.Directory.startsWith('/') ? p.Directory : QStringLiteral("/");
    platform::TStartPlace place;
    QString folder; // of an archive
    if (!platform::ResolveStartPath(typed, here, place) &&
        !SplitArchivePath(typed, here, place, folder)) {
        platform::ShowMessage(NowhereText(typed));
        p.PathLine->setFocus();
        return; // the line keeps the text to be mended; the panel stays
    }
    p.PathLine->Close();
    p.Files->setFocus();
    LeaveLockedTab(side);
    NoteLeaving(side);
    StartAt(side, place, true);
    p.HistoryBatch = true; // the folder, then the archive it names: one place
    m_start[side].ArchiveFolder = folder;
    OpenLocation(side, [this, side] { EnterStartPlace(side); });
}
