// The memory of calibration values: records appended as JSON lines, the last one of a
// chip type, port and address found again, a file that is not all records still read.
// (A memory that cannot be written: cli/tests/cli_calibration_test.cpp.)
#include "storage/CalibrationMemory.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

using namespace vesk;
using vesk::test::ReadText;
using vesk::test::TTempFolder;
using vesk::test::WriteText;

TEST(CalibrationMemory, RecordsAreFoundAgainByChipPortAndAddress) {
    TTempFolder folder;
    TCalibrationMemory memory(folder.Path() + "new/folder/calibration.jsonl");
    int tick = 0;
    memory.Clock = [&] { return "T" + std::to_string(++tick); };
    memory.Append({"", "/dev/ttyUSB0", "PIC12F675", 0x3FF, 0x3454});
    memory.Append({"", "/dev/ttyUSB0", "PIC12F675", 0x2007, 0x1FFF});
    memory.Append({"", "/dev/ttyUSB1", "PIC12F675", 0x3FF, 0x3460});
    memory.Append({"", "/dev/ttyUSB0", "PIC12F629", 0x3FF, 0x3480});
    memory.Append({"", "/dev/ttyUSB0", "PIC12F675", 0x3FF, 0x3458});
    const std::string text = ReadText(memory.Path());
    EXPECT_EQ(text.substr(0, text.find('\n') + 1),
              "{\"time\":\"T1\",\"port\":\"/dev/ttyUSB0\",\"chip\":\"PIC12F675\",\"address\":\"0x0003FF\","
              "\"word\":\"0x3454\"}\n");
    const auto last = memory.Last("PIC12F675", "/dev/ttyUSB0", 0x3FF);
    ASSERT_TRUE(last.has_value());
    EXPECT_EQ(last->Word, 0x3458);
    EXPECT_EQ(last->Time, "T5");
    EXPECT_EQ(memory.Last("PIC12F675", "/dev/ttyUSB1", 0x3FF)->Word, 0x3460);
    EXPECT_EQ(memory.Last("PIC12F675", "/dev/ttyUSB0", 0x2007)->Word, 0x1FFF);
    EXPECT_FALSE(memory.Last("PIC12F675", "/dev/ttyS0", 0x3FF).has_value());
    EXPECT_FALSE(TCalibrationMemory("").Last("PIC12F675", "/dev/ttyUSB0", 0x3FF).has_value());
}

// Names with quotes and control characters come back as written; lines that are no
// record (edited by hand, cut short by a full disk) are skipped.
TEST(CalibrationMemory, OddNamesAndBrokenLines) {
    const TCalibrationRecord odd{"2026-01-02T03:04:05+01:00", "COM\"3\\\t", "ÄCHIP \x01", 0x300000, 0xFFFF};
    const auto back = ParseCalibrationRecord(CalibrationRecordLine(odd));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->Port, odd.Port);
    EXPECT_EQ(back->Chip, odd.Chip);
    EXPECT_EQ(back->Address, odd.Address);
    EXPECT_EQ(back->Word, odd.Word);
    for (const char* line : {"", "{", "{}", "not json", "{\"chip\":\"X\",\"address\":\"0x3FF\"}",
                             "{\"chip\":\"X\",\"address\":\"1023\",\"word\":\"0x3454\"}",
                             "{\"chip\":\"X\",\"address\":\"0x3FF\",\"word\":\"0x3454\"} trailing",
                             "{\"chip\":\"X\",\"address\":\"0x3FF\",\"word\":\"0x34\\u00e4\"}",
                             "{\"chip\":\"X\",\"address\":\"0x3FF\",\"word\":\"0x3454\""})
        EXPECT_FALSE(ParseCalibrationRecord(line).has_value()) << line;
    EXPECT_TRUE(ParseCalibrationRecord(" { \"chip\" : \"X\" , \"port\" : null, \"address\" : \"0x3ff\", "
                                       "\"word\" : \"0x3454\" }\r")
                    .has_value());

    TTempFolder folder;
    WriteText(folder.Path() + "calibration.jsonl",
              CalibrationRecordLine({"T1", "P", "X", 0x3FF, 0x3454}) + "garbage\n{\"chip\":\"X\"\n" +
                  CalibrationRecordLine({"T2", "P", "X", 0x3FF, 0x3455}).substr(0, 40));
    EXPECT_EQ(TCalibrationMemory(folder.Path() + "calibration.jsonl").Last("X", "P", 0x3FF)->Word, 0x3454);
}
