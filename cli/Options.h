// Everything the command line asks for, after defaults and settings were applied.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vesk::cli {

struct TOptions {
    std::string Command; // ports, chips, detect, identify, write, read, ...
    std::string File;    // image of write, verify, show and config
    std::string Output;  // read --output, config --output
    // write and verify --config, config --set: NAME=OPTION[,NAME=OPTION...] each, in order
    std::vector<std::string> Settings;
    bool Json = false;            // config --json
    int16_t Regions = 0x7FFF;     // --region: AllRegions, 1 Code, 2 Data, 3 Fuses
    int Lines = 78;               // passthrough --lines 34|78
    std::string Polarity = "ttl"; // passthrough --polarity rs232|ttl

    // Given on the command line; unset ones come from "WinVESK.ini" or the driver.
    std::optional<std::string> Port; // the first --port
    std::vector<std::string> Ports;  // every --port: more than one runs the command on each at once
    std::optional<int32_t> Baud;     // bit/s, one of ProgrammerBaudRates
    std::optional<int32_t> Delay;
    std::optional<int32_t> Timeout;
    std::optional<std::string> DeviceId;

    std::string Chip;     // --chip; empty: identify the target
    std::string ChipDefs; // --chipdefs; empty: beside the program
    bool Verify = false;
    bool Watch = false; // write --watch: write again whenever the image file changes
    bool Quiet = false;
    bool Verbose = false;
    bool Pipeline = false;  // --pipeline: the driver's experimental pipelined exchange
    bool Long = false;      // ports --long: each port with what the system knows of it; chips --long
    std::string Pattern;    // chips: a part of the names to list; with --long the chip's name
    std::string SystemRoot; // folder standing for "/" when looking up ports (tests); empty: "/"

    // write (all regions) and erase --calibration ADDR=WORD: the chip's own calibration
    // words, written back after the erase whatever the chip reads there.
    std::vector<std::string> CalibrationItems; // as given
    std::map<int32_t, int32_t> Calibration;    // address -> word, once checked

    // Production line.
    std::string Log;               // --log: one JSON line per chip and command appended
    std::optional<int32_t> Serial; // write --serial: word address of the serial number
    std::string SerialCounter;     // write --serial-counter: file holding the next number
    int SerialBytes = 4;           // write --serial-bytes
    bool GangChild = false;        // one port of several: progress and target reported as lines
};

} // namespace vesk::cli
