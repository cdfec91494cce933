// The "ChipDef_*.ini" files of a folder and their loader; `TChipCatalogue`
// (ChipCatalogue.h) keeps what they load.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "chipdef/ChipDefinition.h"

namespace vesk {

// Directory of the running executable, with a trailing separator: ProgramFolder()
// (from /proc/self/exe with '/'; on Windows from the module's file name with '\'),
// or "./" when that cannot be found, so that there is always a folder to search.
std::string ProgramDirectory();

// Names (not paths) of the chip definition files of a directory, sorted byte-wise:
// regular files (or links to them) named "ChipDef_*.ini", letter case ignored as the
// files' home platform does; hidden files (starting with '.') and directories skipped.
// Throws Exception when the directory cannot be searched.
std::vector<std::string> FindChipDefinitionFiles(const std::string& directory);

// Loads every definition file of `directory` in name order, handing each chip with the
// path of its file to `loaded`. Returns true or throws VESK_Exception
// "Error loading chip definitions\n<cause>"; chips handed over before the faulty file
// stay with the caller.
bool LoadChipDefinitionFiles(
    const std::string& directory,
    const std::function<void(std::unique_ptr<TChipDefinition>, std::string)>& loaded);
// The same into `into` (appending; nothing is cleared).
bool LoadChipDefinitions(const std::string& directory, std::vector<std::unique_ptr<TChipDefinition>>& into);

// The user's own folder of chip definition files, ending in "/":
// "$XDG_DATA_HOME/vesk/chips/" (an absolute XDG_DATA_HOME only), else
// "$HOME/.local/share/vesk/chips/"; empty when neither is known and on Windows.
std::string UserChipDirectory();

} // namespace vesk
