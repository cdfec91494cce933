// Bytes in, screen out: characters, caret movement, wrapping, scrolling, erasing, tabs.

#include "TermScript.h"

#include <gtest/gtest.h>

using namespace vesk;
using vesk::test::TermScript;
using RC = std::pair<int, int>; // row, column

TEST(TermScreen, StartsEmptyWithCaretHome) {
    TermScript s;
    EXPECT_EQ(s.T.Columns(), 80);
    EXPECT_EQ(s.T.Rows(), 24);
    EXPECT_TRUE(s.ScreenEmpty());
    EXPECT_EQ(s.Caret(), RC(1, 1));
    EXPECT_EQ(s.T.Cell(1, 1).Ch, 0);
}

TEST(TermScreen, CarriageReturnAndLineFeed) {
    TermScript s;
    s.Push("AB\r\nC");
    EXPECT_EQ(s.Row(1), "AB");
    EXPECT_EQ(s.Row(2), "C");
    EXPECT_EQ(s.Caret(), RC(2, 2));
    s.Push("\n");
    EXPECT_EQ(s.Caret(), RC(3, 2)); // a line feed alone keeps the column
    s.Push("\f");
    EXPECT_EQ(s.Caret(), RC(4, 2)); // form feed as line feed
}

TEST(TermScreen, BackspaceMovesWithoutErasing) {
    TermScript s;
    s.Push("abc\b\b");
    EXPECT_EQ(s.Caret(), RC(1, 2));
    EXPECT_EQ(s.Row(1), "abc");
    s.Push("\b\b\b");
    EXPECT_EQ(s.Caret(), RC(1, 1));
    s.Push("X");
    EXPECT_EQ(s.Row(1), "Xbc");
}

TEST(TermScreen, OtherControlBytesAreIgnored) {
    TermScript s;
    s.Push(std::string("a\x01\x07\x7f\x00"
                       "b",
                       6));
    // 127 is not below 32 and is stored like any other byte.
    EXPECT_EQ(s.Row(1), "a\x7f"
                        "b");
}

TEST(TermScreen, HighBytesAreStored) {
    TermScript s;
    s.Push("\xe9\xff");
    EXPECT_EQ(s.T.Cell(1, 1).Ch, 0xe9);
    EXPECT_EQ(s.T.Cell(2, 1).Ch, 0xff);
}

TEST(TermScreen, WrapOnPutsThe81stCharacterOnTheNextRow) {
    TermScript s;
    s.T.SetWrapLines(true);
    s.Push(std::string(80, 'x') + "y");
    EXPECT_EQ(s.Row(1), std::string(80, 'x'));
    EXPECT_EQ(s.Row(2), "y");
    EXPECT_EQ(s.Caret(), RC(2, 2));
}

TEST(TermScreen, WrapOffOverwritesTheLastCell) {
    TermScript s;
    s.Push(std::string(80, 'x') + "y");
    EXPECT_EQ(s.Row(1), std::string(79, 'x') + "y");
    EXPECT_EQ(s.Row(2), "");
    EXPECT_EQ(s.Caret(), RC(1, 80));
    s.Push("z");
    EXPECT_EQ(s.T.Cell(80, 1).Ch, 'z');
}

TEST(TermScreen, WrapModeSwitchedByEscapeCodes) {
    TermScript s;
    s.Push("\033[7h");
    EXPECT_TRUE(s.T.WrapLines());
    s.Push("\033[7l");
    EXPECT_FALSE(s.T.WrapLines());
    s.Push("\033[?7h"); // with a question mark it is not this mode
    EXPECT_FALSE(s.T.WrapLines());
}

TEST(TermScreen, LineFeedOnTheLastRowScrolls) {
    TermScript s;
    s.FillRows();
    s.T.MoveCaret(5, 24);
    s.Push("\n");
    EXPECT_EQ(s.Caret(), RC(24, 5));
    EXPECT_EQ(s.Row(1), "B"); // row 1 is lost
    EXPECT_EQ(s.Row(23), "X");
    EXPECT_EQ(s.Row(24), ""); // the new last row is empty
}

