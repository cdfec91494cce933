// The buffer view's grid: format, blocks of rows per segment, and the text of each cell.
#include "bufferview/HexGrid.h"

#include <gtest/gtest.h>

#include "VESK_Exception.h"

using vesk::THexGrid;

namespace {

// Every cell of a row, address first and characters last.
std::vector<std::string> Row(const THexGrid& g, int row) {
    std::vector<std::string> cells;
    for (int c = 0; c < g.ColumnCount(); ++c)
        cells.push_back(g.Cell(c, row));
    return cells;
}

bool RowIsEmpty(const THexGrid& g, int row) {
    for (const std::string& cell : Row(g, row))
        if (!cell.empty()) return false;
    return true;
}

using Cells = std::vector<std::string>;

} // namespace

TEST(HexGrid, StartsEmptyWithTheDefaultFormat) {
    THexGrid g;
    EXPECT_EQ(g.AddressBytes(), 3);
    EXPECT_EQ(g.WordBytes(), 2);
    EXPECT_EQ(g.WordsPerRow(), 8);
    EXPECT_EQ(g.ColumnCount(), 10);
    EXPECT_EQ(g.CharColumn(), 9);
    EXPECT_EQ(g.RowCount(), 1); // an empty grid keeps one empty row
    EXPECT_TRUE(g.Segments().empty());
    EXPECT_TRUE(RowIsEmpty(g, 0));
    EXPECT_FALSE(g.IsSeparatorRow(0)); // nothing to separate
    EXPECT_EQ(g.WordWrites(), 0);
}

TEST(HexGrid, ClearRestoresTheDefaultsAfterAnyContent) {
    THexGrid g;
    g.SetFormat(2, 1, 16);
    g.AddSegment(0, 64, 0x41);
    g.Clear();
    EXPECT_EQ(g.AddressBytes(), 3);
    EXPECT_EQ(g.WordBytes(), 2);
    EXPECT_EQ(g.WordsPerRow(), 8);
    EXPECT_EQ(g.ColumnCount(), 10);
    EXPECT_EQ(g.RowCount(), 1);
    EXPECT_TRUE(g.Segments().empty());
    EXPECT_TRUE(RowIsEmpty(g, 0));
    EXPECT_EQ(g.WordWrites(), 0);
    // The next block starts at the top again.
    g.AddSegment(0x100, 8, 0);
    EXPECT_EQ(g.Segments()[0].FirstRow, 0);
    EXPECT_EQ(g.Cell(0, 0), "000100:");
}

TEST(HexGrid, ColumnSamplesFollowTheFormat) {
    THexGrid g;
    EXPECT_EQ(g.ColumnSample(0), "0000000 :"); // 2 * 3 + 1 zeros
    for (int c = 1; c <= 8; ++c)
        EXPECT_EQ(g.ColumnSample(c), "0000 :");
    EXPECT_EQ(g.ColumnSample(9), "........ :");
    EXPECT_EQ(g.ColumnSample(10), "");
    EXPECT_STREQ(THexGrid::RowHeightSample(), "W");

    g.SetFormat(2, 1, 16);
    EXPECT_EQ(g.ColumnCount(), 18);
    EXPECT_EQ(g.ColumnSample(0), "00000 :");
    EXPECT_EQ(g.ColumnSample(16), "00 :");
    EXPECT_EQ(g.ColumnSample(17), "................ :");
}

TEST(HexGrid, FormatThatCannotBeShownIsRejected) {
    THexGrid g;
    EXPECT_THROW(g.SetFormat(3, 2, 0), vesk::Exception);
    EXPECT_THROW(g.SetFormat(-1, 2, 8), vesk::Exception);
    EXPECT_THROW(g.SetFormat(3, 9, 8), vesk::Exception);
    EXPECT_EQ(g.WordsPerRow(), 8); // unchanged
}

TEST(HexGrid, OtherFormatsPadAndPlaceAccordingly) {
    THexGrid g;
    g.SetFormat(2, 1, 4);
    g.AddSegment(0x10, 8, 0x7);
    EXPECT_EQ(g.RowCount(), 2);
    EXPECT_EQ(Row(g, 0), (Cells{"0010:", "07", "07", "07", "07", "...."}));
    EXPECT_EQ(g.Cell(0, 1), "0014:");
}

