#include "transfer/ShellFileOperation.h"
#include "platform/FileOpsFaults.h"
#include "platform/FileOpsProgress.h"
#include "platform/Messages.h"
#include "platform/base/OwnerTag.h"
#include "support/TempDir.h"
#include "transfer/FileOpsCollision.h"
#include "transfer/FileOpsCopy.h"
#include "transfer/FileOpsMoves.h"
#include "transfer/FileOpsParts.h"
#include "transfer/FileOpsRecord.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QStringList>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using platform::ShellFileOperation;
using platform::TFileOpsStep;
using platform::TShellFunction;

namespace
{

constexpr time_t kOldTime = 1000000000; // September 2001

// The owner tag of the process `pid` of this host and namespace.
QString Tag(pid_t pid)
{
    return QString::fromStdString(trvxbase::OwnerTag(pid));
}

// Sets the times of `path` to `seconds` ago.
void SetAge(const QString& path, int seconds)
{
    const timespec then{::time(nullptr) - seconds, 0};
    const timespec times[2] = {then, then};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

QByteArray Bytes(int size, int seed)
{
    QByteArray data(size, Qt::Uninitialized);
    quint32 x = 2463534242u + quint32(seed);
    for (char& c : data) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = char(x);
    }
    return data;
}

void SetTimes(const QString& path, time_t t)
{
    const struct timespec times[2] = {{t, 0}, {t, 0}};
    ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW);
}

void Link(const QString& target, const QString& path)
{
    ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(path).constData()),
              0);
}

QByteArray ReadLink(const QString& path)
{
    char target[4096];
    const ssize_t n = ::readlink(QFile::encodeName(path).constData(), target, sizeof target);
    return n < 0 ? QByteArray() : QByteArray(target, int(n));
}

bool Exists(const QString& path)
{
    struct stat st {
    };
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

// Everything a copy must keep, for each entry below `root` ("" is the root itself):
// kind, permission bits, modification time, and the bytes or the link target.
QMap<QString, QString> Snapshot(const QString& root, const QString& relative = {})
{
    QMap<QString, QString> entries;
    const QString path = relative.isEmpty() ? root : root + "/" + relative;
    struct stat st {
    };
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return entries;
    QString text = QString("%1 %2 %3 ")
                       .arg(st.st_mode & S_IFMT, 0, 8)
                       .arg(st.st_mode & 07777, 0, 8)
                       .arg(qint64(st.st_mtim.tv_sec));
    if (S_ISREG(st.st_mode))
        text += QString::fromLatin1(readAll(path).toHex());
    else if (S_ISLNK(st.st_mode))
        text += QFile::decodeName(ReadLink(path));
    entries.insert(relative, text);
    if (S_ISDIR(st.st_mode)) {
        const QStringList names = QDir(path).entryList(QDir::AllEntries | QDir::Hidden |
                                                       QDir::System | QDir::NoDotAndDotDot);
        for (const QString& name : names) {
            const QString child = relative.isEmpty() ? name : relative + "/" + name;
            entries.insert(Snapshot(root, child));
        }
    }
    return entries;
}

// A tree with nested folders, links (one dangling, one to a folder), a FIFO, a
// read-only file, a read-only folder and a file of several megabytes; old times.
QString MakeTree(const TempDir& temp, const QString& name)
{
    const QString root = temp.mkdir(name).chopped(1);
    temp.write(name + "/a.txt", "alpha");
    temp.write(name + "/sub/b.bin", Bytes(3 * 1024 * 1024 + 17, 1));
    temp.write(name + "/sub/deeper/c.txt", "");
    temp.write(name + "/ro/d.txt", "read only");
    temp.mkdir(name + "/sub/empty");
    Link("a.txt", root + "/link");
    Link("nowhere", root + "/dangling");
    Link("sub", root + "/sub-link");
    ::mkfifo(QFile::encodeName(root + "/sub/fifo").constData(), 0640);
    ::chmod(QFile::encodeName(root + "/a.txt").constData(), 0640);
    ::chmod(QFile::encodeName(root + "/ro/d.txt").constData(), 0444);
    for (const QString& entry :
         {"/a.txt", "/sub/b.bin", "/sub/deeper/c.txt", "/ro/d.txt", "/sub/fifo", "/link",
          "/dangling", "/sub-link", "/sub/empty", "/sub/deeper", "/sub", "/ro", ""})
        SetTimes(root + entry, kOldTime);
    ::chmod(QFile::encodeName(root + "/ro").constData(), 0555);
    SetTimes(root + "/ro", kOldTime);
    return root;
}

class TFaultHook final
{
public:
    explicit TFaultHook(platform::TFileOpsFaultHook hook)
        : m_previous(platform::SetFileOpsFaultHook(std::move(hook)))
    {
    }
    ~TFaultHook() { platform::SetFileOpsFaultHook(std::move(m_previous)); }

private:
    platform::TFileOpsFaultHook m_previous;
};

// A mount on the folder `dir` for the test's lifetime (needs root).
class TMount
{
public:
    TMount(const QByteArray& source, const QString& dir, const char* type, unsigned long flags,
           const QByteArray& options)
        : m_dir(QFile::encodeName(dir))
    {
        m_mounted = ::mount(source.constData(), m_dir.constData(), type, flags,
                            options.isEmpty() ? nullptr : options.constData()) == 0;
        if (!m_mounted)
            m_error = QString::fromLocal8Bit(std::strerror(errno));
    }
    ~TMount()
    {
        if (m_mounted)
            ::umount2(m_dir.constData(), MNT_DETACH);
    }
    TMount(const TMount&) = delete;
    TMount& operator=(const TMount&) = delete;
    bool Mounted() const { return m_mounted; }
    QString Error() const { return m_error; }

private:
    QByteArray m_dir;
    bool m_mounted{false};
    QString m_error;
};

// A tmpfs of `size` ("1m") on `dir`.
struct TTmpfs final : TMount {
    TTmpfs(const QString& dir, const char* size)
        : TMount("tmpfs", dir, "tmpfs", 0, QByteArray("size=") + size)
    {
    }
};

// A bind mount of `source` on `dir`.
struct TBindMount final : TMount {
    TBindMount(const QString& source, const QString& dir)
        : TMount(QFile::encodeName(source), dir, nullptr, MS_BIND, {})
    {
    }
};

// The names in `folder`, hidden ones included.
QStringList Entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

// An ext4 file system of 8 MiB with 128-byte inodes, which keep times in whole seconds,
// on the folder `dir` for the test's lifetime (needs root and a loop device).
class TCoarseTimes final
{
public:
    TCoarseTimes(const QString& image, const QString& dir) : m_dir(QFile::encodeName(dir))
    {
        QFile file(image);
        m_mounted =
            file.open(QIODevice::WriteOnly) && file.resize(8 << 20) &&
            QProcess::execute("mke2fs", {"-q", "-t", "ext4", "-I", "128", "-F", image}) == 0 &&
            QProcess::execute("mount", {"-o", "loop", image, dir}) == 0;
    }
    ~TCoarseTimes()
    {
        if (m_mounted && ::umount2(m_dir.constData(), 0) != 0)
            ::umount2(m_dir.constData(), MNT_DETACH);
    }
    TCoarseTimes(const TCoarseTimes&) = delete;
    TCoarseTimes& operator=(const TCoarseTimes&) = delete;
    bool Mounted() const { return m_mounted; }

private:
    QByteArray m_dir;
    bool m_mounted{false};
};

// Writes `data` over the file at `path` (of the same size) and puts its access and
// modification times back to the nanosecond.
void RewriteKeepingTimes(const QString& path, const QByteArray& data)
{
    struct stat st {
    };
    const QByteArray name = QFile::encodeName(path);
    ASSERT_EQ(::lstat(name.constData(), &st), 0);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(data), data.size());
    file.close();
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, name.constData(), times, AT_SYMLINK_NOFOLLOW), 0);
}

