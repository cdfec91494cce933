// Program mode, the address cursor and word access (the driver's words layer): the
// fewest commands to reach an address, and a cursor that is always either none or the
// programmer's real address.
#include "DriverFixture.h"

namespace vesk::test {
namespace {

class AddressTest : public DriverTest {};

TEST_F(AddressTest, FirstMoveToCodeStartEntersProgramModeAndJumps) {
    StartSim("T16");
    Words.SetTarget(&Chip("T16"));
    Connect();
    EXPECT_EQ(Words.MoveTo(0), 0);
    EXPECT_EQ(Sent(), "230cx000000m");
    EXPECT_EQ(Sim->Address(), 0);
    EXPECT_EQ(Sim->ProgramRegion(), 'c');
}

TEST_F(AddressTest, FirstMoveToFusesIncrementsFromTheEntryPoint) {
    StartSim("T16");
    Words.SetTarget(&Chip("T16"));
    Connect();
    EXPECT_EQ(Words.MoveTo(0x2007), 0x2007);
    EXPECT_EQ(Sent(), "230fx" + Repeat("i", 7));
    EXPECT_EQ(Sim->Address(), 0x2007);
}

TEST_F(AddressTest, Pic18JumpsInFuses) {
    StartSim("P18");
    Words.SetTarget(&Chip("P18"));
    Connect();
    Words.MoveTo(0x2007);
    EXPECT_EQ(Sent(), "233fx002007m");
    EXPECT_EQ(Sim->Address(), 0x2007);
}

TEST_F(AddressTest, RegionAlgorithmOverridesTheChips) {
    StartSim("ALG4");
    Words.SetTarget(&Chip("ALG4"));
    Connect();
    Words.MoveTo(0x10);
    Words.MoveTo(0x2100);
    EXPECT_EQ(Sent(), "234cx000010m"
                      "230dx002100m");
    ASSERT_TRUE(Sim->LastProgramMode('c').has_value());
    EXPECT_EQ(Sim->LastProgramMode('c')->Algorithm, 4);
    EXPECT_EQ(Sim->LastProgramMode('c')->Delay, 35);
}

TEST_F(AddressTest, ProgramDelayIsSentAsTwoHexDigits) {
    StartSim("T16");
    Words.SetTarget(&Chip("T16"));
    Words.SetProgramDelay(5);
    Connect();
    Words.ProgramModeEnter(2);
    EXPECT_EQ(Sent(), "050dx");
    EXPECT_EQ(Words.Cursor().Address, 0x2100);
}

TEST_F(AddressTest, NextAddressCostsOneIncrementSameAddressNothing) {
    StartSim("T16");
    Words.SetTarget(&Chip("T16"));
    Connect();
    Words.MoveTo(0x20);
    ClearSent();
    Words.MoveTo(0x21);
    EXPECT_EQ(Sent(), "i");
    Words.MoveTo(0x21);
    EXPECT_EQ(Sent(), "i");
    Words.MoveTo(0x30);
    EXPECT_EQ(Sent(), "i000030m");
    EXPECT_EQ(Sim->Address(), 0x30);
}

TEST_F(AddressTest, MovingBackEntersProgramModeAgain) {
    StartSim("T16");
    Words.SetTarget(&Chip("T16"));
    Connect();
    Words.MoveTo(0x2007);
    Words.MoveTo(0x30);
    ClearSent();
    Words.MoveTo(0x10);
    EXPECT_EQ(Sent(), "230cx000010m");
    EXPECT_EQ(Sim->Address(), 0x10);
}

TEST_F(AddressTest, MoveToWithoutTargetSendsNothing) {
    StartSim("T16");
    Connect();
    EXPECT_EQ(Words.MoveTo(0), TDeviceVESK1Address::None);
    EXPECT_EQ(Sent(), "");
    EXPECT_TRUE(Words.Cursor().IsNone());
}

TEST_F(AddressTest, MoveToOutsideEveryRegionRaisesTheChipError) {
    StartSim("T16");
    Words.SetTarget(&Chip("T16"));
    Connect();
    EXPECT_EQ(ErrorOf([&] { Words.MoveTo(0x4200); }), "Chip T16 has no region with address 0x004200");
    EXPECT_EQ(Sent(), "");
}

TEST_F(AddressTest, IncrementsCannotGoBackwards) {
    StartSim("T16");
    Words.SetTarget(&Chip("T16"));
    Connect();
    Words.ProgramModeEnter(3);
    ClearSent();
    EXPECT_EQ(ErrorOf([&] { Words.AddressJump(0x1FFF); }),
              "Address jump failed: 0x001FFF\nCan not decrement address");
    EXPECT_EQ(Sent(), "");
}

TEST_F(AddressTest, EraseLeavesNoAddressAndReadsNothing) {
    StartSim("T16");
    Words.SetTarget(&Chip("T16"));
    Connect();
    Words.ProgramModeEnter(0);
    EXPECT_TRUE(Words.Cursor().IsNone());
    EXPECT_EQ(Words.DataDigits(), 0);
    EXPECT_EQ(Words.ReadData(), -1);
    EXPECT_EQ(Sent(), "230exr");
}

TEST_F(AddressTest, IdRegionHasNoProgramMode) {
    StartSim("T16");
    Words.SetTarget(&Chip("T16"));
    Connect();
    Words.MoveTo(0x10);
    ClearSent();
    EXPECT_EQ(ErrorOf([&] { Words.MoveTo(0x2001); }),
              "Program mode enter failed: Region 0x04 (Id)\nRegion has no program mode");
    EXPECT_EQ(Sent(), "");
    EXPECT_EQ(Words.Region(), 1);
    Words.MoveTo(0x11);
    EXPECT_EQ(Sent(), "230cx000011m");
}

TEST_F(AddressTest, RegionZeroMessageHasNoName) {
    StartSim("T16");
    Words.SetTarget(&Chip("T16"));
    Connect();
    Faults({.WrongEchoAt = 4});
    EXPECT_EQ(ErrorOf([&] { Words.ProgramModeEnter(0); }),
              "Program mode enter failed: Region 0x00 ()\nVBUS command '230ex' failed\nGot echo: '230#'");
    EXPECT_EQ(Words.Region(), 0);
    EXPECT_TRUE(Words.Cursor().IsNone());
}

TEST_F(AddressTest, SetRegionForCodeNeedsATarget) {
    StartSim("T16");
    Connect();
    EXPECT_EQ(ErrorOf([&] { Words.ProgramModeEnter(1); }),
              "Program mode enter failed: Region 0x01 ()\nNo target selected");
    EXPECT_TRUE(Words.Cursor().IsNone());
}

TEST_F(AddressTest, FailedIncrementLeavesTheCursorNone) {
    StartSim("T16");
    Words.SetTarget(&Chip("T16"));
    Connect();
    Words.MoveTo(0x40);
    Faults({.WrongEchoAt = 1});
    EXPECT_EQ(ErrorOf([&] { Words.MoveTo(0x41); }),
              "Address increment failed: 0x000040\nVBUS command 'i' failed\nGot echo: '#'");
    EXPECT_TRUE(Words.Cursor().IsNone());
    // The next move starts again from program mode instead of trusting a guess.
    Faults({});
    ClearSent();
    Words.MoveTo(0x41);
    EXPECT_EQ(Sent(), "230cx000041m");
    EXPECT_EQ(Sim->Address(), 0x41);
}

TEST_F(AddressTest, FailedJumpNamesTheAddress) {
    StartSim("T16");
    Words.SetTarget(&Chip("T16"));
    Connect();
    Words.MoveTo(0x40);
    Link.SetReadTimeoutMs(50);
    Faults({.NeverAnswer = true});
    EXPECT_EQ(
        ErrorOf([&] { Words.MoveTo(0x123); }),
        "Address jump failed: 0x000123\nVBUS command '000123m' failed\nVBUS write failed\nVBUS Echo timeout");
    EXPECT_TRUE(Words.Cursor().IsNone());
}

TEST_F(AddressTest, ReadDataFailure) {
    StartSim("T16");
    Words.SetTarget(&Chip("T16"));
    Connect();
    Words.MoveTo(0x40);
    Faults({.WrongEchoAt = 1});
    EXPECT_EQ(ErrorOf([&] { Words.ReadData(); }), "Read data failed\nVBUS command 'r' failed\nGot echo: '#'");
}

TEST_F(AddressTest, WriteDataSendsTheWordWithW) {
    StartSim("T16");
    Words.SetTarget(&Chip("T16"));
    Connect();
    Words.MoveTo(0x40);
    ClearSent();
    Words.WriteData(0x1A2B);
    EXPECT_EQ(Sent(), "1A2Bw");
    EXPECT_EQ(Sim->Word(0x40), 0x1A2B);
    Faults({.WrongEchoAt = 2});
    EXPECT_EQ(ErrorOf([&] { Words.WriteData(0x0042); }),
              "Write data failed: [0x000040] = 0x000042\nVBUS command '0042w' failed\nGot echo: '0#'");
}

TEST_F(AddressTest, MergeKeepsMaskedBitsFromTheChip) {
    StartSim("CAL16");
    Words.SetTarget(&Chip("CAL16"));
    Connect();
    Sim->SetWord(0x2007, 0x2FFF); // band gap bits 13:12 = 10
    Words.MoveTo(0x2007);
    ClearSent();
    Words.WriteDataLazy(0x0F72);
    EXPECT_EQ(Sent(), "rnnnn"
                      "2F72l");
    EXPECT_EQ(Sim->Word(0x2007), 0x2F72);
    // Other addresses are written unchanged, nothing read.
    Words.MoveTo(0x3FE);
    ClearSent();
    Words.WriteDataLazy(0x1234);
    EXPECT_EQ(Sent(), "1234l");
}

TEST_F(AddressTest, MergeFindsEveryEntryWhateverTheOrder) {
    StartSim("MULTI16");
    Words.SetTarget(&Chip("MULTI16"));
    Connect();
    Sim->SetWord(0x010, 0x0A00);
    Words.MoveTo(0x010); // the second entry, after a higher address in the list
    ClearSent();
    Words.WriteDataLazy(0x3055);
    EXPECT_EQ(Sent(), "rnnnn"
                      "3A55l");
}

TEST_F(AddressTest, UnreadablePreservedWordIsNeverGuessed) {
    StartSim("CAL16");
    Words.SetTarget(&Chip("CAL16"));
    Connect();
    Words.MoveTo(0x3FF);
    Faults({.BadReadReply = true});
    const int32_t before = Sim->Word(0x3FF);
    EXPECT_EQ(ErrorOf([&] { Words.WriteDataLazy(0x0000); }),
              "Write data lazy failed: [0x0003FF] = 0x000000\nData read error");
    EXPECT_EQ(Sim->Word(0x3FF), before);
}

} // namespace
} // namespace vesk::test
