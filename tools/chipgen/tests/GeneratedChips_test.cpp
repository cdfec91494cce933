// Every shipped chip file loads and says what the device table says: what a user relies
// on when choosing, identifying and programming a chip. The table is read here on its
// own, not through the generator, so that a fault of the generator shows.
#include <gtest/gtest.h>

#include <fstream>

#include <nlohmann/json.hpp>

#include "chipdef/ChipDefinitions.h"

using namespace vesk;
using json = nlohmann::json;

namespace {

const std::string Chips = std::string(VESK_SOURCE_DIR) + "/chips";

struct Part_t {
    std::string Name;
    json Facts;
};

const std::vector<Part_t>& Parts() {
    static const std::vector<Part_t> parts = [] {
        std::ifstream in(Chips + "/data/devices.json");
        std::vector<Part_t> list;
        for (const json& facts : json::parse(in))
            list.push_back({facts.at("name").get<std::string>(), facts});
        return list;
    }();
    return parts;
}

int32_t Number(const json& text) {
    return static_cast<int32_t>(std::stoul(text.get<std::string>(), nullptr, 16));
}

std::vector<std::pair<int32_t, int32_t>> Entries(const std::vector<AddressAndMask_t>& list) {
    std::vector<std::pair<int32_t, int32_t>> pairs;
    for (const AddressAndMask_t& entry : list)
        pairs.emplace_back(entry.Address, entry.Mask);
    return pairs;
}

std::vector<std::pair<int32_t, int32_t>> Protection(const json& facts) {
    if (facts.is_null()) return {};
    return {{Number(facts.at("word_address")), Number(facts.at("mask"))}};
}

// Field name, address, mask, then "NAME=VALUE" of each option, in order.
std::vector<std::string> FieldsOf(const TChipDefinition& chip) {
    std::vector<std::string> lines;
    for (const ConfigField_t& field : chip.Fields) {
        lines.push_back(field.Name + " " + std::to_string(field.Address) + " " + std::to_string(field.Mask));
        for (const ConfigOption_t& option : field.Options)
            lines.push_back(option.Name + "=" + std::to_string(option.Value));
    }
    return lines;
}

std::vector<std::string> FieldsOf(const json& part) {
    std::vector<std::string> lines;
    for (const json& word : part.at("config"))
        for (const json& field : word.at("fields")) {
            lines.push_back(field.at("name").get<std::string>() + " " +
                            std::to_string(Number(word.at("word_address"))) + " " +
                            std::to_string(Number(field.at("mask"))));
            for (const json& option : field.at("options"))
                lines.push_back(option.at("name").get<std::string>() + "=" +
                                std::to_string(Number(option.at("value"))));
        }
    return lines;
}

// One part's file against the part's facts.
void ExpectTheTablesFacts(const Part_t& row) {
    const json& part = row.Facts;
    const bool pic18 = part.at("core") == "pic18";
    TChipDefinition chip;
    ASSERT_NO_THROW(chip.LoadFromFile(Chips + "/ChipDef_" + row.Name + ".ini"));
    EXPECT_EQ(chip.Name, row.Name);
    EXPECT_EQ(chip.Algorithm == AlgorithmPIC18, pic18);
    if (part.at("device_id").is_null()) {
        EXPECT_FALSE(chip.HasId());
        EXPECT_EQ(chip.IdMask, -1);
    } else {
        EXPECT_EQ(chip.Id, Number(part.at("device_id")));
        EXPECT_EQ(chip.IdMask, Number(part.at("id_mask")));
    }
    // Reading, writing and verifying look up all three of Code, Data and Fuses.
    for (const RegionCode code : {RegionCodeCode, RegionCodeData, RegionCodeFuses, RegionCodeId})
        ASSERT_TRUE(chip.HasRegion(code)) << code;
    const TChipRegion& code = chip.RegionByCode(RegionCodeCode);
    const TChipRegion& data = chip.RegionByCode(RegionCodeData);
    const TChipRegion& fuses = chip.RegionByCode(RegionCodeFuses);
    EXPECT_EQ(code.Start, 0);
    EXPECT_EQ(code.Size, part.at("code_words").get<int32_t>());
    EXPECT_EQ(data.Start, pic18 ? 0x780000 : 0x2100);
    EXPECT_EQ(data.Size, part.at("eeprom_bytes").get<int32_t>() / (pic18 ? 2 : 1));
    EXPECT_EQ(chip.RegionByCode(RegionCodeId).Size, part.at("id_words").get<int32_t>());
    for (const json& word : part.at("config")) {
        const int32_t address = Number(word.at("word_address"));
        ASSERT_TRUE(fuses.Contains(address)) << address;
        EXPECT_EQ(Number(word.at("implemented")) & ~fuses.ImplementedBits(address), 0) << address;
        EXPECT_EQ(fuses.ErasedValue(address), Number(word.at("erased"))) << address;
    }
    EXPECT_EQ(Entries(code.Protect), Protection(part.at("code_protect")));
    EXPECT_EQ(Entries(data.Protect), Protection(part.at("data_protect")));
    // Factory calibration survives an erase: each calibration is a preserve entry.
    for (const json& calibration : part.at("calibration")) {
        const int32_t address = Number(calibration.at("word_address"));
        const std::pair<int32_t, int32_t> entry{address, Number(calibration.at("mask"))};
        const auto preserved = Entries(chip.RegionByAddress(address).Preserve);
        EXPECT_NE(std::find(preserved.begin(), preserved.end(), entry), preserved.end()) << address;
    }
    EXPECT_EQ(FieldsOf(chip), FieldsOf(part));
}

} // namespace

TEST(GeneratedChips, EveryFileSaysWhatTheTableSays) {
    for (const Part_t& part : Parts()) {
        SCOPED_TRACE(part.Name);
        ExpectTheTablesFacts(part);
    }
}

// Identification walks the loaded chips in order and takes the first whose ID matches.
// Within its own family, every revision of a chip finds that chip or one that reports
// the very same ID (PIC16F636 and PIC16F639, ...); the chips without an ID are found by
// no ID at all.
TEST(GeneratedChips, EveryIdFindsItsChipWithinItsFamily) {
    std::vector<std::unique_ptr<TChipDefinition>> chips;
    LoadChipDefinitions(Chips, chips);
    ASSERT_EQ(chips.size(), Parts().size());
    std::vector<std::string> withoutId;
    for (const auto& chip : chips) {
        if (!chip->HasId()) {
            withoutId.push_back(chip->Name);
            continue;
        }
        const bool pic18 = chip->Algorithm == AlgorithmPIC18;
        const int32_t revisions = ~chip->IdMask & (pic18 ? 0xFFFF : 0x3FFF);
        for (const int32_t revision : {0, revisions}) {
            const int32_t id = chip->Id | revision;
            const auto found = std::find_if(chips.begin(), chips.end(), [&](const auto& c) {
                return (c->Algorithm == AlgorithmPIC18) == pic18 && c->MatchesId(id);
            });
            ASSERT_NE(found, chips.end()) << chip->Name;
            EXPECT_EQ((*found)->Id, chip->Id) << chip->Name << " is read as " << (*found)->Name;
        }
        for (const int32_t id : {0, 0x3FFF, 0xFFFF, chip->Id})
            for (const auto& other : chips) {
                if (other->HasId()) continue;
                EXPECT_FALSE(other->MatchesId(id)) << other->Name;
            }
    }
    EXPECT_EQ(withoutId, (std::vector<std::string>{"PIC16F83", "PIC16F84"}));
}
