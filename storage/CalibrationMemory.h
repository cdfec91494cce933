// The memory of calibration values: "calibration.jsonl" in the user's data folder holds
// one JSON object per line for every valid calibration word (and band-gap value) read
// from a target - when, on which port, from which chip type, at which address, what -
// so that a chip whose calibration can no longer be read (code protection reads 0, a
// lost word reads erased) can be given its likely value again. The window and `vesk`
// both write it through `TCalibrationMemory`.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

namespace vesk {

struct TCalibrationRecord {
    std::string Time; // ISO 8601 local time with its offset, when it was read
    std::string Port;
    std::string Chip; // chip type
    int32_t Address = 0;
    int32_t Word = 0;
};

// {"time":"...","port":"...","chip":"...","address":"0x0003FF","word":"0x3454"} and a line break.
std::string CalibrationRecordLine(const TCalibrationRecord& record);
// The record of such a line; nothing for a line that is not one (edited, cut short).
std::optional<TCalibrationRecord> ParseCalibrationRecord(std::string_view line);

// The user's data folder of the programs, ending in a separator: "$XDG_DATA_HOME/vesk/"
// (an absolute XDG_DATA_HOME only), else "$HOME/.local/share/vesk/"; empty when
// neither is known, and on Windows (where nothing is kept outside the program's folder).
std::string UserDataFolder();
// "calibration.jsonl" in UserDataFolder(); empty when that is.
std::string CalibrationMemoryPath();

class TCalibrationMemory {
  public:
    // `path` empty: nothing is kept and nothing is known.
    explicit TCalibrationMemory(std::string path = CalibrationMemoryPath());

    const std::string& Path() const { return FPath; }
    // Appends the record, its time taken from `Clock`, making the folder when missing.
    // A failure never fails the caller's operation: it is reported on `Errors` the
    // first time only (a full disk would otherwise repeat it for every word).
    void Append(TCalibrationRecord record);
    // The last record of this chip type, port and address; nothing when there is none
    // or the file cannot be read (lines that are no record are skipped).
    std::optional<TCalibrationRecord> Last(const std::string& chip, const std::string& port,
                                           int32_t address) const;

    std::function<std::string()> Clock; // default: NowIso8601
    std::ostream* Errors;               // default: standard error

  private:
    std::string FPath;
    bool FReported = false;
};

} // namespace vesk
