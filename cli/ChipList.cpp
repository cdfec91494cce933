#include "cli/ChipList.h"
#include "cli/ExitStatus.h"

#include "chipdef/ChipCatalogue.h"
#include "chipdef/ChipLookup.h"
#include "common/Text.h"

#include <algorithm>
#include <ostream>

namespace vesk::cli {

namespace {

std::string Padded(std::string text, size_t width) {
    text.resize(std::max(text.size() + 1, width), ' ');
    return text;
}

std::string Names(const std::vector<const TChipDefinition*>& chips) {
    std::string names;
    for (const TChipDefinition* chip : chips)
        names += (names.empty() ? "" : ", ") + chip->Name;
    return names;
}

// "Code   0x0000-0x0FFF  4096 words, 14 bits, erased 0x3FFF"
std::string RegionLine(const TChipRegion& region) {
    std::string line = Padded(region.Name, 7);
    if (region.Size > 0)
        line += "0x" + Hex(region.Start, 4) + "-0x" + Hex(region.Start + region.Size - 1, 4) + "  ";
    line += std::to_string(region.Size) + (region.Size == 1 ? " word" : " words");
    if (region.Size == 0) return line;
    if (region.Width > 0) line += ", " + std::to_string(region.Width) + " bits";
    line += ", erased 0x" + Hex(region.Default, 4);
    if (region.Algorithm >= 0) line += ", algorithm " + std::string(AlgorithmNameOf(region.Algorithm));
    for (const AddressAndMask_t& p : region.Protect)
        line += ", reads 0 while a bit of 0x" + Hex(p.Mask, 4) + " at 0x" + Hex(p.Address, 4) + " is 0";
    return line;
}

void PrintKeptWords(const TChipDefinition& chip, std::ostream& out) {
    out << "Kept by every erase (factory calibration):";
    bool any = false;
    for (const TChipRegion& region : chip.Regions)
        for (const AddressAndMask_t& p : region.Preserve) {
            out << "\n  0x" << Hex(p.Address, 4) << "  bits 0x" << Hex(p.Mask, 4);
            any = true;
        }
    out << (any ? "\n" : " none\n");
}

// Each word of the Fuses region with the bits it has, its erased value and its fields.
void PrintConfiguration(const TChipDefinition& chip, std::ostream& out) {
    out << "Configuration:\n";
    if (!chip.HasRegion(RegionCodeFuses)) return;
    const TChipRegion& fuses = chip.RegionByCode(RegionCodeFuses);
    for (int32_t address = fuses.Start; address < fuses.Start + fuses.Size; ++address) {
        out << "  0x" << Hex(address, 4) << "  bits 0x" << Hex(fuses.ImplementedBits(address) & 0xFFFF, 4)
            << ", erased 0x" << Hex(fuses.ErasedValue(address), 4) << "\n";
        for (const ConfigField_t& field : chip.Fields) {
            if (field.Address != address) continue;
            std::string options;
            for (const ConfigOption_t& option : field.Options)
                options += (options.empty() ? "" : ", ") + option.Name + "=0x" + Hex(option.Value, 4);
            out << "    " << Padded(field.Name, 10) << "0x" << Hex(field.Mask, 4) << "  " << options << "\n";
        }
    }
}

} // namespace

void PrintChipLines(const TChipCatalogue& catalogue, const std::string& pattern, std::ostream& out) {
    const std::vector<const TChipDefinition*> chips = ChipsNamedLike(catalogue, pattern);
    if (chips.empty() && !pattern.empty()) throw ECommand(ExitUsage, "vesk: no chip type matches " + pattern);
    for (const TChipDefinition* chip : chips) {
        // As wide as an ID, so that the columns stay aligned.
        std::string line = Padded(chip->Name, 12) + (chip->HasId() ? "0x" + Hex(chip->Id, 4) : "none  ") +
                           "  " + Padded(std::string(AlgorithmNameOf(chip->Algorithm)), 8);
        std::string regions;
        for (const TChipRegion& region : chip->Regions)
            regions += (regions.empty() ? "" : ", ") + region.Name + " 0x" + Hex(region.Start, 4) + " " +
                       std::to_string(region.Size);
        out << line << regions << "  " << catalogue.FileOf(*chip) << "\n";
    }
}

const TChipDefinition& ChipForLongListing(const TChipCatalogue& catalogue, const std::string& name) {
    if (const TChipDefinition* chip = catalogue.ByName(name)) return *chip;
    const std::vector<const TChipDefinition*> chips = ChipsNamedLike(catalogue, name);
    if (chips.size() == 1) return *chips.front();
    if (chips.empty()) throw ECommand(ExitUsage, "vesk: no chip type matches " + name);
    // A name given without its "PIC" ("16F87" among PIC16F87, PIC16F870, ...).
    std::vector<const TChipDefinition*> ending;
    for (const TChipDefinition* chip : chips)
        if (EqualNoCase(std::string_view(chip->Name).substr(chip->Name.size() - name.size()), name))
            ending.push_back(chip);
    if (ending.size() == 1) return *ending.front();
    throw ECommand(ExitUsage, "vesk: more than one chip type matches " + name + ": " + Names(chips));
}

void PrintChipLong(const TChipDefinition& chip, const TChipCatalogue& catalogue, std::ostream& out) {
    out << chip.Name << "\n";
    out << "  Device ID:  ";
    if (chip.HasId())
        out << "0x" << Hex(chip.Id, 4) << ", bits 0x" << Hex(chip.IdMask & 0xFFFF, 4) << " name the chip"
            << SameDeviceIdNote(catalogue, chip) << "\n";
    else
        out << "none (chosen by name, never identified)\n";
    out << "  Algorithm:  " << AlgorithmNameOf(chip.Algorithm) << "\n";
    out << "  File:       " << catalogue.FileOf(chip) << "\n";
    out << "Regions:\n";
    for (const TChipRegion& region : chip.Regions)
        out << "  " << RegionLine(region) << "\n";
    PrintKeptWords(chip, out);
    PrintConfiguration(chip, out);
}

} // namespace vesk::cli