struct stat StatOf(const QString& path)
{
    struct stat st {
    };
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st;
}

#define MOUNT_OR_SKIP(fs)                                                                          \
    if (!(fs).Mounted())                                                                           \
    GTEST_SKIP() << "cannot mount a tmpfs here (" << qPrintable((fs).Error())                      \
                 << "); this test needs root"

class ShellFileOperationTest : public ::testing::Test
{
protected:
    TempDir temp;
    QStringList messages;
    platform::TShellFailureHandler capture = [this](const QString& m) { messages << m; };

    platform::TShellResult Run(TShellFunction f, const QString& source, const QString& dest,
                               bool trash = false)
    {
        return ShellFileOperation(f, source, dest, trash, capture);
    }

    // Runs with a question handler that gives `answers` in turn (Skip after them) and
    // keeps the questions in `asked`.
    platform::TShellResult Ask(TShellFunction f, const QString& source, const QString& dest,
                               std::vector<platform::TCollisionAnswer> answers)
    {
        asked.clear();
        size_t next = 0;
        const platform::TCollisionAsk ask = [&](const platform::TCollision& collision) {
            asked.push_back(collision);
            return next < answers.size() ? answers[next++] : Skip();
        };
        return ShellFileOperation(f, source, dest, false, capture, nullptr, nullptr, ask);
    }
    static platform::TCollisionAnswer Skip() { return {platform::TCollisionChoice::Skip}; }
    static platform::TCollisionAnswer Replace() { return {platform::TCollisionChoice::Replace}; }
    static platform::TCollisionAnswer Rename(const QString& name)
    {
        return {platform::TCollisionChoice::Rename, name};
    }

    std::vector<platform::TCollision> asked;
};

} // namespace

TEST_F(ShellFileOperationTest, CopyKeepsTreeLinksModesAndTimes)
{
    const QString src = MakeTree(temp, "src/tree");
    const QString dst = temp.mkdir("dst");
    const auto before = Snapshot(src);

    const auto result = Run(TShellFunction::Copy, src, dst);

    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
    EXPECT_TRUE(result.Succeeded());
    EXPECT_EQ(result.Target, dst + "tree");
    EXPECT_EQ(result.Items, before.size());
    EXPECT_EQ(Snapshot(dst + "tree"), before);
    EXPECT_EQ(Snapshot(src), before) << "the source must not change";
    EXPECT_TRUE(QFileInfo(dst + "tree/sub-link").isSymLink()) << "links are not followed";
}

TEST_F(ShellFileOperationTest, CopyOfSingleFileLinkAndSizeLessSystemFile)
{
    const QString dst = temp.mkdir("dst");
    const QString file = temp.write("f.dat", Bytes(100000, 2));
    Link("/no/such/target", temp("dangling"));

    EXPECT_EQ(Run(TShellFunction::Copy, file, dst).Target, dst + "f.dat");
    EXPECT_EQ(readAll(dst + "f.dat"), readAll(file));
    EXPECT_EQ(Run(TShellFunction::Copy, temp("dangling"), dst).Target, dst + "dangling");
    EXPECT_EQ(ReadLink(dst + "dangling"), "/no/such/target");
    // Files of /proc report size 0 yet have content.
    EXPECT_TRUE(Run(TShellFunction::Copy, "/proc/version", dst).Succeeded());
    EXPECT_FALSE(readAll(dst + "version").isEmpty());
    EXPECT_EQ(readAll(dst + "version"), readAll("/proc/version"));
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
}

TEST_F(ShellFileOperationTest, TakenNamesAskAndTheAnswerIsDone)
{
    const QString dst = temp.mkdir("dst");
    const QString file = temp.write("src/note.txt", "new");
    temp.write("dst/note.txt", "old");
    temp.write("src/folder/inner.txt", "inner");
    temp.write("src/folder/other.txt", "incoming");
    temp.write("dst/folder/other.txt", "other");

    // Without a question handler nothing is renamed or replaced: it is reported.
    EXPECT_TRUE(Run(TShellFunction::Copy, file, dst).Target.isEmpty());
    EXPECT_EQ(messages.size(), 1);
    EXPECT_EQ(Entries(dst), QStringList({"folder", "note.txt"}));
    messages.clear();

    EXPECT_TRUE(Ask(TShellFunction::Copy, file, dst, {Skip()}).Target.isEmpty());
    EXPECT_EQ(asked.front().Existing.Size, 3);
    EXPECT_EQ(asked.front().Incoming.Size, 3);
    EXPECT_EQ(asked.front().Suggested, "note (2).txt");
    EXPECT_TRUE(asked.front().CanReplace);
    EXPECT_EQ(Ask(TShellFunction::Copy, file, dst, {Rename("note (2).txt")}).Target,
              dst + "note (2).txt");
    EXPECT_EQ(readAll(dst + "note (2).txt"), "new");
    EXPECT_EQ(readAll(dst + "note.txt"), "old");
    EXPECT_EQ(Ask(TShellFunction::Copy, file, dst, {Skip()}).Skipped, 1);
    EXPECT_EQ(asked.back().Suggested, "note (3).txt");

    // A folder meeting a folder merges: only the entry whose name is taken asks.
    const auto merged = Ask(TShellFunction::Copy, temp("src/folder"), dst, {Skip()});
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked.front().Existing.Path, dst + "folder/other.txt");
    EXPECT_EQ(readAll(dst + "folder/inner.txt"), "inner");
    EXPECT_EQ(readAll(dst + "folder/other.txt"), "other");
    ASSERT_EQ(merged.Parts.size(), 1u);
    EXPECT_EQ(merged.Parts.front().Target, dst + "folder/inner.txt");

    // Into the item's own folder: it meets itself and can only be renamed or skipped.
    EXPECT_EQ(Ask(TShellFunction::Copy, file, temp("src"), {Rename("again.txt")}).Target,
              temp("src/again.txt"));
    EXPECT_FALSE(asked.front().CanReplace);
    EXPECT_EQ(readAll(temp("src/again.txt")), "new");

    // Replace without the trash: the old one goes for good, the new bytes take the name.
    const auto replaced = Ask(TShellFunction::Copy, file, dst, {Replace()});
    EXPECT_EQ(readAll(dst + "note.txt"), "new");
    ASSERT_EQ(replaced.Parts.size(), 1u);
    EXPECT_TRUE(replaced.Parts.front().ReplacedForGood);

    // A move meeting a taken name asks the same; a skipped one stays where it was.
    const QString other = temp.write("elsewhere/note.txt", "moved");
    EXPECT_TRUE(Ask(TShellFunction::Move, other, dst, {Skip()}).Target.isEmpty());
    EXPECT_EQ(readAll(other), "moved");
    EXPECT_EQ(Ask(TShellFunction::Move, other, dst, {Replace()}).Target, dst + "note.txt");
    EXPECT_EQ(readAll(dst + "note.txt"), "moved");
    EXPECT_FALSE(Exists(other));
    // A file meeting a folder: no Replace.
    const QString named = temp.write("elsewhere/folder", "a file");
    EXPECT_EQ(Ask(TShellFunction::Move, named, dst, {Replace()}).Skipped, 1);
    EXPECT_FALSE(asked.front().CanReplace);
    EXPECT_EQ(readAll(named), "a file");
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
    EXPECT_TRUE(Entries(dst).filter(".part").isEmpty()) << Entries(dst).join(", ").toStdString();
}

