#include "common/JsonLine.h"

#include "common/Text.h"
#include "common/VESK_Exception.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace vesk {

std::string JsonQuoted(std::string_view text) {
    std::string json = "\"";
    for (const unsigned char c : text) {
        if (c == '"' || c == '\\') {
            json += '\\';
            json += char(c);
        } else if (c == '\n') {
            json += "\\n";
        } else if (c < 0x20) {
            json += "\\u00" + Hex(c, 2);
        } else {
            json += char(c);
        }
    }
    return json + "\"";
}

namespace {

// A reader of one line: each call consumes what it reads, or fails and leaves the
// line unusable.
class TJsonReader {
  public:
    explicit TJsonReader(std::string_view text) : FText(text) {}

    void SkipBlanks() {
        while (FPos < FText.size() &&
               (FText[FPos] == ' ' || FText[FPos] == '\t' || FText[FPos] == '\r' || FText[FPos] == '\n'))
            ++FPos;
    }
    bool Take(char c) {
        SkipBlanks();
        if (FPos >= FText.size() || FText[FPos] != c) return false;
        ++FPos;
        return true;
    }
    bool AtEnd() {
        SkipBlanks();
        return FPos == FText.size();
    }
    // A string, or null as "".
    std::optional<std::string> Value() {
        SkipBlanks();
        if (FText.substr(FPos, 4) == "null") {
            FPos += 4;
            return std::string();
        }
        return String();
    }
    std::optional<std::string> String() {
        if (!Take('"')) return std::nullopt;
        std::string value;
        while (FPos < FText.size()) {
            const char c = FText[FPos++];
            if (c == '"') return value;
            if (c != '\\') {
                value += c;
                continue;
            }
            if (FPos >= FText.size()) return std::nullopt;
            const char escaped = FText[FPos++];
            if (!Escape(escaped, value)) return std::nullopt;
        }
        return std::nullopt; // no closing quote
    }

  private:
    // The character an escape stands for; \u only for the characters below 0x80,
    // which is all the writer above makes of it.
    bool Escape(char escaped, std::string& value) {
        static constexpr std::string_view Plain = "\"\\/", Letters = "bfnrt", Meanings = "\b\f\n\r\t";
        if (Plain.find(escaped) != std::string_view::npos) {
            value += escaped;
            return true;
        }
        if (const size_t i = Letters.find(escaped); i != std::string_view::npos) {
            value += Meanings[i];
            return true;
        }
        if (escaped != 'u' || FPos + 4 > FText.size()) return false;
        int code = 0;
        for (int i = 0; i < 4; ++i) {
            const int digit = HexDigitValue(FText[FPos++]);
            if (digit < 0) return false;
            code = code * 16 + digit;
        }
        if (code >= 0x80) return false;
        value += char(code);
        return true;
    }

    std::string_view FText;
    size_t FPos = 0;
};

} // namespace

std::optional<std::map<std::string, std::string>> ParseJsonStringObject(std::string_view line) {
    TJsonReader reader(line);
    std::map<std::string, std::string> members;
    if (!reader.Take('{')) return std::nullopt;
    if (!reader.Take('}')) {
        do {
            const auto name = reader.String();
            if (!name || !reader.Take(':')) return std::nullopt;
            const auto value = reader.Value();
            if (!value) return std::nullopt;
            members.emplace(*name, *value);
        } while (reader.Take(','));
        if (!reader.Take('}')) return std::nullopt;
    }
    if (!reader.AtEnd()) return std::nullopt;
    return members;
}

void AppendLine(const std::string& path, const std::string& line) {
#ifdef _WIN32
    const int fd = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_APPEND | _O_BINARY, 0644);
    long written = fd < 0 ? -1 : _write(fd, line.data(), unsigned(line.size()));
    if (fd >= 0) _close(fd);
#else
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    ssize_t written = -1;
    if (fd >= 0)
        while ((written = write(fd, line.data(), line.size())) < 0 && errno == EINTR) {
        }
    if (fd >= 0) close(fd);
#endif
    if (written != static_cast<decltype(written)>(line.size())) throw Exception(std::strerror(errno));
}

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

} // namespace vesk
