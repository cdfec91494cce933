#include "MessageCheck.h"

#include "driver/DeviceVESK1Failures.h"

#include <algorithm>
#include <string_view>

namespace vesk::soak {

namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

constexpr std::string_view NotRestoredPrefix = failed::NotRestored;

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

std::vector<std::string> CheckMessage(const std::string& message, TFailureKind kind,
                                      const std::string& firstLine, bool prefixOnly) {
    std::vector<std::string> problems;
    // Every failure the driver raises in an operation says what went wrong.
    if (kind == TFailureKind::Other) problems.push_back("the failure carries no kind");
    if (message.empty()) {
        problems.push_back("empty message");
        return problems;
    }
    const std::vector<std::string> lines = SplitLines(message);
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].empty()) problems.push_back("empty line " + std::to_string(i + 1));
    if (!problems.empty()) return problems;
    const bool firstOk = prefixOnly ? StartsWith(lines.front(), firstLine) : lines.front() == firstLine;
    if (!firstOk)
        problems.push_back("first line \"" + lines.front() + "\", expected \"" + firstLine + "\"" +
                           (prefixOnly ? "..." : ""));
    if (lines.size() < 2) problems.push_back("no cause under the operation's line");
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!StartsWith(lines[i], NotRestoredPrefix)) continue;
        // The words a failed erase took stand right under its own line, over the cause.
        if (i != 1 || lines[0] != failed::Erase || i + 1 == lines.size())
            problems.push_back("\"" + lines[i] + "\" is not right under \"" + failed::Erase +
                               "\" over a cause");
        std::map<int32_t, int32_t> words;
        if (!ParseNotRestored(lines[i], words)) problems.push_back("malformed line: \"" + lines[i] + "\"");
    }
    return problems;
}

} // namespace vesk::soak
