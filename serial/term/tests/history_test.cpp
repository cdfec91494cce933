// The scroll-back: rows that scroll off the top are kept, oldest first, with their
// attributes; the screen's erasures do not touch them; the oldest go beyond the limit.

#include "TermScript.h"

#include <gtest/gtest.h>

using namespace vesk;
using vesk::test::TermScript;

namespace {

std::string Lines(const TComTerminalModel& t, int from, int to) {
    std::string text;
    for (int line = from; line <= to; ++line)
        text += t.LineText(line) + "|";
    return text;
}

} // namespace

TEST(TermHistory, RowsScrolledOffTheTopComeBeforeTheScreen) {
    TermScript s;
    int linesChanged = 0;
    s.T.OnChanged = [&](const TTermChange& c) { linesChanged += c.Kind == TTermChangeKind::Lines; };
    for (int i = 1; i <= 1100; ++i)
        s.Push((i > 1 ? "\r\nline " : "line ") + std::to_string(i));
    // 1100 lines on a 24-row screen: 1076 scrolled off, every one of them kept.
    EXPECT_EQ(s.T.History().Count(), 1076);
    EXPECT_EQ(s.T.LineCount(), 1100);
    EXPECT_EQ(linesChanged, 1076);
    EXPECT_EQ(Lines(s.T, 1, 2), "line 1|line 2|");
    EXPECT_EQ(Lines(s.T, 1076, 1077), "line 1076|line 1077|");
    EXPECT_EQ(s.T.LineText(1077), s.Row(1)); // the screen's first row
    EXPECT_EQ(s.T.LineText(1100), "line 1100");
    EXPECT_EQ(s.T.LineCell(1, 1).Ch, 'l');
    EXPECT_EQ(s.T.LineCell(81, 1).Ch, 0); // beyond the row
}

TEST(TermHistory, WrappedRowsKeepTheirCellsAndAttributes) {
    TermScript s;
    s.T.SetWrapLines(true);
    s.Push("\033[24;1H\033[1mB\033[m" + std::string(79, 'x') + "y");
    EXPECT_EQ(s.T.History().Count(), 1);
    EXPECT_EQ(s.T.LineCell(1, 1 + 0).Ch, 0);                   // row 1 of the screen was empty when it left
    EXPECT_EQ(s.T.LineCell(1, 24).FrontColor, s.T.AltColor()); // the bold B, now on row 23
    EXPECT_EQ(s.Row(24), "y");
}

TEST(TermHistory, ErasuresKeepTheScrollBackAndClearingEmptiesIt) {
    TermScript s;
    for (int i = 0; i < 30; ++i)
        s.Push("row\r\n");
    const int kept = s.T.History().Count();
    EXPECT_EQ(kept, 7);
    s.Push("\033[2J\033[H");
    s.T.ClearScreen();
    EXPECT_EQ(s.T.History().Count(), kept);
    EXPECT_EQ(s.T.LineText(1), "row");
    bool told = false;
    s.T.OnChanged = [&](const TTermChange& c) { told = told || c.Kind == TTermChangeKind::Lines; };
    s.T.ClearScrollback();
    EXPECT_TRUE(told);
    EXPECT_EQ(s.T.LineCount(), 24);
    EXPECT_EQ(s.T.History().Dropped(), kept);
}

TEST(TermHistory, TheOldestRowsGoBeyondTheLimit) {
    TComTermHistory history(3);
    for (unsigned char ch = 'a'; ch <= 'e'; ++ch)
        history.Push({TComTermChar{ch}});
    EXPECT_EQ(history.Count(), 3);
    EXPECT_EQ(history.Dropped(), 2);
    EXPECT_EQ(history.Cell(1, 0).Ch, 'c');
    EXPECT_EQ(history.Cell(1, 2).Ch, 'e');
    EXPECT_EQ(history.Cell(1, 3).Ch, 0);
    TComTermHistory none(0);
    none.Push({TComTermChar{'a'}});
    EXPECT_EQ(none.Count(), 0);
    EXPECT_EQ(none.Dropped(), 1);
}
