// The chip types a run knows: the facts of the "ChipDef_*.ini" files, loaded once and
// handed by reference to whatever needs them (the driver's detection, the window's
// list, `vesk`'s commands).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "chipdef/ChipDefinition.h"
#include "chipdef/ChipDefinitions.h"

namespace vesk {

class TChipCatalogue {
  public:
    TChipCatalogue() = default;
    // Moving keeps every chip where it is: references to them stay valid.
    TChipCatalogue(TChipCatalogue&&) = default;
    TChipCatalogue& operator=(TChipCatalogue&&) = default;
    TChipCatalogue(const TChipCatalogue&) = delete;
    TChipCatalogue& operator=(const TChipCatalogue&) = delete;

    // Loads every definition file of `directory` after the chips already known; true or
    // throws VESK_Exception "Error loading chip definitions\n<cause>" (the chips loaded
    // before the faulty file stay).
    bool Load(const std::string& directory);
    // `Load` of `programDirectory`, then of the user's folder when it exists.
    bool LoadWithUser(const std::string& programDirectory);
    // Takes a chip that comes from no file (tests, fuzz targets).
    const TChipDefinition& Add(std::unique_ptr<TChipDefinition> chip);

    // In load order (file names sorted, program folder first).
    const std::vector<std::unique_ptr<const TChipDefinition>>& Chips() const { return FChips; }
    std::size_t Size() const { return FChips.size(); }
    bool Empty() const { return FChips.empty(); }
    // The first chip of exactly that name, else the first whose name differs only in
    // letter case; nullptr when none.
    const TChipDefinition* ByName(std::string_view name) const;
    // The first chip the target's ID word names (`MatchesId`); nullptr when none.
    const TChipDefinition* ById(int32_t id) const;
    // The path of the file the chip was loaded from; "" for one it did not load.
    std::string FileOf(const TChipDefinition& chip) const;

  private:
    std::vector<std::unique_ptr<const TChipDefinition>> FChips;
    std::vector<std::string> FFiles; // parallel to FChips
};

} // namespace vesk
