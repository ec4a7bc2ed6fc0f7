// The synchronise window driven as a user drives it: keys and clicks choose the actions,
// the plan shown says what will change, and Synchronise does exactly that.
#include "support/TempDir.h"
#include "sync/uSync.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace
{

QTreeWidgetItem* Row(QTreeWidget* list, const QString& name)
{
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (list->topLevelItem(i)->text(0) == name)
            return list->topLevelItem(i);
    return nullptr;
}

void Select(QTreeWidget* list, const QString& name)
{
    QTreeWidgetItem* item = Row(list, name);
    ASSERT_NE(item, nullptr) << qPrintable(name);
    list->setCurrentItem(item); // selects it alone
}

TEST(SyncWindowTest, KeysAndClicksChooseWhatSynchronisationDoes)
{
    TempDir left, right;
    left.write("only-left.txt", "L");
    right.write("only-right.txt", "R");
    right.write("drop.txt", "gone soon");
    left.write("same.txt", "same");
    right.write("same.txt", "same");
    const QString both = left.write("both.txt", "left text");
    right.write("both.txt", "right text!");

    auto* window = new TfSync(nullptr, left.path(), right.path(), true, false);
    QPointer<TfSync> guard(window);
    window->show();
    QTRY_VERIFY_WITH_TIMEOUT(!window->Comparing(), 30000);
    QTreeWidget* list = window->List;
    // Equal rows are filtered out until asked for.
    EXPECT_EQ(Row(list, "same.txt"), nullptr);
    window->ShowState[int(TSyncState::Equal)]->click();
    EXPECT_NE(Row(list, "same.txt"), nullptr);

    list->setFocus();
    Select(list, "drop.txt");
    QTest::keyClick(list, Qt::Key_Delete);
    Select(list, "only-right.txt");
    QTest::keyClick(list, '=');
    // Same date, different size: left alone until a click on its action steps it on.
    ASSERT_NE(Row(list, "both.txt"), nullptr);
    EXPECT_EQ(Row(list, "both.txt")->text(3), "leave");
    const QModelIndex action =
        list->model()->index(list->indexOfTopLevelItem(Row(list, "both.txt")), 3);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(action).center());
    EXPECT_EQ(Row(list, "both.txt")->text(3), "copy →");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(action).center());
    EXPECT_EQ(Row(list, "both.txt")->text(3), "copy ←");
    EXPECT_EQ(
        window->PlanText(),
        "Will copy → 1 entries (1 files, 1 bytes), 0 of them replacing; copy ← 1 entries "
        "(1 files, 11 bytes), 1 of them replacing; delete 1 on the right (9 bytes) for good; 2 "
        "rows left as they are.");

    QTest::mouseClick(window->ButtonSync, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!window->Comparing(), 30000);
    EXPECT_EQ(readAll(right("only-left.txt")), "L");
    EXPECT_FALSE(QFile::exists(left("only-right.txt")));
    EXPECT_FALSE(QFile::exists(right("drop.txt")));
    EXPECT_EQ(readAll(both), "right text!");
    EXPECT_TRUE(window->Status().startsWith("3 entries synchronised."))
        << qPrintable(window->Status());
    window->close();
    QTRY_VERIFY(guard.isNull());
}

} // namespace
