#include "ConfigFieldsLoad.h"

#include <unordered_map>
#include <unordered_set>

#include "VESK_Exception.h"
#include "common/Text.h"

namespace vesk {

namespace {

// Names are written after `--config NAME=OPTION[,...]` and in lists: no blanks, control
// characters, quotes or list separators.
bool IsPlainName(std::string_view name) {
    if (name.empty()) return false;
    for (const char c : name)
        if (static_cast<unsigned char>(c) <= ' ' || c == 0x7F || c == '=' || c == ',' || c == '"')
            return false;
    return true;
}

// The items "NAME=VALUE" of the Options key, split as the Preserve list is.
std::vector<ConfigOption_t> ReadOptions(const std::string& value, int32_t mask) {
    std::vector<ConfigOption_t> options;
    std::unordered_set<std::string> names; // upper case
    for (const std::string& item : SplitCommaText(value)) {
        const std::size_t eq = item.find('=');
        const std::string name = item.substr(0, eq);
        if (eq == std::string::npos || !IsPlainName(name))
            throw VESK_Exception("Bad field option name: " + item);
        const int32_t number = ReadDefinitionNumber(std::string_view(item).substr(eq + 1));
        if (number < 0) throw VESK_Exception("Bad field option value: " + item);
        if ((number & ~mask) != 0) throw VESK_Exception("Field option value outside the bit mask: " + item);
        if (!names.insert(UpperCase(name)).second)
            throw VESK_Exception("Duplicate field option name: " + name);
        options.push_back(ConfigOption_t{name, number});
    }
    if (options.empty()) throw VESK_Exception("Missing field options");
    return options;
}

// Reads the fields one by one, remembering the names and bits already taken so that a
// file of many fields loads in time in proportion to its size.
class TFieldReader {
  public:
    TFieldReader(const TDefinitionIni& ini, const TChipDefinition& chip)
        : FIni(ini), FChip(chip),
          FFuses(chip.HasRegion(RegionCodeFuses) ? &chip.RegionByCode(RegionCodeFuses) : nullptr) {}

    ConfigField_t Read(const std::string& section);

  private:
    void CheckNameAndBits(const ConfigField_t& field) const;

    const TDefinitionIni& FIni;
    const TChipDefinition& FChip;
    const TChipRegion* FFuses;
    std::unordered_set<std::string> FNames;                        // upper case
    std::unordered_map<int32_t, std::vector<std::size_t>> FByWord; // field indices per address
};

ConfigField_t TFieldReader::Read(const std::string& section) {
    // All keys are read first, then checked in the order name, address, mask, options.
    ConfigField_t field;
    field.Name = FIni.Value(section, "Name");
    field.Address = ReadDefinitionNumber(FIni.Value(section, "Address"));
    field.Mask = ReadDefinitionNumber(FIni.Value(section, "Mask"));
    const std::string options = FIni.Value(section, "Options");
    CheckNameAndBits(field);
    field.Options = ReadOptions(options, field.Mask);
    FNames.insert(UpperCase(field.Name));
    FByWord[field.Address].push_back(FChip.Fields.size());
    return field;
}

void TFieldReader::CheckNameAndBits(const ConfigField_t& field) const {
    if (!IsPlainName(field.Name)) throw VESK_Exception("Missing or bad field name: " + field.Name);
    if (FNames.count(UpperCase(field.Name)) != 0) throw VESK_Exception("Duplicate field name: " + field.Name);
    if (field.Address < 0) throw VESK_Exception("Missing or bad field address");
    if (FFuses == nullptr || !FFuses->Contains(field.Address))
        throw VESK_Exception("Field address outside the Fuses region");
    if (field.Mask <= 0) throw VESK_Exception("Missing or bad field bit mask");
    if ((field.Mask & ~FFuses->ImplementedBits(field.Address)) != 0)
        throw VESK_Exception("Field bit mask outside the implemented bits");
    // One bit belongs to one setting, so that choosing an option of one field never
    // changes another.
    const auto word = FByWord.find(field.Address);
    if (word != FByWord.end())
        for (const std::size_t other : word->second)
            if ((FChip.Fields[other].Mask & field.Mask) != 0)
                throw VESK_Exception("Field bit mask overlaps field: " + FChip.Fields[other].Name);
}

} // namespace

void ReadConfigFields(const TDefinitionIni& ini, TChipDefinition& chip) {
    TFieldReader reader(ini, chip);
    // Numbered from 1 without gaps, as the regions are.
    for (int n = 1;; ++n) {
        const std::string section = "Field" + std::to_string(n);
        if (!ini.HasSection(section)) break;
        chip.Fields.push_back(
            WithContext("Error reading section: " + section, [&] { return reader.Read(section); }));
    }
}

} // namespace vesk