TEST(TermScreen, WrapOnTheLastCellScrolls) {
    TermScript s;
    s.T.SetWrapLines(true);
    s.FillRows();
    s.T.MoveCaret(80, 24);
    s.Push("z");
    EXPECT_EQ(s.Caret(), RC(24, 1));
    EXPECT_EQ(s.Row(23), "X" + std::string(78, ' ') + "z");
    EXPECT_EQ(s.Row(24), "");
    EXPECT_EQ(s.Row(1), "B");
}

TEST(TermScreen, ReverseLineFeed) {
    TermScript s;
    s.FillRows();
    s.T.MoveCaret(3, 5);
    s.T.PutEscapeCode(TEscapeCode::ecReverseLineFeed, {});
    EXPECT_EQ(s.Caret(), RC(4, 3));
    s.T.MoveCaret(3, 1);
    s.T.PutEscapeCode(TEscapeCode::ecReverseLineFeed, {});
    EXPECT_EQ(s.Caret(), RC(1, 3));
    EXPECT_EQ(s.Row(1), "");
    EXPECT_EQ(s.Row(2), "A");
    EXPECT_EQ(s.Row(24), "W"); // the old last row is lost
}

TEST(TermScreen, EraseWholeScreen) {
    TermScript s;
    s.FillRows();
    s.T.MoveCaret(10, 10);
    s.Push("\033[2J");
    EXPECT_TRUE(s.ScreenEmpty());
    EXPECT_EQ(s.Caret(), RC(1, 1));
}

TEST(TermScreen, EraseFromTheMiddleOfRow5) {
    TermScript s;
    for (int r = 1; r <= 24; ++r)
        s.Push("\033[" + std::to_string(r) + "H0123456789");
    s.Push("\033[5;6H\033[J");
    EXPECT_EQ(s.Caret(), RC(5, 6));
    for (int r = 1; r <= 4; ++r)
        EXPECT_EQ(s.Row(r), "0123456789") << r;
    EXPECT_EQ(s.Row(5), "01234");
    for (int r = 6; r <= 24; ++r)
        EXPECT_EQ(s.Row(r), "") << r;
}

TEST(TermScreen, EraseLineFromAndWholeLine) {
    TermScript s;
    s.Push("0123456789\r\n0123456789\r\n0123456789");
    s.Push("\033[1;4H\033[K");
    EXPECT_EQ(s.Row(1), "012");
    EXPECT_EQ(s.Caret(), RC(1, 4));
    s.Push("\033[2;4H\033[2K");
    EXPECT_EQ(s.Row(2), "");
    EXPECT_EQ(s.Caret(), RC(2, 1));
    EXPECT_EQ(s.Row(3), "0123456789");
}

namespace {

// Caret moves, each scenario on a fresh screen: after each step's bytes the caret is
// where the step says, no code is left unhandled, and only scenarios that print
// characters leave the screen written.
struct TCaretStep {
    std::string Bytes;
    RC Caret;
};
struct TCaretScenario {
    const char* Name;
    bool Prints;
    std::vector<TCaretStep> Steps;
};

const TCaretScenario CaretScenarios[] = {
    {"absolute positions",
     false,
     {{"\033[5;10H", {5, 10}},
      {"\033[99;99H", {24, 80}},
      {"\033[H", {1, 1}},
      {"\033[7;3f", {7, 3}},
      {"\033[0;0H", {1, 1}},
      {"\033[12H", {12, 1}}}}, // column missing: 1
    {"relative moves are clamped",
     false,
     {{"\033[10;10H\033[3A", {7, 10}},
      {"\033[A\033[2B\033[C\033[4D", {8, 7}},
      {"\033[0A\033[0C", {8, 7}}, // 0 is a real 0
      {"\033[100A", {1, 7}},
      {"\033[100B", {24, 7}},
      {"\033[500C", {24, 80}},
      {"\033[500D", {24, 1}},
      // Extreme values clamp instead of overflowing.
      {"\033[-2147483648A\033[2147483647C", {24, 80}},
      {"\033[-2147483648;-2147483648H", {1, 1}}}},
    // ESC O A moves up like ESC [ A; ESC O B, C and D likewise move down, right and left.
    {"application cursor codes",
     false,
     {{"\033[10;10H\033OA", {9, 10}},
      {"\033OB\033OB", {11, 10}},
      {"\033OC", {11, 11}},
      {"\033OD\033OD\033OD", {11, 8}}}},
    {"tab stops every eight columns",
     true,
     {{"\t", {1, 9}},
      {"ab\t", {1, 17}},
      {"\033[1;78H\t", {1, 78}}, // no stop to the right: no move
      {"\033[1;73H\t", {1, 73}}}},
    {"tab stops set and cleared",
     false,
     {{"\033[1;5H\033H\r\t", {1, 5}},
      {"\033[1;9H\033[g\r\t", {1, 5}},
      {"\t", {1, 17}},
      {"\033[3g\r\t", {1, 1}}}},
};

} // namespace

