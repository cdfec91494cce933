// Runs `vesk` against a programmer simulator in this process: the command line goes to
// the tool's entry point, and the driver's line reaches the simulator on simulated time
// (no process, no pseudo-terminal, and no wait costs wall time). The end-to-end tests
// run the built program instead (PtyProgramFixture.h).
//
// The program is copied once into a folder of its own, with the small chip definition
// beside it, so that a "WinVESK.ini" of the build folder cannot change its defaults and
// a test can give it one; a run in this process takes that folder as its own.
#pragma once

#include "CliTestSupport.h"

#include "chipdef/ChipDefinition.h"
#include "sim/Simulator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace vesk::cli::test {

class ProgramTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite();
    // The user's data folder (the memory of calibration values) is the test's own.
    void SetUp() override;
    void TearDown() override;
    static void TearDownTestSuite();

    // The program's folder, with a trailing '/': the small chip's definition (and, for
    // the end-to-end tests, the program copied) beside it.
    static std::string BinDir();
    static std::string Vesk() { return BinDir() + "vesk"; }
    // The build's own folder of programs and shipped chip files, with a trailing '/'.
    static std::string BuildBinDir() { return std::string(VESK_BIN_DIR) + "/"; }

    // A simulator for `chip`, kept alive by the fixture.
    virtual void StartSim(const TChipDefinition& chip, const sim::TOptions& options = {});
    void StartTinySim(const sim::TOptions& options = {});
    // The port vesk is given for the simulator.
    virtual std::string SimPort() const { return "sim"; }
    // Runs vesk with the simulator's port and `args`.
    TRunResult RunOnSim(std::vector<std::string> args);
    // Runs vesk with `args`, on the simulator when there is one, else on the serial port.
    virtual TRunResult Run(const std::vector<std::string>& args);

    // Writes an image file into the test's folder and returns its path.
    std::string WriteImage(const std::string& name, const std::string& text);

    TChipDefinition Chip;
    std::unique_ptr<sim::TSimulator> Sim;
    TTempFolder Dir;
    // The port name the driver last opened its line with.
    std::string LineOpenedOn;
};

// Code 0..3, Fuses 0x2007 and Data 0x2100, 0x2101 of the small chip.
inline std::string TinyImage() {
    return HexRecord(4, 0, {0, 0}) + HexRecord(0, 0x0000, {0x41, 0x30, 0x00, 0x00, 0x34, 0x12, 0x03, 0x28}) +
           HexRecord(0, 0x400E, {0xC4, 0x31}) + HexRecord(0, 0x4200, {0x11, 0x00, 0x22, 0x00}) +
           HexRecord(1, 0, {});
}

inline void ExpectTinyImageIn(const sim::TSimulator& sim) {
    EXPECT_EQ(sim.Word(0), 0x3041);
    EXPECT_EQ(sim.Word(1), 0x0000);
    EXPECT_EQ(sim.Word(2), 0x1234);
    EXPECT_EQ(sim.Word(3), 0x2803);
    EXPECT_EQ(sim.Word(4), 0x3FFF);
    EXPECT_EQ(sim.Word(0x2007), 0x31C4);
    EXPECT_EQ(sim.Word(0x2100), 0x11);
    EXPECT_EQ(sim.Word(0x2101), 0x22);
    EXPECT_EQ(sim.Word(0x2102), 0xFF);
}

// The program-mode letters the simulator received, in order.
inline std::vector<char> Modes(const sim::TSimulator& sim) {
    std::vector<char> regions;
    for (const sim::TProgramMode& mode : sim.ProgramModes())
        regions.push_back(mode.Region);
    return regions;
}

inline bool Has(const std::vector<char>& v, char c) {
    return std::find(v.begin(), v.end(), c) != v.end();
}

} // namespace vesk::cli::test
