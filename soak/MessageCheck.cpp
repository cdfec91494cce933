#include "MessageCheck.h"

#include "common/Text.h"
#include "serial/port/ComPort.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace vesk::soak {

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Lines of a layer that adds context: exact texts, then texts with a variable tail.
constexpr std::array<std::string_view, 20> LayerTexts = {
    "VESK device open failed",   "VESK device close failed",
    "VESK wakeup failed",        "VESK activation failed",
    "VESK Get type failed",      "VESK Get version failed",
    "Target run failed",         "Target stop failed",
    "VESK Get target ID failed", "VESK target detect failed",
    "Target detect failed",      "Target buffer load failed",
    "Erase chip failed",         "Target write failed",
    "Target read failed",        "Read data failed",
    "VBUS write failed",         "VESK device is not echoing",
    "Passthrough enter failed",  "Error loading chip definitions"};
constexpr std::string_view NotRestoredPrefix = "Preserved words not restored: ";
constexpr std::array<std::string_view, 10> LayerPrefixes = {"Preserved words not restored: [0x",
                                                            "VESK Baudrate setting failed: ",
                                                            "Target region write failed: 0x",
                                                            "Target region read failed: 0x",
                                                            "Target region verify failed: 0x",
                                                            "Program mode enter failed: Region 0x",
                                                            "Address increment failed: 0x",
                                                            "Address jump failed: 0x",
                                                            "Write data failed: [0x",
                                                            "Write data lazy failed: [0x"};

// Root causes: exact texts, then texts with a variable tail.
constexpr std::array<std::string_view, 7> RootTexts = {
    "VBUS Echo timeout",    "Data read error",       "Unknown target",           "No saved word",
    "COM port open failed", "COM port close failed", "Can not decrement address"};
constexpr std::array<std::string_view, 4> RootPrefixes = {
    "Got echo: '", "Expecting echo '?', got: 0x", "Data verify error: [0x", "Unknown target: Id = 0x"};

bool IsHex(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
    });
}

// "[0x<6 hex>] = 0x<6 hex>" entries joined by ", " after the prefix; false when the
// line is not so.
bool ParseNotRestored(const std::string& line, std::map<int32_t, int32_t>& words) {
    if (!StartsWith(line, NotRestoredPrefix)) return false;
    std::string_view rest = std::string_view(line).substr(NotRestoredPrefix.size());
    constexpr size_t EntrySize = 21; // [0xAAAAAA] = 0xWWWWWW
    for (;;) {
        if (rest.size() < EntrySize) return false;
        const std::string_view entry = rest.substr(0, EntrySize);
        if (entry.substr(0, 3) != "[0x" || entry.substr(9, 6) != "] = 0x" || !IsHex(entry.substr(3, 6)) ||
            !IsHex(entry.substr(15, 6)))
            return false;
        const int32_t address = std::stoi(std::string(entry.substr(3, 6)), nullptr, 16);
        if (words.count(address)) return false; // every word is named once
        words[address] = std::stoi(std::string(entry.substr(15, 6)), nullptr, 16);
        rest.remove_prefix(EntrySize);
        if (rest.empty()) return true;
        if (rest.substr(0, 2) != ", ") return false;
        rest.remove_prefix(2);
    }
}

bool IsCommandLine(const std::string& line) {
    return StartsWith(line, "VBUS command '") && line.size() > 22 &&
           line.compare(line.size() - 8, 8, "' failed") == 0;
}

bool IsLayer(const std::string& line) {
    if (IsCommandLine(line)) return true;
    if (std::find(LayerTexts.begin(), LayerTexts.end(), line) != LayerTexts.end()) return true;
    return std::any_of(LayerPrefixes.begin(), LayerPrefixes.end(),
                       [&](std::string_view p) { return StartsWith(line, p) && line.size() > p.size(); });
}

bool IsRoot(const std::string& line) {
    if (std::find(RootTexts.begin(), RootTexts.end(), line) != RootTexts.end()) return true;
    if (IsPortError(line)) return true;
    return std::any_of(RootPrefixes.begin(), RootPrefixes.end(),
                       [&](std::string_view p) { return StartsWith(line, p) && line.size() > p.size(); });
}

// "Got echo: '<echo>'" under "VBUS command '<cmd>' failed": the echo holds the
// answers up to and including the first wrong one, and nothing after it.
std::string CheckEcho(const std::string& commandLine, const std::string& echoLine) {
    const std::string cmd = commandLine.substr(14, commandLine.size() - 22);
    if (echoLine.size() < 13 || echoLine.back() != '\'') return "malformed echo line: " + echoLine;
    const std::string echo = echoLine.substr(11, echoLine.size() - 12);
    if (echo.empty() || echo.size() > cmd.size())
        return "echo '" + echo + "' does not fit command '" + cmd + "'";
    const size_t last = echo.size() - 1;
    if (echo.compare(0, last, UpperCase(cmd.substr(0, last))) != 0)
        return "echo '" + echo + "' differs from command '" + cmd + "' before its last character";
    if (echo[last] == UpperCase(cmd.substr(last, 1))[0])
        return "echo '" + echo + "' ends in a correct answer";
    return {};
}

