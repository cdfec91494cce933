// The tests of ProgramFixture.h end to end: the built `vesk` in a process of its own,
// the simulator serving a pseudo-terminal (POSIX).
#pragma once

#include "ProgramFixture.h"

#include "sim/PtySimulator.h"

#include <filesystem>

namespace vesk::cli::test {

class ProgramOnPtyTest : public ProgramTest {
  protected:
    // The program copied beside the small chip's definition.
    static void SetUpTestSuite() {
        ProgramTest::SetUpTestSuite();
        std::filesystem::copy_file(BuildBinDir() + "vesk", Vesk());
    }

    void StartSim(const TChipDefinition& chip, const sim::TOptions& options = {}) override {
        Chip = chip;
        auto pty = std::make_unique<sim::TPtySimulator>(Chip, options);
        pty->Start();
        Sim = std::move(pty);
    }
    std::string SimPort() const override { return static_cast<const sim::TPtySimulator&>(*Sim).SlavePath(); }
    TRunResult Run(const std::vector<std::string>& args) override { return RunProgram(Vesk(), args); }
};

} // namespace vesk::cli::test
