// Chips for the buffer view tests: built in memory, or read from the shipped chip files.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>

#include "chipdef/ChipSession.h"

namespace bufferview_test {

// A chip with a session of its own, for the views that show a buffer.
struct TOwnedSession : vesk::TChipSession {
    explicit TOwnedSession(std::unique_ptr<vesk::TChipDefinition> chip)
        : vesk::TChipSession(*chip), Owned(std::move(chip)) {}
    std::unique_ptr<vesk::TChipDefinition> Owned;
};

struct RegionSpec {
    const char* Name;
    vesk::RegionCode Code;
    int32_t Start;
    int32_t Size;
    int32_t Default;
};

// A chip with the given regions, every word at its default.
inline std::unique_ptr<TOwnedSession> MakeChip(const std::string& name,
                                               std::initializer_list<RegionSpec> regions) {
    auto chip = std::make_unique<vesk::TChipDefinition>();
    chip->Id = 1;
    chip->Name = name;
    chip->Algorithm = vesk::AlgorithmPIC16;
    for (const RegionSpec& r : regions)
        chip->Regions.emplace_back(r.Name, r.Code, r.Start, r.Start, r.Size, r.Default, -1);
    return std::make_unique<TOwnedSession>(std::move(chip));
}

// The shipped definition of a chip type, read from the repository's chips folder.
inline std::unique_ptr<TOwnedSession> ShippedChip(const std::string& name) {
    auto chip = std::make_unique<vesk::TChipDefinition>();
    chip->LoadFromFile(std::string(VESK_SOURCE_DIR) + "/chips/ChipDef_" + name + ".ini");
    return std::make_unique<TOwnedSession>(std::move(chip));
}

} // namespace bufferview_test
