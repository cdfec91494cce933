// The programmer settings the desktop program saved in "WinVESK.ini" (section "DIRUD"),
// read with the settings storage's rules. The tool only reads the file, never writes it.
#pragma once

#include <cstdint>
#include <string>

namespace vesk::cli {

// The settings the tool uses; their names and defaults are those of the settings table
// (storage/SettingsTable.h).
struct TSettings {
    std::string ComPort;
    int32_t ComReadTimeout = 0;
    int32_t ProgramDelay = 0;
    std::string DeviceID;
    int32_t VeskBaudRate = 0; // index into ProgrammerBaudRates
};

// Starts from the table's defaults, then takes every value present in
// `<directory>WinVESK.ini`, or in the user's own file where `directory` cannot be
// written (see storage/SettingsPlace.h). A missing file leaves the defaults; an
// unreadable one is ignored as the desktop program ignores it.
TSettings ReadSettings(const std::string& directory);

} // namespace vesk::cli
