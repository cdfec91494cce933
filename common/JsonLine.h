// One JSON object per line, as the programs' record files keep them: the quoting of
// a string value, the reading back of a flat object whose values are strings, the
// appending of a line and the time stamp of a record.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace vesk {

// `text` as a JSON string, in double quotes: '"' and '\' escaped, a line feed as "\n",
// other control characters as "\u00XX"; every other byte as it is (UTF-8 passes).
std::string JsonQuoted(std::string_view text);

// The members of a line holding one flat JSON object, each value a string or null
// (null reads as ""). Nothing for any other line: a record file edited by hand or cut
// short by a full disk must not stop its reader, which then skips the line.
std::optional<std::map<std::string, std::string>> ParseJsonStringObject(std::string_view line);

// Appends `line` (with its line break) to the file, made when missing, with one
// write() to the file opened for appending: lines of several processes writing at
// once never mix, and a line is there whole or not at all. Raises `Exception` with
// the system's reason when that fails.
void AppendLine(const std::string& path, const std::string& line);

// "2026-12-09T07:24:30+00:00": the local time now, with its offset from UTC.
std::string NowIso8601();

} // namespace vesk
