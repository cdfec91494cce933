// Configuration words read as named settings, settings written into them, and the
// warnings of a write, on the shipped chips; the warnings are run over every shipped
// chip against the device table, read here on its own.
#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include <nlohmann/json.hpp>

#include "chipdef/ChipDefinitions.h"
#include "chipdef/ChipSession.h"
#include "chipdef/ConfigWarnings.h"
#include "common/Text.h"
#include "hexfile/IntelHexWriter.h"
#include "tests/support/MessageOf.h"

using namespace vesk;
using json = nlohmann::json;
using vesk::test::MessageOf;

namespace {

const std::string ShippedDir = VESK_SHIPPED_CHIPS_DIR;

const std::vector<std::unique_ptr<TChipDefinition>>& Shipped() {
    static std::vector<std::unique_ptr<TChipDefinition>> chips = [] {
        std::vector<std::unique_ptr<TChipDefinition>> list;
        LoadChipDefinitions(ShippedDir, list);
        return list;
    }();
    return chips;
}

const TChipDefinition& Chip(const std::string& name) {
    for (const auto& chip : Shipped())
        if (chip->Name == name) return *chip;
    throw std::runtime_error("no chip " + name);
}

// An image giving these words, low byte first at twice their address.
TIntelHexFile ImageOf(const std::map<int32_t, int32_t>& words) {
    std::map<uint64_t, uint8_t> bytes;
    for (const auto& [address, word] : words) {
        bytes[uint64_t(address) * 2] = uint8_t(word);
        bytes[uint64_t(address) * 2 + 1] = uint8_t(word >> 8);
    }
    TIntelHexFile image;
    image.LoadFromText(IntelHexOfBytes(bytes), "image.hex");
    return image;
}

std::vector<std::string> Texts(const std::vector<ConfigWarning_t>& warnings) {
    std::vector<std::string> texts;
    for (const ConfigWarning_t& w : warnings)
        texts.push_back(w.Text);
    return texts;
}

} // namespace

TEST(ConfigSettings, ParsesListsAndRefusesItemsWithoutNameOrOption) {
    const auto settings = ParseConfigSettings(" FOSC=HS, wdte = off,CP=ON ");
    ASSERT_EQ(settings.size(), 3u);
    EXPECT_EQ(settings[0].Field, "FOSC");
    EXPECT_EQ(settings[1].Field, "wdte");
    EXPECT_EQ(settings[1].Option, "off");
    EXPECT_EQ(settings[2].Option, "ON");
    for (const char* bad : {"FOSC", "FOSC=", "=HS", "FOSC=HS,", "FOSC=HS,,CP=ON", "FOSC=H=S", ""})
        EXPECT_EQ(MessageOf([&] { ParseConfigSettings(bad); }).rfind("Bad configuration setting", 0), 0u)
            << bad;

    TConfigSettings changed;
    changed.Set({{"FOSC", "HS"}, {"CP", "ON"}, {"fosc", "XT"}});
    ASSERT_EQ(changed.Items().size(), 2u);
    EXPECT_EQ(changed.Items()[0].Option, "XT"); // the same field, letter case ignored
    EXPECT_EQ(changed.Find("cp")->Option, "ON");
}

TEST(ConfigSettings, UnknownNamesListTheValidOnes) {
    const TChipDefinition chip = Chip("PIC16F877A");
    EXPECT_EQ(MessageOf([&] {
                  ResolveConfigSetting(chip, {"FOO", "ON"});
              }),
              "PIC16F877A has no configuration field FOO\n"
              "Fields: FOSC, WDTE, PWRTE, BOREN, LVP, CPD, WRT, DEBUG, CP");
    EXPECT_EQ(MessageOf([&] {
                  ResolveConfigSetting(chip, {"fosc", "RCX"});
              }),
              "FOSC of PIC16F877A has no option RCX\nOptions: EXTRC, HS, XT, LP");
    const ConfigChoice_t choice = ResolveConfigSetting(chip, {"fosc", "hs"});
    EXPECT_EQ(choice.Option->Value, 0x0002);
}

