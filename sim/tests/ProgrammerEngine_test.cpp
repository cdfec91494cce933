// The protocol engine byte for byte: echoes, tokens, program mode, addressing, word
// access, the baud-rate switch, pass-through and the injected faults.
#include <gtest/gtest.h>

#include "ProgrammerEngine.h"
#include "TestChip.h"
#include "tests/support/ChipText.h"

namespace vesk::sim {
namespace {

class EngineTest : public ::testing::Test {
  protected:
    EngineTest() : Memory(test::Demo16()), Engine(Memory, Options()) {}
    static TOptions Options() { return {}; }
    // Sends the bytes and returns the answers joined.
    std::string Send(const std::string& bytes) { return Engine.Receive(bytes); }
    // Fetches n reply characters.
    std::string Fetch(int n) { return Send(std::string(size_t(n), 'n')); }
    // "r" and the four characters of its reply, in this order.
    std::string ReadWord() {
        std::string echo = Send("r");
        return echo + Fetch(4);
    }
    std::string ReadOne() {
        std::string echo = Send("r");
        return echo + Fetch(1);
    }

    TTargetMemory Memory;
    TProgrammerEngine Engine;
};

TEST_F(EngineTest, EchoesDigitsUnchangedAndLettersInUpperCase) {
    EXPECT_EQ(Send("0000h"), "0000H");
    EXPECT_TRUE(Engine.Activated());
    EXPECT_EQ(Engine.LastActivationId(), "0000");
    EXPECT_EQ(Send("AZ!c"), "AZ!C");
    EXPECT_EQ(Send("1234g"), "1234G");
    EXPECT_TRUE(Engine.TargetRunning());
}

TEST_F(EngineTest, SyncIsAnsweredWithQuestionMarkAndClearsTheArgument) {
    EXPECT_EQ(Send("\xff"), "?");
    EXPECT_EQ(Send("12\xff"), "12?");
    // "12" was dropped by the sync: "3FFFl" alone is a well-formed write.
    EXPECT_EQ(Send("230cx"), "230CX");
    EXPECT_EQ(Send("1234l"), "1234L");
    EXPECT_EQ(Memory.Word(0), 0x1234);
}

TEST_F(EngineTest, TypeAndVersionTokensAreFetchedOneCharacterPerN) {
    EXPECT_EQ(Send("t"), "T");
    EXPECT_EQ(Fetch(7), " VESK1 ");
    EXPECT_EQ(Send("v"), "V");
    EXPECT_EQ(Fetch(6), " 2.10 ");
    // Past the end of the reply, and after a command without reply, 'n' gets its echo.
    EXPECT_EQ(Fetch(1), "N");
    EXPECT_EQ(Send("0000h"), "0000H");
    EXPECT_EQ(Fetch(1), "N");
}

TEST_F(EngineTest, ConfiguredTokens) {
    TOptions o;
    o.Type = "VESK2";
    o.Version = "3.01";
    TProgrammerEngine e(Memory, o);
    EXPECT_EQ(e.Receive("tnnnnnnnvnnnnnn"), "T VESK2 V 3.01 ");
}

TEST_F(EngineTest, ProgramModeEntryPointsPerRegion) {
    EXPECT_EQ(Send("230cx"), "230CX");
    EXPECT_EQ(Engine.ProgramRegion(), 'c');
    EXPECT_EQ(Engine.Address(), 0);
    EXPECT_FALSE(Engine.TargetRunning());
    EXPECT_EQ(Send("230dx"), "230DX");
    EXPECT_EQ(Engine.Address(), 0x2100);
    EXPECT_EQ(Send("231fx"), "231FX");
    EXPECT_EQ(Engine.Address(), 0x2000);
    ASSERT_EQ(Engine.ProgramModes().size(), 3u);
    auto fuses = Engine.LastProgramMode('f');
    ASSERT_TRUE(fuses);
    EXPECT_EQ(fuses->Delay, 0x23);
    EXPECT_EQ(fuses->Algorithm, 1);
    EXPECT_EQ(Engine.LastProgramMode('c')->Algorithm, 0);
    EXPECT_FALSE(Engine.LastProgramMode('e'));
    // The target runs again after "g".
    Send("0000g");
    EXPECT_TRUE(Engine.TargetRunning());
    EXPECT_EQ(Engine.ProgramRegion(), 0);
}

TEST_F(EngineTest, EraseSetsEveryWordToItsDefault) {
    Memory.SetWord(5, 0x1234);
    Memory.SetWord(0x2100, 0x12);
    Memory.SetWord(0x2007, 0x0001);
    EXPECT_EQ(Send("234ex"), "234EX");
    EXPECT_EQ(Engine.ProgramRegion(), 'e');
    EXPECT_EQ(Memory.Word(5), 0x3FFF);
    EXPECT_EQ(Memory.Word(0x2100), 0xFF);
    EXPECT_EQ(Memory.Word(0x2007), 0x3FFF);
    EXPECT_EQ(Engine.LastProgramMode('e')->Algorithm, 4);
}

TEST_F(EngineTest, IncrementJumpReadAndWrite) {
    Send("230cx");
    EXPECT_EQ(Send("ABCl"), "ABCL");
    EXPECT_EQ(Memory.Word(0), 0x0ABC);
    EXPECT_EQ(Send("i"), "I");
    EXPECT_EQ(Engine.Address(), 1);
    EXPECT_EQ(Send("0123w"), "0123W");
    EXPECT_EQ(Memory.Word(1), 0x0123);
    EXPECT_EQ(Send("0003FFm"), "0003FFM");
    EXPECT_EQ(Engine.Address(), 0x3FF);
    EXPECT_EQ(ReadWord(), "R3FFF");
    Send("0001m"); // a shorter address is still an address
    EXPECT_EQ(ReadWord(), "R0123");
}

TEST_F(EngineTest, WritesAreMaskedToTheRegionsWordWidth) {
    Send("230cx");
    Send("FFFFl");
    EXPECT_EQ(Memory.Word(0), 0x3FFF);
    Send("230dx");
    Send("1234l");
    EXPECT_EQ(Memory.Word(0x2100), 0x34);
    Send("230fx");
    Send("002007m");
    Send("FFFFw");
    EXPECT_EQ(Memory.Word(0x2007), 0x3FFF);
    EXPECT_EQ(ReadWord(), "R3FFF");
}

TEST_F(EngineTest, DeviceIdIsReadAt2006AndIsReadOnly) {
    Send("230fx");
    Send("iiiiii");
    EXPECT_EQ(Engine.Address(), 0x2006);
    EXPECT_EQ(ReadWord(), "R0F00");
    Send("1234l");
    EXPECT_EQ(Memory.Word(0x2006), 0x0F00);
    Memory.SetDeviceId(0x0F01);
    EXPECT_EQ(ReadWord(), "R0F01");
}

TEST_F(EngineTest, AccessOutsideProgramModeOrItsMemoryDoesNothing) {
    EXPECT_EQ(Send("1234l"), "1234L");
    EXPECT_EQ(Memory.Word(0), 0x3FFF);
    EXPECT_EQ(ReadOne(), "RN");
    EXPECT_EQ(Send("i"), "I");
    EXPECT_EQ(Engine.Address(), 0);
    // Code program mode does not reach the data memory.
    Send("230cx");
    Send("002100m");
    Send("0012l");
    EXPECT_EQ(Memory.Word(0x2100), 0xFF);
}

TEST_F(EngineTest, MalformedCommandsAreEchoedButIgnored) {
    std::vector<std::string> notes;
    Engine.Log = [&](const std::string& n) { notes.push_back(n); };
    EXPECT_EQ(Send("23zcx"), "23ZCX"); // 'z' is no hex digit
    EXPECT_EQ(Send("230qx"), "230QX"); // no such region
    EXPECT_EQ(Send("230cx0x"), "230CX0X");
    EXPECT_EQ(Engine.ProgramModes().size(), 1u);
    EXPECT_EQ(Send("12g3l"), "12G3L"); // "g" ends program mode; "3l" is outside it
    EXPECT_EQ(Send("00a4p"), "00A4P"); // lower-case hex is not accepted
    EXPECT_EQ(Engine.BaudRate(), 19200);
    EXPECT_EQ(Send("0005p"), "0005P");
    EXPECT_FALSE(Engine.InPassThrough());
    EXPECT_EQ(Send("1t"), "1T");
    EXPECT_EQ(Fetch(1), "N");
    EXPECT_GE(notes.size(), 6u);
}

TEST_F(EngineTest, LongArgumentsKeepOnlyTheirTail) {
    std::string junk(1000, '7');
    EXPECT_EQ(Send(junk), junk);
    Send("\xff");
    EXPECT_EQ(Send("230cx"), "230CX");
}

TEST_F(EngineTest, BaudRateSwitchesAfterTheEcho) {
    const int rates[] = {9600, 19200, 38400, 57600, 115200};
    for (int i = 0; i < 5; ++i) {
        char cmd[8];
        std::snprintf(cmd, sizeof cmd, "00%02Xp", i * 16 + 4);
        const int before = Engine.BaudRate();
        for (char c : std::string(cmd)) {
            EXPECT_EQ(Engine.BaudRate(), before); // still the old rate while echoing
            Engine.Receive(uint8_t(c));
        }
        EXPECT_EQ(Engine.BaudRate(), rates[i]);
    }
}

TEST_F(EngineTest, SyncAtWakeupSpeedStandsForTheBreak) {
    Send("0044p");
    EXPECT_EQ(Engine.BaudRate(), 115200);
    // A sync at the new speed keeps the rate.
    EXPECT_EQ(Engine.Receive(0xFF, 115200).ToHost, "?");
    EXPECT_EQ(Engine.BaudRate(), 115200);
    // A sync at 19200 is what follows a break.
    EXPECT_EQ(Engine.Receive(0xFF, 19200).ToHost, "?");
    EXPECT_EQ(Engine.BaudRate(), 19200);
}

TEST_F(EngineTest, StrictSpeedIgnoresBytesAtAnotherSpeed) {
    TOptions o;
    o.StrictSpeed = true;
    TProgrammerEngine e(Memory, o);
    EXPECT_EQ(e.Receive('0', 9600).ToHost, "");
    EXPECT_EQ(e.Receive('0', 19200).ToHost, "0");
    EXPECT_EQ(e.Receive('0', 0).ToHost, "0"); // unknown speed: answered
}

TEST_F(EngineTest, PassThroughForwardsUntilTheWakeup) {
    EXPECT_EQ(Send("0003"), "0003");
    // The letter is not answered: the line belongs to the target from here on.
    auto r = Engine.Receive('p');
    EXPECT_EQ(r.ToHost, "");
    EXPECT_TRUE(Engine.InPassThrough());
    EXPECT_EQ(Engine.PassThroughFlags(), 3);
    r = Engine.Receive('a');
    EXPECT_EQ(r.ToHost, "");
    EXPECT_EQ(r.ToTarget, "a");
    // A 0xFF that is plain data goes to the target as well.
    r = Engine.Receive(0xFF);
    EXPECT_EQ(r.ToTarget, "\xff");
    EXPECT_TRUE(Engine.InPassThrough());
    // After a purge or a reconnection it is the wake-up.
    r = Engine.Receive(0xFF, 19200, true);
    EXPECT_EQ(r.ToHost, "?");
    EXPECT_EQ(r.ToTarget, "");
    EXPECT_FALSE(Engine.InPassThrough());
    EXPECT_EQ(Send("0000h"), "0000H");
}

TEST_F(EngineTest, PassThroughFlags) {
    Send("0002p");
    EXPECT_EQ(Engine.PassThroughFlags(), 2);
}

TEST_F(EngineTest, FaultNeverAnswer) {
    TFaults f;
    f.NeverAnswer = true;
    Engine.SetFaults(f);
    EXPECT_EQ(Send("\xff"
                   "0000h"),
              "");
    EXPECT_TRUE(Engine.Activated()); // commands still take effect
}

TEST_F(EngineTest, FaultWrongEchoAtByteN) {
    Send("0000h"); // counted from SetFaults, not from the start
    TFaults f;
    f.WrongEchoAt = 3;
    Engine.SetFaults(f);
    EXPECT_EQ(Send("0000h"), "00#0H");
}

TEST_F(EngineTest, FaultSyncAnsweredWithZero) {
    TFaults f;
    f.SyncAnswerZero = true;
    Engine.SetFaults(f);
    EXPECT_EQ(Send("\xff\xff"), std::string(2, '\0'));
    EXPECT_EQ(Send("0h"), "0H");
}

TEST_F(EngineTest, FaultNonHexRead) {
    TFaults f;
    f.BadReadReply = true;
    Engine.SetFaults(f);
    Send("230cx");
    EXPECT_EQ(ReadWord(), "RZZZZ");
}

TEST_F(EngineTest, FaultStopAfterNBytes) {
    TFaults f;
    f.StopAfter = 2;
    Engine.SetFaults(f);
    EXPECT_EQ(Send("0000h"), "00");
}

TEST_F(EngineTest, FaultTargetIdOverride) {
    TFaults f;
    f.TargetId = 0x0F01;
    Engine.SetFaults(f);
    Send("230fx002006m");
    EXPECT_EQ(ReadWord(), "R0F01");
    Engine.SetFaults({});
    EXPECT_EQ(ReadWord(), "R0F00");
}

} // namespace
} // namespace vesk::sim

