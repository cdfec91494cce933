// A real toolchain image (assembled with gpasm) written, read back to a file, and the
// file compared with the image word for word.
#include "ProgramFixture.h"

#include "hexfile/IntelHexFile.h"

namespace vesk::cli::test {
namespace {

TEST_F(ProgramTest, AnAssembledImageRoundTripsThroughTheTarget) {
    TChipDefinition chip;
    chip.LoadFromFile(BuildBinDir() + "ChipDef_PIC12F675.ini");
    StartSim(chip);
    // Its factory calibration, which an erase needs to find valid and keeps.
    Sim->SetWord(0x3FF, 0x3454);
    const std::string image = std::string(VESK_SOURCE_DIR) + "/chipdef/tests/data/osccal12f675.hex";
    const std::string back = Dir.Path() + "back.hex";

    TRunResult r = RunOnSim({"--chipdefs", BuildBinDir(), "write", image, "--verify"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    r = RunOnSim({"--chipdefs", BuildBinDir(), "read", "--output", back});
    ASSERT_EQ(r.Status, 0) << r.Err;
    r = RunOnSim({"--chipdefs", BuildBinDir(), "verify", back});
    EXPECT_EQ(r.Status, 0) << r.Err;

    TIntelHexFile original, readBack;
    ASSERT_TRUE(original.Load(image));
    ASSERT_TRUE(readBack.Load(back));
    TChipDefinition expected = chip, actual = chip;
    ASSERT_TRUE(expected.LoadImage(original));
    expected.SetWord(0x3FF, 0x3454);
    ASSERT_TRUE(actual.LoadImage(readBack));
    // The regions the programmer writes and reads; the image's ID locations (region
    // Id) are not programmed by the tool.
    int nonDefault = 0;
    for (RegionCode code : {RegionCodeCode, RegionCodeData, RegionCodeFuses}) {
        const TChipRegion& want = expected.RegionByCode(code);
        const TChipRegion& got = actual.RegionByCode(code);
        ASSERT_EQ(got.Data.size(), want.Data.size());
        for (size_t i = 0; i < want.Data.size(); ++i)
            EXPECT_EQ(got.Data[i], want.Data[i]) << want.Name << " word " << i;
        nonDefault += want.CountNonDefault();
    }
    EXPECT_GT(nonDefault, 10);
}

} // namespace
} // namespace vesk::cli::test