TEST(TermScreen, CaretMoves) {
    for (const TCaretScenario& scenario : CaretScenarios) {
        SCOPED_TRACE(scenario.Name);
        TermScript s;
        for (const TCaretStep& step : scenario.Steps) {
            s.Push(step.Bytes);
            EXPECT_EQ(s.Caret(), step.Caret) << testing::PrintToString(step.Bytes);
        }
        EXPECT_TRUE(s.Unhandled.empty());
        EXPECT_EQ(s.ScreenEmpty(), !scenario.Prints);
    }
}

TEST(TermScreen, ClearScreenSetsTheTabStopsAgain) {
    TermScript s;
    s.Push("\033[3g");
    s.T.ClearScreen();
    s.Push("\t");
    EXPECT_EQ(s.Caret(), RC(1, 9));
}

TEST(TermScreen, ClearScreenKeepsAttributesAndModes) {
    TermScript s;
    s.Push("\033[1m\033[?1h\033[7hhello\033[10;10H");
    s.T.ClearScreen();
    EXPECT_TRUE(s.ScreenEmpty());
    EXPECT_EQ(s.Caret(), RC(1, 1));
    EXPECT_TRUE(s.T.Bold());
    EXPECT_TRUE(s.T.AppCursorKeys());
    EXPECT_TRUE(s.T.WrapLines());
}

TEST(TermScreen, SaveAndRestoreCaret) {
    TermScript s;
    s.Push("\033[4;6H\033[s\033[H\033[u");
    EXPECT_EQ(s.Caret(), RC(4, 6));
    s.Push("\033[1;4m\0337\033[0m\033[20;20H\0338");
    EXPECT_EQ(s.Caret(), RC(4, 6));
    EXPECT_TRUE(s.T.Bold());
    EXPECT_TRUE(s.T.Underline());
    // ESC [ u restores the position only.
    s.Push("\033[m\033[u");
    EXPECT_FALSE(s.T.Bold());
}

TEST(TermScreen, AlignmentTestFillsWithE) {
    TermScript s;
    s.Push("\033[1;7m\033[3;4H\033#8");
    EXPECT_EQ(s.Caret(), RC(3, 4));
    for (int r = 1; r <= 24; ++r)
        ASSERT_EQ(s.Row(r), std::string(80, 'E'));
    const TComTermChar& c = s.T.Cell(80, 24);
    EXPECT_EQ(c.FrontColor, clWhite);
    EXPECT_EQ(c.BackColor, clBlack);
    EXPECT_FALSE(c.Underline);
}

TEST(TermScreen, ResetChangesOnlyAttributes) {
    TermScript s;
    s.Push("ab\033[1;4;7m\033[?1h\033c");
    EXPECT_FALSE(s.T.Bold());
    EXPECT_FALSE(s.T.Underline());
    EXPECT_FALSE(s.T.Reverse());
    EXPECT_TRUE(s.T.AppCursorKeys());
    EXPECT_EQ(s.Row(1), "ab");
    EXPECT_EQ(s.Caret(), RC(1, 3));
}

TEST(TermScreen, UnknownAndReportCodesChangeNothing) {
    TermScript s;
    s.Push("a\033[5X\033[3;4R\033[0n\033[3n\033Zb");
    EXPECT_EQ(s.Row(1), "ab");
    EXPECT_TRUE(s.Sent.empty());
    ASSERT_EQ(s.Unhandled.size(), 5u);
    EXPECT_EQ(s.Unhandled[0].first, TEscapeCode::ecUnknown);
    EXPECT_EQ(s.Unhandled[0].second, "[5X");
    EXPECT_EQ(s.Unhandled[1].first, TEscapeCode::ecReportCursorPos);
    EXPECT_EQ(s.Unhandled[2].first, TEscapeCode::ecReportDeviceOK);
    EXPECT_EQ(s.Unhandled[3].first, TEscapeCode::ecReportDeviceFailure);
    EXPECT_EQ(s.Unhandled[4].second, "Z");
}

