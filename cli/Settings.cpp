#include "cli/Settings.h"

#include "storage/SettingsFile.h"
#include "storage/SettingsPlace.h"
#include "storage/SettingsTable.h"

#include <filesystem>

namespace vesk::cli {

TSettings ReadSettings(const std::string& directory) {
    TSettingValues values;
    // Beside the program where that folder may be written, else the user's own file
    // (or, until the window first saved one, the one beside the program).
    const std::filesystem::path file = PlaceSettingsFile(directory, SettingsFileName).ReadFrom;
    std::error_code ec;
    if (std::filesystem::is_regular_file(file, ec)) {
        try {
            LoadSettingValues(file.string(), values);
        } catch (...) {
            // Settings that cannot be read are ignored, as the desktop program ignores them.
        }
    }
    using I = TSettingId;
    // The settings page keeps the programming delay to one byte.
    return {values.Text(I::ComPort), values.Number(I::ComReadTimeout), values.Number(I::ProgramDelay) & 0xFF,
            values.Text(I::DeviceID), values.Number(I::VeskBaudRate)};
}

} // namespace vesk::cli
