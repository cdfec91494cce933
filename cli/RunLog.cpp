#include "cli/RunLog.h"

#include "VESK_Exception.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace vesk::cli {

namespace {

std::string Quoted(const std::string& text) {
    std::string json = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            json += '\\';
            json += char(c);
        } else if (c == '\n') {
            json += "\\n";
        } else if (c < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            json += escape;
        } else {
            json += char(c);
        }
    }
    return json + "\"";
}

// A string value, null when empty.
std::string Text(const std::string& text) {
    return text.empty() ? "null" : Quoted(text);
}

} // namespace

std::string NowIso8601() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
    std::string iso = text;
    // strftime writes the zone as +hhmm; ISO 8601's extended form has +hh:mm.
    if (iso.size() >= 5) iso.insert(iso.size() - 2, ":");
    return iso;
}

std::string LogLine(const TLogRecord& r) {
    const bool ok = r.Status == 0;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", r.Seconds);
    std::string line = "{\"time\":" + Quoted(r.Time) + ",\"port\":" + Text(r.Port) +
                       ",\"programmer\":" + Text(r.ProgrammerType) +
                       ",\"programmer_version\":" + Text(r.ProgrammerVersion) + ",\"chip\":" + Text(r.Chip) +
                       ",\"command\":" + Quoted(r.Command) + ",\"image\":" + Text(r.Image) +
                       ",\"image_sha256\":" + Text(r.ImageSha256) +
                       ",\"serial\":" + (r.Serial ? std::to_string(*r.Serial) : "null");
    if (r.Serial && !ok) line += ",\"serial_spent\":\"the chip failed; this number is not handed out again\"";
    line += std::string(",\"result\":") + (ok ? "\"ok\"" : "\"failed\"") +
            ",\"exit_status\":" + std::to_string(r.Status) + ",\"message\":" + Text(ok ? "" : r.Message) +
            ",\"seconds\":" + seconds + "}\n";
    return line;
}

void AppendLogLine(const std::string& path, const std::string& line) {
#ifdef _WIN32
    const int fd = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_APPEND | _O_BINARY, 0644);
    const long written = fd < 0 ? -1 : _write(fd, line.data(), unsigned(line.size()));
    if (fd >= 0) _close(fd);
#else
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    ssize_t written = -1;
    if (fd >= 0)
        while ((written = write(fd, line.data(), line.size())) < 0 && errno == EINTR) {
        }
    if (fd >= 0) close(fd);
#endif
    if (written != static_cast<decltype(written)>(line.size()))
        throw Exception("Log file " + path + " not written: " + std::strerror(errno),
                        TFailureKind::FileAccess);
}

} // namespace vesk::cli