TEST_F(ShellFileOperationTest, NumberedNamesKeepTheExtension)
{
    EXPECT_EQ(platform::NumberedName("report.v1.txt", 2, false), "report.v1 (2).txt");
    EXPECT_EQ(platform::NumberedName("archive.tar.gz", 2, false), "archive (2).tar.gz");
    EXPECT_EQ(platform::NumberedName(".profile", 3, false), ".profile (3)");
    EXPECT_EQ(platform::NumberedName("photos.2024", 2, true), "photos.2024 (2)");
    EXPECT_EQ(platform::NumberedName("trailing.", 2, false), "trailing. (2)");
}

// A new name given for the item is its name in the destination folder; a name that would
// lead elsewhere is refused, and nothing is written anywhere.
TEST_F(ShellFileOperationTest, ANewNameIsTakenInTheDestinationAndNeverLeadsOutOfIt)
{
    const QString dst = temp.mkdir("box/dst");
    const QString file = temp.write("src/note.txt", "note");
    const QString folder = temp.mkdir("src/folder");
    temp.write("src/folder/inner.txt", "inner");

    EXPECT_EQ(ShellFileOperation(TShellFunction::Copy, file, dst, false, capture, nullptr, nullptr,
                                 {}, "renamed.txt")
                  .Target,
              dst + "renamed.txt");
    EXPECT_EQ(readAll(dst + "renamed.txt"), "note");
    EXPECT_EQ(ShellFileOperation(TShellFunction::Move, folder, temp("src"), false, capture, nullptr,
                                 nullptr, {}, "moved")
                  .Target,
              temp("src/moved"));
    EXPECT_EQ(readAll(temp("src/moved/inner.txt")), "inner");
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();

    for (const QString& name :
         QStringList{"../out.txt", "sub/out.txt", ".", "..", QString("a") + QChar(0)}) {
        for (const TShellFunction f : {TShellFunction::Copy, TShellFunction::Move})
            EXPECT_FALSE(
                ShellFileOperation(f, file, dst, false, capture, nullptr, nullptr, {}, name)
                    .Succeeded());
    }
    EXPECT_EQ(messages.size(), 10);
    EXPECT_EQ(QDir(dst).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList({"renamed.txt"}));
    EXPECT_EQ(QDir(temp("box")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList({"dst"}));
    EXPECT_EQ(readAll(file), "note");
}

// The name is checked before the copy starts; another program may take it in between.
TEST_F(ShellFileOperationTest, CopyNeverWritesIntoANameTakenMeanwhile)
{
    const QString dst = temp.mkdir("dst");
    const QString file = temp.write("src/note.txt", "ours");
    TFaultHook hook([&](TFileOpsStep step, const QString&) {
        if (step == TFileOpsStep::OpenSource && !Exists(dst + "note.txt"))
            temp.write("dst/note.txt", "theirs");
        return 0;
    });

    EXPECT_EQ(Ask(TShellFunction::Copy, file, dst, {Rename("note (2).txt")}).Target,
              dst + "note (2).txt");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked.front().Existing.Size, 6); // "theirs"
    EXPECT_EQ(readAll(dst + "note.txt"), "theirs");
    EXPECT_EQ(readAll(dst + "note (2).txt"), "ours");
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
}

TEST_F(ShellFileOperationTest, FolderIsNeverCopiedOrMovedIntoItself)
{
    const QString src = temp.mkdir("tree").chopped(1);
    temp.write("tree/sub/x.txt", "x");
    Link(src + "/sub", temp("alias")); // the same folder reached by another path
    const auto before = Snapshot(src);

    for (const QString& dest : {src, src + "/sub", src + "/sub/", temp("alias")}) {
        for (TShellFunction f : {TShellFunction::Copy, TShellFunction::Move}) {
            messages.clear();
            const auto result = Run(f, src, dest);
            EXPECT_FALSE(result.Succeeded()) << dest.toStdString();
            ASSERT_EQ(messages.size(), 1) << dest.toStdString();
            EXPECT_TRUE(messages[0].contains(src)) << messages[0].toStdString();
        }
    }
    EXPECT_EQ(Snapshot(src), before);
    EXPECT_TRUE(Exists(src + "/sub/x.txt"));

    // A sibling whose name starts the same is not "inside".
    const QString sibling = temp.mkdir("tree2");
    EXPECT_TRUE(Run(TShellFunction::Copy, src, sibling).Succeeded());
}

// The target mounted inside the source: the copy would find itself there, deeper and
// deeper. It never enters the target or a folder it made, and says so.
TEST_F(ShellFileOperationTest, CopyNeverDescendsIntoItsOwnTargetThroughAMount)
{
    temp.write("src/tree/a.txt", "a");
    temp.write("src/tree/sub/b.txt", "b");
    const QString inner = temp.mkdir("src/tree/inner");
    const QString dst = temp.mkdir("dst");
    TBindMount bind(dst, inner);
    MOUNT_OR_SKIP(bind);

    const auto result = Run(TShellFunction::Copy, temp("src/tree"), dst);

    EXPECT_EQ(result.Target, dst + "tree");
    EXPECT_EQ(readAll(dst + "tree/a.txt"), "a");
    EXPECT_EQ(readAll(dst + "tree/sub/b.txt"), "b");
    EXPECT_FALSE(Exists(dst + "tree/inner"));
    ASSERT_EQ(messages.size(), 1) << messages.join("\n").toStdString();
    EXPECT_TRUE(messages[0].startsWith("Cannot copy \"" + temp("src/tree/inner") +
                                       "\": it is the target folder of this copy"))
        << messages[0].toStdString();
}

// A file is written under a hidden temporary name and takes its real name only when
// whole; a file that fails leaves neither name behind.
TEST_F(ShellFileOperationTest, FilesAreWrittenUnderATemporaryNameUntilWhole)
{
    const QString dst = temp.mkdir("dst");
    temp.write("src/ok.dat", Bytes(300000, 7));
    temp.write("src/bad.dat", Bytes(1000, 8));
    QStringList whileWriting;
    TFaultHook hook([&](TFileOpsStep step, const QString& path) {
        if (step != TFileOpsStep::DataWritten)
            return 0;
        whileWriting = Entries(dst);
        return path.endsWith("bad.dat") ? EIO : 0;
    });

    EXPECT_EQ(Run(TShellFunction::Copy, temp("src/ok.dat"), dst).Target, dst + "ok.dat");
    ASSERT_EQ(whileWriting.size(), 1);
    const QString part = whileWriting[0];
    const QString prefix = ".ok.dat.trvx" + Tag(::getpid()) + "-";
    EXPECT_TRUE(part.startsWith(prefix) && part.endsWith(".part") &&
                part.size() == prefix.size() + 6 + 5)
        << part.toStdString();
    EXPECT_EQ(Entries(dst), QStringList{"ok.dat"});
    EXPECT_EQ(readAll(dst + "ok.dat"), Bytes(300000, 7));

    EXPECT_FALSE(Run(TShellFunction::Copy, temp("src/bad.dat"), dst).Succeeded());
    EXPECT_EQ(Entries(dst), QStringList{"ok.dat"});
}

