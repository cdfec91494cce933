// The context line that each driver call puts first in the message of its failure.
// The calls raise under these lines; whoever checks a message against the call that
// failed reads them here instead of spelling them again.
#pragma once

#include "driver/DeviceVESK1.h"

#include <cstdint>
#include <string>

namespace vesk {
class TChipDefinition;
}

namespace vesk::failed {

inline constexpr char Open[] = "VESK device open failed";
inline constexpr char Close[] = "VESK device close failed";
inline constexpr char Wakeup[] = "VESK wakeup failed";
inline constexpr char Activate[] = "VESK activation failed";
inline constexpr char GetType[] = "VESK Get type failed";
inline constexpr char GetVersion[] = "VESK Get version failed";
inline constexpr char RunTarget[] = "Target run failed";
inline constexpr char StopTarget[] = "Target stop failed";
inline constexpr char PassThrough[] = "Passthrough enter failed";
inline constexpr char GetTargetId[] = "VESK Get target ID failed";
inline constexpr char FindTarget[] = "VESK target detect failed";
inline constexpr char DetectTarget[] = "Target detect failed";
inline constexpr char LoadBuffer[] = "Target buffer load failed";
inline constexpr char Erase[] = "Erase chip failed";
inline constexpr char Write[] = "Target write failed";
inline constexpr char Read[] = "Target read failed";
// The region loops name their region after these: "0x<code> (<name>)". A verify has
// no line of its own, so its message starts with that of the region that failed.
inline constexpr char RegionWrite[] = "Target region write failed: ";
inline constexpr char RegionRead[] = "Target region read failed: ";
inline constexpr char RegionVerify[] = "Target region verify failed: ";
// A failed erase names the preserved words it took right under its own line:
// "[0x<address>] = 0x<word>" entries joined by ", " after this.
inline constexpr char NotRestored[] = "Preserved words not restored: ";

// SetBaudRate's line: the rate, or the index when no rate has it.
inline std::string SetBaudRate(int8_t index) {
    const bool valid = index >= 0 && index < int(ProgrammerBaudRates.size());
    return std::string("VESK Baudrate setting failed: ") +
           (valid ? std::to_string(ProgrammerBaudRates[size_t(index)]) : "index " + std::to_string(index));
}

// Why an erase stopped before erasing: a calibration word read that no valid
// calibration is ("... reads 0x000000 at 0x0003FF (a valid one is 0x34nn) ..."), and
// how to go on.
std::string CalibrationNotValid(const TChipDefinition& chip, const TCalibrationRead_t& read);
// ... or a word given in its place that is none.
std::string CalibrationGivenNotValid(const TChipDefinition& chip, const TCalibrationRead_t& read,
                                     int32_t given);

} // namespace vesk::failed
