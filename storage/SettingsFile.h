// The desktop program's settings file, "WinVESK.ini", section "DIRUD": the one set-up of
// the storage that the window keeps its settings with and that vesk, the fuzz target and
// the tests read them with. Plain keys (no prefix), no signature line, no backup copy,
// nothing excluded (every property of the owner is a setting of SettingsTable.h).
// Each caller adds what is its own: the folder, whether it saves.
#pragma once

namespace vesk {

class TAppDataStorage;

inline constexpr const char* SettingsFileName = "WinVESK.ini";
inline constexpr const char* SettingsSectionName = "DIRUD";

// File name and section; no prefix, no signature line, no backup, no exclusions.
void SetUpSettingsFile(TAppDataStorage& storage);

} // namespace vesk
