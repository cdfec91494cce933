#include "chipdef/ConfigWords.h"
#include "chipdef/ChipSession.h"

#include <algorithm>

#include "common/Text.h"

namespace vesk {

namespace {

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    return text;
}

template <class Items, class NameOf> std::string NameList(const Items& items, NameOf nameOf) {
    std::string list;
    for (const auto& item : items)
        list += (list.empty() ? "" : ", ") + nameOf(item);
    return list;
}

// The bits a word of the region has room for: its Width, else as many as its default needs.
int32_t WidthBits(const TChipRegion& region) {
    if (region.Width > 0 && region.Width < 32) return static_cast<int32_t>((uint32_t(1) << region.Width) - 1);
    uint32_t mask = 0xFF;
    while (mask < uint32_t(region.Default) && mask != 0xFFFFFFFFu)
        mask = (mask << 1) | 1;
    return static_cast<int32_t>(mask);
}

const TChipRegion* FusesOf(const TChipDefinition& chip) {
    return chip.HasRegion(RegionCodeFuses) ? &chip.RegionByCode(RegionCodeFuses) : nullptr;
}

std::vector<int32_t> ConfigAddresses(const TChipDefinition& chip) {
    std::vector<int32_t> addresses;
    const TChipRegion* fuses = FusesOf(chip);
    if (fuses == nullptr) return addresses;
    for (const AddressAndValue_t& entry : fuses->Erased)
        addresses.push_back(entry.Address);
    for (const ConfigField_t& field : chip.Fields)
        addresses.push_back(field.Address);
    if (addresses.empty())
        for (int32_t i = 0; i < fuses->Size; ++i)
            addresses.push_back(fuses->Start + i);
    std::sort(addresses.begin(), addresses.end());
    addresses.erase(std::unique(addresses.begin(), addresses.end()), addresses.end());
    return addresses;
}

} // namespace

std::vector<ConfigSetting_t> ParseConfigSettings(std::string_view text) {
    std::vector<ConfigSetting_t> settings;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string_view item = Trimmed(text.substr(start, comma - start));
        const std::size_t eq = item.find('=');
        const std::string_view field = Trimmed(item.substr(0, eq));
        const std::string_view option = eq == std::string_view::npos ? "" : Trimmed(item.substr(eq + 1));
        if (field.empty() || option.empty() || option.find('=') != std::string_view::npos)
            throw VESK_Exception("Bad configuration setting (NAME=OPTION expected): " + std::string(item));
        settings.push_back({std::string(field), std::string(option)});
        if (comma == std::string_view::npos) return settings;
        start = comma + 1;
    }
}

ConfigChoice_t ResolveConfigSetting(const TChipDefinition& chip, const ConfigSetting_t& setting) {
    const ConfigField_t* field = chip.FieldByName(setting.Field);
    if (field == nullptr)
        throw EConfigSetting(chip.Name + " has no configuration field " + setting.Field + "\nFields: " +
                             (chip.Fields.empty()
                                  ? std::string("(none)")
                                  : NameList(chip.Fields, [](const ConfigField_t& f) { return f.Name; })));
    for (const ConfigOption_t& option : field->Options)
        if (EqualNoCase(option.Name, setting.Option)) return {field, &option};
    throw EConfigSetting(
        field->Name + " of " + chip.Name + " has no option " + setting.Option +
        "\nOptions: " + NameList(field->Options, [](const ConfigOption_t& o) { return o.Name; }));
}

void TConfigSettings::Set(const ConfigSetting_t& setting) {
    for (ConfigSetting_t& item : FItems)
        if (EqualNoCase(item.Field, setting.Field)) {
            item = setting;
            return;
        }
    FItems.push_back(setting);
}

void TConfigSettings::Set(const std::vector<ConfigSetting_t>& settings) {
    for (const ConfigSetting_t& setting : settings)
        Set(setting);
}

const ConfigSetting_t* TConfigSettings::Find(std::string_view field) const {
    for (const ConfigSetting_t& item : FItems)
        if (EqualNoCase(item.Field, field)) return &item;
    return nullptr;
}

std::string ConfigValueText(const ConfigFieldValue_t& value) {
    return value.Option != nullptr ? value.Option->Name : "0x" + Hex(value.Value, 4);
}

TConfigBuffer::TConfigBuffer(TChipSession& session)
    : FSession(session), FChip(session.Chip()), FAddresses(ConfigAddresses(FChip)) {
    for (const int32_t address : FAddresses)
        if (FSession.Word(address) != FChip.RegionByAddress(address).Default) FGiven.insert(address);
}

TConfigBuffer::TConfigBuffer(TChipSession& session, const TIntelHexFile& image)
    : FSession(session), FChip(session.Chip()), FAddresses(ConfigAddresses(FChip)) {
    for (TIntelHexFileIterator it(image); it.IsValid(); it.Next())
        if (std::binary_search(FAddresses.begin(), FAddresses.end(), it.WordAddress()))
            FGiven.insert(static_cast<int32_t>(it.WordAddress()));
}

int32_t TConfigBuffer::WordAt(int32_t address) const {
    return Given(address) ? FSession.Word(address) : FChip.RegionByAddress(address).ErasedValue(address);
}

std::vector<ConfigWord_t> TConfigBuffer::Words() const {
    std::vector<ConfigWord_t> words;
    for (const int32_t address : FAddresses) {
        const TChipRegion& region = FChip.RegionByAddress(address);
        ConfigWord_t word;
        word.Address = address;
        word.Given = Given(address);
        word.Word = WordAt(address);
        word.Erased = region.ErasedValue(address);
        const int32_t implemented = region.ImplementedBits(address);
        word.Unimplemented = implemented == -1 ? 0 : WidthBits(region) & ~implemented;
        for (const ConfigField_t& field : FChip.Fields) {
            if (field.Address != address) continue;
            ConfigFieldValue_t value{&field, word.Word & field.Mask, nullptr};
            for (const ConfigOption_t& option : field.Options)
                if (option.Value == value.Value) {
                    value.Option = &option;
                    break;
                }
            word.Fields.push_back(value);
        }
        words.push_back(std::move(word));
    }
    return words;
}

void TConfigBuffer::Apply(const std::vector<ConfigSetting_t>& settings) {
    std::vector<ConfigChoice_t> choices;
    for (const ConfigSetting_t& setting : settings)
        choices.push_back(ResolveConfigSetting(FChip, setting));
    for (const ConfigChoice_t& choice : choices) {
        const int32_t address = choice.Field->Address;
        const int32_t word = (WordAt(address) & ~choice.Field->Mask) | choice.Option->Value;
        FSession.SetWord(address, word);
        FGiven.insert(address);
        FChanged.insert(address);
    }
}

} // namespace vesk
