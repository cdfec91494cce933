// The settings of the desktop program, one row each: the entry's name in "WinVESK.ini",
// the type of its value, its value before the file is read, and where the window keeps
// it. Rows are in the file's order: the seventeen of the first release first, then those
// added since (a new setting is a new row at the end).
//
// The window binds its properties to the rows (app/ProgrammingFormProperties.cpp) and
// starts from their defaults; `vesk` reads the window's file into `TSettingValues`. So a
// name or a default is written here only, and both programs agree on them.
#pragma once

#include "storage/PublishedOwner.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vesk {

enum class TSettingId {
    ImageFileName,
    ComPort,
    ComReadTimeout,
    ProgramDelay,
    DeviceID,
    VeskBaudRate,
    PassThroughEnter,
    PassThroughLines,
    PassThroughPolarity,
    RecentFiles,
    FixDataWriteError,
    FixFusesWriteError,
    DebugLevel,
    UseBuiltInTerminal,
    TerminalBaudRate,
    TerminalLocalEcho,
    VerifyAfterWrite,
    WriteOnImageChange,
    WindowSize,
    WindowPlace,
};
inline constexpr std::size_t SettingCount = std::size_t(TSettingId::WindowPlace) + 1;

// How the file holds the value: a text (line breaks encoded), a decimal number, 0 or 1,
// or a list of texts (a count and one numbered entry per line).
enum class TSettingType { Text, Integer, Flag, TextList };

// What the window forwards the setting to: a field of its own, or, read and written at
// the moment of access, the driver's property of the same name, the terminal view's
// local echo, the window's own frame (size and place).
enum class TSettingHome { Window, Driver, TerminalView, WindowFrame };

struct TSetting {
    TSettingId Id;
    const char* Name;
    TSettingType Type;
    int32_t Number;   // the default of an Integer, and of a Flag as 0 or 1
    const char* Text; // the default of a Text; "" for the frame: the window's own first size and place
    TSettingHome ForwardsTo;
};

namespace settings_rows {
constexpr TSetting Text(TSettingId id, const char* name, const char* value, TSettingHome home) {
    return {id, name, TSettingType::Text, 0, value, home};
}
constexpr TSetting Integer(TSettingId id, const char* name, int32_t value, TSettingHome home) {
    return {id, name, TSettingType::Integer, value, "", home};
}
constexpr TSetting Flag(TSettingId id, const char* name, bool value, TSettingHome home) {
    return {id, name, TSettingType::Flag, value ? 1 : 0, "", home};
}
// Empty before the file is read.
constexpr TSetting TextList(TSettingId id, const char* name, TSettingHome home) {
    return {id, name, TSettingType::TextList, 0, "", home};
}
} // namespace settings_rows

inline constexpr std::array<TSetting, SettingCount> SettingsTable = [] {
    using namespace settings_rows;
    using I = TSettingId;
    using H = TSettingHome;
    return std::array<TSetting, SettingCount>{{
        Text(I::ImageFileName, "ImageFileName", "", H::Window),
        Text(I::ComPort, "ComPort", "COM1", H::Driver),
        Integer(I::ComReadTimeout, "ComReadTimeout", 500, H::Driver), // ms per answered byte
        Integer(I::ProgramDelay, "ProgramDelay", 35, H::Driver),
        Text(I::DeviceID, "DeviceID", "0000", H::Driver),
        Integer(I::VeskBaudRate, "VeskBaudRate", 1, H::Window), // index: 19200 bit/s
        Flag(I::PassThroughEnter, "PassThroughEnter", true, H::Window),
        Integer(I::PassThroughLines, "PassThroughLines", 1, H::Window),       // lines 7,8
        Integer(I::PassThroughPolarity, "PassThroughPolarity", 1, H::Window), // TTL
        TextList(I::RecentFiles, "RecentFiles", H::Window),
        Flag(I::FixDataWriteError, "FixDataWriteError", true, H::Driver),
        Flag(I::FixFusesWriteError, "FixFusesWriteError", true, H::Driver),
        Integer(I::DebugLevel, "DebugLevel", 0, H::Window),
        Flag(I::UseBuiltInTerminal, "UseBuiltInTerminal", false, H::Window),
        Integer(I::TerminalBaudRate, "TerminalBaudRate", 9600, H::Window),
        Flag(I::TerminalLocalEcho, "TerminalLocalEcho", false, H::TerminalView),
        Flag(I::VerifyAfterWrite, "VerifyAfterWrite", false, H::Window),
        Flag(I::WriteOnImageChange, "WriteOnImageChange", false, H::Window),
        Text(I::WindowSize, "WindowSize", "", H::WindowFrame),   // "width,height[,maximized]"
        Text(I::WindowPlace, "WindowPlace", "", H::WindowFrame), // "left,top"
    }};
}();

// Row i is the setting with id i: every id has its row, and the ids follow the file.
static_assert([] {
    for (std::size_t i = 0; i < SettingCount; ++i)
        if (std::size_t(SettingsTable[i].Id) != i) return false;
    return true;
}());

// The row of an entry name (exact letter case); null for none.
const TSetting* FindSetting(std::string_view name);

// Gives each property the default of its row (a property without one is left alone).
void SetToDefaults(const std::vector<TPublishedProperty>& properties);

// Every setting as a plain value, starting from its default: the owner that `vesk`
// loads the window's file into. Its published properties are the table's rows.
class TSettingValues : public TPublishedOwner {
  public:
    TSettingValues();

    int32_t Number(TSettingId id) const { return FValues[std::size_t(id)].Number; } // Integer, Flag
    const std::string& Text(TSettingId id) const { return FValues[std::size_t(id)].Text; }
    const std::vector<std::string>& Lines(TSettingId id) const { return FValues[std::size_t(id)].Lines; }

    std::vector<TPublishedProperty> PublishedProperties() override;

  private:
    struct TValue {
        int32_t Number = 0;
        std::string Text;
        std::vector<std::string> Lines;
    };
    std::array<TValue, SettingCount> FValues;
};

// Takes every value present in `file`, read as the window saves it (SettingsFile.h);
// the file is never written. Raises `vesk::Exception` when it cannot be read.
void LoadSettingValues(const std::string& file, TSettingValues& values);

} // namespace vesk
