#include "storage/IniValues.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vesk;

TEST(IniValues, IntegersAreDecimalWithOptionalSign) {
    EXPECT_EQ(TextToInt32("500"), 500);
    EXPECT_EQ(TextToInt32("-12"), -12);
    EXPECT_EQ(TextToInt32("+7"), 7);
    EXPECT_EQ(TextToInt32(" 42\t"), 42);
    EXPECT_EQ(TextToInt32("2147483647"), 2147483647);
    EXPECT_EQ(TextToInt32("-2147483648"), INT32_MIN);
}

TEST(IniValues, ZeroXIntroducesHexadecimal) {
    EXPECT_EQ(TextToInt32("0x1F"), 31);
    EXPECT_EQ(TextToInt32("0Xff"), 255);
    EXPECT_EQ(TextToInt32("0x7FFFFFFF"), INT32_MAX);
    EXPECT_EQ(TextToInt32("0xFFFFFFFF"), -1); // the 32-bit pattern
}

TEST(IniValues, UnreadableIntegersGiveNothing) {
    for (const char* bad : {"", " ", "abc", "12a", "1.5", "0x", "0xG1", "0x100000000", "2147483648",
                            "-2147483649", "+-1", "++1", "--1", "-", "+", "$1F", "1 2"})
        EXPECT_FALSE(TextToInt32(bad)) << bad;
}

TEST(IniValues, FloatsRoundTripExactly) {
    for (double v : {0.0, 1.5, -2.25, 0.1, 1e300, 123456789.123456789, -0.0}) {
        const auto back = TextToFloat(FloatToText(v));
        ASSERT_TRUE(back);
        EXPECT_EQ(*back, v);
    }
    EXPECT_EQ(TextToFloat("2,5"), 2.5);
    EXPECT_EQ(TextToFloat(" +3 "), 3.0);
    EXPECT_FALSE(TextToFloat("x"));
    EXPECT_FALSE(TextToFloat(""));
    EXPECT_FALSE(TextToFloat("1.5.2"));
}

TEST(IniValues, ListEntriesHaveAtLeastThreeDigits) {
    EXPECT_EQ(ListEntryName("RecentFiles", 0), "RecentFiles000");
    EXPECT_EQ(ListEntryName("RecentFiles", 12), "RecentFiles012");
    EXPECT_EQ(ListEntryName("N", 999), "N999");
    EXPECT_EQ(ListEntryName("N", 1000), "N1000");
}
