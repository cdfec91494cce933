// Chips for the buffer view tests: built in memory, or read from the shipped chip files.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>

#include "chipdef/ChipDefinition.h"

namespace bufferview_test {

struct RegionSpec {
    const char* Name;
    vesk::RegionCode Code;
    int32_t Start;
    int32_t Size;
    int32_t Default;
};

// A chip with the given regions, every word at its default.
inline std::unique_ptr<vesk::TChipDefinition> MakeChip(const std::string& name,
                                                       std::initializer_list<RegionSpec> regions) {
    auto chip = std::make_unique<vesk::TChipDefinition>();
    chip->Id = 1;
    chip->Name = name;
    chip->Algorithm = vesk::AlgorithmPIC16;
    for (const RegionSpec& r : regions)
        chip->Regions.emplace_back(r.Name, r.Code, r.Start, r.Start, r.Size, r.Default, -1);
    return chip;
}

// The shipped definition of a chip type, read from the repository's chips folder.
inline std::unique_ptr<vesk::TChipDefinition> ShippedChip(const std::string& name) {
    auto chip = std::make_unique<vesk::TChipDefinition>();
    chip->LoadFromFile(std::string(VESK_SOURCE_DIR) + "/chips/ChipDef_" + name + ".ini");
    return chip;
}

} // namespace bufferview_test
