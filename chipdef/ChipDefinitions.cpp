#include "ChipDefinitions.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "VESK_Exception.h"
#include "common/ProgramFolder.h"
#include "common/Text.h"

namespace vesk {

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

bool LoadChipDefinitionFiles(
    const std::string& directory,
    const std::function<void(std::unique_ptr<TChipDefinition>, std::string)>& loaded) {
    return WithContext("Error loading chip definitions", TFailureKind::BadChipFile, [&] {
        const std::string dir = WithTrailingSeparator(directory);
        for (const std::string& name : FindChipDefinitionFiles(dir)) {
            auto chip = std::make_unique<TChipDefinition>();
            chip->LoadFromFile(dir + name);
            loaded(std::move(chip), dir + name);
        }
        return true;
    });
}

bool LoadChipDefinitions(const std::string& directory, std::vector<std::unique_ptr<TChipDefinition>>& into) {
    return LoadChipDefinitionFiles(directory, [&into](std::unique_ptr<TChipDefinition> chip, std::string) {
        into.push_back(std::move(chip));
    });
}

std::string ProgramDirectory() {
    const std::string folder = ProgramFolder();
    return folder.empty() ? "./" : folder;
}

} // namespace vesk
