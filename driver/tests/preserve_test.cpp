// Preserved words across a failed erase: the words the erase took and did not write
// back are named in the message, stay pending in the driver, and the next erase of
// the same chip puts them back instead of keeping the blank words it reads.
#include "DriverFixture.h"

#include <cstdio>

namespace vesk::test {
namespace {

// The CAL16 erase as the programmer receives it: the calibration word at 0x3FF and
// the configuration word at 0x2007 read, the erase, both written back.
std::string SaveBytes() {
    return "230cx0003FFmrnnnn"
           "230fx" +
           Repeat("i", 7) + "rnnnn";
}
std::string EraseBytes(int32_t calibration, int32_t fuses) {
    char words[16];
    std::snprintf(words, sizeof words, "%04X", unsigned(calibration));
    std::string restore = "230cx0003FFm" + std::string(words) + "w";
    std::snprintf(words, sizeof words, "%04X", unsigned(fuses));
    return SaveBytes() + "230ex" + restore + "230fx" + Repeat("i", 7) + words + "w";
}
// Byte positions in that sequence (1-based, as the simulator counts faults).
const int64_t EraseX = 39;       // the "x" of "230ex"
const int64_t CalibrationW = 56; // the "w" writing the calibration word back
const int64_t FusesW = 73;       // the "w" writing the configuration word back

constexpr const char* Timeout = "VBUS write failed\nVBUS Echo timeout";

class PreserveTest : public DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        StartSim("CAL16");
        Cal = &Chip("CAL16");
        Dev.SetTarget(Cal);
        Cal->ResetImage();
        Sim->SetWord(0x3FF, 0x3480); // the factory calibration value
        Sim->SetWord(0x2007, 0x2FFF);
        Sim->SetWord(0x100, 0x0000); // old program
        Connect();
    }
    // The user tries again: a new connection, a programmer that behaves.
    void Reconnect() {
        Dev.Close();
        Faults({});
        Connect();
    }
    // The adapter was unplugged and plugged in again: a new simulator holding the
    // same target memory.
    void Replug() {
        Dev.Close();
        const int32_t calibration = Sim->Word(0x3FF), fuses = Sim->Word(0x2007), old = Sim->Word(0x100);
        StartSim("CAL16");
        Sim->SetWord(0x3FF, calibration);
        Sim->SetWord(0x2007, fuses);
        Sim->SetWord(0x100, old);
        Connect();
    }
    TChipDefinition* Cal = nullptr;
};

TEST_F(PreserveTest, NormalEraseIsUnchangedAndLeavesNothingPending) {
    Dev.EraseChip();
    EXPECT_EQ(Sent(), EraseBytes(0x3480, 0x2FFF));
    EXPECT_EQ(Sim->Word(0x3FF), 0x3480);
    EXPECT_EQ(Sim->Word(0x2007), 0x2FFF);
    EXPECT_EQ(Sim->Word(0x100), 0x3FFF);
    EXPECT_TRUE(Dev.PendingPreserved(Cal).empty());
}

TEST_F(PreserveTest, FailureAfterTheEraseNamesTheLostWordsAndTheRetryPutsBackTheOriginals) {
    // The programmer erases, then falls silent: the re-entry for the write-back fails.
    SilentAfter(EraseX);
    EXPECT_EQ(ErrorOf([&] { Dev.EraseChip(); }),
              "Erase chip failed\n"
              "Preserved words not restored: [0x0003FF] = 0x003480, [0x002007] = 0x002FFF\n"
              "Program mode enter failed: Region 0x01 (Code)\nVBUS command '230cx' failed\n" +
                  std::string(Timeout));
    EXPECT_EQ(Sim->Word(0x3FF), 0x3FFF);
    EXPECT_EQ(Sim->Word(0x2007), 0x3FFF);
    EXPECT_EQ(Dev.PendingPreserved(Cal), (std::map<int32_t, int32_t>{{0x3FF, 0x3480}, {0x2007, 0x2FFF}}));

    // A second failure at the same point still names the original words, not the
    // blank ones the chip holds now.
    Reconnect();
    SilentAfter(EraseX);
    EXPECT_EQ(ErrorOf([&] { Dev.EraseChip(); }),
              "Erase chip failed\n"
              "Preserved words not restored: [0x0003FF] = 0x003480, [0x002007] = 0x002FFF\n"
              "Program mode enter failed: Region 0x01 (Code)\nVBUS command '230cx' failed\n" +
                  std::string(Timeout));

    // The retry reads blank words and writes the originals back, byte for byte as
    // an erase of the untouched chip would.
    Reconnect();
    Dev.EraseChip();
    EXPECT_EQ(Sent(), EraseBytes(0x3480, 0x2FFF));
    EXPECT_EQ(Sim->Word(0x3FF), 0x3480);
    EXPECT_EQ(Sim->Word(0x2007), 0x2FFF);
    EXPECT_TRUE(Dev.PendingPreserved(Cal).empty());
    EXPECT_EQ(Cal->RegionByCode(1).Preserve[0].Saved, 0x3480);
}