// Left-overs of a copy that was killed go when the program next writes into their folder:
// only this user's, and only those of processes of this host and PID namespace that have
// ended, or a week old.
TEST(PartFiles, LeftOversOfEndedProcessesGoAndNoOneElsesFiles)
{
    TempDir temp;
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0); // a process id that has ended
    // A process that runs, started now: its id on a left-over a day old was another's.
    int hold[2];
    ASSERT_EQ(::pipe(hold), 0);
    const pid_t running = ::fork();
    if (running == 0) {
        char byte;
        ::close(hold[1]);
        (void)!::read(hold[0], &byte, 1);
        ::_exit(0);
    }
    ::close(hold[0]);
    const QString ended = Tag(child);
    const QString place = ended.section('.', 1); // "<namespace>.<host>"
    const QString old = QString::number(child);
    const QStringList gone = {
        temp.write(".big.bin.trvx" + ended + "-aB3dE9.part", "left over"),
        temp.write(".reused.trvx" + Tag(running) + "-aB3dE9.part", "a day old"),
        temp.write(".old.trvx" + old + "-aB3dE9.part", "a week old"),
        temp.write(".far.trvx" + old + ".1.elsewhere-aB3dE9.part", "a week old"),
    };
    SetAge(gone[1], 24 * 3600);
    SetAge(gone[2], 8 * 24 * 3600);
    SetAge(gone[3], 8 * 24 * 3600);
    const QStringList kept = {
        ".mine.trvx" + Tag(::getpid()) + "-aB3dE9.part", // being written now
        ".init.trvx" + Tag(1) + "-aB3dE9.part",          // a process that runs
        ".child.trvx" + Tag(running) + "-aB3dE9.part",   // one that runs, made since
        ".theirs.trvx" + ended + "-aB3dE9.part",         // another user's
        "plain.trvx" + ended + "-aB3dE9.part",           // not hidden
        ".short.trvx" + ended + "-aB3d.part",            // not the form
        ".oldform.trvx" + old + "-aB3dE9.part",          // whose, cannot be told
        ".host.trvx" + old + "." + place.section('.', 0, 0) + ".elsewhere-aB3dE9.part",
        ".ns.trvx" + old + ".1." + place.section('.', 1) + "-aB3dE9.part",
        ".notes.txt",
    };
    for (const QString& name : kept)
        temp.write(name, "keep");
    ASSERT_EQ(::chown(QFile::encodeName(temp(kept[3])).constData(), 65534, 65534), 0);
    // The folder of a folder copy that was killed goes with what it holds; a link named
    // so, and another user's folder, stay.
    temp.write(".folder.trvx" + ended + "-aB3dE9.part/in/file.txt", "x");
    const QString link = temp(".link.trvx" + ended + "-aB3dE9.part");
    ASSERT_EQ(
        ::symlink(QFile::encodeName(temp("src")).constData(), QFile::encodeName(link).constData()),
        0);
    temp.write("src/kept.txt", "keep");
    const QString theirs = temp.write(".theirfolder.trvx" + ended + "-aB3dE9.part/t.txt", "keep");
    ASSERT_EQ(
        ::chown(QFile::encodeName(temp(".theirfolder.trvx" + ended + "-aB3dE9.part")).constData(),
                65534, 65534),
        0);

    EXPECT_EQ(platform::RemoveStalePartFiles(temp.path()), gone.size() + 1);
    EXPECT_FALSE(Exists(temp(".folder.trvx" + ended + "-aB3dE9.part")));
    EXPECT_EQ(readAll(temp("src/kept.txt")), "keep");
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readAll(theirs), "keep");
    ::close(hold[1]);
    ::waitpid(running, nullptr, 0);
    for (const QString& path : gone)
        EXPECT_FALSE(Exists(path)) << path.toStdString();
    for (const QString& name : kept)
        EXPECT_EQ(readAll(temp(name)), "keep") << name.toStdString();

    // Names near the length limit still make a temporary name the system takes.
    const QByteArray longName(250, 'x');
    const QByteArray part = platform::PartFileName(longName);
    EXPECT_LE(part.size(), 255);
    EXPECT_TRUE(part.startsWith(".xxx") && part.endsWith(".part"));
}

// A copy cancelled in the middle of a file leaves neither the file nor its part file.
TEST_F(ShellFileOperationTest, ACancelledCopyLeavesNoPartFile)
{
    const QString dst = temp.mkdir("dst");
    temp.write("src/big.dat", Bytes(300000, 9));
    platform::TFileOpsProgress progress;
    QStringList whileCopying;
    TFaultHook hook([&](TFileOpsStep step, const QString&) {
        if (step == TFileOpsStep::ChunkCopied) {
            whileCopying = Entries(dst);
            progress.Cancel();
        }
        return 0;
    });
    EXPECT_FALSE(ShellFileOperation(TShellFunction::Copy, temp("src/big.dat"), dst, false, capture,
                                    &progress)
                     .Succeeded());
    EXPECT_EQ(whileCopying.size(), 1); // its part file
    EXPECT_EQ(Entries(dst), QStringList());
    EXPECT_EQ(readAll(temp("src/big.dat")), Bytes(300000, 9));
}

// A copied folder is made under a hidden temporary name and takes its real name only when
// its whole tree is in.
TEST_F(ShellFileOperationTest, AFolderCopyHasItsNameOnlyWhenWhole)
{
    const QString dst = temp.mkdir("dst");
    temp.write("src/tree/a.txt", "a");
    temp.write("src/tree/sub/b.txt", "b");
    QStringList whileCopying;
    TFaultHook hook([&](TFileOpsStep step, const QString& path) {
        if (step == TFileOpsStep::DataWritten && path.endsWith("b.txt"))
            whileCopying = Entries(dst);
        return 0;
    });
    EXPECT_EQ(Run(TShellFunction::Copy, temp("src/tree"), dst).Target, dst + "tree");
    ASSERT_EQ(whileCopying.size(), 1);
    EXPECT_TRUE(whileCopying[0].startsWith(".tree.trvx" + Tag(::getpid()) + "-") &&
                whileCopying[0].endsWith(".part"))
        << whileCopying[0].toStdString();
    EXPECT_EQ(Entries(dst), QStringList{"tree"});
    EXPECT_EQ(readAll(dst + "tree/sub/b.txt"), "b");
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

// A name another program makes while the folder is copied is never taken over.
TEST_F(ShellFileOperationTest, AFolderCopyNeverTakesANameMadeMeanwhile)
{
    const QString dst = temp.mkdir("dst");
    temp.write("src/tree/a.txt", "a");
    TFaultHook hook([&](TFileOpsStep step, const QString&) {
        if (step == TFileOpsStep::DataWritten && !QFileInfo::exists(dst + "tree"))
            temp.mkdir("dst/tree"); // empty, as a plain rename would replace it
        return 0;
    });
    // The folder made meanwhile is merged into, as any folder of that name.
    const auto result = Ask(TShellFunction::Copy, temp("src/tree"), dst, {});
    EXPECT_TRUE(asked.empty());
    ASSERT_EQ(result.Parts.size(), 1u);
    EXPECT_EQ(result.Parts.front().Target, dst + "tree/a.txt");
    EXPECT_EQ(readAll(dst + "tree/a.txt"), "a");
    EXPECT_EQ(Entries(dst), QStringList({"tree"}));
}

// A folder copy or a move between file systems killed midway leaves no folder under the
// real name and the source whole; the next copy into the folder sweeps the left-over.
TEST_F(ShellFileOperationTest, AKilledFolderCopyOrMoveLeavesNoFolderUnderItsName)
{
    const QString dst = temp.mkdir("dst");
    TTmpfs other(dst, "4m");
    MOUNT_OR_SKIP(other);
    temp.write("src/tree/a.txt", "a");
    temp.write("src/tree/sub/b.txt", "b");
    for (const TShellFunction function : {TShellFunction::Copy, TShellFunction::Move}) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            platform::SetFileOpsFaultHook([&](TFileOpsStep step, const QString& path) {
                if (step == TFileOpsStep::DataWritten && path.endsWith("b.txt")) {
                    (void)!::write(ready[1], "x", 1);
                    for (;;)
                        ::pause();
                }
                return 0;
            });
            ShellFileOperation(function, temp("src/tree"), dst, false, capture);
            ::_exit(0);
        }
        char byte = 0;
        ASSERT_EQ(::read(ready[0], &byte, 1), 1);
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        ::close(ready[0]);
        ::close(ready[1]);
        const QStringList left = Entries(dst);
        ASSERT_EQ(left.size(), 1);
        EXPECT_TRUE(left[0].startsWith(".tree.trvx" + Tag(child) + "-")) << left[0].toStdString();
        EXPECT_EQ(readAll(temp("src/tree/a.txt")), "a");
        EXPECT_EQ(readAll(temp("src/tree/sub/b.txt")), "b");
        EXPECT_EQ(platform::RemoveStalePartFiles(dst), 1);
        EXPECT_EQ(Entries(dst), QStringList());
    }
}

