#include "ProgramFixture.h"

#include <cstdlib>
#include <filesystem>

namespace vesk::cli::test {

namespace {
TTempFolder* SuiteBin = nullptr;
}

void ProgramTest::SetUpTestSuite() {
    SuiteBin = new TTempFolder;
    std::filesystem::copy_file(BuildBinDir() + "vesk", SuiteBin->Path() + "vesk");
    WriteText(SuiteBin->Path() + "ChipDef_TINY16.ini", TinyChipText());
}

void ProgramTest::TearDownTestSuite() {
    delete SuiteBin;
    SuiteBin = nullptr;
}

void ProgramTest::SetUp() {
    ::setenv("XDG_DATA_HOME", (Dir.Path() + "data").c_str(), 1);
}

void ProgramTest::TearDown() {
    ::unsetenv("XDG_DATA_HOME");
}

std::string ProgramTest::BinDir() {
    return SuiteBin->Path();
}

void ProgramTest::StartSim(const TChipDefinition& chip, const sim::TOptions& options) {
    Chip = chip;
    Sim = std::make_unique<sim::TSimulator>(Chip, options);
    Sim->Start();
}

void ProgramTest::StartTinySim(const sim::TOptions& options) {
    TChipDefinition chip;
    chip.LoadFromText(TinyChipText());
    StartSim(chip, options);
}

TRunResult ProgramTest::RunOnSim(std::vector<std::string> args) {
    args.insert(args.begin(), {"-p", Sim->SlavePath()});
    return Run(args);
}

std::string ProgramTest::WriteImage(const std::string& name, const std::string& text) {
    const std::string path = Dir.Path() + name;
    WriteText(path, text);
    return path;
}

} // namespace vesk::cli::test
