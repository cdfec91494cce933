// Chip definition loader: arbitrary bytes as a "ChipDef_*.ini" file, read from disk
// and from memory. Any `vesk::Exception` is a proper refusal; a loaded chip must be
// consistent (buffers of the declared sizes, lookups that find what they return).
#include "FuzzSupport.h"

#include "chipdef/ChipDefinition.h"
#include "chipdef/DefinitionIni.h"
#include "common/VESK_Exception.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace {

void CheckLookup(const vesk::TChipDefinition& chip, int64_t address) {
    bool expected = false;
    for (const auto& region : chip.Regions)
        expected = expected || region.Contains(address);
    try {
        const vesk::TChipRegion& region = chip.RegionByAddress(address);
        VESK_FUZZ_CHECK(expected && region.Contains(address));
    } catch (const vesk::Exception&) {
        VESK_FUZZ_CHECK(!expected);
    }
}

// A loaded field lies in the Fuses region, its options within its bits, its name
// finds it, and no two fields of one word share a bit.
void CheckFields(const vesk::TChipDefinition& chip) {
    for (std::size_t i = 0; i < chip.Fields.size(); ++i) {
        const vesk::ConfigField_t& field = chip.Fields[i];
        VESK_FUZZ_CHECK(field.Mask > 0 && !field.Options.empty());
        VESK_FUZZ_CHECK(chip.RegionByCode(vesk::RegionCodeFuses).Contains(field.Address));
        VESK_FUZZ_CHECK(chip.FieldByName(field.Name) == &field);
        for (const vesk::ConfigOption_t& option : field.Options)
            VESK_FUZZ_CHECK((option.Value & ~field.Mask) == 0);
        for (std::size_t j = 0; j < i; ++j)
            VESK_FUZZ_CHECK(chip.Fields[j].Address != field.Address ||
                            (chip.Fields[j].Mask & field.Mask) == 0);
    }
}

void CheckChip(vesk::TChipDefinition& chip) {
    // A chip without a device ID ("Id=none") has no mask either.
    VESK_FUZZ_CHECK(!chip.Name.empty() && (chip.Id >= 0 || chip.IdMask == -1) && chip.Algorithm >= 0);
    CheckFields(chip);
    std::vector<int64_t> addresses = {
        0,           1, 0x2000, 0x2007, 0x2100, 0x3FF, -1, 0x7FFFFFFF, std::numeric_limits<int32_t>::min(),
        0x8000007ELL};
    for (const auto& region : chip.Regions) {
        VESK_FUZZ_CHECK(region.Code > 0 && region.Start >= 0 && region.Size >= 0);
        VESK_FUZZ_CHECK(region.Data.size() == static_cast<std::size_t>(region.Size));
        VESK_FUZZ_CHECK(region.CountNonDefault() == 0);
        addresses.push_back(region.Start);
        addresses.push_back(int64_t(region.Start) + region.Size - 1);
        addresses.push_back(int64_t(region.Start) + region.Size);
        for (const auto& entry : region.Preserve)
            addresses.push_back(entry.Address);
        VESK_FUZZ_CHECK(chip.HasRegion(region.Code));
        VESK_FUZZ_CHECK(chip.RegionByCode(region.Code).Code == region.Code);
    }
    for (int64_t address : addresses)
        CheckLookup(chip, address);
    // Writing a word where the chip has memory lands in that region.
    for (int64_t address : addresses) {
        try {
            chip.SetWord(address, 0x1234);
        } catch (const vesk::Exception&) {
        }
    }
    chip.ResetImage();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static vesk::test::TTempFolder folder;
    const std::string text(reinterpret_cast<const char*>(data), size);

    // The pieces of the reader on their own.
    try {
        const vesk::TDefinitionIni ini = vesk::TDefinitionIni::Parse(text);
        (void)ini.Value("Chip", "Name");
        (void)ini.HasSection("Region1");
    } catch (const vesk::Exception&) {
    }
    const std::string firstLine = text.substr(0, text.find('\n'));
    // Every negative value counts as bad (-1), like a text that does not parse.
    const auto number = vesk::ParseDefinitionNumber(firstLine);
    VESK_FUZZ_CHECK(vesk::ReadDefinitionNumber(firstLine) == (number && *number >= 0 ? *number : -1));
    (void)vesk::SplitCommaText(firstLine);

    vesk::TChipDefinition fromText;
    bool textLoaded = false;
    try {
        textLoaded = fromText.LoadFromText(text);
    } catch (const vesk::Exception&) {
    }
    if (textLoaded) CheckChip(fromText);

    // The same bytes as a file.
    const std::string path = folder.Path() + "ChipDef_fuzz.ini";
    vesk::fuzz::WriteFileBytes(path, data, size);
    vesk::TChipDefinition fromFile;
    bool fileLoaded = false;
    try {
        fileLoaded = fromFile.LoadFromFile(path);
    } catch (const vesk::Exception& e) {
        VESK_FUZZ_CHECK(e.Message().rfind("Error reading file: " + path + "\n", 0) == 0);
    }
    VESK_FUZZ_CHECK(fileLoaded == textLoaded);
    if (fileLoaded) {
        VESK_FUZZ_CHECK(fromFile.Name == fromText.Name && fromFile.Id == fromText.Id &&
                        fromFile.Regions.size() == fromText.Regions.size() &&
                        fromFile.Fields.size() == fromText.Fields.size());
        // Loading again into the same chip starts from an empty chip.
        fromFile.LoadFromFile(path);
        VESK_FUZZ_CHECK(fromFile.Regions.size() == fromText.Regions.size() &&
                        fromFile.Fields.size() == fromText.Fields.size());
    }
    return 0;
}
