// Filling a chip from its definition file.
#include "ChipDefinition.h"

#include "ConfigFieldsLoad.h"
#include "DefinitionIni.h"
#include "VESK_Exception.h"
#include "hexfile/TextLines.h"

namespace vesk {

namespace {

// The largest region accepted: 16 Mi words, which is also the most all regions of a
// chip may hold together. The buffers are allocated when the file loads; larger sizes
// (or many regions of the largest size) would only exhaust memory.
constexpr int32_t MaxRegionSize = 16 * 1024 * 1024;

// The items "address=mask" of a list key, in the order written. `what` names the key
// and `second` the number after the '=' in the messages: "Bad <what> address",
// "Bad <what> <second>".
std::vector<AddressAndMask_t> ReadMaskList(const std::string& value, const std::string& what,
                                           const std::string& second = "bit mask") {
    std::vector<AddressAndMask_t> entries;
    for (const std::string& item : SplitCommaText(value)) {
        const std::size_t eq = item.find('=');
        // An item without '=' has an empty, and so bad, address.
        const int32_t address =
            eq == std::string::npos ? -1 : ReadDefinitionNumber(std::string_view(item).substr(0, eq));
        if (address < 0) throw VESK_Exception("Bad " + what + " address");
        const int32_t mask = ReadDefinitionNumber(std::string_view(item).substr(eq + 1));
        if (mask < 0) throw VESK_Exception("Bad " + what + " " + second);
        entries.push_back(AddressAndMask_t{address, mask});
    }
    return entries;
}

// The items "ADDRESS" or "ADDRESS=MASK:VALUE" of a region's Calibration key: each
// address that of one of the region's preserve entries, named once.
std::vector<TCalibration_t> ReadCalibrations(const std::string& value, const TChipRegion& region) {
    std::vector<TCalibration_t> calibrations;
    const auto preserved = [&](int32_t address) {
        for (const AddressAndMask_t& entry : region.Preserve)
            if (entry.Address == address) return true;
        return false;
    };
    for (const std::string& item : SplitCommaText(value)) {
        const std::string_view text(item);
        const std::size_t eq = text.find('=');
        TCalibration_t calibration{ReadDefinitionNumber(text.substr(0, eq)), 0, 0};
        if (calibration.Address < 0) throw VESK_Exception("Bad calibration address");
        if (!preserved(calibration.Address)) throw VESK_Exception("Calibration address not preserved");
        for (const TCalibration_t& earlier : calibrations)
            if (earlier.Address == calibration.Address)
                throw VESK_Exception("Calibration address given twice");
        if (eq != std::string_view::npos) {
            const std::string_view form = text.substr(eq + 1);
            const std::size_t colon = form.find(':');
            calibration.Mask = ReadDefinitionNumber(form.substr(0, colon));
            if (calibration.Mask < 0) throw VESK_Exception("Bad calibration bit mask");
            calibration.Value =
                colon == std::string_view::npos ? -1 : ReadDefinitionNumber(form.substr(colon + 1));
            if (calibration.Value < 0) throw VESK_Exception("Bad calibration value");
            // No word could have such a value: every erase would stop.
            if ((calibration.Value & ~calibration.Mask) != 0)
                throw VESK_Exception("Calibration value outside its bit mask");
        }
        calibrations.push_back(calibration);
    }
    return calibrations;
}

// An optional number: -1 when the key is absent, else the number if `valid` holds for
// it, else the message.
int32_t ReadOptionalNumber(const std::string& value, bool (*valid)(int32_t), const char* message) {
    if (value.empty()) return -1;
    const int32_t number = ReadDefinitionNumber(value);
    if (number < 0 || !valid(number)) throw VESK_Exception(message);
    return number;
}

// The keys of what the silicon has, read after the preserve items: word width, the
// words with fewer bits, what missing bits read as, read protection.
void ReadSiliconKeys(const TDefinitionIni& ini, const std::string& section, TChipRegion& region) {
    region.Width = ReadOptionalNumber(
        ini.Value(section, "Width"), [](int32_t n) { return n >= 1 && n <= 32; }, "Bad region word width");
    for (const AddressAndMask_t& entry : ReadMaskList(ini.Value(section, "Implemented"), "implemented"))
        if (!region.Contains(entry.Address))
            throw VESK_Exception("Implemented address outside the region");
        else
            region.Implemented.push_back(entry);
    region.UnimplementedReads = ReadOptionalNumber(
        ini.Value(section, "Unimplemented"), [](int32_t n) { return n <= 1; },
        "Bad unimplemented bits value");
    region.Protect = ReadMaskList(ini.Value(section, "Protect"), "protect");
    for (const AddressAndMask_t& entry : region.Protect)
        if (entry.Mask == 0) throw VESK_Exception("Bad protect bit mask");
    for (const AddressAndMask_t& entry : ReadMaskList(ini.Value(section, "Erased"), "erased", "value"))
        if (!region.Contains(entry.Address))
            throw VESK_Exception("Erased address outside the region");
        else
            region.Erased.push_back(AddressAndValue_t{entry.Address, entry.Mask});
}

// `room`: the words the chip's earlier regions left of MaxRegionSize.
TChipRegion ReadRegion(const TDefinitionIni& ini, const std::string& section, int32_t room) {
    // All keys are read first, then checked in the order name, base, start, size, default,
    // then the preserve and calibration items.
    const std::string name = ini.Value(section, "Name");
    const int32_t base = ReadDefinitionNumber(ini.Value(section, "Base"));
    const int32_t start = ReadDefinitionNumber(ini.Value(section, "Start"));
    const int32_t size = ReadDefinitionNumber(ini.Value(section, "Size"));
    const int32_t defaultValue = ReadDefinitionNumber(ini.Value(section, "Default"));
    const AlgorithmCode algorithm = AlgorithmCodeOf(ini.Value(section, "Algorithm"));
    const std::string preserve = ini.Value(section, "Preserve");
    const std::string calibration = ini.Value(section, "Calibration");

    const RegionCode code = RegionCodeOf(name);
    if (code < 0) throw VESK_Exception("Unkown region name: " + name);
    if (base < 0) throw VESK_Exception("Missing or bad region base address");
    if (start < 0) throw VESK_Exception("Missing or bad region start address");
    if (size < 0 || size > room) throw VESK_Exception("Missing or bad region size");
    if (defaultValue < 0) throw VESK_Exception("Missing or bad region default value");

    TChipRegion region(name, code, base, start, size, defaultValue, algorithm);
    region.Preserve = ReadMaskList(preserve, "preserve");
    region.Calibration = ReadCalibrations(calibration, region);
    ReadSiliconKeys(ini, section, region);
    return region;
}

void FillChip(TChipDefinition& chip, const TDefinitionIni& ini) {
    const std::string name = ini.Value("Chip", "Name");
    // "none": the chip has no device ID (the oldest flash parts); it is chosen by name
    // and never matched by an ID read from a target.
    const bool noId = ini.Value("Chip", "Id") == "none";
    const int32_t id = noId ? -1 : ReadDefinitionNumber(ini.Value("Chip", "Id"));
    const AlgorithmCode algorithm = AlgorithmCodeOf(ini.Value("Chip", "Algorithm"));
    if (algorithm < 0) throw VESK_Exception("Missing or bad chip algorithm");
    if (name.empty()) throw VESK_Exception("Missing or bad chip name");
    if (id < 0 && !noId) throw VESK_Exception("Missing or bad chip Id");
    chip.Name = name;
    chip.Id = id;
    chip.Algorithm = algorithm;
    chip.IdMask = ReadOptionalNumber(
        ini.Value("Chip", "IdMask"), [](int32_t) { return true; }, "Bad chip Id mask");
    // A mask without an ID to compare has no meaning: a file that gives one is wrong.
    if (noId && chip.IdMask >= 0) throw VESK_Exception("Bad chip Id mask");

    // Region sections are numbered from 1 without gaps; the first missing or empty
    // section ends the list.
    int32_t room = MaxRegionSize;
    for (int n = 1;; ++n) {
        const std::string section = "Region" + std::to_string(n);
        if (!ini.HasSection(section)) break;
        chip.Regions.push_back(
            WithContext("Error reading section: " + section, [&] { return ReadRegion(ini, section, room); }));
        room -= chip.Regions.back().Size;
    }
    // A protection bit must lie in the chip, whichever region names it.
    const auto inChip = [&](int32_t address) {
        for (const TChipRegion& region : chip.Regions)
            if (region.Contains(address)) return true;
        return false;
    };
    for (std::size_t n = 0; n < chip.Regions.size(); ++n)
        for (const AddressAndMask_t& entry : chip.Regions[n].Protect)
            if (!inChip(entry.Address))
                throw VESK_Exception("Error reading section: Region" + std::to_string(n + 1) +
                                     "\nProtect address outside every region");
    ReadConfigFields(ini, chip);
}

} // namespace

bool TChipDefinition::LoadFromText(const std::string& text) {
    // Loading again starts from an empty chip, so a reload never appends regions.
    Id = -1;
    IdMask = -1;
    Name.clear();
    Algorithm = -1;
    Regions.clear();
    Fields.clear();
    WithKind(TFailureKind::BadChipFile, [&] { FillChip(*this, TDefinitionIni::Parse(text)); });
    return true;
}

bool TChipDefinition::LoadFromFile(const std::string& path) {
    return WithContext("Error reading file: " + path, TFailureKind::BadChipFile, [&] {
        const std::string text = ReadTextFile(path, TDefinitionIni::MaxFileBytes);
        return LoadFromText(text);
    });
}

} // namespace vesk
