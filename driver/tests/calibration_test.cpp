// Calibration words across an erase: checked before anything is erased, replaced by
// the word the owner gives, reported when valid; and only the preserved bits of a
// word written back.
#include "DriverFixture.h"

#include <optional>
#include <vector>

namespace vesk::test {
namespace {

// The CAL16 reads before an erase: the calibration word, then the configuration word.
const std::string SaveBytes = "230cx0003FFmrnnnn230fx" + Repeat("i", 7) + "rnnnn";

// CAL16 with an OSCCAL form at 0x3FF (a RETLW) and its band-gap bits as calibration.
const TChipDefinition& CalibratedCal16() {
    static const TChipDefinition chip = [] {
        TChipDefinition cal = Chip("CAL16");
        cal.RegionByCode(RegionCodeCode).Calibration = {{0x3FF, 0x3F00, 0x3400}};
        cal.RegionByCode(RegionCodeFuses).Calibration = {{0x2007, 0, 0}};
        return cal;
    }();
    return chip;
}

class CalibrationWordsTest : public DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        StartSim("CAL16");
        Dev.SetTarget(Cal);
        Sim->SetWord(0x2007, 0x1F44); // band gap 01, code protection on
        Dev.OnCalibrationRead = [this](const TCalibrationRead_t& read) {
            Reported.push_back({read.Calibration.Address, read.Word});
        };
        Connect();
    }
    const TChipDefinition* const Cal = &CalibratedCal16();
    std::vector<std::pair<int32_t, int32_t>> Reported;
};

TEST_F(CalibrationWordsTest, AWordThatIsNoCalibrationStopsTheEraseBeforeErasing) {
    Sim->SetWord(0x3FF, 0x0000); // a protected chip reads 0
    EXPECT_EQ(
        ErrorOf([&] { Dev.EraseChip(); }),
        "Erase chip failed\nCalibration word not valid: CAL16 reads 0x000000 at 0x0003FF (a valid one is "
        "0x3400 under the mask 0x3F00); the chip was not erased\nGive the chip's own word: \"--calibration "
        "0x3FF=WORD\" for vesk, the calibration dialog in the window");
    EXPECT_EQ(Sent(), SaveBytes);
    EXPECT_TRUE(Dev.PendingPreserved("CAL16").empty());
    EXPECT_EQ(Reported, (std::vector<std::pair<int32_t, int32_t>>{{0x2007, 0x1F44}}));

    // A word given that is none stops it too.
    Dev.OnCalibrationRestore = [](const TCalibrationRead_t& read) -> std::optional<int32_t> {
        return read.Calibration.Address == 0x3FF ? std::optional<int32_t>(0x1234) : std::nullopt;
    };
    ClearSent();
    EXPECT_EQ(ErrorOf([&] { Dev.EraseChip(); }),
              "Erase chip failed\nCalibration word given not valid: 0x001234 for CAL16 reads 0x000000 at "
              "0x0003FF (a valid one is 0x3400 under the mask 0x3F00); the chip was not erased");
    EXPECT_EQ(Sent(), SaveBytes);
}

// The owner's word goes back in place of the one read; of the configuration word only
// the preserved bits go back, the others erased: the image can program them again.
TEST_F(CalibrationWordsTest, TheWordGivenIsWrittenBackAndOnlyPreservedBitsReturn) {
    Sim->SetWord(0x3FF, 0x0000);
    std::vector<int32_t> asked;
    Dev.OnCalibrationRestore = [&](const TCalibrationRead_t& read) -> std::optional<int32_t> {
        asked.push_back(read.Word);
        return read.Calibration.Address == 0x3FF ? std::optional<int32_t>(0x3454) : std::nullopt;
    };
    Dev.EraseChip();
    EXPECT_EQ(asked, (std::vector<int32_t>{0x0000, 0x1F44}));
    EXPECT_EQ(Sent(), SaveBytes + "230ex230cx0003FFm3454w230fx" + Repeat("i", 7) + "1FFFw");
    EXPECT_EQ(Sim->Word(0x3FF), 0x3454);
    EXPECT_EQ(Sim->Word(0x2007), 0x1FFF);
}

TEST_F(CalibrationWordsTest, AReadReportsTheValidCalibrationWords) {
    Sim->SetWord(0x3FF, 0x3454);
    Dev.ReadRegions(AllRegions);
    EXPECT_EQ(Reported, (std::vector<std::pair<int32_t, int32_t>>{{0x3FF, 0x3454}, {0x2007, 0x1F44}}));
}

// After a failed erase the chip reads blank; the words held from before are the ones
// checked and put back, and the blank ones are never reported.
TEST_F(CalibrationWordsTest, TheWordHeldFromAFailedEraseIsTheOneChecked) {
    Sim->SetWord(0x3FF, 0x3454);
    SilentAfter(SaveBytes.size() + 5); // the erase went out, then silence
    ErrorOf([&] { Dev.EraseChip(); });
    EXPECT_EQ(Sim->Word(0x3FF), 0x3FFF);
    Dev.Close();
    Faults({});
    Connect();
    Reported.clear();
    Dev.EraseChip();
    EXPECT_EQ(Sim->Word(0x3FF), 0x3454);
    EXPECT_EQ(Sim->Word(0x2007), 0x1FFF);
    EXPECT_TRUE(Reported.empty());
}

} // namespace
} // namespace vesk::test