TEST(HexGrid, CodeOf1024WordsIsRows0To127) {
    THexGrid g;
    g.AddSegment(0, 1024, 0x3FFF);
    EXPECT_EQ(g.RowCount(), 128);
    ASSERT_EQ(g.Segments().size(), 1u);
    EXPECT_EQ(g.Segments()[0].Start, 0);
    EXPECT_EQ(g.Segments()[0].Size, 1024);
    EXPECT_EQ(g.Segments()[0].Fill, 0x3FFF);
    EXPECT_EQ(g.Segments()[0].FirstRow, 0);
    EXPECT_EQ(Row(g, 0),
              (Cells{"000000:", "3FFF", "3FFF", "3FFF", "3FFF", "3FFF", "3FFF", "3FFF", "3FFF", "........"}));
    EXPECT_EQ(g.Cell(0, 1), "000008:");
    EXPECT_EQ(g.Cell(0, 127), "0003F8:");
    EXPECT_EQ(g.Cell(8, 127), "3FFF");
    EXPECT_FALSE(g.IsSeparatorRow(0));
    EXPECT_FALSE(g.IsSeparatorRow(127));
    // Outside the grid there is nothing.
    EXPECT_EQ(g.Cell(0, 128), "");
    EXPECT_EQ(g.Cell(10, 0), "");
    EXPECT_EQ(g.Cell(-1, 0), "");
}

TEST(HexGrid, WordShowsFourDigitsAndItsCharacter) {
    THexGrid g;
    g.AddSegment(0, 16, 0x3FFF);
    EXPECT_TRUE(g.ShowWord(3, 0x3F41));
    EXPECT_EQ(g.Cell(4, 0), "3F41");
    EXPECT_EQ(g.Cell(9, 0), "...A....");
    // 0xFF is not printable: a full stop.
    EXPECT_TRUE(g.ShowWord(3, 0x3FFF));
    EXPECT_EQ(g.Cell(4, 0), "3FFF");
    EXPECT_EQ(g.Cell(9, 0), "........");
    // Short values are padded, long ones keep all their digits.
    g.ShowWord(8, 0xFF);
    g.ShowWord(9, 0x12345);
    g.ShowWord(10, 0x20);
    g.ShowWord(11, 0x7E);
    g.ShowWord(12, 0x7F);
    g.ShowWord(13, 0x1F);
    g.ShowWord(14, -1);
    EXPECT_EQ(Row(g, 1), (Cells{"000008:", "00FF", "12345", "0020", "007E", "007F", "001F", "FFFFFFFF",
                                "3FFF", ".E ~...."}));
}

TEST(HexGrid, RowAddressIsTheAddressOfTheRowsFirstWord) {
    THexGrid g;
    g.AddSegment(0x2100, 64, 0xFF);
    for (int row = 0; row < 8; ++row) {
        char expected[16];
        std::snprintf(expected, sizeof expected, "%06X:", 0x2100 + 8 * row);
        EXPECT_EQ(g.Cell(0, row), expected);
    }
    EXPECT_EQ(g.Cell(0, 0), "002100:");
    EXPECT_EQ(g.Cell(8, 0), "00FF");
}

TEST(HexGrid, NextBlockStartsOneEmptyRowBelowThePrevious) {
    THexGrid g;
    g.AddSegment(0, 1024, 0x3FFF);
    g.AddSegment(0x2100, 64, 0xFF);
    ASSERT_EQ(g.Segments().size(), 2u);
    EXPECT_EQ(g.Segments()[1].FirstRow, 129);
    EXPECT_EQ(g.RowCount(), 137);
    EXPECT_TRUE(RowIsEmpty(g, 128));
    EXPECT_TRUE(g.IsSeparatorRow(128));
    EXPECT_FALSE(g.IsSeparatorRow(129));
    EXPECT_EQ(g.Cell(0, 129), "002100:");
    EXPECT_EQ(g.Cell(0, 136), "002138:");
    EXPECT_FALSE(g.IsSeparatorRow(136));
    EXPECT_FALSE(g.IsSeparatorRow(137)); // outside the grid
}

TEST(HexGrid, TrailingPartRowGetsARowOfItsOwn) {
    // 12 words: one whole row and four words in a second row; the separator row below
    // stays empty and the words of the last region are shown too.
    THexGrid g;
    g.AddSegment(0, 12, 0x3FFF);
    EXPECT_EQ(g.RowCount(), 2);
    EXPECT_EQ(Row(g, 1), (Cells{"000008:", "3FFF", "3FFF", "3FFF", "3FFF", "", "", "", "", "........"}));
    g.AddSegment(0x100, 20, 0x00);
    EXPECT_EQ(g.Segments()[1].FirstRow, 3);
    EXPECT_TRUE(RowIsEmpty(g, 2));
    EXPECT_TRUE(g.IsSeparatorRow(2));
    EXPECT_EQ(g.RowCount(), 6);
    EXPECT_EQ(Row(g, 5), (Cells{"000110:", "0000", "0000", "0000", "0000", "", "", "", "", "........"}));
    EXPECT_TRUE(g.ShowWord(0x113, 0x41));
    EXPECT_EQ(g.Cell(9, 5), "...A....");
}

