// Walking the data words of a loaded image.
#include <gtest/gtest.h>

#include "hexfile/IntelHexFile.h"

using namespace vesk;

namespace {

TIntelHexFile FromText(const std::string& text) {
    TIntelHexFile file;
    file.LoadFromText(text, "test.hex");
    return file;
}

} // namespace

TEST(IntelHexIterator, WorkedExampleYieldsOneWord) {
    const TIntelHexFile file = FromText(":02000000FF3FC0\n");
    TIntelHexFileIterator it(file);
    ASSERT_TRUE(it.IsValid());
    EXPECT_EQ(it.WordAddress(), 0);
    EXPECT_EQ(it.Value(), 0x3FFF);
    EXPECT_FALSE(it.Next());
    EXPECT_FALSE(it.IsValid());
    EXPECT_EQ(it.Value(), -1);
    EXPECT_EQ(it.WordAddress(), -1);
    EXPECT_FALSE(it.Next()); // stays at the end
}

TEST(IntelHexIterator, ExtendedAddressExample) {
    const TIntelHexFile file = FromText(":020000040001F9\n:020000003412B8\n");
    TIntelHexFileIterator it(file);
    ASSERT_TRUE(it.IsValid());
    EXPECT_EQ(it.WordAddress(), 0x8000);
    EXPECT_EQ(it.Value(), 0x1234);
}

TEST(IntelHexIterator, WordsInLineAndByteOrder) {
    const TIntelHexFile file = FromText(":0400100001020304E2\n"
                                        ":00000001FF\n"
                                        ":02000000AABB99\n");
    TIntelHexFileIterator it(file);
    std::vector<std::pair<int64_t, int32_t>> words;
    for (; it.IsValid(); it.Next())
        words.emplace_back(it.WordAddress(), it.Value());
    EXPECT_EQ(words, (std::vector<std::pair<int64_t, int32_t>>{{8, 0x0201}, {9, 0x0403}, {0, 0xBBAA}}));
}

TEST(IntelHexIterator, NoDataRecordsNoWords) {
    for (const char* text : {":020000040001F9\n:00000001FF\n", ":0000000000\n", ""})
        EXPECT_FALSE(TIntelHexFileIterator(FromText(text)).IsValid()) << text;
    EXPECT_FALSE(TIntelHexFileIterator(TIntelHexFile()).IsValid());
}

TEST(IntelHexIterator, HighestAddressesDoNotOverflow) {
    const TIntelHexFile file = FromText(":02000004FFFFFC\n:04FFFE00AABBCCDDF1\n");
    TIntelHexFileIterator it(file);
    ASSERT_TRUE(it.IsValid());
    EXPECT_EQ(it.WordAddress(), 0x7FFFFFFF);
    ASSERT_TRUE(it.Next());
    EXPECT_EQ(it.WordAddress(), int64_t(0x80000000));
    EXPECT_EQ(it.Value(), 0xDDCC);
    const TIntelHexFile mid = FromText(":0200000480007A\n:020000001100ED\n");
    EXPECT_EQ(TIntelHexFileIterator(mid).WordAddress(), 0x40000000);
}

// Every byte lands in its word by its byte address: even is the low half, odd the high.
TEST(IntelHexIterator, BytesLandInTheirHalves) {
    struct Word_t {
        int64_t Address;
        int32_t Value, Mask;
        bool operator==(const Word_t&) const = default;
    };
    const struct {
        const char* Text;
        std::vector<Word_t> Words;
    } rows[] = {
        // Whole words, as every image of whole words.
        {":0400100001020304E2\n", {{8, 0x0201, 0xFFFF}, {9, 0x0403, 0xFFFF}}},
        // gpasm's CONFIG directive: 3 bytes from 0x300001 (CONFIG1H, CONFIG2L, CONFIG2H).
        {":020000040030CA\n:03000100220F0EBD\n", {{0x180000, 0x2200, 0xFF00}, {0x180001, 0x0E0F, 0xFFFF}}},
        // C18: one byte at an odd address, then 5 bytes from an even one.
        {":020000040030CA\n:010005008179\n:050008000E000FE00FE7\n",
         {{0x180002, 0x8100, 0xFF00},
          {0x180004, 0x000E, 0xFFFF},
          {0x180005, 0xE00F, 0xFFFF},
          {0x180006, 0x000F, 0x00FF}}},
        // A lone byte never reads past the record's data.
        {":0100000033CC\n", {{0, 0x0033, 0x00FF}}},
    };
    for (const auto& row : rows) {
        const TIntelHexFile file = FromText(row.Text);
        std::vector<Word_t> words;
        for (TIntelHexFileIterator it(file); it.IsValid(); it.Next())
            words.push_back({it.WordAddress(), it.Value(), it.ByteMask()});
        EXPECT_EQ(words, row.Words) << row.Text;
    }
}
