// vesk-sim: a simulated VESK programmer on a pseudo-terminal. Prints the port's path on
// one line, serves until SIGINT or SIGTERM, and writes the memory dump on the way out.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

#include "PtySimulator.h"
#include "SimulatorOptions.h"
#include "VESK_Exception.h"
#include "chipdef/ChipDefinitions.h"

using namespace vesk;
using namespace vesk::sim;

namespace {

std::string ChipFile(const TCommandLine& c) {
    if (!c.Chip.empty()) return c.Chip;
    const std::string dir = ProgramDirectory();
    auto files = FindChipDefinitionFiles(dir);
    if (files.empty()) throw Exception("No chip definition beside the program; name one with --chip FILE");
    return dir + files.front();
}

// A link is only ever put where nothing but an old link stands.
void MakeLink(const std::string& link, const std::string& target) {
    struct stat st {};
    if (lstat(link.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) throw Exception("Not replacing " + link + ": it is not a symbolic link");
        unlink(link.c_str());
    }
    if (symlink(target.c_str(), link.c_str()) != 0)
        throw Exception("Cannot create link " + link + ": " + std::strerror(errno));
}

void Dump(const TSimulator& sim, const std::string& path) {
    if (path.empty()) return;
    try {
        sim.DumpMemory(path);
    } catch (const Exception& e) {
        std::cerr << "vesk-sim: " << e.Message() << "\n";
    }
}

int Run(int argc, char** argv) {
    TCommandLine c = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (c.Help) {
        std::cout << Usage();
        return 0;
    }
    TChipDefinition chip;
    chip.LoadFromFile(ChipFile(c));

    // Signals are taken by sigwait below; the serving thread inherits the blocked mask.
    sigset_t signals;
    sigemptyset(&signals);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGUSR1})
        sigaddset(&signals, s);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    TPtySimulator sim(chip, c.Options);
    if (c.DeviceId >= 0) sim.SetDeviceId(c.DeviceId);
    sim.SetFaults(c.Faults);
    if (!c.Load.empty()) sim.LoadImage(c.Load);
    for (const auto& [address, word] : c.Set)
        sim.SetWord(address, word);
    if (!c.Link.empty()) MakeLink(c.Link, sim.SlavePath());
    if (!c.TargetLink.empty()) MakeLink(c.TargetLink, sim.TargetSlavePath());
    sim.Start();

    std::cout << sim.SlavePath() << std::endl;
    std::cerr << "vesk-sim: chip " << chip.Name << ", target line " << sim.TargetSlavePath() << "\n";

    for (;;) {
        int s = 0;
        if (sigwait(&signals, &s) != 0) break;
        if (s == SIGUSR1) {
            Dump(sim, c.Dump);
            continue;
        }
        break;
    }
    sim.Stop();
    Dump(sim, c.Dump);
    if (!c.Link.empty()) unlink(c.Link.c_str());
    if (!c.TargetLink.empty()) unlink(c.TargetLink.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const Exception& e) {
        std::cerr << "vesk-sim: " << e.Message() << "\n";
        return 2;
    }
}