// What may stand directly under a line, for the lines that allow only a few.
std::string CheckBelow(const std::string& line, const std::string& below) {
    if (line == "VBUS write failed") {
        if (below != "VBUS Echo timeout" && !IsPortError(below))
            return "\"VBUS write failed\" over \"" + below + "\"";
    } else if (IsCommandLine(line)) {
        if (below == "VBUS write failed") return {};
        if (!StartsWith(below, "Got echo: '")) return "\"" + line + "\" over \"" + below + "\"";
        return CheckEcho(line, below);
    } else if (line == "VESK device is not echoing") {
        if (below != "VBUS write failed" && !StartsWith(below, "Expecting echo '?', got: 0x"))
            return "\"VESK device is not echoing\" over \"" + below + "\"";
    }
    // Roots that only one layer raises.
    if (below == "VBUS Echo timeout" || IsPortError(below)) {
        if (line != "VBUS write failed") return "\"" + below + "\" under \"" + line + "\"";
    } else if (StartsWith(below, "Got echo: '")) {
        if (!IsCommandLine(line)) return "\"" + below + "\" under \"" + line + "\"";
    } else if (StartsWith(below, "Expecting echo '?'")) {
        if (line != "VESK device is not echoing") return "\"" + below + "\" under \"" + line + "\"";
    } else if (StartsWith(below, "Data verify error: [0x")) {
        if (!StartsWith(line, "Target region verify failed: 0x"))
            return "\"" + below + "\" under \"" + line + "\"";
    } else if (StartsWith(below, "Unknown target: Id = 0x")) {
        if (line != "VESK target detect failed") return "\"" + below + "\" under \"" + line + "\"";
    } else if (below == "Unknown target") {
        if (line != "Target detect failed") return "\"Unknown target\" under \"" + line + "\"";
    }
    return {};
}

} // namespace

std::vector<std::string> SplitLines(const std::string& message) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        const size_t end = message.find('\n', start);
        lines.push_back(message.substr(start, end - start));
        if (end == std::string::npos) return lines;
        start = end + 1;
    }
}

std::map<int32_t, int32_t> NotRestoredWords(const std::string& message) {
    std::map<int32_t, int32_t> words;
    for (const std::string& line : SplitLines(message))
        if (StartsWith(line, NotRestoredPrefix)) {
            if (!ParseNotRestored(line, words)) words.clear();
            break;
        }
    return words;
}

bool IsPortError(const std::string& line) {
    for (int code = 1; !EComPort::Text(code).empty(); ++code) {
        const std::string text = EComPort::Text(code);
        if (line == text || (StartsWith(line, text + " (win error code: ") && line.back() == ')'))
            return true;
        // POSIX: the text, the device where known, the system's words and " (error <n>)".
        if ((StartsWith(line, text + ": ") || StartsWith(line, text + " /")) &&
            line.find(" (error ") != std::string::npos && line.back() == ')')
            return true;
    }
    return false;
}

bool IsPortHint(const std::string& line) {
    return StartsWith(line, "The port belongs to group \"") || StartsWith(line, "The port is in use by ") ||
           StartsWith(line, "The device is gone ");
}

std::vector<std::string> CheckChain(const std::string& message, const std::string& firstLine,
                                    bool prefixOnly) {
    std::vector<std::string> problems;
    if (message.empty()) {
        problems.push_back("empty message");
        return problems;
    }
    std::vector<std::string> lines = SplitLines(message);
    // A port error may end with a line that tells the user what to do; the error
    // above it is the root cause.
    if (lines.size() > 1 && IsPortHint(lines.back()) && IsPortError(lines[lines.size() - 2]))
        lines.pop_back();
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].empty()) problems.push_back("empty line " + std::to_string(i + 1));
    if (!problems.empty()) return problems;
    const bool firstOk = prefixOnly ? StartsWith(lines.front(), firstLine) : lines.front() == firstLine;
    if (!firstOk)
        problems.push_back("first line \"" + lines.front() + "\", expected \"" + firstLine + "\"" +
                           (prefixOnly ? "..." : ""));
    if (lines.size() < 2) problems.push_back("no root cause under the operation's line");
    for (size_t i = 0; i + 1 < lines.size(); ++i)
        if (!IsLayer(lines[i]))
            problems.push_back("line " + std::to_string(i + 1) + " is no layer: \"" + lines[i] + "\"");
    if (!IsRoot(lines.back())) problems.push_back("last line is no root cause: \"" + lines.back() + "\"");
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!StartsWith(lines[i], NotRestoredPrefix)) continue;
        // The words a failed erase took stand right under its own line, over the cause.
        if (i != 1 || lines[0] != "Erase chip failed")
            problems.push_back("\"" + lines[i] + "\" is not right under \"Erase chip failed\"");
        std::map<int32_t, int32_t> words;
        if (!ParseNotRestored(lines[i], words)) problems.push_back("malformed line: \"" + lines[i] + "\"");
    }
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        std::string problem = CheckBelow(lines[i], lines[i + 1]);
        if (!problem.empty()) problems.push_back(problem);
    }
    return problems;
}

} // namespace vesk::soak
