// Records seeds for driver_fuzz: the operation sequence of DriverSequence.h run
// against the simulated programmer, its answers saved after the control byte. The
// fuzzer then starts from conversations that reach every step.
//   driver_fuzz_seeds <folder>
#include "DriverSequence.h"
#include "sim/SimulatedLine.h"

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: driver_fuzz_seeds <folder>\n");
        return 2;
    }
    using namespace vesk::fuzz;
    const uint8_t controls[] = {0x00,
                                SelectTarget,
                                SelectTarget | WriteAndVerify,
                                SelectTarget | SecondChip | WriteAndVerify,
                                WriteAndVerify | ChangeSpeed | (4 << 5),
                                SelectTarget | PassThrough | 0x40,
                                SelectTarget | HangUp | WriteAndVerify};
    for (const uint8_t control : controls) {
        vesk::sim::TSimulator sim(*TinyChip(control & SecondChip));
        vesk::TDeviceVESK1 dev(std::make_unique<vesk::sim::TSimulatedLine>(sim));
        dev.SetComReadTimeout(200);
        std::string answers(1, static_cast<char>(control));
        dev.OnTrace = [&](uint8_t, int answer) {
            // A byte sent without waiting still takes one answer from the scripted line.
            answers += static_cast<char>(answer < 0 ? 0 : answer);
        };
        dev.Open();
        RunSequence(dev, control, [] { return false; });
        dev.Close();
        char name[64];
        std::snprintf(name, sizeof name, "/sim-%02x", control);
        std::ofstream(argv[1] + std::string(name), std::ios::binary) << answers;
        std::printf("%s: %zu answers\n", name + 1, answers.size() - 1);
    }
    return 0;
}