TEST_F(PreserveTest, LostEchoOfTheEraseCommand) {
    // The programmer erased, but the echo of the erase command's last byte is lost.
    SilentAfter(EraseX - 1);
    EXPECT_EQ(ErrorOf([&] { Dev.EraseChip(); }),
              "Erase chip failed\n"
              "Preserved words not restored: [0x0003FF] = 0x003480, [0x002007] = 0x002FFF\n"
              "Program mode enter failed: Region 0x00 ()\nVBUS command '230ex' failed\n" +
                  std::string(Timeout));
    EXPECT_EQ(Sim->Word(0x3FF), 0x3FFF);
    Reconnect();
    Dev.EraseChip();
    EXPECT_EQ(Sim->Word(0x3FF), 0x3480);
    EXPECT_EQ(Sim->Word(0x2007), 0x2FFF);
}

TEST_F(PreserveTest, WordsWrittenBackBeforeTheFailureAreNotNamed) {
    // The calibration word is back; the programmer falls silent before the Fuses
    // program mode for the configuration word.
    SilentAfter(CalibrationW);
    EXPECT_EQ(ErrorOf([&] { Dev.EraseChip(); }),
              "Erase chip failed\n"
              "Preserved words not restored: [0x002007] = 0x002FFF\n"
              "Program mode enter failed: Region 0x03 (Fuses)\nVBUS command '230fx' failed\n" +
                  std::string(Timeout));
    EXPECT_EQ(Sim->Word(0x3FF), 0x3480);
    EXPECT_EQ(Sim->Word(0x2007), 0x3FFF);
    EXPECT_EQ(Dev.PendingPreserved(Cal), (std::map<int32_t, int32_t>{{0x2007, 0x2FFF}}));
    Reconnect();
    Dev.EraseChip();
    EXPECT_EQ(Sent(), EraseBytes(0x3480, 0x2FFF));
    EXPECT_EQ(Sim->Word(0x2007), 0x2FFF);
    EXPECT_TRUE(Dev.PendingPreserved(Cal).empty());
}

TEST_F(PreserveTest, LostEchoOfTheFinalWriteKeepsTheWordPendingUntilReadBack) {
    // The programmer wrote the configuration word, but its "w" went unanswered: the
    // message names it with the line of the write, as before.
    SilentAfter(FusesW - 1);
    EXPECT_EQ(ErrorOf([&] { Dev.EraseChip(); }),
              "Erase chip failed\n"
              "Preserved words not restored: [0x002007] = 0x002FFF\n"
              "Write data failed: [0x002007] = 0x002FFF\nVBUS command '2FFFw' failed\n" +
                  std::string(Timeout));
    EXPECT_EQ(Sim->Word(0x2007), 0x2FFF);
    // The next erase reads the word back from the chip and needs the pending one no more.
    Reconnect();
    Dev.EraseChip();
    EXPECT_EQ(Sent(), EraseBytes(0x3480, 0x2FFF));
    EXPECT_TRUE(Dev.PendingPreserved(Cal).empty());
}

TEST_F(PreserveTest, ReplacedChipKeepsItsOwnWords) {
    SilentAfter(EraseX);
    ErrorOf([&] { Dev.EraseChip(); });
    // Another chip of the same type goes into the socket, with its own calibration.
    Sim->SetWord(0x3FF, 0x3456);
    Sim->SetWord(0x2007, 0x1FFF);
    Reconnect();
    Dev.EraseChip();
    EXPECT_EQ(Sent(), EraseBytes(0x3456, 0x1FFF));
    EXPECT_EQ(Sim->Word(0x3FF), 0x3456);
    EXPECT_EQ(Sim->Word(0x2007), 0x1FFF);
    EXPECT_TRUE(Dev.PendingPreserved(Cal).empty());
}

TEST_F(PreserveTest, UnpluggedLineAfterTheEraseAndOtherChipsMeanwhile) {
    Faults({.DropLineAfter = EraseX});
    const std::string message = ErrorOf([&] { Dev.EraseChip(); });
    EXPECT_EQ(message.substr(0, message.find('\n', message.find('\n') + 1)),
              "Erase chip failed\n"
              "Preserved words not restored: [0x0003FF] = 0x003480, [0x002007] = 0x002FFF");
    EXPECT_EQ(Sim->Word(0x3FF), 0x3FFF);
    Replug();

    // Selecting and erasing another chip keeps the first chip's pending words.
    TChipDefinition* multi = &Chip("MULTI16");
    Dev.SetTarget(multi);
    EXPECT_EQ(Dev.PendingPreserved(Cal).size(), 2u);
    Dev.SetTarget(nullptr);
    EXPECT_EQ(Dev.PendingPreserved(Cal).size(), 2u);
    EXPECT_TRUE(Dev.PendingPreserved(multi).empty());

    Dev.SetTarget(Cal);
    Dev.EraseChip();
    EXPECT_EQ(Sent(), EraseBytes(0x3480, 0x2FFF));
    EXPECT_EQ(Sim->Word(0x3FF), 0x3480);
    EXPECT_EQ(Sim->Word(0x2007), 0x2FFF);
}

TEST_F(PreserveTest, FailureBeforeTheEraseLeavesNothingPending) {
    // The read of the calibration word falls silent: nothing was erased.
    SilentAfter(12);
    EXPECT_EQ(ErrorOf([&] { Dev.EraseChip(); }),
              "Erase chip failed\nRead data failed\nVBUS command 'r' failed\n" + std::string(Timeout));
    EXPECT_TRUE(Dev.PendingPreserved(Cal).empty());
    EXPECT_EQ(Sim->Word(0x3FF), 0x3480);
}

} // namespace
} // namespace vesk::test
