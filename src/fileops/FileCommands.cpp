#include "fileops/FileCommands.h"

#include "controls/VirtualListView.h"
#include "controls/WaitCursor.h"
#include "fileops/PanelHost.h"
#include "fileops/TransferPlan.h"
#include "fileops/uCommon.h"
#include "fileops/uConfirm.h"
#include "fileops/uSimple.h"
#include "platform/Locale.h"
#include "platform/Messages.h"
#include "platform/ShellFileOperation.h"
#include "platform/TempFolder.h"
#include "zip/ZipArchive.h"

#include <QApplication>

std::vector<int> TFileCommands::Selection(int panel)
{
    const TFileListing& listing = m_host.PanelListing(panel);
    std::vector<int> rows;
    for (int row : m_host.PanelFiles(panel).SelectedRows())
        if (row < listing.Count() && !listing[row].IsParent())
            rows.push_back(row);
    return rows;
}

void TFileCommands::Transfer(bool move)
{
    const int a = m_host.ActiveIndex(), b = 1 - a;
    const bool fromArchive = m_host.PanelListing(a).IsArchiveListing();
    const bool toArchive = m_host.PanelListing(b).IsArchiveListing();
    if (!toArchive && !m_host.PanelDirectory(b).startsWith('/')) {
        platform::ShowMessage(
            (move ? QStringLiteral("Nothing was moved") : QStringLiteral("Nothing was copied")) +
            QStringLiteral(": the other panel shows the drive list, which is not a folder."));
        return;
    }
    if (!fromArchive && !toArchive)
        DiskToDisk(move);
    else if (!fromArchive)
        DiskToArchive(move);
    else if (!toArchive)
        ArchiveToDisk(move);
    else
        ArchiveToArchive(move);
}

void TFileCommands::DiskToDisk(bool move)
{
    const int a = m_host.ActiveIndex(), b = 1 - a;
    const QString from = AddSeparator(m_host.PanelDirectory(a));
    const QString to = AddSeparator(m_host.PanelDirectory(b));
    QStringList names;
    for (int row : Selection(a))
        names << m_host.PanelListing(a)[row].Name;
    const auto function = move ? platform::TShellFunction::Move : platform::TShellFunction::Copy;
    for (const QString& name : names)
        platform::ShellFileOperation(function, from + name, to, m_host.RecycleBinInUse());
    m_host.RefreshFromDisk(b);
    m_host.RefreshFromDisk(a);
}

void TFileCommands::DiskToArchive(bool move)
{
    const int a = m_host.ActiveIndex(), b = 1 - a;
    TZipArchive& target = m_host.PanelZip(b);
    target.SetZipFilename(target.ZipFilename()); // the archive as it is now
    const TFileListing& listing = m_host.PanelListing(a);
    TTransferPlan plan(target.Members());
    for (int row : Selection(a))
        plan.AddFile(AddSeparator(m_host.PanelDirectory(a)) + listing[row].Name, listing[row].Size,
                     listing[row].IsDirectory());
    plan.ReportSkipped(target.ZipFilename());
    {
        const TWaitCursor wait;
        target.FSpecArgs = plan.Sources();
        if (!plan.Sources().isEmpty() || plan.Requested() == 0)
            target.Add();
        if (move)
            for (const QString& source : plan.ArrivedSources(target.Members()))
                platform::ShellFileOperation(platform::TShellFunction::Delete, source, {},
                                             m_host.RecycleBinInUse());
    }
    m_host.RefreshFromArchive(b);
    m_host.RefreshFromDisk(a);
}

void TFileCommands::ArchiveToDisk(bool move)
{
    const int a = m_host.ActiveIndex(), b = 1 - a;
    TZipArchive& source = m_host.PanelZip(a);
    const QString targetDir = AddSeparator(m_host.PanelDirectory(b));
    const TFileListing& listing = m_host.PanelListing(a);
    TExtractionPlan plan(targetDir);
    for (int row : Selection(a))
        plan.AddMember(listing[row].Name, listing[row].Size);
    {
        const TWaitCursor wait;
        source.ExtrBaseDir = targetDir;
        source.FSpecArgs = plan.Members();
        source.Extract();
        if (move)
            DeleteMembers(a, plan.ExtractedMembers());
    }
    m_host.RefreshFromDisk(b);
    m_host.RefreshFromArchive(a);
}

void TFileCommands::ArchiveToArchive(bool move)
{
    const int a = m_host.ActiveIndex(), b = 1 - a;
    TZipArchive& source = m_host.PanelZip(a);
    TZipArchive& target = m_host.PanelZip(b);
    const platform::TPrivateFolder folder; // removed again at the end, whatever happens
    target.SetZipFilename(target.ZipFilename());
    const TFileListing& listing = m_host.PanelListing(a);
    TExtractionPlan extraction(folder.Path());
    for (int row : Selection(a))
        extraction.AddMember(listing[row].Name, listing[row].Size);
    {
        const TWaitCursor wait;
        source.ExtrBaseDir = folder.Path();
        source.FSpecArgs = extraction.Members();
        source.Extract();
        TTransferPlan plan(target.Members());
        for (const QString& member : extraction.ExtractedMembers())
            plan.AddFile(folder.Path() + BareName(member), extraction.SizeOf(member), false,
                         member);
        plan.ReportSkipped(target.ZipFilename());
        target.FSpecArgs = plan.Sources();
        if (!plan.Sources().isEmpty() || extraction.Requested() == 0)
            target.Add();
        if (move)
            DeleteMembers(a, plan.ArrivedTags(target.Members()));
    }
    m_host.RefreshFromArchive(b);
    m_host.RefreshFromArchive(a);
}

void TFileCommands::DeleteMembers(int panel, const QStringList& names)
{
    if (names.isEmpty())
        return;
    TZipArchive& zip = m_host.PanelZip(panel);
    zip.FSpecArgs = names;
    zip.Delete();
}
