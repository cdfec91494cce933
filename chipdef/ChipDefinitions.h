// The global list of loaded chip types and the loader of the "ChipDef_*.ini" files.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "chipdef/ChipDefinition.h"

namespace vesk {

// The loaded chips, in load order (file names sorted). Never freed during the run, so
// references to its chips stay valid.
extern std::vector<std::unique_ptr<TChipDefinition>> ChipDefinitions;

// Directory of the running executable, with a trailing separator: ProgramFolder()
// (from /proc/self/exe with '/'; on Windows from the module's file name with '\'),
// or "./" when that cannot be found, so that there is always a folder to search.
std::string ProgramDirectory();

// Names (not paths) of the chip definition files of a directory, sorted byte-wise:
// regular files (or links to them) named "ChipDef_*.ini", letter case ignored as the
// files' home platform does; hidden files (starting with '.') and directories skipped.
// Throws Exception when the directory cannot be searched.
std::vector<std::string> FindChipDefinitionFiles(const std::string& directory);

// Loads every definition file of `directory` into `into` (appending; nothing is
// cleared). Returns true or throws VESK_Exception
// "Error loading chip definitions\n<cause>"; chips loaded before the faulty file stay.
bool LoadChipDefinitions(const std::string& directory, std::vector<std::unique_ptr<TChipDefinition>>& into);
// The same into `ChipDefinitions`.
bool LoadChipDefinitions(const std::string& directory);
// The same from `ProgramDirectory()`.
bool LoadChipDefinitions();

// The user's own folder of chip definition files, ending in "/":
// "$XDG_DATA_HOME/vesk/chips/" (an absolute XDG_DATA_HOME only), else
// "$HOME/.local/share/vesk/chips/"; empty when neither is known and on Windows.
std::string UserChipDirectory();
// Loads `programDirectory`, then the user's folder when it exists, with the same
// rules and messages, into `ChipDefinitions`.
bool LoadChipDefinitionsWithUser(const std::string& programDirectory);
// The path of the file `chip` was loaded from by the loaders above; "" for a chip
// they did not load.
std::string ChipDefinitionFile(const TChipDefinition& chip);

} // namespace vesk
