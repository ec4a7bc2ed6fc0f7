// Rename, in-place rename, delete and create directory.
#include "controls/VirtualListView.h"
#include "fileops/FileCommands.h"
#include "fileops/PanelHost.h"
#include "fileops/TransferPlan.h"
#include "fileops/uCommon.h"
#include "fileops/uConfirm.h"
#include "fileops/uSimple.h"
#include "platform/Locale.h"
#include "platform/ShellFileOperation.h"
#include "zip/ZipArchive.h"

namespace
{

// A new name must stay in its folder: no separator, nothing empty, no "." or "..".
bool IsPlainName(const QString& name)
{
    return !name.isEmpty() && !name.contains('/') && name != QLatin1String(".") &&
           name != QLatin1String("..");
}

} // namespace

void TFileCommands::ShowRenameNotice()
{
    ShowNotice(QStringLiteral("You cannot rename files located in a zipped file."),
               QStringLiteral("Perhaps in a future version..."));
}

void TFileCommands::RenameFiles()
{
    const int a = m_host.ActiveIndex(), b = 1 - a;
    const TFileListing& listing = m_host.PanelListing(a);
    if (listing.IsArchiveListing()) {
        ShowRenameNotice();
        return;
    }
    const QString dir = AddSeparator(m_host.PanelDirectory(a));
    const std::vector<int> selection = Selection(a);
    if (selection.size() < 2) {
        const int focused = m_host.PanelFiles(a).GetFocusedIndex();
        if (focused < 0 || focused >= listing.Count() || listing[focused].IsParent())
            return;
        const QString name = listing[focused].Name;
        QString value = name;
        if (!AskInput(QStringLiteral("Enter the new name for the file ") + name +
                          QStringLiteral(" then press the [Accept] button."),
                      QStringLiteral("Name :"), value))
            return;
        if (IsPlainName(value))
            platform::MoveFile(dir + name, dir + value);
    } else {
        QString mask = QStringLiteral("*.*");
        if (!AskInput(QStringLiteral("Enter the mask for the new names of the selected files then "
                                     "press the [Accept] button."),
                      QStringLiteral("Mask :"), mask))
            return;
        QStringList names;
        for (int row : selection)
            names << listing[row].Name;
        for (const QString& name : names) {
            const QString renamed = WildChange(name, mask);
            if (renamed != QLatin1String(kWildChangeError) && IsPlainName(renamed))
                platform::MoveFile(dir + name, dir + renamed);
        }
    }
    if (m_host.PanelListing(b).IsArchiveListing())
        m_host.RefreshFromArchive(b);
    else
        m_host.RefreshFromDisk(b);
    m_host.RefreshFromDisk(a);
}

void TFileCommands::InPlaceRename(int panel, const QString& text)
{
    const TFileListing& listing = m_host.PanelListing(panel);
    if (listing.IsArchiveListing()) {
        ShowRenameNotice();
        return;
    }
    const int focused = m_host.PanelFiles(panel).GetFocusedIndex();
    if (focused < 0 || focused >= listing.Count() || listing[focused].IsParent())
        return;
    const QString name = listing[focused].Name;
    const QString renamed = text + ExtractFileExt(name);
    const QString dir = AddSeparator(m_host.PanelDirectory(panel));
    if (!text.isEmpty() && IsPlainName(renamed) && renamed != name)
        platform::MoveFile(dir + name, dir + renamed);
    m_host.RefreshFromDisk(panel);
}

void TFileCommands::DeleteFiles()
{
    const int a = m_host.ActiveIndex();
    const TFileListing& listing = m_host.PanelListing(a);
    const std::vector<int> selection = Selection(a);
    if (listing.IsArchiveListing() && selection.empty())
        return; // no member chosen: nothing to ask about, nothing to delete
    // The question names the entry that will go, which is the selected one.
    const QString question = selection.size() == 1
                                 ? QStringLiteral("You have selected the file ") +
                                       listing[selection.front()].Name +
                                       QStringLiteral(" to be deleted.")
                                 : QStringLiteral("You have selected ") +
                                       platform::FormatNumber(qint64(selection.size())) +
                                       QStringLiteral(" files to be deleted.");
    if (!AskConfirmation(question, QStringLiteral("Do you want to proceed ?")))
        return;
    QStringList names;
    for (int row : selection)
        names << listing[row].Name;
    if (listing.IsArchiveListing()) {
        DeleteMembers(a, WithoutRepeatedNames(a, names));
        m_host.RefreshFromArchive(a);
        return;
    }
    const QString dir = AddSeparator(m_host.PanelDirectory(a));
    for (const QString& name : names)
        platform::ShellFileOperation(platform::TShellFunction::Delete, dir + name, dir,
                                     m_host.RecycleBinInUse());
    m_host.RefreshFromDisk(a);
}

// Of the selected member names, those that name one member only; the others are
// reported, since deleting by such a name would take members the user did not choose.
QStringList TFileCommands::WithoutRepeatedNames(int panel, const QStringList& names)
{
    const QSet<QString> repeated = RepeatedNames(m_host.PanelZip(panel).Members());
    QStringList single;
    for (const QString& name : names) {
        if (repeated.contains(name))
            m_host.Report(name + QStringLiteral(": not deleted, the archive holds more than "
                                                "one member of that name"));
        else
            single << name;
    }
    return single;
}

void TFileCommands::CreateDirectory()
{
    const int a = m_host.ActiveIndex();
    QString name = QStringLiteral("New directory");
    if (!AskInput(QStringLiteral("Enter the name for the directory to be created then press the "
                                 "[Accept] button."),
                  QStringLiteral("Name :"), name))
        return;
    const QString directory = m_host.PanelDirectory(a);
    platform::CreateDirectory(AddSeparator(directory) + name);
    if (m_host.PanelListing(a).IsArchiveListing()) {
        // The folder was made beside the archive: show that folder, caption included.
        m_host.RefreshFromDisk(a);
        return;
    }
    m_host.RefillListing(a);
}
