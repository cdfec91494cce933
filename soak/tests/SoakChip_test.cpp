// The soak's chips and images: the definitions load, and images land where the
// chip model puts them.
#include "SoakChip.h"

#include "chipdef/ChipCatalogue.h"
#include "chipdef/ChipDefinition.h"
#include "chipdef/ChipSession.h"
#include "hexfile/IntelHexFile.h"

#include <gtest/gtest.h>

namespace vesk::soak {
namespace {

TEST(SoakChip, DefinitionsLoadWithTheirKeptWords) {
    const TChipCatalogue chips = LoadSoakChips(3);
    ASSERT_EQ(chips.Size(), 3u);
    const TChipDefinition& chip = SoakChip(chips, 2);
    EXPECT_EQ(chip.Id, ChipIdBase + 2);
    EXPECT_EQ(chip.RegionByCode(1).Size, CodeSize);
    ASSERT_EQ(chip.RegionByCode(1).Preserve.size(), 1u);
    EXPECT_EQ(chip.RegionByCode(1).Preserve[0].Address, CalibrationAddress);
    ASSERT_EQ(chip.RegionByCode(3).Preserve.size(), 1u);
    EXPECT_EQ(chip.RegionByCode(3).Preserve[0].Mask, FusesKeptBits);
    EXPECT_EQ(chip.RegionByCode(2).Start, DataStart);
}

TEST(SoakChip, RandomImagesLoadIntoTheChip) {
    const TChipCatalogue chips = LoadSoakChips(1);
    TChipSession session(SoakChip(chips, 0));
    std::mt19937_64 rng(7);
    for (int n = 0; n < 50; ++n) {
        const TImage image = RandomImage(rng);
        EXPECT_EQ(image.count(CalibrationAddress), 0u);
        if (auto it = image.find(FusesAddress); it != image.end()) {
            EXPECT_EQ(it->second & FusesKeptBits, FusesKeptBits);
        }
        TIntelHexFile file;
        ASSERT_TRUE(file.LoadFromText(HexText(image), "image.hex"));
        ASSERT_TRUE(session.LoadImage(file));
        for (const auto& [address, word] : image)
            EXPECT_EQ(session.Word(address), word) << address;
    }
}

} // namespace
} // namespace vesk::soak
