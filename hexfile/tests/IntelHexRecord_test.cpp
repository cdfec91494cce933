// Parsing and checking one record line.
#include <gtest/gtest.h>

#include "VESK_Exception.h"
#include "hexfile/IntelHexFile.h"

using namespace vesk;

namespace {

std::string ParseMessage(TIntelHexFileRecord& record, const std::string& line) {
    try {
        record.Parse(line);
    } catch (const VESK_Exception& e) {
        return e.Message();
    }
    return "(no error)";
}

} // namespace

TEST(IntelHexRecord, WorkedExampleFields) {
    TIntelHexFileRecord record;
    ASSERT_TRUE(record.Parse(":02000000FF3FC0", 0x1234));
    EXPECT_EQ(record.Marker, ":");
    EXPECT_EQ(record.ByteCount, 2);
    EXPECT_EQ(record.Address, 0);
    EXPECT_EQ(record.ExtendedAddress, 0x1234);
    EXPECT_EQ(record.RecordType, 0);
    EXPECT_EQ(record.Data, (std::vector<uint8_t>{0xFF, 0x3F}));
    EXPECT_EQ(record.Checksum, 0xC0);
    EXPECT_EQ(record.ComputeChecksum(), 0xC0);
    EXPECT_EQ(record.Column, 16);
    EXPECT_EQ(record.Line, ":02000000FF3FC0");
    EXPECT_EQ(record.NextExtendedAddress(), 0x1234);
}

TEST(IntelHexRecord, ChecksumMismatch) {
    TIntelHexFileRecord record;
    EXPECT_EQ(ParseMessage(record, ":02000000FF3FC1"),
              "Record read error on column 16\n"
              "Record data checksum mismatch. Expected 0xC0, got 0xC1");
}

TEST(IntelHexRecord, ExtendedLinearAddressSetsTheNextValue) {
    TIntelHexFileRecord ext;
    ASSERT_TRUE(ext.Parse(":020000040001F9"));
    EXPECT_EQ(ext.ExtendedAddress, 0); // applies to the records after it
    EXPECT_EQ(ext.NextExtendedAddress(), 1);
    TIntelHexFileRecord data;
    ASSERT_TRUE(data.Parse(":020000003412B8", ext.NextExtendedAddress()));
    EXPECT_EQ(data.ExtendedAddress, 1);
}

TEST(IntelHexRecord, ShortExtendedAddressRecordReadsNoMoreThanItHas) {
    TIntelHexFileRecord record;
    ASSERT_TRUE(record.Parse(":01000004AB50", 7));
    EXPECT_EQ(record.NextExtendedAddress(), 7);
}

TEST(IntelHexRecord, ValidateChecksInOrder) {
    TIntelHexFileRecord record;
    ASSERT_TRUE(record.Parse(":0400000001020304F2"));
    record.Data.pop_back();
    try {
        record.Validate();
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Record data size mismatch. Expected 4, got 3");
    }
    record.Marker = "#";
    try {
        record.Validate();
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Record marker ':' missing");
    }
}

TEST(IntelHexRecord, OddByteCountsAreRecords) {
    // Compilers write configuration bytes one at a time; the cursor places each.
    TIntelHexFileRecord record;
    EXPECT_TRUE(record.Parse(":0100000001FE"));
    EXPECT_EQ(record.Data, std::vector<uint8_t>{1});
    EXPECT_TRUE(record.Parse(":0100000201FC"));
}

TEST(IntelHexRecord, ParseResetsTheRecord) {
    TIntelHexFileRecord record;
    ASSERT_TRUE(record.Parse(":0400000001020304F2"));
    EXPECT_NE(ParseMessage(record, "x"), "(no error)");
    EXPECT_TRUE(record.Data.empty());
    EXPECT_EQ(record.ByteCount, 0);
    EXPECT_EQ(record.Marker, "x");
    EXPECT_EQ(record.Line, "x");
    EXPECT_EQ(record.Column, 2);
}

TEST(IntelHexRecord, EmptyLine) {
    TIntelHexFileRecord record;
    EXPECT_EQ(ParseMessage(record, ""), "Record read error on column 2\nRecord marker ':' missing");
    EXPECT_EQ(record.Marker, "");
}

TEST(IntelHexRecord, LongLineAfterTheChecksumIsIgnored) {
    TIntelHexFileRecord record;
    EXPECT_TRUE(record.Parse(":02000000FF3FC0" + std::string(100000, 'z')));
}

TEST(IntelHexRecord, FullRecordOf255Bytes) {
    std::string line = ":FF000000";
    unsigned sum = 0xFF;
    for (int i = 0; i < 255; ++i) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", i);
        line += hex;
        sum += static_cast<unsigned>(i);
    }
    char check[3];
    std::snprintf(check, sizeof check, "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
    TIntelHexFileRecord record;
    // 255 bytes of type 01 (not data).
    std::string asType1 = line;
    asType1[8] = '1';
    std::snprintf(check, sizeof check, "%02X", (0x100 - ((sum + 1) & 0xFF)) & 0xFF);
    EXPECT_TRUE(record.Parse(asType1 + check));
    EXPECT_EQ(record.Data.size(), 255u);
    EXPECT_EQ(record.Column, 12 + 2 * 255);
}
