// The places behind one interface: each kind made from a panel's state answers what it
// can do, refuses the rest with the window's message, and a local folder's operations
// never replace an entry.
#include "archive/ReadOnlyArchive.h"
#include "places/PlaceOf.h"
#include "platform/FileOpsProgress.h"
#include "support/TempDir.h"
#include "zip/ZipArchive.h"
#include "zip/ZipBytes.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <cstring>
#include <gtest/gtest.h>

using namespace places;

namespace
{

// A tar archive of one file, written by hand (ustar headers): enough for the read-only
// archive component to open.
QByteArray OneFileTar(const QByteArray& name, const QByteArray& data)
{
    QByteArray header(512, '\0');
    const auto put = [&header](int at, const QByteArray& text) {
        std::memcpy(header.data() + at, text.constData(), size_t(text.size()));
    };
    put(0, name);
    put(100, "0000644");
    put(108, "0000000");
    put(116, "0000000");
    put(124, QByteArray::number(data.size(), 8).rightJustified(11, '0'));
    put(136, "14000000000");
    put(148, "        ");
    header[156] = '0';
    put(257, QByteArray("ustar\0"
                        "00",
                        8));
    unsigned sum = 0;
    for (const char c : header)
        sum += quint8(c);
    put(148, QByteArray::number(sum, 8).rightJustified(6, '0') + '\0' + ' ');
    QByteArray body = data;
    body.append(QByteArray((512 - data.size() % 512) % 512, '\0'));
    return header + body + QByteArray(1024, '\0');
}

// Runs a place's long work here, the totals counted first.
class TInlineWork final : public TPlaceWork
{
public:
    void Run(const QString& command, platform::TFileOpsProgress&, TPlaceCancel&,
             const std::function<void()>& work, const TPlaceCount& count) override
    {
        Commands << command;
        if (count)
            count(std::atomic<bool>(false));
        work();
    }
    QStringList Commands;
};

TPlaceState Local(const QString& folder)
{
    TPlaceState state;
    state.Directory = folder;
    state.Shown = folder;
    return state;
}

} // namespace

// Each kind made from a panel's state, and what it refuses with which message.
TEST(Places, EachKindRefusesWhatItCannotDoWithTheWindowsMessage)
{
    TempDir dir;
    dir.write("docs.tar", OneFileTar("inside.txt", "abc"));
    TReadOnlyArchive archive;
    ASSERT_TRUE(archive.Open(dir("docs.tar")));

    // A read-only archive: rename and delete refused with its own text; a new folder is
    // made beside it, in the folder that holds it.
    TPlaceState shown = Local(dir.path());
    shown.ArchiveListing = true;
    shown.ReadOnly = &archive;
    const auto readOnly = PlaceOf(shown);
    EXPECT_EQ(readOnly->Kind(), TPlaceKind::ReadOnlyArchive);
    EXPECT_FALSE(readOnly->Can(capRename));
    EXPECT_FALSE(readOnly->Can(capDelete));
    EXPECT_FALSE(readOnly->Can(capWrite));
    EXPECT_EQ(readOnly->Refusal(capRename).Message, archive.ReadOnlyText());
    const TPlaceResult renamed = readOnly->Rename("inside.txt", "other.txt", nullptr);
    EXPECT_EQ(renamed.State, TPlaceResult::Refused);
    EXPECT_EQ(renamed.Message, archive.ReadOnlyText());
    EXPECT_TRUE(readOnly->MakeFolder("beside", nullptr).IsOk());
    EXPECT_TRUE(QFileInfo(dir("beside")).isDir());

    // Search results of a remote place are only copied: F7 refused, nothing asked of GIO.
    TPlaceState results;
    results.Directory = QStringLiteral("sftp://ann@nas:22/home/");
    results.Remote = true;
    results.Results = true;
    const auto fed = PlaceOf(results);
    EXPECT_EQ(fed->Kind(), TPlaceKind::Results);
    EXPECT_FALSE(fed->Can(capMakeFolder));
    EXPECT_TRUE(fed->Refusal(capMakeFolder).Message.contains("only copied"));
    EXPECT_EQ(fed->MakeFolder("made", nullptr).Message, fed->Refusal(capMakeFolder).Message);

    // The drive list: no folder made there, said so; its rows are never renamed, silently.
    const auto drives = PlaceOf(Local(QStringLiteral("Drives")));
    EXPECT_EQ(drives->Kind(), TPlaceKind::Drives);
    EXPECT_EQ(drives->Refusal(capMakeFolder).Message,
              "No directory can be created here: the drive list is not a folder.");
    EXPECT_TRUE(drives->Refusal(capRename).Silent());

    // A ZIP archive's members cannot be renamed: the notice with its second line.
    TZipArchive component;
    TPlaceState zip = Local(dir.path());
    zip.ArchiveListing = true;
    zip.Zip = &component;
    const auto members = PlaceOf(zip);
    EXPECT_EQ(members->Kind(), TPlaceKind::Zip);
    EXPECT_FALSE(members->Can(capRename));
    EXPECT_TRUE(members->Can(capDelete));
    EXPECT_FALSE(members->Refusal(capRename).Notice.isEmpty());

    // A remote folder whose layer cannot be loaded says why for every change.
    TPlaceState remote = results;
    remote.Results = false;
    remote.RemoteFailure = QStringLiteral("Remote places cannot be used: gone.");
    const auto server = PlaceOf(remote);
    EXPECT_EQ(server->Kind(), TPlaceKind::Remote);
    EXPECT_TRUE(server->OnWorker());
    EXPECT_EQ(server->Rename("a", "b", nullptr).Message, remote.RemoteFailure);
    EXPECT_EQ(server->Rename("a", "", nullptr).Message, "a was not renamed: the name is empty.");
}

