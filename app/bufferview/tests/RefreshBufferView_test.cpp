// Filling the buffer view from a chip: order of the regions, defaults, buffer words, and
// chips that cannot be shown.
#include "bufferview/RefreshBufferView.h"

#include <gtest/gtest.h>

#include "TestChips.h"
#include "VESK_Exception.h"

using bufferview_test::MakeChip;
using bufferview_test::ShippedChip;
using vesk::THexGrid;

namespace {

bool GridIsEmpty(const THexGrid& g) {
    if (g.RowCount() != 1 || !g.Segments().empty()) return false;
    for (int c = 0; c < g.ColumnCount(); ++c)
        if (!g.Cell(c, 0).empty()) return false;
    return true;
}

} // namespace

TEST(RefreshBufferView, WithoutTargetTheGridIsEmpty) {
    THexGrid g;
    g.AddSegment(0, 64, 0); // something from an earlier chip
    EXPECT_FALSE(vesk::RefreshBufferView(g, nullptr));
    EXPECT_TRUE(GridIsEmpty(g));
    EXPECT_EQ(g.ColumnCount(), 10);
}

TEST(RefreshBufferView, ShippedChipShowsCodeThenFusesThenData) {
    // PIC16F84A: Code 1024 words at 0, Fuses one word at 0x2007, Data 64 at 0x2100.
    auto chip = ShippedChip("PIC16F84A");
    THexGrid g;
    ASSERT_TRUE(vesk::RefreshBufferView(g, chip.get()));
    ASSERT_EQ(g.Segments().size(), 3u);
    EXPECT_EQ(g.Segments()[0].Start, 0);
    EXPECT_EQ(g.Segments()[0].Size, 1024);
    EXPECT_EQ(g.Segments()[0].Fill, 0x3FFF);
    EXPECT_EQ(g.Segments()[0].FirstRow, 0);
    EXPECT_EQ(g.Segments()[1].Start, 0x2007);
    EXPECT_EQ(g.Segments()[1].FirstRow, 129);
    EXPECT_EQ(g.Segments()[2].Start, 0x2100);
    EXPECT_EQ(g.Segments()[2].Fill, 0xFF);
    EXPECT_EQ(g.Segments()[2].FirstRow, 131);
    EXPECT_EQ(g.RowCount(), 139);

    EXPECT_EQ(g.Cell(0, 0), "000000:");
    EXPECT_EQ(g.Cell(1, 0), "3FFF");
    EXPECT_EQ(g.Cell(9, 0), "........");
    EXPECT_EQ(g.Cell(0, 127), "0003F8:");
    EXPECT_TRUE(g.IsSeparatorRow(128));
    EXPECT_EQ(g.Cell(0, 128), "");
    EXPECT_EQ(g.Cell(0, 129), "002000:");
    EXPECT_EQ(g.Cell(1, 129), "");
    EXPECT_EQ(g.Cell(8, 129), "3FFF");
    EXPECT_TRUE(g.IsSeparatorRow(130));
    EXPECT_EQ(g.Cell(0, 131), "002100:");
    EXPECT_EQ(g.Cell(1, 131), "00FF");
    EXPECT_EQ(g.Cell(0, 138), "002138:");
}

TEST(RefreshBufferView, EveryWordIsWrittenTwice) {
    auto chip = ShippedChip("PIC16F84A");
    THexGrid g;
    vesk::RefreshBufferView(g, chip.get());
    EXPECT_EQ(g.WordWrites(), 2 * (1024 + 1 + 64));
    // A rebuild starts from scratch.
    vesk::RefreshBufferView(g, chip.get());
    EXPECT_EQ(g.WordWrites(), 2 * (1024 + 1 + 64));
    EXPECT_EQ(g.RowCount(), 139);
}

TEST(RefreshBufferView, BufferWordsReplaceTheDefaults) {
    auto chip = ShippedChip("PIC16F84A");
    chip->SetWord(0x0001, 0x3F41);
    chip->SetWord(0x0002, 0x3FFF);
    chip->SetWord(0x03FF, 0x0000);
    chip->SetWord(0x2007, 0x3FF1);
    chip->SetWord(0x2100, 0x48);
    chip->SetWord(0x2101, 0x69);
    THexGrid g;
    vesk::RefreshBufferView(g, chip.get());
    EXPECT_EQ(g.Cell(2, 0), "3F41");
    EXPECT_EQ(g.Cell(3, 0), "3FFF");
    EXPECT_EQ(g.Cell(9, 0), ".A......");
    EXPECT_EQ(g.Cell(8, 127), "0000");
    EXPECT_EQ(g.Cell(8, 129), "3FF1");
    EXPECT_EQ(g.Cell(1, 131), "0048");
    EXPECT_EQ(g.Cell(9, 131), "Hi......");

    // After a reset of the buffer every word shows its region's default again.
    chip->Reset();
    vesk::RefreshBufferView(g, chip.get());
    EXPECT_EQ(g.Cell(2, 0), "3FFF");
    EXPECT_EQ(g.Cell(9, 0), "........");
    EXPECT_EQ(g.Cell(8, 129), "3FFF");
    EXPECT_EQ(g.Cell(1, 131), "00FF");
}