namespace vesk::sim {
namespace {

TEST(EngineStrictSpeedTest, ThePassThroughLetterIsTakenAtAnySpeed) {
    TTargetMemory memory(test::Demo16());
    TOptions o;
    o.StrictSpeed = true;
    TProgrammerEngine e(memory, o);
    for (char c : std::string("0003"))
        EXPECT_EQ(e.Receive(uint8_t(c), 19200).ToHost, std::string(1, c));
    e.Receive('p', 9600);
    EXPECT_TRUE(e.InPassThrough());
}

// A target that answers only to its own family's algorithms, a mid-range part and a
// PIC18 alike: in the other family's program mode every read gives the idle line's
// ones, the ID word too, and nothing is written or erased; its own family's modes
// (every mid-range algorithm for a mid-range part) work as usual.
TEST(EngineOwnFamilyTest, TheOtherFamilysProgramModesReachNothing) {
    TChipDefinition pic18;
    pic18.LoadFromText(vesk::test::TChipText("P18", 0x1200, "PIC18").Code(64, 0xFFFF).Fuses(1, 0xFFFF));
    struct Case_t {
        const TChipDefinition& Chip;
        std::string Own, Other; // a program mode of each family, without its region letter
        std::string OwnId, OtherId;
    };
    for (const Case_t& c : {Case_t{test::Demo16(), "234", "233", "0F00", "FFFF"},
                            Case_t{test::Demo16(), "232", "233", "0F00", "FFFF"},
                            Case_t{pic18, "233", "230", "1200", "3FFF"}}) {
        SCOPED_TRACE(c.Chip.Name + " " + c.Own);
        TTargetMemory memory(c.Chip);
        TOptions o;
        o.OwnFamilyOnly = true;
        TProgrammerEngine e(memory, o);
        memory.SetWord(1, 0x1111);
        EXPECT_EQ(e.Receive(c.Other + "fx002006mrnnnn"), c.Other + "FX002006MR" + c.OtherId);
        EXPECT_EQ(e.Receive(c.Other + "cx000001mrnnnn2222w"), c.Other + "CX000001MR" + c.OtherId + "2222W");
        e.Receive(c.Other + "ex");
        EXPECT_EQ(memory.Word(1), 0x1111); // neither written nor erased
        EXPECT_EQ(e.Receive(c.Own + "fx002006mrnnnn"), c.Own + "FX002006MR" + c.OwnId);
        EXPECT_EQ(e.Receive(c.Own + "cx000001m3333wrnnnn"), c.Own + "CX000001M3333WR3333");
        e.Receive(c.Own + "ex");
        EXPECT_EQ(memory.Word(1), c.Chip.RegionByCode(RegionCodeCode).Default);
    }
}

} // namespace
} // namespace vesk::sim
