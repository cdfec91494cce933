#include "common/Text.h"
#include "driver/VbusFormat.h"

#include <gtest/gtest.h>

namespace vesk::vbus {
namespace {

TEST(VbusFormat, HexIsUpperCaseZeroPaddedAndWidensWhenNeeded) {
    const struct {
        int32_t Value;
        int Digits;
        const char* Text;
    } rows[] = {
        {0x2007, 6, "002007"}, {0x3fff, 4, "3FFF"}, {0x12345, 4, "12345"},
        {0, 0, "0"},           {-1, 4, "FFFFFFFF"}, {-2, 2, "FFFFFFFE"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Hex(row.Value, row.Digits), row.Text) << row.Value;
}

TEST(VbusFormat, ParseHexTakesOnlyHexDigits) {
    const std::pair<const char*, int32_t> rows[] = {
        {"0F00", 0x0F00}, {"3fff", 0x3FFF}, {"FFFFFFFF", -1},  {"ZZZZ", -1},
        {"", -1},         {" 12", -1},      {"123456789", -1},
    };
    for (const auto& [text, value] : rows)
        EXPECT_EQ(ParseHex(text), value) << text;
}

} // namespace
} // namespace vesk::vbus
