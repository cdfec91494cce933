#include "ChipList.h"

#include <algorithm>
#include <map>

#include "ChipFile.h"
#include "Families.h"

namespace vesk::chipgen {

namespace {

std::string Row(const std::vector<std::string>& cells) {
    std::string row = "|";
    for (const std::string& cell : cells)
        row += " " + cell + " |";
    return row + "\n";
}

std::string ProgramMemory(const Device_t& d) {
    const std::string words = std::to_string(d.CodeWords) + " words";
    if (!d.Pic18) return words;
    return words + " (" + std::to_string(d.CodeWords * 2 / 1024) + " KB)";
}

std::string Calibration(const Device_t& d) {
    std::vector<std::string> kinds;
    for (const Calibration_t& c : d.Calibration)
        kinds.push_back(c.Kind == TCalibration::Osccal    ? "OSCCAL " + Hex(c.Address, 4)
                        : c.Kind == TCalibration::BandGap ? "band gap"
                                                          : "word " + Hex(c.Address, 4));
    std::string text;
    for (const std::string& kind : kinds)
        text += (text.empty() ? "" : ", ") + kind;
    return text;
}

std::string PartRow(const Device_t& d) {
    return Row({d.Name, d.Pic18 ? "PIC18" : "mid-range", d.Id ? Hex(*d.Id, 4) : "none",
                d.IdMask ? Hex(*d.IdMask, 4) : "", ProgramMemory(d),
                d.EepromBytes == 0 ? "none" : std::to_string(d.EepromBytes) + " bytes",
                d.Pic18 ? std::to_string(d.Config.size() * 2) + " bytes"
                        : std::to_string(d.Config.size()) + (d.Config.size() == 1 ? " word" : " words"),
                std::string(AlgorithmOf(d)), Calibration(d)});
}

// Parts of one core that report the same device ID: identification takes the first.
std::string SharedIds(const std::vector<Device_t>& devices) {
    std::map<std::pair<bool, uint32_t>, std::vector<std::string>> byId;
    for (const Device_t& d : devices)
        if (d.Id) byId[{d.Pic18, *d.Id}].push_back(d.Name);
    std::string text;
    for (const auto& [id, names] : byId) {
        if (names.size() < 2) continue;
        std::string group;
        for (std::size_t i = 0; i < names.size(); ++i)
            group += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
        text += "- " + group + " (" + Hex(id.second, 4) + ")\n";
    }
    return text;
}

} // namespace

std::string ChipListText(const std::vector<Device_t>& devices) {
    const auto pic18 =
        std::count_if(devices.begin(), devices.end(), [](const Device_t& d) { return d.Pic18; });
    std::string text =
        "# Chips\n\n"
        "<!-- Made by scripts/generate-chips from chips/data/devices.json: edits here are lost. -->\n\n"
        "The " +
        std::to_string(devices.size()) + " flash PIC parts of the shipped chip definition files: " +
        std::to_string(devices.size() - static_cast<std::size_t>(pic18)) + " mid-range parts and " +
        std::to_string(pic18) +
        " PIC18. Device ID: the word the target reports, revision bits zero; ID mask: the bits of it that "
        "name "
        "the part. Program memory in instruction words, data EEPROM in bytes, configuration in words "
        "(mid-range) "
        "or bytes (PIC18). Algorithm: the programmer's algorithm the file names (see [chip "
        "definitions](chip-definitions.md#algorithms) for "
        "why, and how to change it). Calibration: the factory values every erase keeps.\n\n"
        "Parts without a device ID are never identified from the target: choose them by name. Parts of one "
        "family that report the same device ID cannot be told apart by it; identification takes the first "
        "in name order:\n\n" +
        SharedIds(devices) + "\n" +
        Row({"Chip", "Core", "Device ID", "ID mask", "Program memory", "Data EEPROM", "Configuration",
             "Algorithm", "Calibration"}) +
        "|---|---|---|---|---|---|---|---|---|\n";
    for (const Device_t& d : devices)
        text += PartRow(d);
    return text;
}

} // namespace vesk::chipgen
