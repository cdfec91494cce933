// Calibration words: the Calibration key of a region and the form a valid word has.
#include <gtest/gtest.h>

#include "VESK_Exception.h"
#include "chipdef/ChipDefinition.h"
#include "tests/support/ChipText.h"

using namespace vesk;
using vesk::test::TChipText;

namespace {

// A chip whose Code keeps 0x3FF whole and whose Fuses keep bits 13:12 of 0x2007.
std::string ChipWith(const std::string& code, const std::string& fuses) {
    return TChipText("X", 1)
        .Code(1024)
        .Preserve("0x3FF=0x3FFF")
        .Key("Calibration", code)
        .Key("Width", "14")
        .Fuses()
        .Preserve("0x2007=0x3000")
        .Key("Calibration", fuses);
}

std::string LoadMessage(const std::string& text) {
    try {
        TChipDefinition().LoadFromText(text);
    } catch (const Exception& e) {
        return e.Message();
    }
    return "(no error)";
}

} // namespace

TEST(Calibration, KeyGivesTheFormsOfThePreservedWords) {
    TChipDefinition chip;
    chip.LoadFromText(ChipWith("0x3FF=0x3F00:0x3400", "0x2007"));
    const TCalibration_t* osccal = chip.RegionByCode(RegionCodeCode).CalibrationAt(0x3FF);
    ASSERT_NE(osccal, nullptr);
    EXPECT_EQ(osccal->Mask, 0x3F00);
    EXPECT_EQ(osccal->Value, 0x3400);
    EXPECT_TRUE(osccal->Accepts(0x3454));
    EXPECT_FALSE(osccal->Accepts(0x0000)); // a protected chip reads so
    // Without a form every word is valid: the band gap reads back even when protected.
    EXPECT_TRUE(chip.RegionByCode(RegionCodeFuses).CalibrationAt(0x2007)->Accepts(0x0000));
}

TEST(Calibration, BadValuesNameTheirFault) {
    const struct {
        const char* Value;
        const char* Message;
    } rows[] = {
        {"0x3FE", "Calibration address not preserved"},
        {"xyz", "Bad calibration address"},
        {"0x3FF,", "Bad calibration address"},
        {"0x3FF=", "Bad calibration bit mask"},
        {"0x3FF=0x3F00", "Bad calibration value"},
        {"0x3FF=:0x3400", "Bad calibration bit mask"},
        {"0x3FF=0x3F00:", "Bad calibration value"},
        {"0x3FF=0x3F00:-1", "Bad calibration value"},
        {"0x3FF=0x3F00:0x3401", "Calibration value outside its bit mask"},
        {"0x3FF 1023=0x3F00:0x3400", "Calibration address given twice"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(LoadMessage(ChipWith(row.Value, "")),
                  std::string("Error reading section: Region1\n") + row.Message)
            << row.Value;
}

TEST(Calibration, FormTextShowsTheDigitsAValidWordHas) {
    const struct {
        TCalibration_t Form;
        int32_t Bits;
        const char* Text;
    } rows[] = {
        {{0x3FF, 0x3F00, 0x3400}, 0x3FFF, "0x34nn"},
        {{0x3FF, 0x3F00, 0x3400}, -1, "0x3400 under the mask 0x3F00"}, // bits 15:14 free
        {{0x3FF, 0x00FF, 0x0042}, 0x00FF, "0x0042"},
        {{0x2007, 0, 0}, 0x3FFF, "any word"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(row.Form.FormText(row.Bits), row.Text);
}
