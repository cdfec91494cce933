#include "ChipFile.h"

#include <algorithm>
#include <cstdio>

#include "Families.h"

namespace vesk::chipgen {

namespace {

// A section of the file, its keys in the order written.
class TSection {
  public:
    explicit TSection(const std::string& name) : FText("\n[" + name + "]\n") {}
    TSection& Key(const std::string& key, const std::string& value) {
        FText += key + "=" + value + "\n";
        return *this;
    }
    // A list key, left out when the list is empty.
    TSection& List(const std::string& key, const std::vector<std::string>& items) {
        if (items.empty()) return *this;
        std::string value;
        for (const std::string& item : items)
            value += (value.empty() ? "" : ",") + item;
        return Key(key, value);
    }
    const std::string& Text() const { return FText; }

  private:
    std::string FText;
};

const CoreLayout_t MidRange{4, 0x3FFF, 14, 0x2000, 0x2007, 0x2100, 1, 0xFF, 8, 1};
const CoreLayout_t Pic18{6, 0xFFFF, 16, 0x100000, 0x180000, 0x780000, 2, 0xFFFF, 16, 0};

std::string Address(const Device_t& device, uint32_t address) {
    return Hex(address, LayoutOf(device).AddressDigits);
}

// "address=bits" items of a list key.
std::string Item(const Device_t& device, uint32_t address, uint32_t bits) {
    return Address(device, address) + "=" + Hex(bits, 4);
}

std::vector<std::string> PreserveItems(const Device_t& device, uint32_t first, uint32_t last) {
    std::vector<std::string> items;
    for (const Calibration_t& c : device.Calibration)
        if (c.Address >= first && c.Address <= last) items.push_back(Item(device, c.Address, c.Mask));
    return items;
}

// A valid OSCCAL word is a RETLW (0x34nn); the other calibration bits have no form to
// check, any value is theirs.
std::vector<std::string> CalibrationItems(const Device_t& device, uint32_t first, uint32_t last) {
    std::vector<std::string> items;
    for (const Calibration_t& c : device.Calibration)
        if (c.Address >= first && c.Address <= last)
            items.push_back(Address(device, c.Address) + (c.Kind == TCalibration::Osccal
                                                              ? "=" + Hex(0x3F00, 4) + ":" + Hex(0x3400, 4)
                                                              : ""));
    return items;
}

TSection Region(const Device_t& device, int number, const std::string& name, uint32_t start, uint32_t size,
                uint32_t defaultWord, int defaultDigits) {
    TSection section("Region" + std::to_string(number));
    section.Key("Name", name)
        .Key("Base", Address(device, start))
        .Key("Start", Address(device, start))
        .Key("Size", std::to_string(size))
        .Key("Default", Hex(defaultWord, defaultDigits));
    return section;
}

std::vector<std::string> ProtectItem(const Device_t& device, const std::optional<Protection_t>& protection) {
    if (!protection) return {};
    return {Item(device, protection->Address, protection->Mask)};
}

std::string CodeRegion(const Device_t& device) {
    const CoreLayout_t& layout = LayoutOf(device);
    const uint32_t last = device.CodeWords - 1;
    TSection section = Region(device, 1, "Code", 0, device.CodeWords, layout.WordDefault, 4);
    section.List("Preserve", PreserveItems(device, 0, last))
        .List("Calibration", CalibrationItems(device, 0, last))
        .Key("Width", std::to_string(layout.WordWidth))
        .List("Protect", ProtectItem(device, device.CodeProtect));
    return section.Text();
}

// A part without EEPROM still gets an empty Data region: reading, writing and
// verifying look up Code, Data and Fuses alike.
std::string DataRegion(const Device_t& device) {
    const CoreLayout_t& layout = LayoutOf(device);
    TSection section =
        Region(device, 2, "Data", layout.DataStart, device.EepromBytes / layout.DataBytesPerWord,
               layout.DataDefault, device.Pic18 ? 4 : 2);
    section.Key("Width", std::to_string(layout.DataWidth))
        .List("Protect", ProtectItem(device, device.DataProtect));
    return section.Text();
}

// The implemented bits of each word of the Fuses region: a configuration word's own
// bits, and the calibration bits the silicon keeps in it.
std::vector<std::string> ImplementedItems(const Device_t& device) {
    std::vector<std::string> items;
    const uint32_t start = LayoutOf(device).FusesStart;
    for (uint32_t address = start; address < start + FusesSize(device); ++address) {
        uint32_t bits = 0;
        for (const ConfigWord_t& word : device.Config)
            if (word.Address == address) bits |= word.Implemented;
        for (const Calibration_t& c : device.Calibration)
            if (c.Address == address) bits |= c.Mask;
        items.push_back(Item(device, address, bits));
    }
    return items;
}

std::string FusesRegion(const Device_t& device) {
    const CoreLayout_t& layout = LayoutOf(device);
    const uint32_t size = FusesSize(device);
    const uint32_t last = layout.FusesStart + size - 1;
    std::vector<std::string> erased;
    for (const ConfigWord_t& word : device.Config)
        erased.push_back(Item(device, word.Address, word.Erased));
    TSection section = Region(device, 3, "Fuses", layout.FusesStart, size, layout.WordDefault, 4);
    section.List("Preserve", PreserveItems(device, layout.FusesStart, last))
        .List("Calibration", CalibrationItems(device, layout.FusesStart, last))
        .Key("Width", std::to_string(layout.WordWidth))
        .List("Implemented", ImplementedItems(device))
        .Key("Unimplemented", std::to_string(layout.UnimplementedRead))
        .List("Erased", erased);
    return section.Text();
}

std::string IdRegion(const Device_t& device) {
    const CoreLayout_t& layout = LayoutOf(device);
    TSection section = Region(device, 4, "Id", layout.IdStart, device.IdWords, layout.WordDefault, 4);
    section.Key("Width", std::to_string(layout.WordWidth));
    return section.Text();
}

std::string ChipSection(const Device_t& device) {
    TSection section("Chip");
    section.Key("Name", device.Name)
        .Key("Id", device.Id ? Hex(*device.Id, 4) : "none")
        .Key("Algorithm", std::string(AlgorithmOf(device)));
    if (device.IdMask) section.Key("IdMask", Hex(*device.IdMask, 4));
    return section.Text();
}

std::string FieldSections(const Device_t& device) {
    std::string text;
    int number = 0;
    for (const ConfigWord_t& word : device.Config)
        for (const Field_t& field : word.Fields) {
            std::vector<std::string> options;
            for (const Option_t& option : field.Options)
                options.push_back(option.Name + "=" + Hex(option.Value, 4));
            TSection section("Field" + std::to_string(++number));
            section.Key("Name", field.Name)
                .Key("Address", Address(device, word.Address))
                .Key("Mask", Hex(field.Mask, 4))
                .List("Options", options);
            text += section.Text();
        }
    return text;
}

} // namespace

const CoreLayout_t& LayoutOf(const Device_t& device) {
    return device.Pic18 ? Pic18 : MidRange;
}

std::string Hex(uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

uint32_t FusesSize(const Device_t& device) {
    const uint32_t start = LayoutOf(device).FusesStart;
    uint32_t end = start + static_cast<uint32_t>(device.Config.size());
    for (const Calibration_t& c : device.Calibration)
        if (c.Address >= start) end = std::max(end, c.Address + 1);
    return end - start;
}

std::string ChipFileName(const Device_t& device) {
    return "ChipDef_" + device.Name + ".ini";
}

std::string ChipFileText(const Device_t& device) {
    return ChipFileComments(device) + ChipSection(device) + CodeRegion(device) + DataRegion(device) +
           FusesRegion(device) + IdRegion(device) + FieldSections(device);
}

} // namespace vesk::chipgen
