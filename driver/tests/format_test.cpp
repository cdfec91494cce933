#include "common/Text.h"
#include "driver/VbusFormat.h"

#include <gtest/gtest.h>

namespace vesk::vbus {
namespace {

TEST(VbusFormat, HexIsUpperCaseZeroPaddedAndWidensWhenNeeded) {
    EXPECT_EQ(Hex(0x2007, 6), "002007");
    EXPECT_EQ(Hex(0x3fff, 4), "3FFF");
    EXPECT_EQ(Hex(0x12345, 4), "12345");
    EXPECT_EQ(Hex(0, 0), "0");
    EXPECT_EQ(Hex(-1, 4), "FFFFFFFF");
    EXPECT_EQ(Hex(-2, 2), "FFFFFFFE");
}

TEST(VbusFormat, ParseHexTakesOnlyHexDigits) {
    EXPECT_EQ(ParseHex("0F00"), 0x0F00);
    EXPECT_EQ(ParseHex("3fff"), 0x3FFF);
    EXPECT_EQ(ParseHex("FFFFFFFF"), -1);
    EXPECT_EQ(ParseHex("ZZZZ"), -1);
    EXPECT_EQ(ParseHex(""), -1);
    EXPECT_EQ(ParseHex(" 12"), -1);
    EXPECT_EQ(ParseHex("123456789"), -1);
}

} // namespace
} // namespace vesk::vbus