TEST(HexGrid, RegionOfFewerWordsThanARowStillGetsOneRow) {
    // A configuration word alone at 0x2007 sits in the last column of the row 002000:.
    THexGrid g;
    g.AddSegment(0, 16, 0x3FFF);
    g.AddSegment(0x2007, 1, 0x3FFF);
    g.AddSegment(0x2100, 8, 0xFF);
    EXPECT_EQ(g.Segments()[1].FirstRow, 3);
    EXPECT_EQ(g.Segments()[2].FirstRow, 5);
    EXPECT_EQ(g.RowCount(), 6);
    EXPECT_EQ(Row(g, 3), (Cells{"002000:", "", "", "", "", "", "", "", "3FFF", "........"}));
    g.ShowWord(0x2007, 0x3F5A);
    EXPECT_EQ(g.Cell(8, 3), "3F5A");
    EXPECT_EQ(g.Cell(9, 3), ".......Z");
    EXPECT_TRUE(RowIsEmpty(g, 2));
    EXPECT_TRUE(RowIsEmpty(g, 4));
}

TEST(HexGrid, RegionCrossingARowBoundaryIsShownUnderItsAddresses) {
    THexGrid g;
    g.AddSegment(0x2006, 4, 0x1234);
    EXPECT_EQ(g.RowCount(), 2);
    EXPECT_EQ(Row(g, 0), (Cells{"002000:", "", "", "", "", "", "", "1234", "1234", "......44"}));
    EXPECT_EQ(Row(g, 1), (Cells{"002008:", "1234", "1234", "", "", "", "", "", "", "44......"}));
}

TEST(HexGrid, EmptyRegionAddsNoRows) {
    THexGrid g;
    g.AddSegment(0x40, 0, 0); // nothing shown yet: the next block still starts at the top
    g.AddSegment(0, 8, 1);
    EXPECT_EQ(g.Segments()[1].FirstRow, 0);
    EXPECT_EQ(g.RowCount(), 1);
    EXPECT_EQ(g.SegmentRows(g.Segments()[0]), 0);
    EXPECT_EQ(g.FindSegment(0x40), -1);
    g.AddSegment(0x80, -5, 0); // a negative size counts as none
    EXPECT_EQ(g.Segments()[2].Size, 0);
    EXPECT_EQ(g.RowCount(), 2);
}

TEST(HexGrid, FindSegmentTakesTheFirstHoldingTheAddress) {
    THexGrid g;
    g.AddSegment(0, 16, 0x1111);
    g.AddSegment(8, 16, 0x2222);
    EXPECT_EQ(g.FindSegment(0), 0);
    EXPECT_EQ(g.FindSegment(15), 0);
    EXPECT_EQ(g.FindSegment(16), 1);
    EXPECT_EQ(g.FindSegment(23), 1);
    EXPECT_EQ(g.FindSegment(24), -1);
    EXPECT_EQ(g.FindSegment(-1), -1);
    // Words the two share land in the first block's rows.
    EXPECT_EQ(g.Cell(1, 1), "2222");
    EXPECT_EQ(g.Cell(0, 3), ""); // the second block's first row never got a word
    EXPECT_EQ(g.Cell(0, 4), "000010:");
}

TEST(HexGrid, WordOutsideEverySegmentChangesNothing) {
    THexGrid g;
    EXPECT_FALSE(g.ShowWord(0, 1)); // no segment at all
    g.AddSegment(0, 8, 0);
    const int64_t writes = g.WordWrites();
    EXPECT_FALSE(g.ShowWord(8, 0x41));
    EXPECT_FALSE(g.ShowWord(-8, 0x41));
    EXPECT_EQ(g.WordWrites(), writes);
    EXPECT_EQ(g.RowCount(), 1);
    EXPECT_EQ(g.Cell(9, 0), "........");
}

TEST(HexGrid, EveryWordWriteIsCounted) {
    THexGrid g;
    g.AddSegment(0, 100, 0);
    EXPECT_EQ(g.WordWrites(), 100);
    for (int a = 0; a < 100; ++a)
        g.ShowWord(a, a);
    EXPECT_EQ(g.WordWrites(), 200);
    g.SetFormat(3, 2, 8);
    EXPECT_EQ(g.WordWrites(), 0);
}

TEST(HexGrid, AddressesNearTheTopOfTheRangeStayInTheirRow) {
    THexGrid g;
    g.AddSegment(0x7FFFFFF8, 8, 0x41);
    EXPECT_EQ(g.RowCount(), 1);
    EXPECT_EQ(g.Cell(0, 0), "7FFFFFF8:");
    EXPECT_EQ(g.Cell(8, 0), "0041");
    EXPECT_EQ(g.Cell(9, 0), "AAAAAAAA");
}