TEST_F(ShellFileOperationTest, FailingEntriesAreReportedRemovedAndTheCopyGoesOn)
{
    const QString src = temp.mkdir("src").chopped(1);
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"})
        temp.write(QString("src/") + name, name);
    const QString dst = temp.mkdir("dst");
    TFaultHook hook([&](TFileOpsStep step, const QString& path) {
        if (step == TFileOpsStep::OpenSource && path.endsWith("/a.txt"))
            return EACCES; // unreadable
        if (step == TFileOpsStep::OpenSource && path.endsWith("/b.txt"))
            QFile::remove(path); // vanishes just before it is read
        if (step == TFileOpsStep::DataWritten && path.endsWith("/c.txt"))
            return EIO; // the disk fails after the data
        return 0;
    });

    const auto result = Run(TShellFunction::Copy, src, dst);

    ASSERT_EQ(messages.size(), 3) << messages.join("\n").toStdString();
    EXPECT_TRUE(messages.join("\n").contains(src + "/a.txt\": Permission denied"));
    EXPECT_TRUE(messages.join("\n").contains(src + "/b.txt\": No such file or directory"));
    EXPECT_TRUE(messages.join("\n").contains(src + "/c.txt\": Input/output error"));
    EXPECT_EQ(result.Failures, 3);
    EXPECT_EQ(result.Target, dst + "src");
    EXPECT_EQ(Entries(dst + "src"), QStringList{"d.txt"}) << "partial copies are removed";
    EXPECT_EQ(readAll(dst + "src/d.txt"), "d.txt");
}

TEST_F(ShellFileOperationTest, UnusableDestinationOrSourceIsReported)
{
    const QString file = temp.write("f.txt", "f");
    const QString plain = temp.write("plain", "not a folder");

    for (const QString& dest : {plain, plain + "/below", temp("missing/"), QString("relative/")}) {
        messages.clear();
        EXPECT_FALSE(Run(TShellFunction::Copy, file, dest).Succeeded());
        ASSERT_EQ(messages.size(), 1) << dest.toStdString();
        EXPECT_TRUE(messages[0].startsWith("Cannot copy \"" + file + "\""))
            << messages[0].toStdString();
    }
    messages.clear();
    EXPECT_FALSE(Run(TShellFunction::Move, temp("gone.txt"), temp.path()).Succeeded());
    EXPECT_FALSE(Run(TShellFunction::Delete, "/", {}).Succeeded());
    EXPECT_FALSE(Run(TShellFunction::Delete, "f.txt", {}).Succeeded());
    EXPECT_EQ(messages.size(), 3);
    EXPECT_TRUE(Exists(file));
}

TEST_F(ShellFileOperationTest, FullDiskLeavesNoPartialCopy)
{
    const QString mnt = temp.mkdir("small");
    TTmpfs fs(mnt, "1m");
    MOUNT_OR_SKIP(fs);
    temp.write("src/big.bin", Bytes(2 * 1024 * 1024, 3));
    temp.write("src/small.txt", "small");

    const auto result = Run(TShellFunction::Copy, temp("src"), mnt);

    ASSERT_EQ(messages.size(), 1) << messages.join("\n").toStdString();
    EXPECT_EQ(messages[0], "Cannot copy \"" + temp("src/big.bin") + "\": No space left on device.");
    EXPECT_EQ(result.Failures, 1);
    EXPECT_FALSE(Exists(mnt + "src/big.bin"));
    EXPECT_EQ(readAll(mnt + "src/small.txt"), "small");
}

TEST_F(ShellFileOperationTest, MoveWithinFileSystemRenames)
{
    const QString src = MakeTree(temp, "src/tree");
    const QString dst = temp.mkdir("dst");
    const auto before = Snapshot(src);
    struct stat original {
    };
    ::lstat(QFile::encodeName(src + "/sub/b.bin").constData(), &original);

    const auto result = Run(TShellFunction::Move, src, dst);

    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
    EXPECT_EQ(result.Items, 1);
    EXPECT_EQ(result.Target, dst + "tree");
    EXPECT_FALSE(Exists(src));
    EXPECT_EQ(Snapshot(dst + "tree"), before);
    struct stat moved {
    };
    ::lstat(QFile::encodeName(dst + "tree/sub/b.bin").constData(), &moved);
    EXPECT_EQ(moved.st_ino, original.st_ino) << "a rename, not a copy";

    // Moving into the folder the item is in already changes nothing.
    EXPECT_FALSE(Run(TShellFunction::Move, dst + "tree", dst).Succeeded());
    EXPECT_EQ(messages.size(), 1);
    EXPECT_EQ(Snapshot(dst + "tree"), before);
}

TEST_F(ShellFileOperationTest, MoveAcrossFileSystemsCopiesVerifiesAndDeletes)
{
    const QString mnt = temp.mkdir("other");
    TTmpfs fs(mnt, "16m");
    MOUNT_OR_SKIP(fs);
    const QString src = MakeTree(temp, "src/tree");
    const auto before = Snapshot(src);
    temp.write("src/single.bin", Bytes(5000, 4));

    const auto result = Run(TShellFunction::Move, src, mnt);
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
    EXPECT_EQ(result.Target, mnt + "tree");
    EXPECT_EQ(result.Items, before.size());
    EXPECT_FALSE(Exists(src));
    EXPECT_EQ(Snapshot(mnt + "tree"), before);

    EXPECT_TRUE(Run(TShellFunction::Move, temp("src/single.bin"), mnt).Succeeded());
    EXPECT_EQ(readAll(mnt + "single.bin"), Bytes(5000, 4));
    EXPECT_FALSE(Exists(temp("src/single.bin")));

    // And back again onto the first file system.
    EXPECT_TRUE(Run(TShellFunction::Move, mnt + "tree", temp("src")).Succeeded());
    EXPECT_EQ(Snapshot(src), before);
    EXPECT_FALSE(Exists(mnt + "tree"));
}

