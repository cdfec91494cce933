// The committed chip definition files and docs/chips.md are the generator's output:
// running it again over the committed table changes nothing, and chips/ holds no
// definition file it does not write. A table it cannot express faithfully is refused.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>

#include "chipdef/ChipDefinitions.h"
#include "tests/support/TempFolder.h"

using namespace vesk;
using vesk::test::ReadText;
using vesk::test::TTempFolder;

namespace {

const std::string Source = VESK_SOURCE_DIR;

struct Run_t {
    int Status;
    std::string Err;
};

// vesk-chipgen TABLE FOLDER LIST, its standard error kept in the folder.
Run_t Generate(const std::string& table, const TTempFolder& out) {
    const std::string command = std::string("'") + VESK_CHIPGEN + "' '" + table + "' '" + out.Path() + "' '" +
                                out / "chips.md" + "' 2>'" + out / "err" + "'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(out / "err")};
}

} // namespace

TEST(ChipGenerator, RegeneratingChangesNothing) {
    TTempFolder out;
    const Run_t run = Generate(Source + "/chips/data/devices.json", out);
    ASSERT_EQ(run.Status, 0) << run.Err;
    const std::vector<std::string> generated = FindChipDefinitionFiles(out.Path());
    EXPECT_EQ(generated.size(), 268u);
    // A file the generator does not write (a hand-written one, or one of a part the
    // table lost) would be shipped unchecked.
    EXPECT_EQ(FindChipDefinitionFiles(Source + "/chips"), generated) << "run scripts/generate-chips";
    // Byte for byte; `git diff` after scripts/generate-chips shows what differs.
    for (const std::string& name : generated)
        EXPECT_TRUE(ReadText(out / name) == ReadText(Source + "/chips/" + name))
            << name << " differs: run scripts/generate-chips";
    EXPECT_TRUE(ReadText(out / "chips.md") == ReadText(Source + "/docs/chips.md"))
        << "docs/chips.md differs: run scripts/generate-chips";
}

TEST(ChipGenerator, ATableItCannotExpressIsRefusedAndNothingIsWritten) {
    const std::string part =
        R"([{"name":"PIC16F84A","core":"midrange","device_id":"0x0560","id_mask":"0x3FE0","code_words":1024,)"
        R"("eeprom_bytes":64,"id_words":4,"config":[{"word_address":"0x2007","erased":"0x3FFF",)"
        R"("implemented":"0x000F","fields":[{"name":"FOSC","mask":"0x0003","options":[{"name":"HS",)"
        R"("value":"0x0002"}]}]}],"code_protect":null,"data_protect":null,"calibration":[]}])";
    const struct {
        const char* Was;
        const char* Is;
        std::string Message;
    } rows[] = {
        // Valid, but the algorithm table names parts it lacks: a misspelt name there
        // would silently fall to the default algorithm.
        {"", "", "the algorithm table names PIC16F83, which %TABLE% does not hold"},
        {R"("value":"0x0002")", R"("value":"0x0004")",
         "PIC16F84A: config[0].fields[0].options[0].value: outside the field's mask"},
        {R"("mask":"0x0003")", R"("mask":"0x0013")",
         "PIC16F84A: config[0].fields[0]: bits outside the word's "
         "implemented bits"},
        {R"("word_address":"0x2007")", R"("word_address":"0x2008")",
         "PIC16F84A: config: words not consecutive from the first"},
        {R"("code_protect":null)",
         R"("code_protect":{"word_address":"0x2007","mask":"0x8","protected_value":"0x8"})",
         "PIC16F84A: code_protect.protected_value: protection by a value other than 0 cannot be described"},
        {R"("device_id":"0x0560")", R"("device_id":null)",
         "PIC16F84A: device_id and id_mask must both be given or both null"},
        {R"("name":"HS")", R"("name":"H S")",
         "PIC16F84A: config[0].fields[0].options[0].name: not a plain name: H S"},
        {R"("calibration":[])", R"("calibration":[{"word_address":"0x2008","mask":"0x1","what":"trim"}])",
         "PIC16F84A: calibration[0].what: unknown kind of calibration: trim"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Is);
        TTempFolder out;
        std::string table = part;
        if (*row.Was != 0) table.replace(table.find(row.Was), std::string(row.Was).size(), row.Is);
        const std::string path = out.Write("table.json", table);
        std::string message = "vesk-chipgen: " + row.Message + "\n";
        if (message.find("%TABLE%") != std::string::npos) message.replace(message.find("%TABLE%"), 7, path);
        const Run_t run = Generate(path, out);
        EXPECT_EQ(run.Status, 1);
        EXPECT_EQ(run.Err, message);
        EXPECT_TRUE(FindChipDefinitionFiles(out.Path()).empty());
        EXPECT_FALSE(vesk::test::FileExists(out / "chips.md"));
    }
}
