// Configuration words by name: `vesk config` against the device table, `--set ...
// --output` and `write --config` against the bits they may change, and the warnings of
// a write, with the shipped chip files.
#include "ProgramFixture.h"

#include "common/Text.h"
#include "hexfile/IntelHexFile.h"
#include "hexfile/IntelHexWriter.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <map>

namespace vesk::cli::test {
namespace {

using json = nlohmann::json;

int32_t Number(const json& text) {
    return int32_t(std::stoul(text.get<std::string>(), nullptr, 16));
}

std::string HexText(int64_t value, int digits) {
    return "0x" + Hex(value, digits);
}

const json& Part(const std::string& name) {
    static const json table = [] {
        std::ifstream in(std::string(VESK_SOURCE_DIR) + "/chips/data/devices.json");
        return json::parse(in);
    }();
    for (const json& part : table)
        if (part.at("name") == name) return part;
    throw std::runtime_error("no part " + name);
}

// An image file of these words (word address -> word), low byte first.
std::string ImageText(const std::map<int32_t, int32_t>& words) {
    std::map<uint64_t, uint8_t> bytes;
    for (const auto& [address, word] : words) {
        bytes[uint64_t(address) * 2] = uint8_t(word);
        bytes[uint64_t(address) * 2 + 1] = uint8_t(word >> 8);
    }
    return IntelHexOfBytes(bytes);
}

std::map<uint64_t, uint8_t> BytesOf(const std::string& path) {
    TIntelHexFile image;
    image.Load(path);
    return ImageBytes(image);
}

// Every field of every configuration word of the part set to an option of its own
// (the `shift`-th after the field's index); what `vesk config --json` must print for
// it, and the words. A word of `leftOut` is not in the image: its erased value is.
struct TSample {
    std::map<int32_t, int32_t> Words;
    json Expected = json::array();
};

TSample SampleOf(const json& part, size_t shift, int32_t leftOut = -1) {
    TSample sample;
    size_t index = 0;
    for (const json& word : part.at("config")) {
        const int32_t address = Number(word.at("word_address"));
        const bool given = address != leftOut;
        int32_t value = Number(word.at("erased"));
        json fields = json::array();
        for (const json& field : word.at("fields")) {
            const json& options = field.at("options");
            const json* option = &options.at((index++ + shift) % options.size());
            const int32_t mask = Number(field.at("mask"));
            if (given) value = (value & ~mask) | Number(option->at("value"));
            for (const json& o : options)
                if (Number(o.at("value")) == (value & mask)) option = &o;
            fields.push_back({{"name", field.at("name")},
                              {"mask", HexText(mask, 4)},
                              {"value", HexText(value & mask, 4)},
                              {"option", (Number(option->at("value")) == (value & mask)) ? option->at("name")
                                                                                         : json(nullptr)}});
        }
        if (given) sample.Words[address] = value;
        sample.Expected.push_back({{"address", HexText(address, 6)},
                                   {"word", HexText(value, 4)},
                                   {"given", given},
                                   {"fields", fields}});
    }
    return sample;
}

// Parts of every programming family: PIC16, PIC16A, PIC16B, PIC16C, PIC18.
const std::vector<std::string> SampleParts = {"PIC16F628A", "PIC16F877A", "PIC16F88",   "PIC16F690",
                                              "PIC16F887",  "PIC12F683",  "PIC18F4550", "PIC18F452"};

TEST_F(ProgramTest, ConfigJsonSaysWhatTheTableSaysForImagesSettingEveryField) {
    for (const std::string& name : SampleParts) {
        const json& part = Part(name);
        for (size_t shift : {0u, 1u}) {
            SCOPED_TRACE(name + " shift " + std::to_string(shift));
            // The second image leaves out the last configuration word.
            const int32_t leftOut = shift == 0 ? -1 : Number(part.at("config").back().at("word_address"));
            const TSample sample = SampleOf(part, shift, leftOut);
            const std::string image = WriteImage(name + ".hex", ImageText(sample.Words));
            const TRunResult r =
                Run({"--chipdefs", BuildBinDir(), "--chip", name, "config", image, "--json"});
            ASSERT_EQ(r.Status, 0) << r.Err;
            EXPECT_EQ(json::parse(r.Out), sample.Expected) << r.Out;
        }
    }
    // The exact form, with a value no option has (XINST of the PIC18F4550: bit 6 set).
    const std::string image = WriteImage("877a.hex", ImageText({{0x2007, 0x3F72}}));
    TRunResult r = Run({"--chipdefs", BuildBinDir(), "--chip", "pic16f877a", "config", image, "--json"});
    EXPECT_EQ(r.Out,
              "[\n{\"address\": \"0x002007\", \"word\": \"0x3F72\", \"given\": true, \"fields\": ["
              "{\"name\": \"FOSC\", \"mask\": \"0x0003\", \"value\": \"0x0002\", \"option\": \"HS\"}, "
              "{\"name\": \"WDTE\", \"mask\": \"0x0004\", \"value\": \"0x0000\", \"option\": \"OFF\"}, "
              "{\"name\": \"PWRTE\", \"mask\": \"0x0008\", \"value\": \"0x0000\", \"option\": \"ON\"}, "
              "{\"name\": \"BOREN\", \"mask\": \"0x0040\", \"value\": \"0x0040\", \"option\": \"ON\"}, "
              "{\"name\": \"LVP\", \"mask\": \"0x0080\", \"value\": \"0x0000\", \"option\": \"OFF\"}, "
              "{\"name\": \"CPD\", \"mask\": \"0x0100\", \"value\": \"0x0100\", \"option\": \"OFF\"}, "
              "{\"name\": \"WRT\", \"mask\": \"0x0600\", \"value\": \"0x0600\", \"option\": \"OFF\"}, "
              "{\"name\": \"DEBUG\", \"mask\": \"0x0800\", \"value\": \"0x0800\", \"option\": \"OFF\"}, "
              "{\"name\": \"CP\", \"mask\": \"0x2000\", \"value\": \"0x2000\", \"option\": \"OFF\"}]}\n]\n");
    EXPECT_EQ(r.Err, "");
    const std::string pic18 = WriteImage("4550.hex", ImageText({{0x180003, 0x00C1}}));
    r = Run({"--chipdefs", BuildBinDir(), "--chip", "PIC18F4550", "config", pic18, "--json"});
    const json words = json::parse(r.Out);
    EXPECT_EQ(words.at(3).at("fields").at(3),
              json({{"name", "XINST"}, {"mask", "0x0040"}, {"value", "0x0040"}, {"option", nullptr}}));
    r = Run({"--chipdefs", BuildBinDir(), "--chip", "PIC18F4550", "config", pic18});
    EXPECT_NE(r.Out.find("\n0x180003 = 0x00C1\n"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("\n  XINST = 0x0040 (no option)\n"), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("\n0x180001 = 0x1F1F  (not in the image: the chip keeps its erased value)\n"),
              std::string::npos);
    EXPECT_NE(r.Out.find("\n  unimplemented bits 0x30C0\n"), std::string::npos);
}

TEST_F(ProgramTest, ConfigSetOutputChangesExactlyTheNamedBits) {
    const std::string blink = std::string(VESK_SOURCE_DIR) + "/chipdef/tests/data/blink16f877a.hex";
    const std::string out = Dir.Path() + "new.hex";
    TRunResult r = Run({"--chipdefs", BuildBinDir(), "--chip", "PIC16F877A", "config", blink, "--set",
                        "fosc=xt,CP=on", "--set", "WDTE=ON", "--output", out});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(r.Err, "vesk: warning: the image turns on code protection (CP = ON): the chip cannot be read "
                     "back afterwards\n");
    std::map<uint64_t, uint8_t> want = BytesOf(blink);
    const int32_t word = (0x3F32 & ~0x2007) | 0x0001 | 0x0004; // FOSC = XT, CP = ON, WDTE = ON
    want[0x400E] = uint8_t(word);
    want[0x400F] = uint8_t(word >> 8);
    EXPECT_EQ(BytesOf(out), want);

    // A word the image leaves out starts from its erased value.
    const std::string pic18 = WriteImage("4550.hex", ImageText({{0, 0x1234}, {0x180000, 0x0C24}}));
    r = Run({"--chipdefs", BuildBinDir(), "--chip", "PIC18F4550", "config", pic18, "--set", "LVP=disabled",
             "--output", out});
    ASSERT_EQ(r.Status, 0) << r.Err;
    want = BytesOf(pic18);
    want[0x300006] = 0x81; // 0xFF85 without LVP
    want[0x300007] = 0xFF;
    EXPECT_EQ(BytesOf(out), want);

    // Unknown names: status 2 with the valid ones, nothing written.
    std::filesystem::remove(out);
    r = Run({"--chipdefs", BuildBinDir(), "--chip", "PIC16F877A", "config", blink, "--set", "FOSC=RCX",
             "--output", out});
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Err, "vesk: FOSC of PIC16F877A has no option RCX\nOptions: EXTRC, HS, XT, LP\n"
                     "Run 'vesk --help' for the commands and options.\n");
    r = Run({"--chipdefs", BuildBinDir(), "--chip", "PIC16F877A", "config", blink, "--set", "OSC=HS"});
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Err.substr(0, r.Err.find('\n', r.Err.find('\n') + 1)),
              "vesk: PIC16F877A has no configuration field OSC\n"
              "Fields: FOSC, WDTE, PWRTE, BOREN, LVP, CPD, WRT, DEBUG, CP");
    EXPECT_EQ(Run({"config", blink}).Status, 2); // --chip is needed
    EXPECT_EQ(Run({"--chip", "PIC16F877A", "config", blink, "--set", "FOSC"}).Status, 2);
    EXPECT_FALSE(FileExists(out));
}

TEST_F(ProgramTest, WriteConfigChangesExactlyTheNamedBitsOnTheTarget) {
    TChipDefinition chip;
    chip.LoadFromFile(BuildBinDir() + "ChipDef_PIC16F877A.ini");
    StartSim(chip);
    const std::string blink = std::string(VESK_SOURCE_DIR) + "/chipdef/tests/data/blink16f877a.hex";
    TRunResult r = RunOnSim({"--chipdefs", BuildBinDir(), "write", blink, "--config", "FOSC=XT", "--config",
                             "wdte=on", "--verify"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(Sim->Word(0x2007), (0x3F32 & ~0x0007) | 0x0001 | 0x0004);
    EXPECT_EQ(Sim->Word(0x0000), 0x2805); // the rest as the image gives it
    EXPECT_EQ(RunOnSim({"--chipdefs", BuildBinDir(), "verify", blink, "--config", "FOSC=XT,WDTE=ON"}).Status,
              0);
    EXPECT_EQ(RunOnSim({"--chipdefs", BuildBinDir(), "verify", blink}).Status, 3);

    // Without --chip the names are checked right after the identification: nothing
    // is erased when one is unknown.
    Sim->SetWord(0x0100, 0x1234);
    r = RunOnSim({"--chipdefs", BuildBinDir(), "write", blink, "--config", "FOSC=XT,MCLRE=OFF"});
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Err.substr(0, r.Err.find('\n')), "vesk: PIC16F877A has no configuration field MCLRE");
    EXPECT_EQ(Sim->Word(0x0100), 0x1234);
    r = RunOnSim({"--chipdefs", BuildBinDir(), "write", blink, "--config", "FOSC=XT", "--region", "code"});
    EXPECT_EQ(r.Status, 2);
}

TEST_F(ProgramTest, WriteWarnsOfProtectionLowVoltageMclrAndWordsLeftOut) {
    TChipDefinition chip;
    chip.LoadFromFile(BuildBinDir() + "ChipDef_PIC16F887.ini");
    StartSim(chip);
    // CP on, MCLRE off with FOSC = INTRC_NOCLKOUT, LVP on; CONFIG2 left out.
    const std::string image = WriteImage(
        "887.hex", ImageText({{0, 0x2800}, {0x2007, (0x3FFF & ~0x0040 & ~0x0020 & ~0x0007) | 0x0004}}));
    TRunResult r = RunOnSim({"--chipdefs", BuildBinDir(), "write", image});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Err,
              "vesk: warning: the image turns on code protection (CP = ON): the chip cannot be read back "
              "afterwards\n"
              "vesk: warning: low-voltage programming is on (LVP = ON): the PGM pin must be held low in "
              "the circuit\n"
              "vesk: warning: MCLR is off (MCLRE = OFF) together with an internal oscillator (FOSC = "
              "INTRC_NOCLKOUT): program mode may then need power applied after the programming voltage\n"
              "vesk: warning: the image leaves out configuration word 0x002008: the chip will keep its "
              "erased value 0x3FFF\n");
    EXPECT_EQ(Sim->Word(0), 0x2800);
    // Code alone writes no configuration word; --config turns LVP off and the rest stays.
    EXPECT_EQ(RunOnSim({"--chipdefs", BuildBinDir(), "write", image, "--region", "code"}).Err, "");
    r = RunOnSim(
        {"--chipdefs", BuildBinDir(), "write", image, "--config", "LVP=OFF,CP=OFF,MCLRE=ON,WRT=OFF"});
    EXPECT_EQ(r.Err, "");
    EXPECT_EQ(Sim->Word(0x2008), 0x3FFF);
}

} // namespace
} // namespace vesk::cli::test
