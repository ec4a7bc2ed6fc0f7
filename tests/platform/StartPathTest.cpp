#include "platform/StartPath.h"
#include "support/TempDir.h"

#include <QFile>
#include <gtest/gtest.h>

#include <unistd.h>

using platform::TStartPlace;

namespace
{

// The place an argument gives, or {"missing", ""} when it names nothing.
TStartPlace Resolve(const QString& argument, const QString& current)
{
    TStartPlace place{QStringLiteral("missing"), {}};
    platform::ResolveStartPath(argument, current, place);
    return place;
}

} // namespace

namespace platform
{
void PrintTo(const TStartPlace& p, std::ostream* out)
{
    *out << '{' << p.Folder.toStdString() << ", " << p.Name.toStdString() << '}';
}
} // namespace platform

TEST(StartPath, ArgumentsGiveTheFolderAndTheFileUnderTheCursor)
{
    TempDir dir;
    const QString root = dir.path();
    dir.mkdir("a b/inner");
    dir.write("a b/report 1.txt", "x");
    ASSERT_EQ(symlink("nowhere", dir("dangling").toLocal8Bit().constData()), 0);
    ASSERT_EQ(symlink("a b", dir("link").toLocal8Bit().constData()), 0);
    const QString inner = root + "a b/inner/";
    const struct {
        QString argument;
        TStartPlace expected;
    } cases[] = {
        {root + "a b", {root + "a b/", {}}},
        {root + "a b/", {root + "a b/", {}}},
        {"a b/inner", {inner, {}}},                         // relative to the current folder
        {"./a b/inner/../inner", {inner, {}}},              // cleaned
        {"a b/report 1.txt", {root + "a b/", "report 1.txt"}},
        {"link", {root + "link/", {}}},                     // a link to a folder is a folder
        {"dangling", {root, "dangling"}},                   // shown, though it leads nowhere
        {"file://" + root + "a%20b/report%201.txt", {root + "a b/", "report 1.txt"}},
        {"FILE://" + root + "a%20b", {root + "a b/", {}}},
        {"/", {"/", {}}},
        {"a b/gone.txt", {"missing", {}}},
        {"http://example.org/a.txt", {"missing", {}}},
        {"", {"missing", {}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Resolve(c.argument, root), c.expected) << c.argument.toStdString();
}

TEST(StartPath, NearestExistingFolderClimbsToWhatIsLeft)
{
    TempDir dir;
    const QString root = dir.path();
    dir.mkdir("kept/also");
    EXPECT_EQ(platform::NearestExistingFolder(root + "kept/also"), root + "kept/also/");
    EXPECT_EQ(platform::NearestExistingFolder(root + "kept/gone/deeper/"), root + "kept/");
    EXPECT_EQ(platform::NearestExistingFolder(root + "kept/also/gone"), root + "kept/also/");
    EXPECT_EQ(platform::NearestExistingFolder("/trvx-no-such-top/x/"), "/");
    // A file where a folder was is no folder.
    dir.write("kept/file", "x");
    EXPECT_EQ(platform::NearestExistingFolder(root + "kept/file/"), root + "kept/");
}

// "~" and "~/..." are the home folder, both where a path leads and where its names are
// completed (the typed "~" kept); "~name" is a name like any other.
TEST(StartPath, TheHomeFolderIsTildeAndCompletionKeepsWhatWasTyped)
{
    TempDir dir;
    dir.write("home/docs/a.txt", "a");
    dir.write("home/dogs.txt", "d");
    dir.write("cwd/~other/x", "x");
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", dir("home").toUtf8());
    const TStartPlace tilde = Resolve("~", dir("cwd"));
    const TStartPlace docs = Resolve("~/docs/a.txt", dir("cwd"));
    const TStartPlace other = Resolve("~other", dir("cwd"));
    const QString shared = platform::CompletePath("~/do", dir("cwd"));
    const QString folder = platform::CompletePath("~/doc", dir("cwd"));
    qputenv("HOME", home);
    EXPECT_EQ(tilde, TStartPlace({dir("home/"), {}}));
    EXPECT_EQ(docs, TStartPlace({dir("home/docs/"), "a.txt"}));
    EXPECT_EQ(other, TStartPlace({dir("cwd/~other/"), {}}));
    EXPECT_EQ(shared, "~/do");
    EXPECT_EQ(folder, "~/docs/");
    EXPECT_EQ(platform::CompletePath("~o", dir("cwd")), "~other/");
    EXPECT_EQ(platform::CompletePath("nothing", dir("cwd")), "nothing");
}
