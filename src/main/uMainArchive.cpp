// Panels that show an archive of a read-only format: opening it, copying its members
// out, extracting one for View / Edit, and the one message that refuses every change.
#include "archive/ReadOnlyArchive.h"
#include "controls/VirtualListView.h"
#include "controls/WaitCursor.h"
#include "fileops/TransferPlan.h"
#include "main/uMain.h"
#include "platform/Messages.h"
#include "platform/TempFolder.h"
#include "zip/ZipArchive.h"

#include <QLabel>

bool TfMain::ShowsReadOnlyArchive(TSide side) const
{
    const TPanel& p = m_panels[side];
    return p.ReadOnly && p.ReadOnly->IsOpen() && p.Listing.IsArchiveListing();
}

bool TfMain::OpenReadOnlyArchive(TSide side, int row)
{
    TPanel& p = m_panels[side];
    // A file whose extension has a viewer (an .svgz image is gzip data) keeps it.
    if (FindViewAction(Categories, p.Listing[row].Name, false) != TViewAction::None)
        return false;
    if (!p.ReadOnly)
        p.ReadOnly = std::make_shared<TReadOnlyArchive>();
    const TFileObject entry = p.Listing[row]; // the listing is refilled below
    {
        const TWaitCursor wait;
        // A damaged or encrypted archive raises its reason: the panel stays as it was.
        if (!p.ReadOnly->Open(AddSeparator(p.Directory) + entry.Name))
            return false;
    }
    LoadZipListing(side, &entry);
    FocusFirstRow(side);
    p.DirectoryLabel->setText(p.ReadOnly->FileName());
    ShowTotals(side, QStringLiteral(" objects"), QStringLiteral(" bytes"));
    return true;
}

bool TfMain::RefuseOnReadOnlyArchive(TSide side)
{
    if (!ShowsReadOnlyArchive(side))
        return false;
    platform::ShowMessage(m_panels[side].ReadOnly->ReadOnlyText());
    return true;
}

bool TfMain::TransferWithReadOnlyArchive(bool move)
{
    const TSide a = ActiveSide(), b = Other(a);
    if (RefuseOnReadOnlyArchive(b))
        return true;
    if (!ShowsReadOnlyArchive(a))
        return false;
    if (move)
        return RefuseOnReadOnlyArchive(a);
    if (ShowsArchive(b)) {
        WithZipMessages([&] { CopyReadOnlyMembersToZip(a, b); });
        RefreshFromArchive(b);
        RefreshFromArchive(a);
        return true;
    }
    if (m_panels[b].Directory == QLatin1String("Drives"))
        return true; // the drive list is not a place files can go
    WithZipMessages([&] { CopyReadOnlyMembers(a, AddSeparator(m_panels[b].Directory)); });
    RefreshFromDisk(b); // the focus stays in the panel copied from
    RefreshFromArchive(a);
    return true;
}

// Through a private folder, removed at the end: the members that arrived there go into
// the ZIP archive unless it already holds their names.
void TfMain::CopyReadOnlyMembersToZip(TSide side, TSide zipSide)
{
    const platform::TPrivateFolder folder;
    TZipArchive& target = *m_panels[zipSide].Zip;
    target.SetZipFilename(target.ZipFilename()); // the archive as it is now
    TExtractionPlan extraction(folder.Path(), m_panels[side].ReadOnly->Members());
    for (int row : m_commands.Selection(side))
        extraction.AddMember(m_panels[side].Listing[row].Name);
    m_zipMessages << extraction.Skipped(QStringLiteral("copied"));
    CopyReadOnlyMembers(side, folder.Path());
    QStringList missed;
    TTransferPlan plan(target.Members());
    for (const QString& member : extraction.Extracted(false, QStringLiteral("copied"), missed))
        plan.AddFile(folder.Path() + BareName(member), member);
    m_zipMessages << missed << plan.Skipped(QStringLiteral("copied"));
    const TWaitCursor wait;
    target.FSpecArgs = plan.Files();
    if (!plan.Files().isEmpty())
        target.Add();
}

void TfMain::CopyReadOnlyMembers(TSide side, const QString& folder)
{
    const TPanel& p = m_panels[side];
    QStringList names;
    for (int row : m_commands.Selection(side))
        names << p.Listing[row].Name;
    const TWaitCursor wait;
    int written = 0;
    m_zipMessages << p.ReadOnly->Extract(names, folder, written);
}

bool TfMain::ExtractReadOnlyMember(TSide side, const QString& name, const QString& folder)
{
    if (!ShowsReadOnlyArchive(side))
        return false;
    const TReadOnlyArchive& archive = *m_panels[side].ReadOnly;
    WithZipMessages([&] {
        int written = 0;
        m_zipMessages << archive.Extract({name}, folder, written);
    });
    return true;
}
