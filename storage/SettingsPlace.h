// Where a program keeps its settings file: beside the program where that folder
// may be written (a portable copy), otherwise in the user's own folder.
#pragma once

#include <string>

namespace vesk {

struct TSettingsPlace {
    std::string ReadFrom;  // the file whose values are loaded
    std::string WriteTo;   // the file a save replaces
    bool UserFile = false; // WriteTo is the user's own file (its folder is made at the first save)
};

// The user's folder for this program's settings, ending in "/":
// "$XDG_CONFIG_HOME/vesk/" (an absolute XDG_CONFIG_HOME only), else
// "$HOME/.config/vesk/"; empty when neither is known and on Windows.
std::string UserConfigFolder();

// `fileName` in `folder` (ending in "/") when that folder may be written or no
// user folder is known. Otherwise the user's file is written; it is also read
// once it exists, and until then the one in `folder` gives the starting values.
TSettingsPlace PlaceSettingsFile(const std::string& folder, const std::string& fileName);

} // namespace vesk
