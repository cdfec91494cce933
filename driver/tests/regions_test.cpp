// Region operations: erase with preserved words, write, read, verify, their failures
// and the user's abort.
#include "DriverFixture.h"

namespace vesk::test {
namespace {

class RegionsTest : public DriverTest {
  protected:
    void Select(const std::string& chip) {
        StartSim(chip);
        Dev.SetTarget(&Chip(chip));
        Dev.Session()->Reset();
        Connect();
    }
};

TEST_F(RegionsTest, CalibrationWordSurvivesEraseAndWrite) {
    Select("CAL16");
    Sim->SetWord(0x3FF, 0x3480);  // the factory calibration value
    Sim->SetWord(0x2007, 0x2FFF); // band gap bits 10
    Sim->SetWord(0x100, 0x0000);  // old program, to be erased
    Dev.LoadBuffer(HexImage({{0x000, 0x2805}, {0x001, 0x0000}, {0x004, 0x1683}, {0x2007, 0x31C4}}));
    Dev.EraseChip();
    EXPECT_EQ(Sent(), "230cx0003FFmrnnnn"
                      "230fx" +
                          Repeat("i", 7) +
                          "rnnnn"
                          "230ex"
                          "230cx0003FFm3480w"
                          "230fx" +
                          Repeat("i", 7) + "2FFFw");
    EXPECT_EQ(Sim->Word(0x3FF), 0x3480);
    EXPECT_EQ(Sim->Word(0x100), 0x3FFF);
    ClearSent();
    Dev.WriteRegions(AllRegions);
    // The first buffer word lands at address 0: the cursor knew the programmer stood
    // at the calibration word and the Fuses, not at the region's start.
    EXPECT_EQ(Sent(), "230cx000000m2805l"
                      "i0000l"
                      "000004m1683l"
                      "230fx" +
                          Repeat("i", 7) +
                          "rnnnn"
                          "21C4l");
    EXPECT_EQ(Sim->Word(0x000), 0x2805);
    EXPECT_EQ(Sim->Word(0x001), 0x0000);
    EXPECT_EQ(Sim->Word(0x004), 0x1683);
    EXPECT_EQ(Sim->Word(0x3FF), 0x3480);
    EXPECT_EQ(Sim->Word(0x2007), 0x21C4);
    Dev.VerifyRegions(1);
}

TEST_F(RegionsTest, EveryPreserveEntryIsReadAndWrittenBackAtItsOwnAddress) {
    Select("MULTI16");
    Sim->SetWord(0x3FF, 0x3401);
    Sim->SetWord(0x010, 0x0A00);
    Sim->SetWord(0x3FE, 0x3402);
    Sim->SetWord(0x2007, 0x1FFF);
    Sim->SetWord(0x2008, 0x00AA);
    Dev.EraseChip();
    const std::string fuses8 = "230fx" + Repeat("i", 8);
    const std::string fuses7 = "230fx" + Repeat("i", 7);
    EXPECT_EQ(Sent(), "230cx0003FFmrnnnn"
                      "230cx000010mrnnnn"
                      "0003FEmrnnnn" +
                          fuses7 +
                          "rnnnn"
                          "irnnnn"
                          "230ex"
                          "230cx0003FFm3401w"
                          "230cx000010m3AFFw"
                          "0003FEm3402w" +
                          fuses7 +
                          "1FFFw"
                          "i3FAAw");
    (void)fuses8;
    EXPECT_EQ(Sim->Word(0x3FF), 0x3401);
    // Only the preserved bits come back; the others stay erased.
    EXPECT_EQ(Sim->Word(0x010), 0x3AFF);
    EXPECT_EQ(Sim->Word(0x3FE), 0x3402);
    EXPECT_EQ(Sim->Word(0x2007), 0x1FFF);
    EXPECT_EQ(Sim->Word(0x2008), 0x3FAA);
    EXPECT_EQ(Dev.Region(), 3);
    EXPECT_EQ(Dev.Cursor().Address, 0x2008);
}

TEST_F(RegionsTest, EraseWithoutPreserveEntriesSendsOnlyTheErase) {
    Select("T16");
    Sim->SetWord(0x10, 0x0000);
    Dev.EraseChip();
    EXPECT_EQ(Sent(), "230ex");
    EXPECT_EQ(Sim->Word(0x10), 0x3FFF);
    EXPECT_TRUE(Dev.Cursor().IsNone());
}

TEST_F(RegionsTest, UnreadablePreservedWordStopsTheEraseBeforeErasing) {
    Select("CAL16");
    Sim->SetWord(0x3FF, 0x3480);
    Sim->SetWord(0x100, 0x0000);
    Faults({.BadReadReply = true});
    EXPECT_EQ(ErrorOf([&] { Dev.EraseChip(); }), "Erase chip failed\nData read error");
    EXPECT_EQ(Sent(), "230cx0003FFmrnnnn");
    EXPECT_EQ(Sim->Word(0x3FF), 0x3480);
    EXPECT_EQ(Sim->Word(0x100), 0x0000);
}

TEST_F(RegionsTest, PreserveEntryInTheIdRegionIsRefused) {
    Select("IDPRES");
    EXPECT_EQ(ErrorOf([&] { Dev.EraseChip(); }),
              "Erase chip failed\nProgram mode enter failed: Region 0x04 (Id)\nRegion has no program mode");
    EXPECT_EQ(Sent(), "");
}

TEST_F(RegionsTest, EraseFailureChain) {
    Select("T16");
    Dev.SetComReadTimeout(50);
    Faults({.NeverAnswer = true});
    EXPECT_EQ(ErrorOf([&] { Dev.EraseChip(); }),
              "Erase chip failed\nProgram mode enter failed: Region 0x00 ()\nVBUS command '230ex' failed\n"
              "VBUS write failed\nVBUS Echo timeout");
}

TEST_F(RegionsTest, WriteOfOnlyDefaultsAnnouncesZeroAndSendsNothing) {
    Select("T16");
    std::vector<int> progress;
    Dev.OnProgress = [&](int v) { progress.push_back(v); };
    Dev.WriteRegions(AllRegions);
    EXPECT_EQ(progress, std::vector<int>{0});
    EXPECT_EQ(Sent(), "");
}

TEST_F(RegionsTest, ProgressAnnouncesTheCountThenEveryAddress) {
    Select("T16");
    Dev.LoadBuffer(HexImage({{0x003, 0x0001}, {0x004, 0x0002}, {0x2101, 0x0003}}));
    std::vector<int> progress;
    Dev.OnProgress = [&](int v) { progress.push_back(v); };
    Dev.WriteRegions(AllRegions);
    EXPECT_EQ(progress, (std::vector<int>{-3, 0x003, 0x004, 0x2101}));
    progress.clear();
    Dev.VerifyRegions(AllRegions);
    EXPECT_EQ(progress, (std::vector<int>{-3, 0x003, 0x004, 0x2101}));
    progress.clear();
    Dev.ReadRegions(2);
    EXPECT_EQ(progress.size(), 65u);
    EXPECT_EQ(progress[0], -64);
    EXPECT_EQ(progress[1], 0x2100);
}

TEST_F(RegionsTest, WritingOnlyFusesKeepsTheOtherRegions) {
    Select("T16");
    Sim->SetWord(0x000, 0x1111);
    Dev.LoadBuffer(HexImage({{0x000, 0x2222}, {0x2007, 0x3F00}}));
    Dev.WriteRegions(3);
    EXPECT_EQ(Sent(), "230fx" + Repeat("i", 7) + "3F00l");
    EXPECT_EQ(Sim->Word(0x000), 0x1111);
    EXPECT_EQ(Sim->Word(0x2007), 0x3F00);
}

TEST_F(RegionsTest, WriteFailureOnACodeWord) {
    Select("T16");
    Dev.LoadBuffer(HexImage({{0x000, 0x1234}}));
    Faults({.WrongEchoAt = 13}); // "230cx", "000000m", then the first byte of "1234l"
    EXPECT_EQ(ErrorOf([&] { Dev.WriteRegions(AllRegions); }),
              "Target write failed\nTarget region write failed: 0x01 (Code)\n"
              "Write data lazy failed: [0x000000] = 0x001234\nVBUS command '1234l' failed\nGot echo: '#'");
}

TEST_F(RegionsTest, IncrementFailureInsideAWrite) {
    Select("T16");
    Dev.LoadBuffer(HexImage({{0x000, 0x1234}, {0x001, 0x1235}}));
    Faults({.WrongEchoAt = 18}); // the "i" after the first word
    EXPECT_EQ(ErrorOf([&] { Dev.WriteRegions(1); }),
              "Target write failed\nTarget region write failed: 0x01 (Code)\n"
              "Address increment failed: 0x000000\nVBUS command 'i' failed\nGot echo: '#'");
}

TEST_F(RegionsTest, UnreadableMergedWordFailsTheWrite) {
    Select("CAL16");
    Sim->SetWord(0x3FF, 0x3480);
    Dev.LoadBuffer(HexImage({{0x3FF, 0x3400}}));
    Faults({.BadReadReply = true});
    EXPECT_EQ(ErrorOf([&] { Dev.WriteRegions(1); }),
              "Target write failed\nTarget region write failed: 0x01 (Code)\n"
              "Write data lazy failed: [0x0003FF] = 0x003400\nData read error");
    EXPECT_EQ(Sim->Word(0x3FF), 0x3480);
}

TEST_F(RegionsTest, ReadFillsTheBufferAndFailsOnANonHexReply) {
    Select("T16");
    Sim->SetWord(0x2101, 0x55);
    Dev.ReadRegions(2);
    const auto& data = Chip("T16").RegionByCode(2);
    EXPECT_EQ(Dev.Session()->Words(data)[1], 0x55);
    EXPECT_EQ(Dev.Session()->CountNonDefault(data), 1);
    Faults({.BadReadReply = true});
    EXPECT_EQ(ErrorOf([&] { Dev.ReadRegions(AllRegions); }),
              "Target read failed\nTarget region read failed: 0x01 (Code)\nData read error");
}

TEST_F(RegionsTest, ReadDataTimeOutChain) {
    Select("T16");
    SilentAfter(12); // program mode and jump answered, "r" not
    EXPECT_EQ(ErrorOf([&] { Dev.ReadRegions(1); }),
              "Target read failed\nTarget region read failed: 0x01 (Code)\nRead data failed\n"
              "VBUS command 'r' failed\nVBUS write failed\nVBUS Echo timeout");
}

TEST_F(RegionsTest, VerifyReportsTheFirstDifference) {
    Select("T16");
    Dev.LoadBuffer(HexImage({{0x004, 0x2222}, {0x005, 0x2223}, {0x006, 0x2224}}));
    Dev.WriteRegions(AllRegions);
    Sim->SetWord(0x005, 0x1111);
    Sim->SetWord(0x006, 0x1112);
    EXPECT_EQ(ErrorOf([&] { Dev.VerifyRegions(AllRegions); }),
              "Target region verify failed: 0x01 (Code)\n"
              "Data verify error: [0x000005] = 0x001111, buffer[] = 0x002223");
    Faults({.BadReadReply = true});
    EXPECT_EQ(ErrorOf([&] { Dev.VerifyRegions(1); }),
              "Target region verify failed: 0x01 (Code)\nData read error");
}

TEST_F(RegionsTest, AbortStopsAtTheNextWordAndIsCleared) {
    Select("T16");
    std::map<int32_t, int32_t> words;
    for (int32_t a = 0; a < 10; ++a)
        words[a] = 0x100 + a;
    Dev.LoadBuffer(HexImage(words));
    int steps = 0;
    Dev.OnProgress = [&](int v) {
        if (v >= 0 && ++steps == 3) Dev.Abort();
    };
    EXPECT_EQ(ErrorOf([&] { Dev.WriteRegions(AllRegions); }),
              "Target write failed\nTarget region write failed: 0x01 (Code)\nAborted by user");
    EXPECT_FALSE(Dev.AbortRequested());
    EXPECT_EQ(Sim->Word(0x002), 0x102);
    EXPECT_EQ(Sim->Word(0x003), 0x3FFF);
    EXPECT_EQ(steps, 3);
}

TEST_F(RegionsTest, AbortWhileReadingData) {
    Select("T16");
    Dev.OnProgress = [&](int v) {
        if (v == 0x2105) Dev.Abort();
    };
    EXPECT_EQ(ErrorOf([&] { Dev.ReadRegions(AllRegions); }),
              "Target read failed\nTarget region read failed: 0x02 (Data)\nAborted by user");
}

TEST_F(RegionsTest, StaleAbortIsWithdrawnByTheNextOpen) {
    Select("T16");
    Dev.LoadBuffer(HexImage({{0x000, 0x0001}, {0x001, 0x0002}}));
    Dev.WriteRegions(AllRegions);
    Dev.Abort(); // after the last region loop: no effect on this operation
    Dev.Close();
    Dev.Open();
    EXPECT_FALSE(Dev.AbortRequested());
    Dev.Wakeup();
    Dev.VerifyRegions(AllRegions);
}

TEST_F(RegionsTest, OperationsWithoutTarget) {
    StartSim("T16");
    Connect();
    EXPECT_EQ(ErrorOf([&] { Dev.WriteRegions(AllRegions); }), "Target write failed\nNo target selected");
    EXPECT_EQ(ErrorOf([&] { Dev.ReadRegions(AllRegions); }), "Target read failed\nNo target selected");
    EXPECT_EQ(ErrorOf([&] { Dev.VerifyRegions(AllRegions); }), "No target selected");
    EXPECT_EQ(ErrorOf([&] { Dev.EraseChip(); }), "Erase chip failed\nNo target selected");
    EXPECT_EQ(ErrorOf([&] {
                  Dev.LoadBuffer(HexImage({{0, 1}}));
              }),
              "Target buffer load failed\nTarget not specified");
    EXPECT_EQ(Sent(), "");
}

TEST_F(RegionsTest, ChipWithoutDataRegionFailsEveryRegionOperation) {
    Select("NODATA");
    const std::string missing = "Chip NODATA has no region with code 0x02";
    EXPECT_EQ(ErrorOf([&] { Dev.WriteRegions(1); }), "Target write failed\n" + missing);
    EXPECT_EQ(ErrorOf([&] { Dev.ReadRegions(1); }), "Target read failed\n" + missing);
    EXPECT_EQ(ErrorOf([&] { Dev.VerifyRegions(1); }), missing);
}

TEST_F(RegionsTest, ImageWordOutsideEveryRegion) {
    Select("T16");
    EXPECT_EQ(ErrorOf([&] {
                  Dev.LoadBuffer(HexImage({{0x4200, 1}}));
              }),
              "Target buffer load failed\nChip T16 has no region with address 0x004200");
}

} // namespace
} // namespace vesk::test