TEST_F(ShellFileOperationTest, FailedMoveAcrossFileSystemsKeepsTheOriginal)
{
    const QString mnt = temp.mkdir("small");
    TTmpfs fs(mnt, "1m");
    MOUNT_OR_SKIP(fs);
    temp.write("src/tree/big.bin", Bytes(2 * 1024 * 1024, 5));
    temp.write("src/tree/small.txt", "small");
    const auto before = Snapshot(temp("src/tree"));

    // The disk fills up: nothing is moved, and the part that was copied goes again.
    auto result = Run(TShellFunction::Move, temp("src/tree"), mnt);
    ASSERT_EQ(messages.size(), 1) << messages.join("\n").toStdString();
    EXPECT_TRUE(messages[0].contains("No space left on device"));
    EXPECT_TRUE(messages[0].endsWith("\"" + temp("src/tree") + "\" stays where it was."));
    EXPECT_TRUE(result.Target.isEmpty());
    EXPECT_EQ(Snapshot(temp("src/tree")), before);
    EXPECT_TRUE(QDir(mnt).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());

    // The copy turns out different from the original: the original stays.
    QFile::remove(temp("src/tree/big.bin"));
    const auto smaller = Snapshot(temp("src/tree"));
    TFaultHook hook([&](TFileOpsStep step, const QString& path) {
        if (step == TFileOpsStep::BeforeVerify) {
            QFile f(path + "/small.txt");
            if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
                f.write("SMALL"); // same size, other bytes
        }
        return 0;
    });
    messages.clear();
    result = Run(TShellFunction::Move, temp("src/tree"), mnt);
    ASSERT_EQ(messages.size(), 1) << messages.join("\n").toStdString();
    EXPECT_TRUE(messages[0].contains("differs")) << messages[0].toStdString();
    EXPECT_TRUE(messages[0].contains(temp("src/tree/small.txt"))) << messages[0].toStdString();
    EXPECT_FALSE(result.Succeeded());
    EXPECT_EQ(Snapshot(temp("src/tree")), smaller);
    EXPECT_TRUE(QDir(mnt).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

// The originals removed are exactly the entries copied and verified: what appears in a
// source folder during the copy or after the comparison stays with its folders, and so
// does a file written after it was copied; each is named with why.
TEST_F(ShellFileOperationTest, MoveAcrossFileSystemsRemovesOnlyWhatItCopied)
{
    const QString mnt = temp.mkdir("other");
    TTmpfs fs(mnt, "16m");
    MOUNT_OR_SKIP(fs);
    temp.write("src/tree/top.txt", "top");
    temp.write("src/tree/d000/a.txt", "a");
    temp.write("src/tree/d001/b.txt", "b");
    temp.write("src/tree/d002/c.txt", "c");
    TFaultHook hook([&](TFileOpsStep step, const QString& path) {
        if (step == TFileOpsStep::OpenSource && path.endsWith("/d001/b.txt"))
            temp.write("src/tree/d001/LATE.txt", "after its folder was read");
        if (step == TFileOpsStep::BeforeRemoveSources) {
            temp.write("src/tree/d000/NEW.txt", "after the comparison");
            QFile f(temp("src/tree/d002/c.txt"));
            if (f.open(QIODevice::Append))
                f.write(" and more");
        }
        return 0;
    });

    const auto result = Run(TShellFunction::Move, temp("src/tree"), mnt);

    EXPECT_EQ(result.Target, mnt + "tree");
    EXPECT_EQ(readAll(mnt + "tree/top.txt"), "top");
    EXPECT_EQ(readAll(mnt + "tree/d001/b.txt"), "b");
    EXPECT_EQ(readAll(mnt + "tree/d002/c.txt"), "c");
    EXPECT_FALSE(Exists(mnt + "tree/d000/NEW.txt"));
    EXPECT_EQ(readAll(temp("src/tree/d000/NEW.txt")), "after the comparison");
    EXPECT_EQ(readAll(temp("src/tree/d001/LATE.txt")), "after its folder was read");
    EXPECT_EQ(readAll(temp("src/tree/d002/c.txt")), "c and more");
    EXPECT_FALSE(Exists(temp("src/tree/top.txt")));
    EXPECT_FALSE(Exists(temp("src/tree/d000/a.txt")));
    EXPECT_FALSE(Exists(temp("src/tree/d001/b.txt")));
    const QString all = messages.join("\n");
    EXPECT_EQ(messages.size(), 3) << all.toStdString();
    EXPECT_TRUE(all.contains("\"" + temp("src/tree/d000") +
                             "\" stays where it was: it holds "
                             "entries that were not there when it was copied (NEW.txt)."))
        << all.toStdString();
    EXPECT_TRUE(all.contains("d001\" stays where it was: it holds entries that were not there "
                             "when it was copied (LATE.txt)."))
        << all.toStdString();
    EXPECT_TRUE(all.contains("\"" + temp("src/tree/d002/c.txt") +
                             "\" stays where it was: it changed after it was copied."))
        << all.toStdString();
}

// No original goes before the copies are on the disk: the items of one command wait for
// one flush of their target file system, and a failed flush keeps every original.
TEST_F(ShellFileOperationTest, MoveAcrossFileSystemsFlushesTheCopiesBeforeAnyOriginalGoes)
{
    const QString mnt = temp.mkdir("other");
    TTmpfs fs(mnt, "16m");
    MOUNT_OR_SKIP(fs);
    temp.write("src/tree/a.txt", "a");
    temp.write("src/tree/sub/b.txt", "b");
    temp.write("src/c.txt", "c");
    QStringList steps;
    int flushError = 0;
    TFaultHook hook([&](TFileOpsStep step, const QString& path) {
        if (step == TFileOpsStep::FlushTarget) {
            steps << "flush " + path;
            return flushError;
        }
        if (step == TFileOpsStep::RemoveEntry)
            steps << "remove " + path;
        return 0;
    });

    platform::TMoveRemovals removals;
    EXPECT_EQ(ShellFileOperation(TShellFunction::Move, temp("src/tree"), mnt, false, capture,
                                 nullptr, &removals)
                  .Target,
              mnt + "tree");
    EXPECT_EQ(ShellFileOperation(TShellFunction::Move, temp("src/c.txt"), mnt, false, capture,
                                 nullptr, &removals)
                  .Target,
              mnt + "c.txt");
    EXPECT_TRUE(steps.isEmpty()) << steps.join("\n").toStdString();
    EXPECT_EQ(readAll(temp("src/tree/sub/b.txt")), "b");
    EXPECT_EQ(removals.Finish(), 0);
    ASSERT_FALSE(steps.isEmpty());
    EXPECT_EQ(steps.takeFirst(), "flush " + mnt);
    steps.sort();
    EXPECT_EQ(steps,
              QStringList({"remove " + temp("src/c.txt"), "remove " + temp("src/tree"),
                           "remove " + temp("src/tree/a.txt"), "remove " + temp("src/tree/sub"),
                           "remove " + temp("src/tree/sub/b.txt")}));
    EXPECT_EQ(Entries(temp("src")), QStringList());
    EXPECT_EQ(readAll(mnt + "tree/sub/b.txt"), "b");
    EXPECT_EQ(readAll(mnt + "c.txt"), "c");
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();

    // Alone, a move flushes before its removal as well; when the flush fails, both stay.
    temp.write("src/d.txt", "d");
    steps.clear();
    flushError = EIO;
    const auto result = Run(TShellFunction::Move, temp("src/d.txt"), mnt);
    EXPECT_EQ(steps, QStringList({"flush " + mnt}));
    EXPECT_EQ(readAll(temp("src/d.txt")), "d");
    EXPECT_EQ(readAll(mnt + "d.txt"), "d");
    EXPECT_EQ(messages,
              QStringList({"\"" + temp("src/d.txt") + "\" stays where it was: its copy \"" + mnt +
                           "d.txt\" may not be on the disk (Input/output error); "
                           "both are kept."}));
    EXPECT_EQ(result.Failures, 1);
}

// A rewrite of the same size whose times were put back still moves the change time: that
// original stays. A file with two names loses both (removing the first moves the change
// time of the second, whose content decides).
TEST_F(ShellFileOperationTest, MoveAcrossFileSystemsKeepsAnOriginalRewrittenWithItsTimesPutBack)
{
    const QString mnt = temp.mkdir("other");
    TTmpfs fs(mnt, "16m");
    MOUNT_OR_SKIP(fs);
    temp.write("src/tree/same.txt", "old bytes");
    temp.write("src/tree/links/one.txt", "linked");
    ASSERT_EQ(::link(QFile::encodeName(temp("src/tree/links/one.txt")).constData(),
                     QFile::encodeName(temp("src/tree/links/two.txt")).constData()),
              0);
    TFaultHook hook([&](TFileOpsStep step, const QString&) {
        if (step == TFileOpsStep::BeforeRemoveSources)
            RewriteKeepingTimes(temp("src/tree/same.txt"), "NEW bytes");
        return 0;
    });

    EXPECT_EQ(Run(TShellFunction::Move, temp("src/tree"), mnt).Target, mnt + "tree");

    EXPECT_EQ(readAll(temp("src/tree/same.txt")), "NEW bytes");
    EXPECT_EQ(readAll(mnt + "tree/same.txt"), "old bytes");
    EXPECT_FALSE(Exists(temp("src/tree/links")));
    EXPECT_EQ(readAll(mnt + "tree/links/two.txt"), "linked");
    EXPECT_EQ(messages, QStringList({"\"" + temp("src/tree/same.txt") +
                                     "\" stays where it was: it changed after it was copied."}));
}

// Where times are kept in whole seconds, a rewrite within the second leaves size and every
// time as they were: the CRC-32 taken while the copy was written tells it.
TEST_F(ShellFileOperationTest, MoveFromAFileSystemWithCoarseTimesChecksEachOriginalsContent)
{
    const QString coarse = temp.mkdir("coarse");
    TCoarseTimes fs(temp("coarse.img"), coarse);
    if (!fs.Mounted())
        GTEST_SKIP() << "cannot make and mount an ext4 image here; this test needs root";
    const QString dst = temp.mkdir("dst");
    // The rewrite must land in the second the file was written in; it takes a few
    // milliseconds, so a turn of the second is rare and the move is tried again then.
    bool sameSecond = false;
    for (int attempt = 0; attempt < 50 && !sameSecond; ++attempt) {
        QDir(coarse + "tree").removeRecursively();
        QDir(dst + "tree").removeRecursively();
        messages.clear();
        temp.write("coarse/tree/same.txt", "old bytes");
        temp.write("coarse/tree/other.txt", "other");
        const struct stat before = StatOf(coarse + "tree/same.txt");
        if (before.st_ctim.tv_nsec != 0)
            GTEST_SKIP() << "this kernel keeps finer times on ext4 with small inodes";
        TFaultHook hook([&](TFileOpsStep step, const QString&) {
            if (step != TFileOpsStep::BeforeRemoveSources)
                return 0;
            RewriteKeepingTimes(coarse + "tree/same.txt", "NEW bytes");
            sameSecond = StatOf(coarse + "tree/same.txt").st_ctim.tv_sec == before.st_ctim.tv_sec;
            return 0;
        });
        EXPECT_EQ(Run(TShellFunction::Move, coarse + "tree", dst).Target, dst + "tree");
    }
    ASSERT_TRUE(sameSecond);
    EXPECT_EQ(readAll(coarse + "tree/same.txt"), "NEW bytes");
    EXPECT_EQ(readAll(dst + "tree/same.txt"), "old bytes");
    EXPECT_FALSE(Exists(coarse + "tree/other.txt"));
    EXPECT_EQ(readAll(dst + "tree/other.txt"), "other");
    EXPECT_EQ(messages,
              QStringList({"\"" + coarse +
                           "tree/same.txt\" stays where it was: its content changed after it was "
                           "copied."}));
}

// What a record compares: a file's size and both times to the nanosecond; a folder's
// identity alone.
TEST(EntryRecord, AFileMatchesOnlyWithItsSizeAndTimesToTheNanosecond)
{
    TempDir temp;
    struct stat st = StatOf(temp.write("f.txt", "data"));
    st.st_mtim.tv_nsec = 500000001;
    st.st_ctim.tv_nsec = 500000001;
    st.st_nlink = 1;
    const auto record = platform::TEntryRecord::Of("f.txt", st);
    EXPECT_TRUE(record.Matches(st));
    struct stat other = st;
    other.st_mtim.tv_nsec += 1;
    EXPECT_FALSE(record.Matches(other)) << "modification time";
    other = st;
    other.st_ctim.tv_nsec += 1;
    EXPECT_FALSE(record.Matches(other)) << "change time";
    other = st;
    other.st_size += 1;
    EXPECT_FALSE(record.Matches(other)) << "size";
    other = st;
    other.st_ino += 1;
    EXPECT_FALSE(record.Matches(other)) << "inode";

    struct stat folder = StatOf(temp.mkdir("d").chopped(1));
    const auto folderRecord = platform::TEntryRecord::Of("d", folder);
    folder.st_mtim.tv_sec += 5;
    folder.st_ctim.tv_sec += 5;
    EXPECT_TRUE(folderRecord.Matches(folder));

    // Fine times and one name: the times tell a rewrite, the content is not read again
    // unless asked for; coarse times or several names: it is.
    auto kept = record;
    kept.KeepContent(7, false);
    EXPECT_FALSE(kept.HasCrc);
    kept.KeepContent(7, true);
    EXPECT_TRUE(kept.HasCrc);
    other = st;
    other.st_ctim.tv_nsec = 0;
    auto coarse = platform::TEntryRecord::Of("f.txt", other);
    coarse.KeepContent(7, false);
    EXPECT_TRUE(coarse.HasCrc);
    other = st;
    other.st_nlink = 2;
    auto linked = platform::TEntryRecord::Of("f.txt", other);
    linked.KeepContent(7, false);
    EXPECT_TRUE(linked.HasCrc);
    other.st_ctim.tv_sec += 1; // another name went
    EXPECT_TRUE(linked.Matches(other));
    other.st_mtim.tv_sec += 1;
    EXPECT_FALSE(linked.Matches(other));
}

TEST_F(ShellFileOperationTest, DeleteForGoodDoesNotFollowLinks)
{
    const QString keep = temp.write("keep/precious.txt", "precious");
    const QString tree = temp.mkdir("tree").chopped(1);
    temp.write("tree/sub/x.txt", "x");
    Link(temp("keep"), tree + "/folder-link");
    Link(keep, tree + "/sub/file-link");
    Link(temp("keep"), temp("top-link"));

    auto result = Run(TShellFunction::Delete, tree, temp("ignored"));
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
    EXPECT_EQ(result.Items, 5);
    EXPECT_FALSE(Exists(tree));

    result = Run(TShellFunction::Delete, temp("top-link"), {});
    EXPECT_EQ(result.Items, 1);
    EXPECT_FALSE(Exists(temp("top-link")));
    EXPECT_EQ(readAll(keep), "precious");
}

TEST_F(ShellFileOperationTest, DeleteReportsAnEntryThatStaysAndKeepsItsFolders)
{
    temp.write("tree/a.txt", "a");
    const QString busy = temp.mkdir("tree/inner/busy");
    TTmpfs fs(busy, "1m");
    MOUNT_OR_SKIP(fs);
    temp.write("tree/inner/busy/on-mount.txt", "m");

    const auto result = Run(TShellFunction::Delete, temp("tree"), {});

    // A mount point cannot be removed; its parents stay without further messages.
    ASSERT_EQ(messages.size(), 1) << messages.join("\n").toStdString();
    EXPECT_EQ(messages[0],
              "Cannot delete \"" + temp("tree/inner/busy") + "\": Device or resource busy.");
    EXPECT_EQ(result.Failures, 1);
    EXPECT_FALSE(Exists(temp("tree/a.txt")));
    EXPECT_TRUE(Exists(temp("tree/inner/busy")));
}

// Points XDG_DATA_HOME somewhere else for the test's lifetime, so the real trash is untouched.
class TDataHome final
{
public:
    explicit TDataHome(const QString& path) : m_saved(qgetenv("XDG_DATA_HOME"))
    {
        qputenv("XDG_DATA_HOME", QFile::encodeName(path));
    }
    ~TDataHome()
    {
        if (m_saved.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", m_saved);
    }

private:
    QByteArray m_saved;
};

TEST_F(ShellFileOperationTest, TrashKeepsTheItemsInTheUsersTrash)
{
    const QString data = temp.mkdir("data").chopped(1);
    const TDataHome home(data);
    const QString file = temp.write("docs/letter.txt", "dear");
    temp.write("docs/folder/inner.txt", "inner");

    EXPECT_TRUE(Run(TShellFunction::Delete, file, {}, true).Succeeded());
    EXPECT_TRUE(Run(TShellFunction::Delete, temp("docs/folder"), {}, true).Succeeded());
    temp.write("docs/letter.txt", "second");
    EXPECT_TRUE(Run(TShellFunction::Delete, file, {}, true).Succeeded());
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
    EXPECT_FALSE(Exists(file));
    EXPECT_FALSE(Exists(temp("docs/folder")));
    EXPECT_EQ(readAll(data + "/Trash/files/letter.txt"), "dear");
    EXPECT_EQ(readAll(data + "/Trash/files/letter.txt.2"), "second");
    EXPECT_EQ(readAll(data + "/Trash/files/folder/inner.txt"), "inner");
    EXPECT_TRUE(readAll(data + "/Trash/info/letter.txt.trashinfo").contains("DeletionDate="))
        << "the first letter's record stays";
    const QByteArray info = readAll(data + "/Trash/info/letter.txt.2.trashinfo");
    EXPECT_TRUE(
        info.startsWith("[Trash Info]\nPath=" + QFile::encodeName(file) + "\nDeletionDate="))
        << info.constData();

    // An item left in files/ without its record is never replaced.
    temp.write("data/Trash/files/orphan.txt", "left behind");
    const QString orphan = temp.write("docs/orphan.txt", "new");
    EXPECT_TRUE(Run(TShellFunction::Delete, orphan, {}, true).Succeeded());
    EXPECT_EQ(readAll(data + "/Trash/files/orphan.txt"), "left behind");
    EXPECT_EQ(readAll(data + "/Trash/files/orphan.txt.2"), "new");

    // Names are stored URL-escaped.
    const QString odd = temp.write("docs/50% off #1.txt", "odd");
    EXPECT_TRUE(Run(TShellFunction::Delete, odd, {}, true).Succeeded());
    EXPECT_TRUE(
        readAll(data + "/Trash/info/50% off #1.txt.trashinfo").contains("50%25%20off%20%231.txt"));
}

// A bind mount of the home trash's file system: no rename reaches the home trash from
// there, so the item goes to the mount's own trash folder.
TEST_F(ShellFileOperationTest, TrashOnABindMountOfTheHomeFileSystemUsesTheMountsTrash)
{
    const TDataHome home(temp.mkdir("data").chopped(1));
    const QString mnt = temp.mkdir("mnt");
    TBindMount bind(temp.mkdir("elsewhere"), mnt);
    MOUNT_OR_SKIP(bind);
    const QString file = temp.write("mnt/sub/doc.txt", "on the bind mount");

    EXPECT_TRUE(Run(TShellFunction::Delete, file, {}, true).Succeeded())
        << messages.join("\n").toStdString();
    const QString trash = mnt + ".Trash-" + QString::number(::geteuid());
    EXPECT_EQ(readAll(trash + "/files/doc.txt"), "on the bind mount");
    EXPECT_TRUE(Exists(trash + "/info/doc.txt.trashinfo"));
    EXPECT_FALSE(Exists(file));
    EXPECT_TRUE(messages.isEmpty()) << messages.join("\n").toStdString();
}

TEST_F(ShellFileOperationTest, TrashThatCannotBeMadeKeepsTheItem)
{
    const QString blocker = temp.write("blocker", "a file where the trash would go");
    const TDataHome home(blocker + "/data");
    const QString file = temp.write("docs/other.txt", "other");

    EXPECT_FALSE(Run(TShellFunction::Delete, file, {}, true).Succeeded());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("Cannot move \"" + file + "\" to the trash"))
        << messages[0].toStdString();
    EXPECT_EQ(readAll(file), "other") << "never deleted for good instead";
    EXPECT_FALSE(Exists(QDir::currentPath() + "/files/other.txt"));
}

TEST_F(ShellFileOperationTest, TrashOnAnotherVolumeStaysOnThatVolume)
{
    const TDataHome home(temp.mkdir("data").chopped(1));
    const QString mnt = temp.mkdir("volume");
    TTmpfs fs(mnt, "1m");
    MOUNT_OR_SKIP(fs);
    const QString file = temp.write("volume/stick.txt", "on the stick");

    EXPECT_TRUE(Run(TShellFunction::Delete, file, {}, true).Succeeded());
    const QString trash = mnt + ".Trash-" + QString::number(::geteuid());
    EXPECT_EQ(readAll(trash + "/files/stick.txt"), "on the stick");
    EXPECT_TRUE(Exists(trash + "/info/stick.txt.trashinfo"));
    EXPECT_FALSE(Exists(temp("data/Trash/files/stick.txt")));
}

TEST_F(ShellFileOperationTest, FailuresGoToTheMessageBoxByDefault)
{
    QStringList shown;
    const auto previous = platform::SetMessageHandler([&](const QString& text) { shown << text; });
    ShellFileOperation(TShellFunction::Copy, temp("missing.txt"), temp.path(), false);
    platform::SetMessageHandler(previous);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0], "Cannot copy \"" + temp("missing.txt") + "\": No such file or directory.");
}

