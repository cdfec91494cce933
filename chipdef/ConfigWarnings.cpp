#include "chipdef/ConfigWarnings.h"

#include <algorithm>

#include "common/Text.h"

namespace vesk {

namespace {

bool OneOf(std::string_view name, std::initializer_list<std::string_view> names) {
    return std::any_of(names.begin(), names.end(),
                       [name](std::string_view n) { return EqualNoCase(name, n); });
}

// The fields of the words that count, with their role.
struct TRoleValue {
    TConfigRole Role;
    const ConfigFieldValue_t* Value;
};

std::string FieldText(const ConfigFieldValue_t& value) {
    return value.Field->Name + " = " + ConfigValueText(value);
}

// "code protection (CP = ON)": the region the entry protects and the fields whose bits
// turn it on.
std::string ProtectionText(const TChipRegion& region, const ConfigWord_t& word, int32_t cleared) {
    std::string fields;
    for (const ConfigFieldValue_t& value : word.Fields)
        if ((value.Field->Mask & cleared) != 0) fields += (fields.empty() ? "" : ", ") + FieldText(value);
    if (fields.empty()) fields = "0x" + Hex(word.Address, 6) + " bits 0x" + Hex(cleared, 4) + " clear";
    return LowerCase(region.Name) + " protection (" + fields + ")";
}

void AddProtection(const TConfigBuffer& config, const std::vector<const ConfigWord_t*>& counted,
                   std::vector<ConfigWarning_t>& warnings) {
    std::string parts;
    for (const TChipRegion& region : config.Chip().Regions)
        for (const AddressAndMask_t& entry : region.Protect) {
            const auto word = std::find_if(counted.begin(), counted.end(), [&](const ConfigWord_t* w) {
                return w->Address == entry.Address;
            });
            if (word == counted.end()) continue;
            const int32_t cleared = entry.Mask & ~(*word)->Word;
            if (cleared == 0) continue;
            const std::string part = ProtectionText(region, **word, cleared);
            if (parts.find(part) == std::string::npos) parts += (parts.empty() ? "" : " and ") + part;
        }
    if (!parts.empty())
        warnings.push_back({TConfigWarningKind::Protection,
                            "the image turns on " + parts + ": the chip cannot be read back afterwards"});
}

// A role's field set to an option that turns it on (`on`) or off (`!on`).
const ConfigFieldValue_t* Find(const std::vector<TRoleValue>& values, TConfigRole role, bool on) {
    for (const TRoleValue& v : values)
        if (v.Role == role && v.Value->Option != nullptr && ConfigOptionOn(role, v.Value->Option->Name) == on)
            return v.Value;
    return nullptr;
}

void AddPins(const std::vector<const ConfigWord_t*>& counted, std::vector<ConfigWarning_t>& warnings) {
    std::vector<TRoleValue> values;
    for (const ConfigWord_t* word : counted)
        for (const ConfigFieldValue_t& value : word->Fields)
            values.push_back({ConfigRoleOf(value.Field->Name), &value});
    if (const ConfigFieldValue_t* lvp = Find(values, TConfigRole::LowVoltageProgramming, true))
        warnings.push_back({TConfigWarningKind::LowVoltageProgramming,
                            "low-voltage programming is on (" + FieldText(*lvp) +
                                "): the PGM pin must be held low in the circuit"});
    const ConfigFieldValue_t* mclrOff = Find(values, TConfigRole::MasterClear, false);
    const ConfigFieldValue_t* internal = Find(values, TConfigRole::Oscillator, true);
    if (mclrOff != nullptr && internal != nullptr)
        warnings.push_back({TConfigWarningKind::MclrOffInternalOscillator,
                            "MCLR is off (" + FieldText(*mclrOff) +
                                ") together with an internal oscillator (" + FieldText(*internal) +
                                "): program mode may then need power applied after the programming voltage"});
}

} // namespace

TConfigRole ConfigRoleOf(std::string_view fieldName) {
    if (OneOf(fieldName, {"LVP"})) return TConfigRole::LowVoltageProgramming;
    if (OneOf(fieldName, {"MCLRE", "MCLR"})) return TConfigRole::MasterClear;
    if (OneOf(fieldName, {"FOSC", "FOSC0", "OSC"})) return TConfigRole::Oscillator;
    return TConfigRole::Other;
}

std::optional<bool> ConfigOptionOn(TConfigRole role, std::string_view option) {
    switch (role) {
    case TConfigRole::LowVoltageProgramming:
        if (OneOf(option, {"ON", "ENABLED", "ENABLE"})) return true;
        if (OneOf(option, {"OFF", "DISABLED", "DISABLE"})) return false;
        return std::nullopt;
    case TConfigRole::MasterClear:
        if (OneOf(option, {"ON", "EXTERNAL", "EXTMCLR"})) return true;
        if (OneOf(option, {"OFF", "INTERNAL", "INTMCLR"})) return false;
        return std::nullopt;
    case TConfigRole::Oscillator:
        return StartsWithNoCase(option, "INT") || StartsWithNoCase(option, "IRC");
    case TConfigRole::Other:
        break;
    }
    return std::nullopt;
}

std::vector<ConfigWarning_t> ConfigWarnings(const TConfigBuffer& config, int16_t regions) {
    std::vector<ConfigWarning_t> warnings;
    const bool wholeChip = regions == AllRegions;
    if (!wholeChip && regions != RegionCodeFuses) return warnings;
    const std::vector<ConfigWord_t> words = config.Words();
    std::vector<const ConfigWord_t*> counted;
    for (const ConfigWord_t& word : words)
        if (wholeChip || word.Given) counted.push_back(&word);
    AddProtection(config, counted, warnings);
    AddPins(counted, warnings);
    if (wholeChip)
        for (const ConfigWord_t& word : words)
            if (!word.Given)
                warnings.push_back({TConfigWarningKind::WordLeftOut,
                                    "the image leaves out configuration word 0x" + Hex(word.Address, 6) +
                                        ": the chip will keep its erased value 0x" + Hex(word.Erased, 4)});
    return warnings;
}

bool HasProtectionWarning(const std::vector<ConfigWarning_t>& warnings) {
    return std::any_of(warnings.begin(), warnings.end(),
                       [](const ConfigWarning_t& w) { return w.Kind == TConfigWarningKind::Protection; });
}

} // namespace vesk
