// Keeping the other panel in step with a command that changed entries of a folder.
#include "fileops/FileCommands.h"
#include "fileops/PanelHost.h"
#include "platform/FileSystem.h"
#include "zip/ZipArchive.h"

#include <algorithm>

namespace
{

// The folder above `path` (both ending in "/").
QString ParentFolder(const QString& path)
{
    return path.left(path.lastIndexOf('/', path.size() - 2) + 1);
}

// Where a panel at `location` belongs once entries of `folder` changed: under an entry's
// new name when it showed a folder inside that entry's tree; the nearest folder that is
// left when the tree was removed; else where it was.
QString FollowedLocation(const QString& location, const QString& folder,
                         const TNameChanges& changes)
{
    for (const auto& [from, to] : changes) {
        const QString tree = folder + from + '/';
        if (!location.startsWith(tree))
            continue;
        if (!to.isEmpty())
            return folder + to + '/' + location.mid(tree.size());
        QString left = location;
        while (left.size() > folder.size() && !platform::DirectoryExists(left))
            left = ParentFolder(left);
        return left;
    }
    return location;
}

} // namespace

void TFileCommands::FollowInOtherPanel(int panel, const QString& folder,
                                       const TNameChanges& changes)
{
    const int other = 1 - panel;
    const QString location = m_host.PanelDirectory(other);
    if (!location.startsWith('/'))
        return; // the drive list
    const QString followed = FollowedLocation(location, folder, changes);
    bool touched = followed != location;
    if (m_host.PanelListing(other).IsArchiveListing()) {
        // The members are the same unless the archive file itself was renamed or removed.
        const QString archive = m_host.PanelZip(other).ZipFilename();
        touched = touched || (location == folder &&
                              std::any_of(changes.begin(), changes.end(), [&](const auto& c) {
                                  return folder + c.first == archive;
                              }));
    } else {
        touched = touched || location == folder;
    }
    if (touched)
        m_host.RereadKeepingRows(other, followed);
}
