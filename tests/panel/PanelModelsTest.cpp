// The panel's tab and history models alone, without widgets.
#include "panel/PanelTabs.h"

#include <gtest/gtest.h>

TEST(PanelTabsModel, ClosingAndMovingKeepTheShownTabAndTheLastOneStays)
{
    TPanelTabs tabs;
    EXPECT_FALSE(tabs.Close(0)); // never the last
    for (const char* folder : {"/b/", "/c/", "/d/"}) {
        auto tab = std::make_unique<TTabState>();
        tab->Place.Folder = QString::fromLatin1(folder);
        tabs.Show(tabs.Open(std::move(tab)));
    }
    tabs.Tab(0).Place.Folder = "/a/";
    ASSERT_EQ(tabs.Shown(), 3); // a b c [d]
    tabs.Move(3, 0);            // [d] a b c
    EXPECT_EQ(tabs.Shown(), 0);
    tabs.Show(2);    // d a [b] c
    tabs.Move(0, 3); // a [b] c d
    EXPECT_EQ(tabs.ShownTab().Place.Folder, "/b/");
    EXPECT_TRUE(tabs.Close(0)); // [b] c d
    EXPECT_EQ(tabs.ShownTab().Place.Folder, "/b/");
    tabs.Show(2);
    EXPECT_TRUE(tabs.Close(2)); // the shown last one: the one before shows
    EXPECT_EQ(tabs.ShownTab().Place.Folder, "/c/");
    EXPECT_EQ(tabs.Neighbour(1), 0);
    EXPECT_EQ(TPanelTabs::Title(tabs.Tab(0)), "b");
}

TEST(PanelHistoryModel, BoundedAndStepsKeepTheCursorOfThePlaceLeft)
{
    TPanelHistory history;
    const auto all = [](const TPanelPlace&) { return true; };
    QStringList skipped;
    for (int i = 0; i < 60; ++i)
        history.Arrive(QStringLiteral("c%1").arg(i - 1), {QStringLiteral("/f%1/").arg(i), {}, {}});
    ASSERT_EQ(history.Places().size(), TPanelHistory::kMaxPlaces);
    EXPECT_EQ(history.Places().front().Folder, "/f10/");
    EXPECT_EQ(history.Places()[48].Cursor, "c58");
    const auto back = history.Step(-1, "here", all, skipped);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Cursor, "c58");
    EXPECT_EQ(history.Places().back().Cursor, "here");
    history.Arrive("", {"/f58/", {}, {}}); // the same place again: nothing new
    EXPECT_EQ(history.At(), 48);
    EXPECT_EQ(history.Places().size(), TPanelHistory::kMaxPlaces);
}