TEST(TermScreen, ColumnModeReallocatesAndKeepsCaretInside) {
    TermScript s;
    s.T.SetWrapLines(true);
    s.Push("hello\033[3;100H");
    s.Push("\033[?3h");
    EXPECT_EQ(s.T.Columns(), 132);
    EXPECT_TRUE(s.ScreenEmpty());
    s.Push("\033[3;120H\033[?3l");
    EXPECT_EQ(s.T.Columns(), 80);
    EXPECT_TRUE(s.ScreenEmpty());
    // The caret was beyond the new width: the next character lands inside it.
    EXPECT_EQ(s.Caret(), RC(3, 80));
    s.Push("xy");
    EXPECT_EQ(s.T.Cell(80, 3).Ch, 'x');
    EXPECT_EQ(s.Row(4), "y");
    // A caret saved at column 120 comes back inside the screen as well.
    s.Push("\033[?3h\033[5;120H\033[s\033[?3l\033[u");
    EXPECT_EQ(s.Caret(), RC(5, 80));
}

TEST(TermScreen, SizePropertiesAreClamped) {
    TermScript s;
    s.T.SetColumns(1);
    EXPECT_EQ(s.T.Columns(), 2);
    s.T.SetColumns(1000);
    EXPECT_EQ(s.T.Columns(), 256);
    s.T.SetRows(0);
    EXPECT_EQ(s.T.Rows(), 2);
    s.T.SetRows(500);
    EXPECT_EQ(s.T.Rows(), 100);
    s.T.SetRows(24);
    s.Push("\033[999;999Hx");
    EXPECT_EQ(s.T.Cell(256, 24).Ch, 'x');
    s.T.SetRows(3);
    s.T.SetColumns(4);
    EXPECT_EQ(s.Caret(), RC(3, 4));
    s.Push("z");
    EXPECT_EQ(s.Row(3), "   z");
}

TEST(TermScreen, NoEmulationShowsEveryByte) {
    TermScript s;
    s.T.SetEmulation(TTermEmulation::teNone);
    s.Push("\033[2Jab");
    EXPECT_EQ(s.Row(1), "[2Jab"); // ESC itself is a control byte and not shown
}

TEST(TermScreen, ReceivedTextWithAppendLF) {
    TermScript s;
    s.T.SetAppendLF(true);
    s.T.RxBuf("one\rtwo");
    EXPECT_EQ(s.Row(1), "one");
    EXPECT_EQ(s.Row(2), "two");

    TermScript t;
    t.T.OnStrRecieved = [](std::string& text) { text = "<" + text + ">"; };
    t.T.RxBuf("one\rtwo");
    EXPECT_EQ(t.Row(1), "two>");
}

TEST(TermScreen, ChangeNotifications) {
    TermScript s;
    std::vector<TTermChange> changes;
    s.T.OnChanged = [&](const TTermChange& c) { changes.push_back(c); };
    bool visibleDuringWrite = true;
    s.T.OnChar = [&](unsigned char) { visibleDuringWrite = visibleDuringWrite && s.T.CaretVisible(); };
    s.Push("\033[2;3Hq");
    EXPECT_FALSE(visibleDuringWrite);
    EXPECT_TRUE(s.T.CaretVisible());
    bool cell = false;
    for (const auto& c : changes)
        cell = cell || (c.Kind == TTermChangeKind::Cell && c.Column == 3 && c.Row == 2);
    EXPECT_TRUE(cell);
    EXPECT_EQ(changes.back().Kind, TTermChangeKind::Caret);
    changes.clear();
    s.Push("\033[?3h");
    bool size = false;
    for (const auto& c : changes)
        size = size || c.Kind == TTermChangeKind::Size;
    EXPECT_TRUE(size);
}

TEST(TermScreen, OnCharSeesEveryPlainByte) {
    TermScript s;
    std::string seen;
    s.T.OnChar = [&](unsigned char ch) { seen += char(ch); };
    s.Push("a\033[1mb\x01\r\n");
    EXPECT_EQ(seen, "ab\x01\r\n"); // sequence bytes are not plain characters
}

