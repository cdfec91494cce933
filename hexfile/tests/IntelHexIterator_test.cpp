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
    EXPECT_FALSE(TIntelHexFileIterator(FromText(":020000040001F9\n:00000001FF\n")).IsValid());
    EXPECT_FALSE(TIntelHexFileIterator(FromText(":0000000000\n")).IsValid());
    EXPECT_FALSE(TIntelHexFileIterator(FromText("")).IsValid());
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

TEST(IntelHexIterator, LoneByteNeverReadsPastTheData) {
    // The reader refuses such records; a record filled by hand is still walked safely.
    TIntelHexFile file;
    file.Lines = {"hand made"};
    file.Records.resize(1);
    file.Records[0].RecordType = IntelHexDataRecord;
    file.Records[0].Data = {0x11, 0x22, 0x33};
    TIntelHexFileIterator it(file);
    EXPECT_EQ(it.Value(), 0x2211);
    ASSERT_TRUE(it.Next());
    EXPECT_EQ(it.Value(), 0x0033);
    EXPECT_EQ(it.WordAddress(), 1);
    EXPECT_FALSE(it.Next());
}
