#include "ProgramFixture.h"

#include "cli/Commands.h"
#include "sim/SimulatedLine.h"

#include <cstdlib>
#include <sstream>

namespace vesk::cli::test {

namespace {
TTempFolder* SuiteBin = nullptr;

// The line of a run in this process: it tells the fixture the port it was opened on.
class TRecordingLine : public sim::TSimulatedLine {
  public:
    TRecordingLine(sim::TSimulator& simulator, std::string& openedOn)
        : TSimulatedLine(simulator), FOpenedOn(openedOn) {}
    void Open(const std::string& port, int32_t speed) override {
        FOpenedOn = port;
        TSimulatedLine::Open(port, speed);
    }

  private:
    std::string& FOpenedOn;
};
} // namespace

void ProgramTest::SetUpTestSuite() {
    SuiteBin = new TTempFolder;
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
}

void ProgramTest::StartTinySim(const sim::TOptions& options) {
    TChipDefinition chip;
    chip.LoadFromText(TinyChipText());
    StartSim(chip, options);
}

TRunResult ProgramTest::RunOnSim(std::vector<std::string> args) {
    args.insert(args.begin(), {"-p", SimPort()});
    return Run(args);
}

TRunResult ProgramTest::Run(const std::vector<std::string>& args) {
    std::vector<const char*> argv{"vesk"};
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    TEnvironment environment;
    environment.ProgramFolder = BinDir();
    if (Sim) environment.Transport = [this] { return std::make_unique<TRecordingLine>(*Sim, LineOpenedOn); };
    std::ostringstream out, err;
    TRunResult result;
    result.Status = RunVesk(int(argv.size()), argv.data(), out, err, false, environment);
    result.Out = out.str();
    result.Err = err.str();
    return result;
}

std::string ProgramTest::WriteImage(const std::string& name, const std::string& text) {
    const std::string path = Dir.Path() + name;
    WriteText(path, text);
    return path;
}

} // namespace vesk::cli::test