TEST(TermScreen, RestoreWithoutSaveGoesHome) {
    TermScript s;
    s.Push("\033[5;5H\0338");
    EXPECT_EQ(s.Caret(), RC(1, 1));
}

TEST(TermScreen, SwitchingEmulationBackRestoresDecoding) {
    TermScript s;
    s.T.SetEmulation(TTermEmulation::teVT52); // not built: bytes are shown as they come
    s.Push("\033[1mA");
    EXPECT_EQ(s.Row(1), "[1mA");
    s.T.SetEmulation(TTermEmulation::teVT100orANSI);
    s.Push("\r\033[2KB");
    EXPECT_EQ(s.Row(1), "B");
    EXPECT_EQ(EscapeCodeName(TEscapeCode::ecQueryCursorPos), "ecQueryCursorPos");
    EXPECT_EQ(EscapeCodeName(TEscapeCode::ecTest), "ecTest");
}

// What targets send beyond the plain VT100 codes: each script, then what the rows show
// (rows not listed are empty) and where the caret is.
TEST(TermScreen, SequencesTargetsSend) {
    struct Case {
        const char* Bytes;
        std::vector<std::string> Rows;
        RC Caret;
        bool CaretOn = true;
        int Height = 24;
    };
    const Case cases[] = {
        // Character set designations are taken whole and show nothing.
        {"\033(BHELLO\r\n", {"HELLO"}, {2, 1}},
        {"\033)0HELLO\r\n", {"HELLO"}, {2, 1}},
        {"\033*BA\033+0B\r\n", {"AB"}, {2, 1}},
        // A bracketed sequence ends at any final byte; an unknown one takes nothing after it.
        {"\033[3~HELLO\r\n", {"HELLO"}, {2, 1}},
        {"\033[2@A\033[5`B\033[?2004{C\r\n", {"ABC"}, {2, 1}},
        // Extended colours show nothing.
        {"\033[38;5;4mHELLO\033[48;5;7m\033[38;2;1;4;7m!\r\n", {"HELLO!"}, {2, 1}},
        // The caret hidden and shown again.
        {"\033[?25lHELLO\r\n", {"HELLO"}, {2, 1}, false},
        {"\033[?25l\033[?25hHELLO\r\n", {"HELLO"}, {2, 1}},
        // Erasing from the start of the line and of the screen, up to the caret.
        {"0123456789\033[1;4H\033[1K", {"    456789"}, {1, 4}},
        {"AAAA\r\nBBBB\r\nCCCC\033[2;3H\033[1J", {"", "   B", "CCCC"}, {2, 3}},
        {"AAAA\033[1;1H\033[1K", {" AAA"}, {1, 1}},
        {"AAAA\r\nBBBB\033[2;4H\033[1J", {"", ""}, {2, 4}},
        // Reverse line feed; on the first row the screen scrolls down.
        {"a\r\nb\r\nc\033Mx", {"a", "bx", "c"}, {2, 3}},
        {"top\033Mx", {"   x", "top"}, {1, 5}},
        // Index: down in the same column. Next line: to column 1 of the next row.
        {"ab\033Dc", {"ab", "  c"}, {2, 4}},
        {"ab\033Ec", {"ab", "c"}, {2, 2}},
        {"\033[3;1Hlast\033Dx", {"", "last", "    x"}, {3, 6}, true, 3},
        // ESC [ ? 3 l on a screen that already has 80 columns keeps it.
        {"keep\033[?3l", {"keep"}, {1, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.Bytes)));
        TermScript s;
        s.T.SetRows(c.Height);
        s.Push(c.Bytes);
        for (int r = 1; r <= s.T.Rows(); ++r)
            EXPECT_EQ(s.Row(r), std::size_t(r) <= c.Rows.size() ? c.Rows[std::size_t(r - 1)] : "")
                << "row " << r;
        EXPECT_EQ(s.Caret(), c.Caret);
        EXPECT_EQ(s.T.CaretEnabled(), c.CaretOn);
        EXPECT_EQ(s.T.Columns(), 80);
        EXPECT_FALSE(s.T.Bold() || s.T.Underline() || s.T.Reverse());
    }
}
