// Runs the built `vesk` against an in-process programmer simulator.
//
// The program is copied once into a folder of its own, with the small chip definition
// beside it, so that a "WinVESK.ini" of the build folder cannot change its defaults and
// a test can give it one.
#pragma once

#include "CliTestSupport.h"

#include "chipdef/ChipDefinition.h"
#include "sim/Simulator.h"

#include <gtest/gtest.h>

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

    // The folder of the copied program, with a trailing '/'.
    static std::string BinDir();
    static std::string Vesk() { return BinDir() + "vesk"; }
    // The build's own folder of programs and shipped chip files, with a trailing '/'.
    static std::string BuildBinDir() { return std::string(VESK_BIN_DIR) + "/"; }

    // A simulator for `chip` (kept alive by the fixture), serving.
    void StartSim(const TChipDefinition& chip, const sim::TOptions& options = {});
    void StartTinySim(const sim::TOptions& options = {});
    // Runs vesk with the simulator's port and `args`.
    TRunResult RunOnSim(std::vector<std::string> args);
    TRunResult Run(const std::vector<std::string>& args) { return RunProgram(Vesk(), args); }

    // Writes an image file into the test's folder and returns its path.
    std::string WriteImage(const std::string& name, const std::string& text);

    TChipDefinition Chip;
    std::unique_ptr<sim::TSimulator> Sim;
    TTempFolder Dir;
};

} // namespace vesk::cli::test
