#include <gtest/gtest.h>

#include <ostream>

#include "app/MemoJustify.h"

void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace zort {
namespace {

// Every character one pixel wide: widths can be read off the strings.
int Count(const QString& text) {
    return static_cast<int>(text.size());
}

// A proportional font: narrow i and l, wide m and w, blank 3 px.
int Proportional(const QString& text) {
    int width = 0;
    for (const QChar c : text) {
        if (c == QLatin1Char(' ')) {
            width += 3;
        } else if (c == QLatin1Char('i') || c == QLatin1Char('l')) {
            width += 2;
        } else if (c == QLatin1Char('m') || c == QLatin1Char('w')) {
            width += 9;
        } else {
            width += 6;
        }
    }
    return width;
}

TEST(JustifyMemoLines, AddsBlanksLeftToRightAndStartsAgainAtTheFirstGap) {
    // "a b c" is 5 px; with a 22 px memo a line may grow while width + 1 + 12 < 22,
    // i.e. up to 8 px: three blanks go to the gaps 1, 2, 1.
    const QStringList out = JustifyMemoLines({"a b c", "last but one", ""}, 22, Count);
    EXPECT_EQ(out[0], "a   b  c");
}

TEST(JustifyMemoLines, KeepsTheLastFormBelowTheLimit) {
    // 9 px would reach 9 + 1 + 12 = 22: the 8 px form stays, not the one that touches.
    EXPECT_EQ(JustifyMemoLines({"ab cd", "x", ""}, 22, Count)[0], "ab    cd");
    EXPECT_EQ(JustifyMemoLines({"ab cd", "x", ""}, 23, Count)[0], "ab     cd");
}

TEST(JustifyMemoLines, LeavesTheLastTwoLinesAndSingleWordsAlone) {
    const QStringList in = {"one", "two  words", "three  spaced  words", "end of  text", ""};
    const QStringList out = JustifyMemoLines(in, 40, Count);
    EXPECT_EQ(out[0], "one");
    EXPECT_NE(out[1], in[1]);
    EXPECT_NE(out[2], in[2]);
    EXPECT_EQ(out[3], "end of  text");
    EXPECT_EQ(out[4], "");
    // Memos of two lines or fewer have nothing to justify.
    EXPECT_EQ(JustifyMemoLines({"a b", ""}, 40, Count), (QStringList{"a b", ""}));
    EXPECT_TRUE(JustifyMemoLines({}, 40, Count).isEmpty());
}

TEST(JustifyMemoLines, ALineAlreadyAtTheLimitIsRebuiltWithSingleBlanks) {
    // Runs of blanks in the source collapse, even when no blank can be added.
    EXPECT_EQ(JustifyMemoLines({"aaaa    bbbb   cccc", "x", ""}, 20, Count)[0], "aaaa bbbb cccc");
    EXPECT_EQ(JustifyMemoLines({"  lead and trail  ", "x", ""}, 10, Count)[0], "lead and trail");
}

TEST(JustifyMemoLines, StopsWhenBlanksMeasureNothing) {
    const auto noWidth = [](const QString& text) {
        return static_cast<int>(text.size() - text.count(QLatin1Char(' ')));
    };
    EXPECT_EQ(JustifyMemoLines({"a  b", "x", ""}, 100, noWidth)[0], "a b");
}

TEST(JustifyMemoLines, EveryJustifiedLineEndsWithinOneBlankOfTheLimit) {
    const QString text = QStringLiteral(
        "the tracker wakes on a schedule or on its motion sensor and reports its position to the owner "
        "by short messages or to a monitoring server, whichever the owner prefers\n");
    const int memoWidth = 260;
    const QStringList lines = WrapMemoText(text, memoWidth - 12 - 3, Proportional);
    ASSERT_GE(lines.size(), 4);
    const QStringList out = JustifyMemoLines(lines, memoWidth, Proportional);
    for (qsizetype i = 0; i + 2 < out.size(); ++i) {
        const int room = memoWidth - (Proportional(out[i]) + 3 + 12);
        EXPECT_GT(room, 0) << out[i].toStdString();
        EXPECT_LE(room, 3) << out[i].toStdString();
        EXPECT_EQ(out[i].simplified(), lines[i].simplified());
    }
}

TEST(WrapMemoText, FillsLinesGreedilyUpToTheWidth) {
    // "aaa bbb" is exactly 7 px wide and still fits; the next word does not.
    EXPECT_EQ(WrapMemoText("aaa bbb ccc dd", 7, Count), (QStringList{"aaa bbb", "ccc dd"}));
    EXPECT_EQ(WrapMemoText("aaa bbb ccc dd", 6, Count), (QStringList{"aaa", "bbb", "ccc dd"}));
}

TEST(WrapMemoText, KeepsOverlongWordsWholeAndHonoursLineBreaks) {
    EXPECT_EQ(WrapMemoText("a verylongword b", 5, Count), (QStringList{"a", "verylongword", "b"}));
    EXPECT_EQ(WrapMemoText("one\ntwo  three\n", 20, Count), (QStringList{"one", "two three", ""}));
    EXPECT_EQ(WrapMemoText("", 20, Count), (QStringList{""}));
}

}  // namespace
}  // namespace zort
