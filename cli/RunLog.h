// The record of every chip: `--log FILE` gets one JSON object per chip and command, on
// one line, appended with a single write() to a file opened for appending, so lines of
// several processes writing at once never mix and a line is there whole or not at all.
#pragma once

#include "common/JsonLine.h" // NowIso8601, the time of a record

#include <cstdint>
#include <optional>
#include <string>

namespace vesk::cli {

struct TLogRecord {
    std::string Time; // ISO 8601 with the zone, when the command started
    std::string Port;
    std::string ProgrammerType;    // empty: not known (only detect asks the programmer)
    std::string ProgrammerVersion; // empty: not known
    std::string Chip;              // empty: none selected or identified
    std::string Command;
    std::string Image;              // image path; empty: the command takes none
    std::string ImageSha256;        // of the image file's contents; empty: not readable
    std::optional<uint64_t> Serial; // the serial number this chip was given
    int Status = 0;                 // exit status
    std::string Message;            // the error message on failure
    double Seconds = 0;
};

// The record as one JSON object and a line break. Unknown values are null; a failed
// chip that was given a serial number says that the number is spent.
std::string LogLine(const TLogRecord& record);

// Appends `line` to `path` with one write(); raises `Exception` when that fails.
void AppendLogLine(const std::string& path, const std::string& line);

} // namespace vesk::cli
