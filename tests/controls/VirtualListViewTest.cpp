#include "controls/VirtualListView.h"
#include "support/TempDir.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QScrollBar>
#include <QSettings>
#include <QTest>
#include <gtest/gtest.h>

namespace
{

// A virtual list of `count` rows whose cells read "r<row>c<column>".
struct VirtualList {
    explicit VirtualList(int count)
    {
        list.resize(400, 300);
        list.SetVirtualMode(true);
        for (int c = 0; c < 3; ++c)
            list.AddColumn(QString("C%1").arg(c), 100);
        list.OnODGetItemInfo = [this](TVirtualListView*, int item, int sub, unsigned mask,
                                      int& image, int&, int&, int&, QString& text) {
            ++requests;
            if (mask & omText)
                text = QString("r%1c%2").arg(item).arg(sub);
            if (mask & omImage)
                image = 7;
        };
        list.OnODCacheHint = [this](TVirtualListView*, TLVCacheHint& hint) {
            hints.push_back(hint);
        };
        list.SetVirtualItemCount(count, cfNoScroll);
    }
    QString Cell(int row, int column)
    {
        auto* view = static_cast<QAbstractItemView*>(list.ActiveView());
        return view->model()->index(row, column).data().toString();
    }
    TVirtualListView list;
    int requests = 0;
    std::vector<TLVCacheHint> hints;
};

} // namespace

TEST(VirtualListView, CellsComeFromTheOwnerAndNothingForInvalidRows)
{
    VirtualList v(10);
    EXPECT_EQ(v.Cell(3, 2), "r3c2");
    EXPECT_EQ(v.list.ItemCount(), 10);
    const int before = v.requests;
    auto* view = static_cast<QAbstractItemView*>(v.list.ActiveView());
    EXPECT_FALSE(view->model()->data(view->model()->index(-1, 0)).isValid());
    EXPECT_EQ(v.requests, before);
    v.list.OnODGetItemInfo = nullptr;
    EXPECT_EQ(v.Cell(3, 2), "");
}

TEST(VirtualListView, FocusHelpers)
{
    VirtualList empty(0);
    EXPECT_EQ(empty.list.GetFocusedIndex(), -1);
    EXPECT_FALSE(empty.list.FocusItem(0));

    VirtualList v(5);
    v.list.SetItemSelected(2, true);
    v.list.SetItemSelected(4, true);
    EXPECT_EQ(v.list.GetFocusedIndex(), -1);
    // No row has the focus: every row is deselected, then row 0 focused and selected.
    EXPECT_TRUE(v.list.FocusItem(0));
    EXPECT_EQ(v.list.GetFocusedIndex(), 0);
    EXPECT_EQ(v.list.SelectedRows(), std::vector<int>({0}));
    // With a focused row only that row is deselected.
    v.list.SetItemSelected(3, true);
    EXPECT_TRUE(v.list.FocusItem(1));
    EXPECT_EQ(v.list.SelectedRows(), std::vector<int>({1, 3}));
    EXPECT_EQ(v.list.SelectedCount(), 2);
    EXPECT_TRUE(v.list.IsItemSelected(3));
    EXPECT_FALSE(v.list.IsItemSelected(99));
    v.list.ClearItemStates();
    EXPECT_EQ(v.list.SelectedCount(), 0);
    EXPECT_EQ(v.list.GetFocusedIndex(), -1);
}

TEST(VirtualListView, CacheHintAnnouncesOnlyTheVisibleRows)
{
    VirtualList v(100000);
    v.list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&v.list));
    static_cast<QAbstractItemView*>(v.list.ActiveView())->viewport()->repaint();
    ASSERT_FALSE(v.hints.empty());
    const TLVCacheHint hint = v.hints.back();
    EXPECT_EQ(hint.iFrom, 0);
    EXPECT_GT(hint.iTo, 3);
    EXPECT_LT(hint.iTo, 40);
    // Requests for cells stay within the rows on screen.
    EXPECT_LT(v.requests, 40 * 6);
    // The same rows painted again are not announced again; a new count is.
    const size_t count = v.hints.size();
    static_cast<QAbstractItemView*>(v.list.ActiveView())->viewport()->repaint();
    EXPECT_EQ(v.hints.size(), count);
    v.list.SetVirtualItemCount(100000, cfNoScroll);
    static_cast<QAbstractItemView*>(v.list.ActiveView())->viewport()->repaint();
    EXPECT_EQ(v.hints.size(), count + 1);
}

TEST(VirtualListView, NoScrollKeepsTheScrollPosition)
{
    VirtualList v(1000);
    v.list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&v.list));
    auto* view = static_cast<QAbstractItemView*>(v.list.ActiveView());
    view->scrollTo(view->model()->index(500, 0));
    const int position = view->verticalScrollBar()->value();
    ASSERT_GT(position, 0);
    v.list.SetVirtualItemCount(1000, cfNoScroll);
    EXPECT_EQ(view->verticalScrollBar()->value(), position);
    v.list.SetVirtualItemCount(1000, 0);
    EXPECT_EQ(view->verticalScrollBar()->value(), 0);
}

