// Comparing two files: equal ones, the exact first differing offset (also where one is
// the other's beginning), and the lines that differ between two texts.
#include "checks/FileCompare.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

TEST(FileCompareTest, EqualFilesAndTheFirstDifferingOffset)
{
    TempDir dir;
    const QByteArray original(5 << 20, 'a');
    QByteArray big = original;
    const QString a = dir.write("a", big);
    EXPECT_EQ(CompareFiles(a, dir.write("same", big)).Kind, TCompareResult::TKind::Equal);
    const qint64 at = (3 << 20) + 12345; // in the fourth block
    big[at] = 'b';
    const TCompareResult changed = CompareFiles(a, dir.write("b", big));
    EXPECT_EQ(changed.Kind, TCompareResult::TKind::Different);
    EXPECT_EQ(changed.FirstDifference, at);
    const TCompareResult shorter = CompareFiles(a, dir.write("c", original.left(4 << 20)));
    EXPECT_EQ(shorter.Kind, TCompareResult::TKind::Different);
    EXPECT_EQ(shorter.FirstDifference, qint64(4) << 20);
    EXPECT_EQ(shorter.SizeB, qint64(4) << 20);
    EXPECT_EQ(CompareFiles(a, dir("gone")).Kind, TCompareResult::TKind::Unreadable);
    platform::TFileOpsProgress cancelled;
    cancelled.Cancel();
    EXPECT_EQ(CompareFiles(a, a, &cancelled).Kind, TCompareResult::TKind::Cancelled);
}

TEST(FileCompareTest, TheChangedLinesOfTwoTexts)
{
    QByteArray a, b;
    for (int i = 1; i <= 100; ++i) {
        a += "line " + QByteArray::number(i) + '\n';
        b += (i == 50 ? QByteArray("changed fifty") : "line " + QByteArray::number(i)) + '\n';
    }
    b += "added at the end\n";
    const TLineDiff diff = DiffLines(a, b, 1);
    ASSERT_TRUE(diff.IsText);
    EXPECT_FALSE(diff.TooLarge);
    EXPECT_EQ(diff.FirstLine, 50);
    std::vector<std::tuple<TDiffLine::TKind, int, int, QByteArray>> got;
    for (const TDiffLine& l : diff.Lines)
        got.emplace_back(l.Kind, l.LineA, l.LineB, l.Text);
    using K = TDiffLine::TKind;
    const std::vector<std::tuple<K, int, int, QByteArray>> want{
        {K::Same, 49, 49, "line 49"},       {K::Removed, 50, 0, "line 50"},
        {K::Added, 0, 50, "changed fifty"}, {K::Same, 51, 51, "line 51"},
        {K::Same, 100, 100, "line 100"},    {K::Added, 0, 101, "added at the end"}};
    EXPECT_EQ(got, want);

    EXPECT_FALSE(DiffLines(a, QByteArray("x\0y", 3)).IsText);
    // Beyond the bound: no listing, but where the texts first differ.
    QByteArray many, others;
    for (int i = 0; i < 3000; ++i) {
        many += "a" + QByteArray::number(i) + '\n';
        others += "b" + QByteArray::number(i) + '\n';
    }
    const TLineDiff large = DiffLines("same\n" + many, "same\n" + others);
    EXPECT_TRUE(large.TooLarge);
    EXPECT_TRUE(large.Lines.empty());
    EXPECT_EQ(large.FirstLine, 2);
}