TEST(RefreshBufferView, ChipWithoutDataFailsAndLeavesTheGridEmpty) {
    auto chip = MakeChip("NoData", {{"Code", vesk::RegionCodeCode, 0, 64, 0x3FFF},
                                    {"Fuses", vesk::RegionCodeFuses, 0x2007, 1, 0x3FFF}});
    THexGrid g;
    auto shown = ShippedChip("PIC16F84A");
    vesk::RefreshBufferView(g, shown.get());
    try {
        vesk::RefreshBufferView(g, chip.get());
        FAIL() << "no error";
    } catch (const vesk::VESK_Exception& e) {
        EXPECT_EQ(e.Message(), "Chip NoData has no region with code 0x02");
    }
    EXPECT_TRUE(GridIsEmpty(g));
    EXPECT_EQ(g.WordWrites(), 0);
}

TEST(RefreshBufferView, MissingRegionsAreReportedInCodeOrder) {
    THexGrid g;
    auto onlyCode = MakeChip("OnlyCode", {{"Code", vesk::RegionCodeCode, 0, 64, 0x3FFF}});
    EXPECT_THROW(
        {
            try {
                vesk::RefreshBufferView(g, onlyCode.get());
            } catch (const vesk::VESK_Exception& e) {
                EXPECT_EQ(e.Message(), "Chip OnlyCode has no region with code 0x02");
                throw;
            }
        },
        vesk::VESK_Exception);
    auto noFuses = MakeChip("NoFuses", {{"Data", vesk::RegionCodeData, 0x2100, 8, 0xFF},
                                        {"Code", vesk::RegionCodeCode, 0, 64, 0x3FFF}});
    try {
        vesk::RefreshBufferView(g, noFuses.get());
        FAIL() << "no error";
    } catch (const vesk::VESK_Exception& e) {
        EXPECT_EQ(e.Message(), "Chip NoFuses has no region with code 0x03");
    }
    auto noCode = MakeChip("NoCode", {});
    try {
        vesk::RefreshBufferView(g, noCode.get());
        FAIL() << "no error";
    } catch (const vesk::VESK_Exception& e) {
        EXPECT_EQ(e.Message(), "Chip NoCode has no region with code 0x01");
    }
    EXPECT_TRUE(GridIsEmpty(g));
}

TEST(RefreshBufferView, RegionsAreFoundByCodeWhateverTheirOrder) {
    // Regions listed Data, Id, Fuses, Code: shown Code, Fuses, Data; the Id region is not shown.
    auto chip = MakeChip("Shuffled", {{"Data", vesk::RegionCodeData, 0x2100, 16, 0xFF},
                                      {"Id", vesk::RegionCodeId, 0x2000, 4, 0x3FFF},
                                      {"Fuses", vesk::RegionCodeFuses, 0x2008, 8, 0x3FFF},
                                      {"Code", vesk::RegionCodeCode, 0, 32, 0x3FFF},
                                      {"Code", vesk::RegionCodeCode, 0x1000, 32, 0x0}});
    THexGrid g;
    vesk::RefreshBufferView(g, chip.get());
    ASSERT_EQ(g.Segments().size(), 3u);
    EXPECT_EQ(g.Segments()[0].Start, 0);      // the first region with code 1
    EXPECT_EQ(g.Segments()[1].Start, 0x2008); // Fuses
    EXPECT_EQ(g.Segments()[2].Start, 0x2100); // Data
    EXPECT_EQ(g.FindSegment(0x2000), -1);
    EXPECT_EQ(g.RowCount(), 4 + 1 + 1 + 1 + 2);
}

TEST(RefreshBufferView, RegionSizeNotAMultipleOfTheRowWidth) {
    // PIC18F452's Fuses hold 7 words: one row of their own, the separator below stays empty.
    auto chip = ShippedChip("PIC18F452");
    THexGrid g;
    vesk::RefreshBufferView(g, chip.get());
    const int codeRows = 16384 / 8;
    EXPECT_EQ(g.Segments()[1].FirstRow, codeRows + 1);
    const int fuses = codeRows + 1;
    EXPECT_EQ(g.Cell(0, fuses), "180000:");
    EXPECT_EQ(g.Cell(7, fuses), "FFFF");
    EXPECT_EQ(g.Cell(8, fuses), "");
    EXPECT_TRUE(g.IsSeparatorRow(fuses + 1));
    EXPECT_EQ(g.Segments()[2].FirstRow, fuses + 2);
    EXPECT_EQ(g.Cell(0, fuses + 2), "780000:");
    EXPECT_EQ(g.RowCount(), fuses + 2 + 128 / 8);
}

TEST(RefreshBufferView, BufferShorterThanItsRegionShowsTheDefaultForTheRest) {
    auto chip = MakeChip("Short", {{"Code", vesk::RegionCodeCode, 0, 16, 0x3FFF},
                                   {"Data", vesk::RegionCodeData, 0x2100, 8, 0xFF},
                                   {"Fuses", vesk::RegionCodeFuses, 0x2008, 8, 0x3FFF}});
    chip->Words(chip->Chip().Regions[0]).assign(4, 0x0041);
    THexGrid g;
    vesk::RefreshBufferView(g, chip.get());
    EXPECT_EQ(g.Cell(4, 0), "0041");
    EXPECT_EQ(g.Cell(5, 0), "3FFF");
    EXPECT_EQ(g.Cell(8, 1), "3FFF");
    EXPECT_EQ(g.WordWrites(), 2 * 32 - 12);
}
