// Calibration words across an erase, end to end: the shipped PIC12F675 on a simulated
// chip that behaves like its silicon, whose configuration word programming can only
// clear (only an erase sets its bits again).
#include "ProgramFixture.h"

#include "storage/CalibrationMemory.h"

#include <algorithm>

namespace vesk::cli::test {
namespace {

using vesk::test::HexText;

constexpr int32_t Osccal = 0x3454, BandGap01 = 0x1FFF;

class CalibrationTest : public ProgramTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        TChipDefinition chip;
        chip.LoadFromFile(BuildBinDir() + "ChipDef_PIC12F675.ini");
        sim::TOptions options;
        options.RealChip = true;
        options.FusesClearOnly = true;
        StartSim(chip, options);
        Sim->SetWord(0x3FF, Osccal);
        Sim->SetWord(0x2007, BandGap01);
    }
    // Code 0x3001, 0x008A, 0x2800 and the configuration word.
    std::string Image(int32_t config) {
        return WriteImage("image.hex", HexText({{0, 0x3001}, {1, 0x008A}, {2, 0x2800}, {0x2007, config}}));
    }
    TRunResult Vesk(std::vector<std::string> args) {
        args.insert(args.begin(), {"--chipdefs", BuildBinDir()});
        return RunOnSim(args);
    }
    std::string Memory() {
        Sim->DumpMemory(Dir.Path() + "memory.txt");
        return ReadText(Dir.Path() + "memory.txt");
    }
    long Erases() {
        const auto modes = Sim->ProgramModes();
        return std::count_if(modes.begin(), modes.end(),
                             [](const sim::TProgramMode& m) { return m.Region == 'e'; });
    }
    std::string MemoryFile() { return Dir.Path() + "data/vesk/calibration.jsonl"; }
};

TEST_F(CalibrationTest, AProtectedChipIsErasedOnlyWithItsOwnCalibrationWord) {
    // A production image turns code protection on (CP, bit 7, programmed to 0).
    TRunResult r = Vesk({"write", Image(0x3F44), "--verify"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(Sim->Word(0), 0); // protected memory reads 0
    EXPECT_EQ(Sim->Word(0x2007), 0x1F44);
    // The erase read both calibration words and the memory kept them.
    TCalibrationMemory memory(MemoryFile());
    const auto osccal = memory.Last("PIC12F675", SimPort(), 0x3FF);
    ASSERT_TRUE(osccal.has_value());
    EXPECT_EQ(osccal->Word, Osccal);
    EXPECT_EQ(memory.Last("PIC12F675", SimPort(), 0x2007)->Word, BandGap01);

    // A plain image: the OSCCAL word reads 0, so nothing is erased, and the message
    // says what to do, with the likely word.
    const std::string before = Memory();
    const long erases = Erases();
    r = Vesk({"write", Image(0x3FC4), "--verify"});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Err,
              "vesk: warning: MCLR is off (MCLRE = OFF) together with an internal oscillator (FOSC = "
              "INTRCIO): program mode may then need power applied after the programming voltage\n"
              "Erase chip failed\n"
              "Calibration word not valid: PIC12F675 reads 0x000000 at 0x0003FF (a valid one is 0x34nn); "
              "the chip was not erased\n"
              "Give the chip's own word: \"--calibration 0x3FF=WORD\" for vesk, the calibration dialog in "
              "the window\n"
              "Likely 0x3454: the last one read from a PIC12F675 on " +
                  SimPort() + ", at " + osccal->Time + "\n");
    EXPECT_TRUE(Memory() == before) << "the chip changed";
    EXPECT_EQ(Erases(), erases);

    // With the word given: only the band-gap bits survive the erase, so the image's
    // configuration takes, the code reads back, and OSCCAL is the chip's own.
    r = Vesk({"write", Image(0x3FC4), "--verify", "--calibration", "0x3FF=0x3454"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(Sim->Word(0x3FF), Osccal);
    EXPECT_EQ(Sim->Word(0x2007), 0x1FC4);
    EXPECT_EQ(Sim->Word(0), 0x3001);

    // An erase of the unprotected chip leaves the configuration word erased but for
    // the band-gap bits.
    r = Vesk({"erase"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(Sim->Word(0x2007), BandGap01);
    EXPECT_EQ(Sim->Word(0x3FF), Osccal);
    EXPECT_EQ(Sim->Word(0), 0x3FFF);
}

// Words given that cannot be right are refused before anything is erased.
TEST_F(CalibrationTest, WordsThatCannotBeRightAreRefusedFirst) {
    const std::string image = Image(0x3FC4);
    const struct {
        std::vector<std::string> Args;
        std::string Message;
    } rows[] = {
        {{"erase", "--calibration", "0x3FF"},
         "vesk: --calibration 0x3FF: give ADDR=WORD, e.g. 0x3FF=0x3454\n"},
        {{"erase", "--calibration", "0x3FF=0x3454", "--calibration", "1023=0x3455"},
         "vesk: --calibration 1023=0x3455: that address is given twice\n"},
        {{"write", image, "--region", "code", "--calibration", "0x3FF=0x3454"},
         "vesk: --calibration: only a write of all regions erases the chip\n"},
        {{"erase", "--calibration", "0x100=0x3454"},
         "vesk: --calibration: PIC12F675 has no calibration word at 0x000100 (its calibration words: "
         "0x0003FF, 0x002007)\n"},
        {{"write", image, "--calibration", "0x3FF=0x1234"},
         "vesk: --calibration: Calibration word given not valid: 0x001234 at 0x0003FF of the PIC12F675 (a "
         "valid one is 0x34nn)\n"},
        {{"erase", "--calibration", "0x3FF=0x7454"},
         "vesk: --calibration: Calibration word given not valid: 0x007454 at 0x0003FF of the PIC12F675 (a "
         "valid one is 0x34nn)\n"},
    };
    const std::string before = Memory();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Message);
        const TRunResult r = Vesk(row.Args);
        EXPECT_EQ(r.Status, 2);
        EXPECT_EQ(r.Err, row.Message + "Run 'vesk --help' for the commands and options.\n");
    }
    EXPECT_TRUE(Memory() == before) << "the chip changed";
    EXPECT_EQ(Erases(), 0);
}

// A memory that cannot be written is told once and never fails the operation.
TEST_F(CalibrationTest, AnUnwritableMemoryIsToldOnceAndTheEraseGoesOn) {
    WriteText(Dir.Path() + "data", "a file where the folder should be");
    const TRunResult r = Vesk({"erase"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Err.rfind("Calibration memory " + MemoryFile() + " not written: ", 0), 0u) << r.Err;
    EXPECT_EQ(std::count(r.Err.begin(), r.Err.end(), '\n'), 1) << r.Err;
    EXPECT_EQ(Sim->Word(0x3FF), Osccal);
}

} // namespace
} // namespace vesk::cli::test
