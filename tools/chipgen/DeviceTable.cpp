#include "DeviceTable.h"

#include <cctype>
#include <fstream>
#include <set>
#include <stdexcept>

#include <nlohmann/json.hpp>

namespace vesk::chipgen {

namespace {

using json = nlohmann::json;

// Where a value sits, for the messages: "PIC16F84A: config[0].fields[2].mask".
class TPlace {
  public:
    // The part itself.
    explicit TPlace(std::string part) : FText(std::move(part)), FPart(true) {}
    TPlace operator/(const std::string& key) const {
        return TPlace(FText + (FPart ? ": " : ".") + key, false);
    }
    TPlace operator[](std::size_t index) const {
        return TPlace(FText + "[" + std::to_string(index) + "]", false);
    }
    [[noreturn]] void Fail(const std::string& what) const { throw std::runtime_error(FText + ": " + what); }

  private:
    TPlace(std::string text, bool part) : FText(std::move(text)), FPart(part) {}
    std::string FText;
    bool FPart;
};

const json& Member(const json& object, const std::string& key, const TPlace& place) {
    if (!object.is_object() || !object.contains(key)) (place / key).Fail("missing");
    return object.at(key);
}

// "0x" and one to eight hexadecimal digits.
uint32_t HexNumber(const json& value, const TPlace& place) {
    if (!value.is_string()) place.Fail("not a hexadecimal text");
    const std::string text = value.get<std::string>();
    if (text.size() < 3 || text.size() > 10 || text.compare(0, 2, "0x") != 0 ||
        text.find_first_not_of("0123456789ABCDEFabcdef", 2) != std::string::npos)
        place.Fail("not a hexadecimal number: " + text);
    return static_cast<uint32_t>(std::stoul(text.substr(2), nullptr, 16));
}

uint32_t Count(const json& value, const TPlace& place) {
    if (!value.is_number_unsigned()) place.Fail("not a count");
    return value.get<uint32_t>();
}

// A name the chip files can carry as a key value and as a list item: no blanks, no
// separators of the lists.
std::string Name(const json& value, const TPlace& place) {
    if (!value.is_string()) place.Fail("not a text");
    const std::string text = value.get<std::string>();
    if (text.empty() || text.find_first_of(" \t,=\"") != std::string::npos)
        place.Fail("not a plain name: " + text);
    return text;
}

const json& List(const json& value, const TPlace& place) {
    if (!value.is_array()) place.Fail("not a list");
    return value;
}

Field_t ReadField(const json& item, const TPlace& place) {
    Field_t field;
    field.Name = Name(Member(item, "name", place), place / "name");
    field.Mask = HexNumber(Member(item, "mask", place), place / "mask");
    const json& options = List(Member(item, "options", place), place / "options");
    std::set<std::string> names;
    for (std::size_t i = 0; i < options.size(); ++i) {
        const TPlace at = (place / "options")[i];
        Option_t option{Name(Member(options[i], "name", at), at / "name"),
                        HexNumber(Member(options[i], "value", at), at / "value")};
        if ((option.Value & ~field.Mask) != 0) (at / "value").Fail("outside the field's mask");
        if (!names.insert(option.Name).second) (at / "name").Fail("given twice in the field");
        field.Options.push_back(std::move(option));
    }
    if (field.Mask == 0 || field.Options.empty()) place.Fail("a field without bits or options");
    return field;
}

ConfigWord_t ReadConfigWord(const json& item, const TPlace& place) {
    ConfigWord_t word;
    word.Address = HexNumber(Member(item, "word_address", place), place / "word_address");
    word.Erased = HexNumber(Member(item, "erased", place), place / "erased");
    word.Implemented = HexNumber(Member(item, "implemented", place), place / "implemented");
    const json& fields = List(Member(item, "fields", place), place / "fields");
    for (std::size_t i = 0; i < fields.size(); ++i) {
        word.Fields.push_back(ReadField(fields[i], (place / "fields")[i]));
        if ((word.Fields.back().Mask & ~word.Implemented) != 0)
            (place / "fields")[i].Fail("bits outside the word's implemented bits");
    }
    return word;
}

// The chip files can only say "protected while one of these bits is 0".
std::optional<Protection_t> ReadProtection(const json& value, const TPlace& place) {
    if (value.is_null()) return std::nullopt;
    Protection_t protection{HexNumber(Member(value, "word_address", place), place / "word_address"),
                            HexNumber(Member(value, "mask", place), place / "mask")};
    if (HexNumber(Member(value, "protected_value", place), place / "protected_value") != 0)
        (place / "protected_value").Fail("protection by a value other than 0 cannot be described");
    return protection;
}

Calibration_t ReadCalibration(const json& item, const TPlace& place) {
    Calibration_t calibration;
    const std::string what =
        Member(item, "what", place).is_string() ? item.at("what").get<std::string>() : "";
    if (what == "OSCCAL")
        calibration.Kind = TCalibration::Osccal;
    else if (what == "band gap")
        calibration.Kind = TCalibration::BandGap;
    else if (what == "calibration word")
        calibration.Kind = TCalibration::CalibrationWord;
    else
        (place / "what").Fail("unknown kind of calibration: " + what);
    calibration.Address = HexNumber(Member(item, "word_address", place), place / "word_address");
    calibration.Mask = HexNumber(Member(item, "mask", place), place / "mask");
    return calibration;
}

// The configuration words must follow one another from the core's first one, since
// the Fuses region is one range of words.
void CheckConfigWords(const Device_t& device, const TPlace& place) {
    uint32_t expected = device.Pic18 ? 0x180000 : 0x2007;
    if (device.Config.empty()) (place / "config").Fail("no configuration word");
    for (const ConfigWord_t& word : device.Config)
        if (word.Address != expected++) (place / "config").Fail("words not consecutive from the first");
}

// The chip files name a setting by its field name alone (letter case ignored), so one
// name may not stand for two fields of a part.
void CheckFieldNames(const Device_t& device, const TPlace& place) {
    std::set<std::string> names;
    for (const ConfigWord_t& word : device.Config)
        for (const Field_t& field : word.Fields) {
            std::string upper = field.Name;
            for (char& c : upper)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            if (!names.insert(upper).second)
                (place / "config").Fail("field name " + field.Name + " given twice");
        }
}

void ReadIds(const json& item, const TPlace& place, Device_t& device) {
    const json& id = Member(item, "device_id", place);
    const json& mask = Member(item, "id_mask", place);
    if (id.is_null() != mask.is_null()) place.Fail("device_id and id_mask must both be given or both null");
    if (id.is_null()) return;
    device.Id = HexNumber(id, place / "device_id");
    device.IdMask = HexNumber(mask, place / "id_mask");
}

Device_t ReadDevice(const json& item, std::size_t index) {
    Device_t device;
    const TPlace part("part " + std::to_string(index));
    device.Name = Name(Member(item, "name", part), part / "name");
    const TPlace place(device.Name);
    const std::string core =
        Member(item, "core", place).is_string() ? item.at("core").get<std::string>() : "";
    if (core != "midrange" && core != "pic18") (place / "core").Fail("neither midrange nor pic18");
    device.Pic18 = core == "pic18";
    ReadIds(item, place, device);
    device.CodeWords = Count(Member(item, "code_words", place), place / "code_words");
    device.EepromBytes = Count(Member(item, "eeprom_bytes", place), place / "eeprom_bytes");
    device.IdWords = Count(Member(item, "id_words", place), place / "id_words");
    const json& config = List(Member(item, "config", place), place / "config");
    for (std::size_t i = 0; i < config.size(); ++i)
        device.Config.push_back(ReadConfigWord(config[i], (place / "config")[i]));
    CheckConfigWords(device, place);
    CheckFieldNames(device, place);
    device.CodeProtect = ReadProtection(Member(item, "code_protect", place), place / "code_protect");
    device.DataProtect = ReadProtection(Member(item, "data_protect", place), place / "data_protect");
    const json& calibration = List(Member(item, "calibration", place), place / "calibration");
    for (std::size_t i = 0; i < calibration.size(); ++i)
        device.Calibration.push_back(ReadCalibration(calibration[i], (place / "calibration")[i]));
    return device;
}

} // namespace

std::vector<Device_t> ReadDeviceTable(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    json table;
    try {
        table = json::parse(in);
    } catch (const json::exception& e) {
        throw std::runtime_error(path + ": " + e.what());
    }
    if (!table.is_array()) throw std::runtime_error(path + ": not a list of parts");
    std::vector<Device_t> devices;
    std::set<std::string> names;
    for (std::size_t i = 0; i < table.size(); ++i) {
        devices.push_back(ReadDevice(table[i], i));
        if (!names.insert(devices.back().Name).second)
            throw std::runtime_error(path + ": part " + devices.back().Name + " given twice");
    }
    return devices;
}

} // namespace vesk::chipgen
