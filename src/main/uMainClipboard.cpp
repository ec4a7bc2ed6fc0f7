// Edit's Cut, Copy and Paste: files on the desktop clipboard, shared with the desktop's
// other programs (see FileClipboard.h for the formats).
#include "main/FileClipboard.h"
#include "main/uMain.h"
#include "platform/Messages.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

void TfMain::ClipboardPut(bool cut)
{
    const TSide side = ActiveSide();
    if (Reading(side))
        return;
    const TPanel& p = m_panels[side];
    if (ShowsArchive(side)) {
        platform::ShowMessage(QStringLiteral(
            "Members of an archive cannot go on the clipboard: copy them out of it first."));
        return;
    }
    if ((!p.Directory.startsWith('/') && !ShowsRemote(side)) ||
        RefuseOnFedMembers(side, cut ? QStringLiteral("cut") : QStringLiteral("copied")))
        return; // the drive list holds no files
    QStringList paths;
    for (int row : m_commands.Selection(side))
        paths << RemoteOrLocalPath(side, p.Listing[row].Name);
    if (!paths.isEmpty())
        QGuiApplication::clipboard()->setMimeData(FilesToClipboard(paths, cut).release());
}

void TfMain::MenuPasteClick()
{
    const TSide side = ActiveSide();
    if (ReadingAny())
        return;
    const TClipboardFiles files = FilesFromClipboard(QGuiApplication::clipboard()->mimeData());
    if (files.Refusal.isEmpty() && PasteIntoRemote(side, files.Paths, files.Cut)) {
        if (files.Cut) // as below
            QGuiApplication::clipboard()->setMimeData(new QMimeData);
        return;
    }
    const TPanel& p = m_panels[side];
    QString refusal = files.Refusal;
    if (refusal.isEmpty() && ShowsArchive(side))
        refusal = QStringLiteral("Nothing was pasted: files are not pasted into an archive. "
                                 "Show the files in the other panel and copy them with F5.");
    else if (refusal.isEmpty() && ShowsFedResults(side))
        refusal = QStringLiteral("Nothing was pasted: search results are no folder.");
    else if (refusal.isEmpty() && !p.Directory.startsWith('/'))
        refusal = QStringLiteral("Nothing was pasted: the drive list is not a folder.");
    if (!refusal.isEmpty()) {
        platform::ShowMessage(refusal);
        return;
    }
    const QString target = AddSeparator(p.Directory);
    KeepingActive(
        [&] { WithZipMessages([&] { m_commands.PasteFiles(files.Cut, files.Paths, target); }); });
    // Cut files have moved: the names on the clipboard lead nowhere now. Empty data
    // rather than clear(): under X11 clear() does nothing while another program owns
    // the clipboard.
    if (files.Cut)
        QGuiApplication::clipboard()->setMimeData(new QMimeData);
}
