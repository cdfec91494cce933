#include "cli/RunLog.h"

#include "VESK_Exception.h"
#include "common/JsonLine.h"

#include <cstdio>

namespace vesk::cli {

namespace {

// A string value, null when empty.
std::string Text(const std::string& text) {
    return text.empty() ? "null" : JsonQuoted(text);
}

} // namespace

std::string LogLine(const TLogRecord& r) {
    const bool ok = r.Status == 0;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", r.Seconds);
    std::string line = "{\"time\":" + JsonQuoted(r.Time) + ",\"port\":" + Text(r.Port) +
                       ",\"programmer\":" + Text(r.ProgrammerType) +
                       ",\"programmer_version\":" + Text(r.ProgrammerVersion) + ",\"chip\":" + Text(r.Chip) +
                       ",\"command\":" + JsonQuoted(r.Command) + ",\"image\":" + Text(r.Image) +
                       ",\"image_sha256\":" + Text(r.ImageSha256) +
                       ",\"serial\":" + (r.Serial ? std::to_string(*r.Serial) : "null");
    if (r.Serial && !ok) line += ",\"serial_spent\":\"the chip failed; this number is not handed out again\"";
    line += std::string(",\"result\":") + (ok ? "\"ok\"" : "\"failed\"") +
            ",\"exit_status\":" + std::to_string(r.Status) + ",\"message\":" + Text(ok ? "" : r.Message) +
            ",\"seconds\":" + seconds + "}\n";
    return line;
}

void AppendLogLine(const std::string& path, const std::string& line) {
    try {
        AppendLine(path, line);
    } catch (const Exception& e) {
        throw Exception("Log file " + path + " not written: " + e.Message(), TFailureKind::FileAccess);
    }
}

} // namespace vesk::cli
