// The ".." row of a remote folder: the folder's own date where the panel knows it, else no
// date at all (never day zero, 12/30/99).
#include "panel/PanelText.h"
#include "panel/RemoteLocation.h"
#include "platform/FileSystem.h"

#include <gtest/gtest.h>

namespace
{

platform::TRemoteEntry Folder(const QString& name, qint64 modified)
{
    platform::TRemoteEntry entry;
    entry.Name = name;
    entry.Folder = true;
    entry.Modified = modified;
    return entry;
}

void Show(TFileListing& listing, const QString& folder, std::vector<platform::TRemoteEntry> entries,
          double folderDate = 0)
{
    listing.LoadRows(RemoteRows(folder, std::move(entries), folderDate));
    listing.Directory = folder;
}

} // namespace

TEST(RemoteParentRow, CarriesTheFolderDateTheShownListingKnowsOrShowsNone)
{
    const QString top = QStringLiteral("sftp://ann@nas:22/");
    const QString docs = top + QStringLiteral("my%20docs/");
    const QString inner = docs + QStringLiteral("inner/");
    TFileListing atTop, inDocs, typed;
    Show(atTop, top, {Folder(QStringLiteral("my docs"), 1700000000)});
    const double docsDate = atTop[0].DateTime;
    ASSERT_GT(docsDate, 0);

    // Entered from its parent: the folder's row in the parent gives the date.
    EXPECT_EQ(KnownFolderDate(atTop, docs), docsDate);
    Show(inDocs, docs, {Folder(QStringLiteral("inner"), 1600000000)}, KnownFolderDate(atTop, docs));
    ASSERT_TRUE(inDocs[0].IsParent());
    EXPECT_EQ(inDocs[0].DateTime, docsDate);
    EXPECT_EQ(CellText(inDocs[0], pcModified), CellText(atTop[0], pcModified));
    // Read again: its own ".." row keeps it.
    EXPECT_EQ(KnownFolderDate(inDocs, docs), docsDate);

    // Reached otherwise (typed, or from a folder below): no date, shown empty.
    EXPECT_EQ(KnownFolderDate(atTop, inner), 0);
    Show(typed, inner, {});
    EXPECT_EQ(KnownFolderDate(typed, docs), 0);
    ASSERT_TRUE(typed[0].IsParent());
    EXPECT_EQ(CellText(typed[0], pcModified), QString());
    // A local listing says nothing of a remote folder.
    TFileListing local;
    local.Directory = QStringLiteral("/home/ann/");
    EXPECT_EQ(KnownFolderDate(local, docs), 0);
}
