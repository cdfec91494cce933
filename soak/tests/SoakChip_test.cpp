// The soak's chips and images: the definitions load, and images land where the
// chip model puts them.
#include "SoakChip.h"

#include "chipdef/ChipDefinition.h"
#include "chipdef/ChipDefinitions.h"
#include "hexfile/IntelHexFile.h"

#include <gtest/gtest.h>

namespace vesk::soak {
namespace {

TEST(SoakChip, DefinitionsLoadWithTheirKeptWords) {
    LoadSoakChips(3);
    ASSERT_EQ(ChipDefinitions.size(), 3u);
    TChipDefinition& chip = SoakChip(2);
    EXPECT_EQ(chip.Id, ChipIdBase + 2);
    EXPECT_EQ(chip.RegionByCode(1).Size, CodeSize);
    ASSERT_EQ(chip.RegionByCode(1).Preserve.size(), 1u);
    EXPECT_EQ(chip.RegionByCode(1).Preserve[0].Address, CalibrationAddress);
    ASSERT_EQ(chip.RegionByCode(3).Preserve.size(), 1u);
    EXPECT_EQ(chip.RegionByCode(3).Preserve[0].Mask, FusesKeptBits);
    EXPECT_EQ(chip.RegionByCode(2).Start, DataStart);
    ChipDefinitions.clear();
}

TEST(SoakChip, RandomImagesLoadIntoTheChip) {
    LoadSoakChips(1);
    TChipDefinition& chip = SoakChip(0);
    std::mt19937_64 rng(7);
    for (int n = 0; n < 50; ++n) {
        const TImage image = RandomImage(rng);
        EXPECT_EQ(image.count(CalibrationAddress), 0u);
        if (auto it = image.find(FusesAddress); it != image.end()) {
            EXPECT_EQ(it->second & FusesKeptBits, FusesKeptBits);
        }
        TIntelHexFile file;
        ASSERT_TRUE(file.LoadFromText(HexText(image), "image.hex"));
        ASSERT_TRUE(chip.LoadImage(file));
        for (const auto& [address, word] : image) {
            const TChipRegion& region = chip.RegionByAddress(address);
            EXPECT_EQ(region.Data[size_t(address - region.Start)], word) << address;
        }
    }
    ChipDefinitions.clear();
}

} // namespace
} // namespace vesk::soak
