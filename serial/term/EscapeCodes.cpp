#include "EscapeCodes.h"

#include <charconv>

namespace vesk {

std::string_view EscapeCodeName(TEscapeCode code) {
    static constexpr std::string_view names[] = {
        "ecUnknown",
        "ecNotCompleted",
        "ecCursorUp",
        "ecCursorDown",
        "ecCursorLeft",
        "ecCursorRight",
        "ecCursorHome",
        "ecCursorMove",
        "ecReverseLineFeed",
        "ecAppCursorLeft",
        "ecAppCursorRight",
        "ecAppCursorUp",
        "ecAppCursorDown",
        "ecEraseLineFrom",
        "ecEraseScreenFrom",
        "ecEraseLine",
        "ecEraseScreen",
        "ecSetTab",
        "ecClearTab",
        "ecClearAllTabs",
        "ecIdentify",
        "ecIdentResponse",
        "ecQueryDevice",
        "ecReportDeviceOK",
        "ecReportDeviceFailure",
        "ecQueryCursorPos",
        "ecReportCursorPos",
        "ecAttributes",
        "ecSetMode",
        "ecResetMode",
        "ecReset",
        "ecSaveCaretAndAttr",
        "ecRestoreCaretAndAttr",
        "ecSaveCaret",
        "ecRestoreCaret",
        "ecTest",
        "ecIndex",
        "ecNextLine",
        "ecEraseLineTo",
        "ecEraseScreenTo",
        "ecCharacterSet",
    };
    const auto i = static_cast<std::size_t>(code);
    return i < std::size(names) ? names[i] : "ecUnknown";
}

int TEscapeCodes::GetParam(int index) const {
    return GetParam(index, FParams);
}

int TEscapeCodes::GetParam(int index, const std::vector<std::string>& params) {
    if (index < 1 || std::size_t(index) > params.size()) return 1;
    const std::string& text = params[std::size_t(index - 1)];
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') ++first;
    int value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    // Not a number, trailing characters or out of range: the default.
    if (error != std::errc{} || end != last || first == last) return 1;
    return value;
}

} // namespace vesk
