#include "ChipCatalogue.h"

#include <filesystem>
#include <system_error>

#include "VESK_Exception.h"
#include "common/Text.h"

namespace vesk {

bool TChipCatalogue::Load(const std::string& directory) {
    return LoadChipDefinitionFiles(directory,
                                   [this](std::unique_ptr<TChipDefinition> chip, std::string path) {
                                       FChips.push_back(std::move(chip));
                                       FFiles.push_back(std::move(path));
                                   });
}

bool TChipCatalogue::LoadWithUser(const std::string& programDirectory) {
    Load(programDirectory);
    const std::string user = UserChipDirectory();
    std::error_code ec;
    // The user's folder is optional; one that exists follows the same rules.
    if (!user.empty() && std::filesystem::exists(user, ec)) Load(user);
    return true;
}

const TChipDefinition& TChipCatalogue::Add(std::unique_ptr<TChipDefinition> chip) {
    FChips.push_back(std::move(chip));
    FFiles.emplace_back();
    return *FChips.back();
}

const TChipDefinition* TChipCatalogue::ByName(std::string_view name) const {
    for (const auto& chip : FChips)
        if (chip->Name == name) return chip.get();
    for (const auto& chip : FChips)
        if (EqualNoCase(chip->Name, name)) return chip.get();
    return nullptr;
}

const TChipDefinition* TChipCatalogue::ById(int32_t id) const {
    for (const auto& chip : FChips)
        if (chip->MatchesId(id)) return chip.get();
    return nullptr;
}

std::string TChipCatalogue::FileOf(const TChipDefinition& chip) const {
    for (std::size_t i = 0; i < FChips.size(); ++i)
        if (FChips[i].get() == &chip) return FFiles[i];
    return {};
}

} // namespace vesk
