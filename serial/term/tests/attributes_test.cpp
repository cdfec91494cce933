// Character attributes and the colours a new cell takes from them.

#include "TermScript.h"

#include <gtest/gtest.h>

using namespace vesk;
using vesk::test::TermScript;

namespace {

// The page's look: white text on black, bold in the default grey.
void PageLook(TermScript& s) {
    s.T.SetColor(clBlack);
    s.T.SetFontColor(clWhite);
}

} // namespace

TEST(TermAttributes, PlainTextUsesFontColourOnBackground) {
    TermScript s;
    PageLook(s);
    s.Push("x");
    const TComTermChar& c = s.T.Cell(1, 1);
    EXPECT_EQ(c.Ch, 'x');
    EXPECT_EQ(c.FrontColor, clWhite);
    EXPECT_EQ(c.BackColor, clBlack);
    EXPECT_FALSE(c.Underline);
}

TEST(TermAttributes, BoldDrawsInAltColor) {
    TermScript s;
    PageLook(s);
    EXPECT_EQ(s.T.AltColor(), MakeColor(166, 166, 166));
    EXPECT_EQ(s.T.AltColor(), 10921638u);
    s.Push("\033[1mx");
    EXPECT_EQ(s.T.Cell(1, 1).FrontColor, s.T.AltColor());
    EXPECT_EQ(s.T.Cell(1, 1).BackColor, clBlack);
}

TEST(TermAttributes, ReverseDrawsBlackOnWhite) {
    TermScript s;
    PageLook(s);
    s.Push("\033[7mx");
    EXPECT_EQ(s.T.Cell(1, 1).FrontColor, clBlack);
    EXPECT_EQ(s.T.Cell(1, 1).BackColor, clWhite);
    // Bold wins for the text colour, the background stays reversed.
    s.Push("\033[1my");
    EXPECT_EQ(s.T.Cell(2, 1).FrontColor, s.T.AltColor());
    EXPECT_EQ(s.T.Cell(2, 1).BackColor, clWhite);
}

TEST(TermAttributes, ResetRestoresNormalDrawing) {
    TermScript s;
    PageLook(s);
    s.Push("\033[1;4;7ma\033[mb");
    EXPECT_TRUE(s.T.Cell(1, 1).Underline);
    const TComTermChar& b = s.T.Cell(2, 1);
    EXPECT_EQ(b.FrontColor, clWhite);
    EXPECT_EQ(b.BackColor, clBlack);
    EXPECT_FALSE(b.Underline);
}

TEST(TermAttributes, EachAttributeTurnsOffAlone) {
    TermScript s;
    s.Push("\033[1;4;7m");
    EXPECT_TRUE(s.T.Bold() && s.T.Underline() && s.T.Reverse());
    s.Push("\033[21m");
    EXPECT_FALSE(s.T.Bold());
    s.Push("\033[1m\033[22m"); // normal intensity
    EXPECT_FALSE(s.T.Bold());
    EXPECT_TRUE(s.T.Underline() && s.T.Reverse());
    s.Push("\033[24m");
    EXPECT_FALSE(s.T.Underline());
    EXPECT_TRUE(s.T.Reverse());
    s.Push("\033[27m");
    EXPECT_FALSE(s.T.Reverse());
    s.Push("\033[4m\033[0m");
    EXPECT_FALSE(s.T.Underline());
    // Parameters apply in order.
    s.Push("\033[1;0;7m");
    EXPECT_FALSE(s.T.Bold());
    EXPECT_TRUE(s.T.Reverse());
    // An extended colour between them takes its own numbers only.
    s.Push("\033[0;1;38;5;4;7m");
    EXPECT_TRUE(s.T.Bold() && s.T.Reverse());
    EXPECT_FALSE(s.T.Underline());
    s.Push("\033[0;48;2;1;4;7;4m");
    EXPECT_TRUE(s.T.Underline());
    EXPECT_FALSE(s.T.Bold() || s.T.Reverse());
}

TEST(TermAttributes, ColourCodeChangesNothingAndShowsNothing) {
    TermScript s;
    PageLook(s);
    s.Push("a\033[32mb\033[41;33;5mc\033[38;5;4m\033[48;5;7m\033[38;2;7;4;1m\033[38:5:1m\033[38;5m\033[48m");
    EXPECT_EQ(s.Row(1), "abc");
    EXPECT_EQ(s.Caret(), std::make_pair(1, 4));
    EXPECT_FALSE(s.T.Bold() || s.T.Underline() || s.T.Reverse());
    for (int col = 1; col <= 3; ++col) {
        EXPECT_EQ(s.T.Cell(col, 1).FrontColor, clWhite);
        EXPECT_EQ(s.T.Cell(col, 1).BackColor, clBlack);
    }
    EXPECT_TRUE(s.Unhandled.empty());
}

TEST(TermAttributes, ErasedCellsAreBlankNotReversed) {
    TermScript s;
    PageLook(s);
    s.Push("abc\033[7m\033[2K");
    EXPECT_EQ(s.T.Cell(1, 1).Ch, 0);
    EXPECT_EQ(s.T.Cell(1, 1).BackColor, clBlack);
}

TEST(TermAttributes, OtherColoursAreUsed) {
    TermScript s;
    s.T.SetColor(MakeColor(0, 0, 128));
    s.T.SetFontColor(MakeColor(255, 255, 0));
    s.T.SetAltColor(MakeColor(255, 0, 0));
    s.Push("n\033[7mr\033[0;1mb");
    EXPECT_EQ(s.T.Cell(1, 1).FrontColor, MakeColor(255, 255, 0));
    EXPECT_EQ(s.T.Cell(2, 1).FrontColor, MakeColor(0, 0, 128));
    EXPECT_EQ(s.T.Cell(2, 1).BackColor, MakeColor(255, 255, 0));
    EXPECT_EQ(s.T.Cell(3, 1).FrontColor, MakeColor(255, 0, 0));
    EXPECT_EQ(ColorRed(MakeColor(1, 2, 3)), 1);
    EXPECT_EQ(ColorGreen(MakeColor(1, 2, 3)), 2);
    EXPECT_EQ(ColorBlue(MakeColor(1, 2, 3)), 3);
}
