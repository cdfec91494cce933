// The command line of `vesk-sim`.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "Simulator.h"

namespace vesk::sim {

struct TCommandLine {
    std::string Chip;       // chip definition file; empty: the first one beside the program
    std::string Link;       // symbolic link to the host's port
    std::string TargetLink; // symbolic link to the target's line
    std::string Dump;       // memory dump written on exit and on SIGUSR1
    std::string Load;       // Intel HEX image loaded into target memory at start
    int32_t DeviceId = -1;  // device ID; -1: the chip's Id
    // Words stored at start, after the image: address -> word (factory calibration).
    std::vector<std::pair<int32_t, int32_t>> Set;
    TOptions Options;
    TFaults Faults;
    bool Help = false;
};

// Throws vesk::Exception with a one-line reason for a bad command line.
TCommandLine ParseCommandLine(const std::vector<std::string>& args);
std::string Usage();

} // namespace vesk::sim