TEST(ConfigBuffer, ReadsGivenWordsAndTheErasedValueOfTheOthers) {
    TChipSession session(Chip("PIC18F4550"));
    // CONFIG1 given with OSC = HS; CONFIG4 given with the XINST bit, which no option has.
    const TIntelHexFile image = ImageOf({{0x180000, 0x0C00}, {0x180003, 0x0081 | 0x0040}});
    session.LoadImage(image);
    const TConfigBuffer config(session, image);
    const std::vector<ConfigWord_t> words = config.Words();
    ASSERT_EQ(words.size(), 7u);
    EXPECT_TRUE(words[0].Given);
    EXPECT_EQ(words[0].Word, 0x0C00);
    EXPECT_EQ(words[0].Unimplemented, 0x30C0);
    EXPECT_EQ(ConfigValueText(words[0].Fields[3]), "HS"); // OSC
    EXPECT_FALSE(words[1].Given);
    EXPECT_EQ(words[1].Word, 0x1F1F); // erased, not the region's default 0xFFFF
    const ConfigFieldValue_t& xinst = words[3].Fields[3];
    EXPECT_EQ(xinst.Field->Name, "XINST");
    EXPECT_EQ(xinst.Option, nullptr);
    EXPECT_EQ(ConfigValueText(xinst), "0x0040");

    // A Fuses word that is no configuration word (the calibration word) is not shown.
    TChipSession f690(Chip("PIC16F690"));
    EXPECT_EQ(TConfigBuffer(f690).Addresses(), std::vector<int32_t>{0x2007});
}

TEST(ConfigBuffer, SettingsChangeOnlyTheirBitsAndAWordNotGivenStartsErased) {
    TChipSession session(Chip("PIC18F4550"));
    const TIntelHexFile image = ImageOf({{0x180000, 0x0C24}});
    session.LoadImage(image);
    TConfigBuffer config(session, image);
    config.Apply({{"osc", "intosc_noclkout_usb_hs"}, {"LVP", "DISABLED"}});
    const std::vector<int32_t>& fuses = session.Words(session.Chip().RegionByCode(RegionCodeFuses));
    EXPECT_EQ(fuses[0], 0x0B24);           // bits 11:8 only
    EXPECT_EQ(fuses[3], 0xFF85 & ~0x0004); // from the erased value, LVP cleared
    EXPECT_TRUE(config.Given(0x180003));
    EXPECT_EQ(config.Changed(), (std::set<int32_t>{0x180000, 0x180003}));

    // One unknown name and nothing changes.
    const std::vector<int32_t> before = fuses;
    EXPECT_NE(MessageOf([&] { config.Apply({{"WDT", "CONTROL"}, {"WDT", "SOMETIMES"}}); }), "(no error)");
    EXPECT_EQ(fuses, before);
}

TEST(ConfigWarnings, FollowTheRegionsAWriteCovers) {
    TChipSession session(Chip("PIC16F887"));
    // CP on, MCLRE off, FOSC = INTRC_NOCLKOUT; LVP on as erased; CONFIG2 left out.
    const TIntelHexFile image = ImageOf({{0x2007, (0x3FFF & ~0x0040 & ~0x0020 & ~0x0007) | 0x0004}});
    session.LoadImage(image);
    const TConfigBuffer config(session, image);
    EXPECT_EQ(
        Texts(ConfigWarnings(config, AllRegions)),
        (std::vector<std::string>{
            "the image turns on code protection (CP = ON): the chip cannot be read back afterwards",
            "low-voltage programming is on (LVP = ON): the PGM pin must be held low in the circuit",
            "MCLR is off (MCLRE = OFF) together with an internal oscillator (FOSC = INTRC_NOCLKOUT): "
            "program mode may then need power applied after the programming voltage",
            "the image leaves out configuration word 0x002008: the chip will keep its erased value 0x3FFF"}));
    EXPECT_EQ(ConfigWarnings(config, RegionCodeFuses).size(), 3u); // what is not given stays as it is
    EXPECT_TRUE(ConfigWarnings(config, RegionCodeCode).empty());   // no configuration written
}

