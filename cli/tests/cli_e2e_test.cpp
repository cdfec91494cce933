// The built `vesk` end to end against the simulator on a pseudo-terminal: a whole write
// and verify, the progress bar on a terminal, Ctrl-C, write --watch, and a real toolchain image
// (assembled with gpasm) written, read back to a file, and the file compared with the
// image word for word.
#include "PtyProgramFixture.h"

#include "chipdef/ChipSession.h"
#include "hexfile/IntelHexFile.h"
#include "tests/support/WaitFor.h"

#include <algorithm>
#include <csignal>
#include <regex>

namespace vesk::cli::test {
namespace {

TEST_F(ProgramOnPtyTest, WriteIdentifiesTheTargetErasesWritesAndThenVerifyPasses) {
    StartTinySim();
    Sim->SetWord(10, 0x0123); // left over from an earlier program: the erase clears it
    const std::string image = WriteImage("tiny.hex", TinyImage());
    TRunResult r = RunOnSim({"write", image});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(r.Err, ""); // standard error is not a terminal: no progress bar
    ExpectTinyImageIn(*Sim);
    EXPECT_EQ(Sim->Word(10), 0x3FFF);
    const std::vector<char> modes = Modes(*Sim);
    ASSERT_TRUE(Has(modes, 'e'));
    ASSERT_TRUE(Has(modes, 'c'));
    EXPECT_LT(std::find(modes.begin(), modes.end(), 'e') - modes.begin(),
              std::find(modes.begin(), modes.end(), 'c') - modes.begin());
    EXPECT_TRUE(Sim->TargetRunning()); // released at the end
    EXPECT_EQ(Sim->BaudRate(), 19200);

    r = RunOnSim({"verify", image});
    EXPECT_EQ(r.Status, 0) << r.Err;
    r = RunOnSim({"--chip", "TINY16", "write", image, "--verify", "-b", "115200"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(Sim->BaudRate(), 115200);
}

TEST_F(ProgramOnPtyTest, ProgressBarOnlyOnATerminalAndNotWhenQuiet) {
    StartTinySim();
    const std::string image = WriteImage("tiny.hex", TinyImage());
    TRunResult r = RunProgram(Vesk(), {"-p", SimPort(), "write", image, "--verify"}, {}, true);
    EXPECT_EQ(r.Status, 0) << r.Err;
    // One bar for writing and one for verifying, 7 words each, each ended by a line break.
    EXPECT_NE(r.Err.find("[##############################] 100%  7/7 words  "), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find(" words/s\r\n"), std::string::npos) << r.Err;
    // Each bar names its step, and the time left while words remain.
    EXPECT_NE(r.Err.find("\rWrite Code  [#"), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("\rVerify Code  [#"), std::string::npos) << r.Err;
    size_t ends = 0;
    for (size_t at = r.Err.find("100%  7/7 words"); at != std::string::npos;
         at = r.Err.find("100%  7/7 words", at + 1))
        ++ends;
    EXPECT_GE(ends, 2u);

    r = RunProgram(Vesk(), {"-p", SimPort(), "-q", "write", image}, {}, true);
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Err, "");
}

// --- trace, Ctrl-C, settings --------------------------------------------------------------------

TEST_F(ProgramOnPtyTest, CtrlCAbortsTheRegionLoopAndExitsWithOne) {
    sim::TOptions options;
    StartTinySim(options);
    sim::TFaults faults;
    faults.AnswerDelayMs = 2; // a read that lasts a few seconds
    Sim->SetFaults(faults);
    const std::string out = Dir.Path() + "back.hex";
    const TRunResult r =
        RunProgram(Vesk(), {"-p", SimPort(), "--chip", "TINY16", "read", "--output", out}, [&](pid_t pid) {
            // Well inside the Code region's loop.
            if (Sim->WaitReceived(120, 20000)) kill(pid, SIGINT);
        });
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Err.rfind("Target read failed\nTarget region read failed: 0x01 (Code)\n"
                          "Aborted by user\n",
                          0),
              0u)
        << r.Err;
    EXPECT_FALSE(FileExists(out));
}

// write --watch: written at once and again after the file changed, one log record and
// one line per run; Ctrl-C while waiting ends the watch with the last run's status.
TEST_F(ProgramOnPtyTest, WatchWritesAtOnceAndAgainAfterEachChange) {
    StartTinySim();
    const std::string image = WriteImage("tiny.hex", TinyImage());
    const std::string log = Dir.Path() + "watch.json";
    auto records = [&] {
        const std::string text = ReadText(log);
        return std::count(text.begin(), text.end(), '\n');
    };
    const TRunResult r =
        RunProgram(Vesk(), {"-p", SimPort(), "--log", log, "write", image, "--watch"}, [&](pid_t pid) {
            const bool first = vesk::test::WaitFor([&] { return records() == 1; });
            WriteText(image, HexRecord(0, 0x0000, {0x42, 0x30}) + HexRecord(1, 0, {})); // word 0: 0x3042
            const bool second = first && vesk::test::WaitFor([&] { return records() == 2; });
            kill(pid, second ? SIGINT : SIGKILL);
        });
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(Sim->Word(0), 0x3042);
    const std::regex line("\\d\\d:\\d\\d:\\d\\d  ok  \\d+\\.\\d s\n");
    const size_t end = r.Out.find('\n') + 1;
    EXPECT_TRUE(std::regex_match(r.Out.substr(0, end), line)) << r.Out;
    EXPECT_TRUE(std::regex_match(r.Out.substr(end), line)) << r.Out;
    const std::string text = ReadText(log);
    const std::regex record("\"command\":\"write\".*\"result\":\"ok\"");
    EXPECT_EQ(std::distance(std::sregex_iterator(text.begin(), text.end(), record), std::sregex_iterator()),
              2)
        << text;
}

TEST_F(ProgramOnPtyTest, AnAssembledImageRoundTripsThroughTheTarget) {
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
    TChipSession expected(chip), actual(chip);
    ASSERT_TRUE(expected.LoadImage(original));
    expected.SetWord(0x3FF, 0x3454);
    ASSERT_TRUE(actual.LoadImage(readBack));
    // The regions the programmer writes and reads; the image's ID locations (region
    // Id) are not programmed by the tool.
    int nonDefault = 0;
    for (RegionCode code : {RegionCodeCode, RegionCodeData, RegionCodeFuses}) {
        const TChipRegion& region = chip.RegionByCode(code);
        const std::vector<int32_t>& want = expected.Words(region);
        const std::vector<int32_t>& got = actual.Words(region);
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < want.size(); ++i)
            EXPECT_EQ(got[i], want[i]) << region.Name << " word " << i;
        nonDefault += expected.CountNonDefault(region);
    }
    EXPECT_GT(nonDefault, 10);
}

} // namespace
} // namespace vesk::cli::test