TEST(MoveFile, RenamesButNeverReplaces)
{
    TempDir temp;
    const QString a = temp.write("a.txt", "a");
    const QString b = temp.write("b.txt", "b");
    temp.write("dir/inside.txt", "inside");

    EXPECT_FALSE(platform::MoveFile(a, b));
    EXPECT_FALSE(platform::MoveFile(a, temp("dir")));
    EXPECT_FALSE(platform::MoveFile(temp("dir"), b));
    EXPECT_FALSE(platform::MoveFile(temp("none.txt"), temp("c.txt")));
    EXPECT_FALSE(platform::MoveFile("a.txt", "c.txt"));
    EXPECT_EQ(readAll(a), "a");
    EXPECT_EQ(readAll(b), "b");
    EXPECT_EQ(readAll(temp("dir/inside.txt")), "inside");

    EXPECT_TRUE(platform::MoveFile(a, temp("c.txt")));
    EXPECT_FALSE(Exists(a));
    EXPECT_EQ(readAll(temp("c.txt")), "a");
    EXPECT_TRUE(platform::MoveFile(temp("dir"), temp("renamed")));
    EXPECT_EQ(readAll(temp("renamed/inside.txt")), "inside");
}

TEST(CreateDirectory, CreatesOneLevelAndRaisesTheSystemError)
{
    TempDir temp;
    platform::CreateDirectory(temp("New directory"));
    EXPECT_TRUE(QFileInfo(temp("New directory")).isDir());

    const auto errorOf = [](const QString& path) {
        try {
            platform::CreateDirectory(path);
        } catch (const platform::EInOutError& e) {
            return e.ErrorCode();
        }
        return 0;
    };
    EXPECT_EQ(errorOf(temp("New directory")), EEXIST);
    EXPECT_EQ(errorOf(temp("no/such/parent")), ENOENT);
    temp.write("file", "x");
    EXPECT_EQ(errorOf(temp("file/below")), ENOTDIR);
}

TEST(CopyFileData, FallsBackToReadAndWriteForPipes)
{
    TempDir temp;
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const QByteArray data = Bytes(40000, 6);
    ASSERT_EQ(::write(fds[1], data.constData(), size_t(data.size())), data.size());
    ::close(fds[1]);
    const int out = ::open(QFile::encodeName(temp("out")).constData(), O_WRONLY | O_CREAT, 0600);
    EXPECT_EQ(platform::CopyFileData(fds[0], out), 0);
    ::close(out);
    ::close(fds[0]);
    EXPECT_EQ(readAll(temp("out")), data);
}
