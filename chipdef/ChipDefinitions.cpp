#include "ChipDefinitions.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <system_error>

#include "VESK_Exception.h"
#include "common/ProgramFolder.h"
#include "common/Text.h"

namespace vesk {

std::vector<std::unique_ptr<TChipDefinition>> ChipDefinitions;

namespace {

// "ChipDef_*.ini": letter case is ignored, as on the platform these files come from.
bool IsDefinitionFileName(const std::string& name) {
    constexpr std::string_view prefix = "ChipDef_";
    constexpr std::string_view suffix = ".ini";
    return name.size() >= prefix.size() + suffix.size() && StartsWithNoCase(name, prefix) &&
           StartsWithNoCase(std::string_view(name).substr(name.size() - suffix.size()), suffix);
}

// A directory that ends in the platform's own separator (C:\chips\ on Windows) keeps it.
std::string WithTrailingSeparator(std::string directory) {
    if (directory.empty()) return "./";
    if (directory.back() != '/' && directory.back() != char(std::filesystem::path::preferred_separator))
        directory += '/';
    return directory;
}

// The file each loaded chip came from. Chips live for the whole run; an entry of a
// freed chip is replaced when its address is taken again.
std::map<const TChipDefinition*, std::string>& LoadedFiles() {
    static std::map<const TChipDefinition*, std::string> files;
    return files;
}

} // namespace

std::vector<std::string> FindChipDefinitionFiles(const std::string& directory) {
    namespace fs = std::filesystem;
    std::vector<std::string> names;
    std::error_code ec;
    fs::directory_iterator it(directory, ec);
    if (ec) throw Exception("Cannot search directory " + directory + ": " + ec.message());
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name[0] == '.' || !IsDefinitionFileName(name)) continue;
        std::error_code statusError;
        // Regular files and links to them; directories, devices and pipes are skipped.
        if (!fs::is_regular_file(it->path(), statusError)) continue;
        names.push_back(name);
    }
    if (ec) throw Exception("Cannot search directory " + directory + ": " + ec.message());
    // The directory's own order differs between machines; sorting makes the list and
    // target detection (first chip with a matching Id) the same everywhere.
    std::sort(names.begin(), names.end());
    return names;
}

bool LoadChipDefinitions(const std::string& directory, std::vector<std::unique_ptr<TChipDefinition>>& into) {
    return WithContext("Error loading chip definitions", TFailureKind::BadChipFile, [&] {
        const std::string dir = WithTrailingSeparator(directory);
        for (const std::string& name : FindChipDefinitionFiles(dir)) {
            auto chip = std::make_unique<TChipDefinition>();
            chip->LoadFromFile(dir + name);
            LoadedFiles()[chip.get()] = dir + name;
            into.push_back(std::move(chip));
        }
        return true;
    });
}

bool LoadChipDefinitions(const std::string& directory) {
    return LoadChipDefinitions(directory, ChipDefinitions);
}

std::string ProgramDirectory() {
    const std::string folder = ProgramFolder();
    return folder.empty() ? "./" : folder;
}

bool LoadChipDefinitions() {
    return LoadChipDefinitions(ProgramDirectory());
}

bool LoadChipDefinitionsWithUser(const std::string& programDirectory) {
    LoadChipDefinitions(programDirectory);
    const std::string user = UserChipDirectory();
    std::error_code ec;
    // The user's folder is optional; one that exists follows the same rules.
    if (!user.empty() && std::filesystem::exists(user, ec)) LoadChipDefinitions(user);
    return true;
}

std::string ChipDefinitionFile(const TChipDefinition& chip) {
    const auto it = LoadedFiles().find(&chip);
    return it == LoadedFiles().end() ? std::string() : it->second;
}

} // namespace vesk
