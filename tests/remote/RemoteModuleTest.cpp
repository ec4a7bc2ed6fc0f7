// The program reaches the GIO layer through the remote module, loaded on first use.
#include "modules/SupportModules.h"
#include "modules/ViewerModules.h"

#include <gtest/gtest.h>

TEST(RemoteModule, LoadsOnFirstUseOrSaysWhichFileIsMissing)
{
    SetModuleDirectory(QStringLiteral("/nonexistent-travodex-modules"));
    QString failure;
    EXPECT_EQ(RemotePlacesOf(failure), nullptr);
    EXPECT_EQ(failure,
              QStringLiteral("Remote places cannot be used: libtrvx_remote.so is missing."));

    SetModuleDirectory(QStringLiteral(TRVX_LIB_DIR));
    failure.clear();
    platform::TRemotePlaces* places = RemotePlacesOf(failure);
    SetModuleDirectory({});
    ASSERT_NE(places, nullptr) << qPrintable(failure);
    EXPECT_EQ(
        places->Child(QStringLiteral("sftp://user@example.org:2222/top"), QStringLiteral("a b#c")),
        QStringLiteral("sftp://user@example.org:2222/top/a%20b%23c"));
    EXPECT_EQ(places->Child(QStringLiteral("/tmp/top"), QStringLiteral("a b")),
              QStringLiteral("/tmp/top/a b"));
}