// A local folder: a new folder or a rename onto a taken name replaces nothing and says
// why; deletes take a folder with its tree.
TEST(Places, ALocalFolderNeverReplacesAnEntryAndDeletesTrees)
{
    TempDir dir;
    dir.write("a.txt", "a");
    dir.write("b.txt", "b");
    dir.write("tree/inner.txt", "i");
    const auto folder = PlaceOf(Local(dir.path()));
    ASSERT_EQ(folder->Kind(), TPlaceKind::Folder);

    const TPlaceResult taken = folder->Rename("a.txt", "b.txt", nullptr);
    EXPECT_TRUE(taken.Taken);
    EXPECT_EQ(taken.Message,
              "\"a.txt\" was not renamed to \"b.txt\": an entry of that name exists already.");
    EXPECT_EQ(readAll(dir("b.txt")), "b");
    EXPECT_TRUE(folder->Rename("a.txt", "c.txt", nullptr).IsOk());
    EXPECT_EQ(readAll(dir("c.txt")), "a");
    EXPECT_EQ(folder->Rename("c.txt", "..", nullptr).Message,
              "\"c.txt\" was not renamed to \"..\": \"..\" is not a name.");

    const TPlaceResult made = folder->MakeFolder("tree", nullptr);
    EXPECT_TRUE(made.Taken);
    EXPECT_EQ(made.Message,
              "The directory \"tree\" was not created: an entry of that name exists already.");
    EXPECT_TRUE(QFileInfo::exists(dir("tree/inner.txt")));
    EXPECT_EQ(folder->MakeFolder("x/y", nullptr).Message,
              "The directory \"x/y\" was not created: a name cannot contain \"/\"; make one "
              "folder at a time.");

    TInlineWork work;
    EXPECT_TRUE(folder->Delete({{"tree", true}, {"c.txt", false}}, false, work).Failures.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(dir("tree")));
    EXPECT_FALSE(QFileInfo::exists(dir("c.txt")));
    EXPECT_EQ(readAll(dir("b.txt")), "b");
}

// What a delete says: each entry that did not go, and what the undo history gets (the
// entries the trash took with where each went, or why it cannot be undone). The
// command hands its long work to the window's TPlaceWork.
TEST(Places, ADeleteSaysWhatDidNotGoAndWhatTheUndoHistoryGets)
{
    TempDir dir, home;
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    const auto unset = qScopeGuard([] { qunsetenv("XDG_DATA_HOME"); });
    dir.write("t.txt", "trash me");
    dir.write("gone.txt", "for good");
    const auto folder = PlaceOf(Local(dir.path()));
    TInlineWork work;
    const TDeleteResult trashed = folder->Delete({{"t.txt", false}}, true, work);
    EXPECT_EQ(work.Commands, QStringList({"Deleting"}));
    EXPECT_TRUE(trashed.Failures.isEmpty());
    EXPECT_TRUE(trashed.NotUndoable.isEmpty());
    ASSERT_EQ(trashed.Trashed.size(), 1u);
    EXPECT_EQ(trashed.Trashed[0].Was, dir("t.txt"));
    EXPECT_EQ(readAll(trashed.Trashed[0].Now), "trash me");
    EXPECT_TRUE(trashed.Trashed[0].Now.startsWith(home.path()));
    const TDeleteResult forGood = folder->Delete({{"gone.txt", false}}, false, work);
    EXPECT_TRUE(forGood.Trashed.empty());
    EXPECT_EQ(forGood.NotUndoable, "a delete for good");
    EXPECT_FALSE(QFileInfo::exists(dir("gone.txt")));

    // A ZIP archive: a folder goes with every member below it; a name two members share
    // is not given to the library, which would take both.
    dir.write("a.zip", BuildZip({{"d.txt", "first"},
                                 {"d.txt", "second"},
                                 {"sub/x.txt", "x"},
                                 {"sub/deeper/y.txt", "y"},
                                 {"keep.txt", "k"}}));
    TZipArchive::SetLibraryDirectory(QStringLiteral(TRVX_LIB_DIR));
    TZipArchive zip;
    zip.SetZipFilename(dir("a.zip"));
    TPlaceState shown = Local(dir.path());
    shown.ArchiveListing = true;
    shown.Zip = &zip;
    const TDeleteResult members =
        PlaceOf(shown)->Delete({{"d.txt", false}, {"sub", true}}, false, work);
    EXPECT_EQ(members.Failures, QStringList({"d.txt: not deleted, the archive holds more than "
                                             "one member of that name"}));
    EXPECT_EQ(members.NotUndoable, "a delete in an archive");
    zip.SetZipFilename(dir("a.zip"));
    QStringList left;
    for (const TArchiveMember& member : zip.Members())
        left << member.Name;
    EXPECT_EQ(left, QStringList({"d.txt", "d.txt", "keep.txt"}));
    zip.UnloadZipLib();
    zip.UnloadUnzLib();
    TZipArchive::SetLibraryDirectory(QString());
}