// Every shipped chip, from a configuration that warns of nothing, against the facts of
// the table: LVP and MCLR are on when their bit is 1; an oscillator option with "INT"
// in its name is internal; protection bits at their protected value protect.
TEST(ConfigWarnings, EveryShippedChipWarnsOfWhatItsTableSays) {
    std::ifstream in(ShippedDir + "/data/devices.json");
    const json table = json::parse(in);
    ASSERT_EQ(table.size(), Shipped().size());
    auto number = [](const json& text) { return int32_t(std::stoul(text.get<std::string>(), nullptr, 16)); };
    for (const json& part : table) {
        TChipSession session(Chip(part.at("name").get<std::string>()));
        SCOPED_TRACE(session.Chip().Name);
        // Field name -> (address, mask), and the oscillator options by value.
        std::map<std::string, std::pair<int32_t, int32_t>> fields;
        std::map<int32_t, std::string> oscillators;
        std::map<int32_t, int32_t> safe;
        for (const json& word : part.at("config")) {
            const int32_t address = number(word.at("word_address"));
            safe[address] = number(word.at("erased"));
            for (const json& field : word.at("fields")) {
                const std::string name = field.at("name").get<std::string>();
                fields[name] = {address, number(field.at("mask"))};
                if (name == "FOSC" || name == "FOSC0" || name == "OSC")
                    for (const json& option : field.at("options"))
                        oscillators[number(option.at("value"))] = option.at("name").get<std::string>();
            }
        }
        auto set = [&](std::map<int32_t, int32_t>& words, const std::string& name, bool on) {
            if (fields.count(name) == 0) return false;
            const auto [address, mask] = fields.at(name);
            words[address] = on ? words[address] | mask : words[address] & ~mask;
            return true;
        };
        set(safe, "LVP", false);
        set(safe, "MCLRE", true);
        set(safe, "MCLR", true);
        for (const char* key : {"code_protect", "data_protect"})
            if (!part.at(key).is_null())
                safe[number(part[key].at("word_address"))] |= number(part[key].at("mask"));
        auto warnings = [&](const std::map<int32_t, int32_t>& words) {
            const TIntelHexFile image = ImageOf(words);
            for (const auto& [address, word] : words)
                session.SetWord(address, word);
            return ConfigWarnings(TConfigBuffer(session, image), AllRegions);
        };
        auto kinds = [&](const std::map<int32_t, int32_t>& words) {
            std::vector<TConfigWarningKind> list;
            for (const ConfigWarning_t& w : warnings(words))
                list.push_back(w.Kind);
            return list;
        };
        using K = TConfigWarningKind;
        EXPECT_EQ(Texts(warnings(safe)), std::vector<std::string>{});

        std::map<int32_t, int32_t> words = safe;
        if (set(words, "LVP", true)) {
            EXPECT_EQ(kinds(words), std::vector<K>{K::LowVoltageProgramming});
        }
        for (const char* key : {"code_protect", "data_protect"}) {
            if (part.at(key).is_null()) continue;
            words = safe;
            const int32_t address = number(part[key].at("word_address")), mask = number(part[key].at("mask"));
            words[address] = (words[address] & ~mask) | number(part[key].at("protected_value"));
            const auto list = warnings(words);
            ASSERT_EQ(list.size(), 1u);
            EXPECT_EQ(list[0].Kind, K::Protection);
            const std::string what =
                std::string(key) == "code_protect" ? "code protection" : "data protection";
            EXPECT_NE(list[0].Text.find(what + " ("), std::string::npos) << list[0].Text;
        }
        const std::string mclr = fields.count("MCLRE") ? "MCLRE" : "MCLR";
        const std::string osc = fields.count("OSC") ? "OSC" : fields.count("FOSC") ? "FOSC" : "FOSC0";
        ASSERT_EQ(fields.count(osc), 1u);
        for (const auto& [value, name] : oscillators) {
            words = safe;
            const auto [address, mask] = fields.at(osc);
            words[address] = (words[address] & ~mask) | value;
            const bool internal = name.find("INT") != std::string::npos;
            EXPECT_EQ(kinds(words), std::vector<K>{}) << name;
            if (!set(words, mclr, false)) continue;
            EXPECT_EQ(kinds(words),
                      internal ? std::vector<K>{K::MclrOffInternalOscillator} : std::vector<K>{})
                << name;
        }
        for (const auto& [address, word] : safe) {
            words = safe;
            words.erase(address);
            session.Reset();
            const auto list = warnings(words);
            ASSERT_FALSE(list.empty());
            EXPECT_EQ(list.back().Kind, K::WordLeftOut);
            EXPECT_NE(list.back().Text.find("0x" + Hex(address, 6)), std::string::npos);
        }
    }
}