TEST(VirtualListView, ViewStylesShareOneSelection)
{
    VirtualList v(20);
    v.list.FocusItem(4);
    QWidget* report = v.list.ActiveView();
    for (TViewStyle style : {vsIcon, vsSmallIcon, vsList}) {
        v.list.SetViewStyle(style);
        EXPECT_EQ(v.list.ViewStyle(), style);
        EXPECT_NE(v.list.ActiveView(), report);
        EXPECT_EQ(v.list.GetFocusedIndex(), 4);
        EXPECT_TRUE(v.list.IsItemSelected(4));
    }
    v.list.SetViewStyle(TViewStyle(9)); // out of range: ignored
    EXPECT_EQ(v.list.ViewStyle(), vsList);
    v.list.SetViewStyle(vsReport);
    EXPECT_EQ(v.list.ActiveView(), report);
}

TEST(VirtualListView, VirtualModeChangesOnlyOnANewValue)
{
    TVirtualListView list;
    list.AddColumn("Name", 100);
    list.AddItem({"a"});
    list.SetVirtualMode(false); // same value: the items stay
    EXPECT_EQ(list.ItemCount(), 1);
    list.SetVirtualMode(true);
    EXPECT_EQ(list.ItemCount(), 0);
    list.SetExtendedStyles(lvxFullRowSelect | lvxGridLines | 0x300);
    EXPECT_EQ(list.ExtendedStyles(), lvxFullRowSelect | lvxGridLines);
}

TEST(VirtualListView, ColumnSortingOfOwnItems)
{
    TVirtualListView list;
    list.AddColumn("Name", 100);
    list.AddColumn("Size", 100);
    list.AddColumn("Date", 100);
    list.AddItem({"abd", "10", "1/2/20"});
    list.AddItem({"abc", "9", "12/31/19"});
    list.AddItem({"Abe", "100", "1/1/20"});
    const auto column = [&](int c) {
        QStringList texts;
        for (int i = 0; i < list.ItemCount(); ++i)
            texts << list.ItemTexts(i)[c];
        return texts;
    };
    list.NotifyColumnClick(1); // acsNoSort: nothing moves
    EXPECT_EQ(column(1), QStringList({"10", "9", "100"}));

    list.AutoColumnSort = TAutoColumnSort::acsSortToggle;
    list.NotifyColumnClick(1);
    EXPECT_EQ(column(1), QStringList({"9", "10", "100"})); // numbers, not text
    list.NotifyColumnClick(1);
    EXPECT_EQ(column(1), QStringList({"100", "10", "9"})); // second click reverses
    list.NotifyColumnClick(2);
    EXPECT_EQ(column(2), QStringList({"12/31/19", "1/1/20", "1/2/20"})); // dates by day
    list.NotifyColumnClick(0);
    EXPECT_EQ(column(0).mid(0, 2), QStringList({"abc", "abd"}));
}

TEST(VirtualListView, ColumnSettingsOnlyWhenAutoSaveIsOn)
{
    TempDir dir;
    QCoreApplication::setOrganizationName("TravodexTest");
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
    {
        TVirtualListView list;
        list.SaveSettings.RegistryKey = "Panel";
        for (int c = 0; c < 5; ++c)
            list.AddColumn(QString::number(c), 50 + c);
    }
    EXPECT_FALSE(QSettings().contains("Panel/Columns/Order"));
    {
        TVirtualListView list;
        list.SaveSettings.AutoSave = true;
        list.SaveSettings.RegistryKey = "Panel";
        for (int c = 0; c < 5; ++c)
            list.AddColumn(QString::number(c), 50 + c);
    }
    EXPECT_EQ(QSettings().value("Panel/Columns/Order").toString(), "0,1,2,3,4");
    EXPECT_EQ(QSettings().value("Panel/Columns/Sizes").toString(), "50,51,52,53,54");
    QSettings().setValue("Panel/Columns/Sizes", "70,x,90");
    TVirtualListView restored;
    restored.SaveSettings.AutoSave = true;
    restored.SaveSettings.RegistryKey = "Panel";
    for (int c = 0; c < 5; ++c)
        restored.AddColumn(QString::number(c), 40);
    restored.show();
    EXPECT_EQ(restored.ColumnWidth(0), 70);
    EXPECT_EQ(restored.ColumnWidth(2), 90);
    EXPECT_EQ(restored.ColumnWidth(4), 40);
    restored.SaveSettings.AutoSave = false;
}

TEST(VirtualListView, EnterOpensLikeADoubleClick)
{
    VirtualList v(3);
    int opened = 0;
    v.list.OnDblClick = [&](TVirtualListView*) { ++opened; };
    v.list.FocusItem(1);
    QTest::keyClick(v.list.ActiveView(), Qt::Key_Return);
    EXPECT_EQ(opened, 1);
    QTest::keyClick(v.list.ActiveView(), Qt::Key_Down);
    EXPECT_EQ(v.list.GetFocusedIndex(), 2);
    EXPECT_EQ(opened, 1);
}
