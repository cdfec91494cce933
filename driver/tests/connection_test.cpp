// The connection-level driver calls against the simulated programmer, with the exact
// bytes on the wire, and their failures. (The operations' calling orders are tested
// in ops/tests.)
#include "DriverFixture.h"

#include "serial/port/ComPortTransport.h"

namespace vesk::test {
namespace {

const std::string Sync = "\xFF";

class ConnectionTest : public DriverTest {};

TEST_F(ConnectionTest, PassThroughFlagsFollowLinesAndPolarity) {
    StartSim("T16");
    Connect();
    Dev.EnterPassThrough(0, 0);
    ASSERT_TRUE(Sim->WaitReceived(5, 2000));
    EXPECT_EQ(Sent(), "0000p");
}

TEST_F(ConnectionTest, SetBaudRateSwitchesAndTalksAtTheNewRate) {
    StartSim("T16");
    Connect();
    int pumped = 0;
    Dev.OnProcessMessages = [&] { ++pumped; };
    Dev.SetBaudRate(4);
    EXPECT_EQ(Sent(), "0044p" + Sync + "0000h");
    EXPECT_EQ(Sim->BaudRate(), 115200);
    EXPECT_EQ(Line().Speed(), 115200);
    EXPECT_EQ(pumped, 10);
    // The next connection wakes the programmer at the start-up rate again.
    Dev.Close();
    Dev.Open();
    Dev.Wakeup();
    EXPECT_EQ(Line().Speed(), 19200);
    EXPECT_EQ(Sim->BaudRate(), 19200);
}

TEST_F(ConnectionTest, PortTalksAtTheProgrammersRate) {
    sim::TOptions options;
    options.StrictSpeed = true; // bytes sent at another speed than the programmer's are lost
    StartSim("T16", options);
    Connect();
    Dev.SetBaudRate(0);
    EXPECT_EQ(Sim->BaudRate(), 9600);
    EXPECT_EQ(Dev.GetType(), "VESK1");
}

TEST_F(ConnectionTest, SetBaudRateRefusesIndexesOutsideTheTable) {
    StartSim("T16");
    Connect();
    EXPECT_EQ(ErrorOf([&] { Dev.SetBaudRate(-1); }),
              "VESK Baudrate setting failed: index -1\nInvalid argument");
    EXPECT_EQ(ErrorOf([&] { Dev.SetBaudRate(5); }),
              "VESK Baudrate setting failed: index 5\nInvalid argument");
    EXPECT_EQ(Sent(), "");
}

TEST_F(ConnectionTest, ActivationTimeOutInsideSetBaudRate) {
    StartSim("T16");
    Connect();
    SilentAfter(6); // "0014p" and the synchronisation byte are answered
    EXPECT_EQ(ErrorOf([&] { Dev.SetBaudRate(1); }),
              "VESK Baudrate setting failed: 19200\nVESK activation failed\n"
              "VBUS command '0000h' failed\nVBUS write failed\nVBUS Echo timeout");
}

TEST_F(ConnectionTest, OpenFailsOnAMissingPort) {
    Dev.SetComPort("/dev/vesk-no-such-port"); // nothing plugged into the line
    const std::string message = ErrorOf([&] { Dev.Open(); });
    EXPECT_EQ(message.rfind("VESK device open failed\nUnable to open com port", 0), 0u) << message;
    EXPECT_FALSE(Dev.Transport().IsOpen());
}

TEST_F(ConnectionTest, OperationWrappersOverATimeOut) {
    StartSim("T16");
    Dev.SetTarget(&Chip("T16"));
    Connect();
    Dev.SetComReadTimeout(50);
    Faults({.NeverAnswer = true});
    const std::string timeout = "\nVBUS write failed\nVBUS Echo timeout";
    EXPECT_EQ(ErrorOf([&] { Dev.GetType(); }), "VESK Get type failed\nVBUS command 't' failed" + timeout);
    EXPECT_EQ(ErrorOf([&] { Dev.GetVersion(); }),
              "VESK Get version failed\nVBUS command 'v' failed" + timeout);
    EXPECT_EQ(ErrorOf([&] { Dev.RunTarget(); }), "Target run failed\nVBUS command '0000g' failed" + timeout);
    EXPECT_EQ(
        ErrorOf([&] { Dev.StopTarget(); }),
        "Target stop failed\nProgram mode enter failed: Region 0x03 (Fuses)\nVBUS command '230fx' failed" +
            timeout);
    EXPECT_EQ(ErrorOf([&] { Dev.EnterPassThrough(1, 1); }),
              "Passthrough enter failed\nVBUS command '0003' failed" + timeout);
    EXPECT_EQ(ErrorOf([&] { Dev.DetectTarget(); }),
              "Target detect failed\nVESK target detect failed\nVESK Get target ID failed\n"
              "Program mode enter failed: Region 0x03 (Fuses)\nVBUS command '230fx' failed" +
                  timeout);
}

TEST_F(ConnectionTest, GetTargetIdWithoutTargetReadsTheIdWord) {
    StartSim("T16");
    Connect();
    EXPECT_EQ(Dev.GetTargetID(), "0F00");
    EXPECT_EQ(Sent(), "230fx" + Repeat("i", 6) + "rnnnn");
    EXPECT_EQ(Dev.Cursor().Address, 0x2006);
}

TEST_F(ConnectionTest, UnreadableIdFindsNothing) {
    StartSim("T16");
    Connect();
    Faults({.BadReadReply = true});
    EXPECT_EQ(Dev.GetTargetID(), "FFFFFFFF");
    EXPECT_EQ(Dev.FindTarget(TestChips()), nullptr);
    EXPECT_EQ(ErrorOf([&] { Dev.DetectTarget(); }), "Target detect failed\nUnknown target");
    // With a chip selected the selection stays, silently.
    Dev.SetTarget(&Chip("CAL16"));
    Dev.DetectTarget();
    EXPECT_EQ(Dev.Target(), &Chip("CAL16"));
}

TEST_F(ConnectionTest, IdDifferingInTheLowestBitIsUnknown) {
    StartSim("T16");
    Connect();
    Faults({.TargetId = 0x0F01});
    EXPECT_EQ(ErrorOf([&] { Dev.DetectTarget(); }),
              "Target detect failed\nVESK target detect failed\nUnknown target: Id = 0x000F01");
    EXPECT_EQ(Dev.Target(), nullptr);
}

// A chip without a device ID comes first in the list and matches no ID, neither the
// erased word its own silicon reads at 0x2006 nor another chip's ID.
TEST_F(ConnectionTest, AChipWithoutIdIsNeverIdentified) {
    StartSim("NOID");
    Connect();
    EXPECT_EQ(ErrorOf([&] { Dev.DetectTarget(); }),
              "Target detect failed\nVESK target detect failed\nUnknown target: Id = 0x003FFF");
    Faults({.TargetId = 0x0F00});
    Dev.DetectTarget();
    EXPECT_EQ(Dev.Target(), &Chip("T16"));
}

// A target that answers only its own family's algorithm: a mid-range part is found by
// the one read it always was, and a PIC18, which reads all ones to it, by a second
// read as a chosen PIC18 makes it, matched against the PIC18s only. An ID that second
// read names nothing by keeps the first read's word in the message.
TEST_F(ConnectionTest, APic18IsFoundByASecondReadInItsOwnAlgorithm) {
    sim::TOptions ownFamily;
    ownFamily.OwnFamilyOnly = true;
    const std::string firstRead = "230fx" + Repeat("i", 6) + "rnnnn";
    StartSim("T16", ownFamily);
    Connect();
    Dev.DetectTarget();
    EXPECT_EQ(Dev.Target(), &Chip("T16"));
    EXPECT_EQ(Sent(), firstRead);
    Dev.Close();

    StartSim("P18", ownFamily);
    Connect();
    Dev.DetectTarget();
    EXPECT_EQ(Dev.Target(), &Chip("P18"));
    EXPECT_EQ(Dev.Algorithm(), 3);
    EXPECT_EQ(Sent(), firstRead + "233fx002006mrnnnn");

    Dev.SetTarget(nullptr);
    ClearSent();
    Faults({.TargetId = 0x0F00}); // a mid-range ID, which only a mid-range part may have
    EXPECT_EQ(ErrorOf([&] { Dev.DetectTarget(); }),
              "Target detect failed\nVESK target detect failed\nUnknown target: Id = 0x003FFF");
    EXPECT_EQ(Dev.Target(), nullptr);
    EXPECT_EQ(Dev.Algorithm(), 0);
    EXPECT_EQ(Sent(), firstRead + "233fx002006mrnnnn");
}

TEST_F(ConnectionTest, TwinChipsSelectTheFirstLoaded) {
    StartSim("TWIN2");
    Connect();
    Dev.DetectTarget();
    EXPECT_EQ(Dev.Target(), &Chip("TWIN1"));
    EXPECT_EQ(Dev.Algorithm(), 2);
}

TEST_F(ConnectionTest, DetectingTheSelectedChipKeepsItsState) {
    StartSim("CAL16");
    Dev.SetTarget(&Chip("CAL16"));
    Connect();
    Dev.DetectTarget();
    EXPECT_EQ(Dev.Target(), &Chip("CAL16"));
    // The cursor stays true: it stands at the ID word it read.
    EXPECT_EQ(Dev.Region(), 3);
    EXPECT_EQ(Dev.Cursor().Address, 0x2006);
}

TEST_F(ConnectionTest, OpenKeepsTheSelectedChipsAlgorithm) {
    StartSim("P18");
    Dev.SetTarget(&Chip("P18"));
    EXPECT_EQ(Dev.Algorithm(), 3);
    Connect();
    EXPECT_EQ(Dev.Algorithm(), 3);
    Dev.StopTarget();
    EXPECT_EQ(Sent(), "233fx");
    Dev.SetTarget(nullptr);
    EXPECT_EQ(Dev.Algorithm(), 0);
}

TEST_F(ConnectionTest, PropertiesKeepTheirValues) {
    TDeviceVESK1 device;
    EXPECT_EQ(device.ComPort(), "COM1");
    EXPECT_EQ(device.ComBaudRate(), 19200);
    EXPECT_EQ(device.ComReadTimeout(), 500);
    EXPECT_EQ(device.ProgramDelay(), 35);
    EXPECT_EQ(device.DeviceID(), "0000");
    EXPECT_TRUE(device.FixDataWriteError());
    EXPECT_TRUE(device.FixFusesWriteError());
    EXPECT_EQ(device.Target(), nullptr);
    EXPECT_EQ(device.Region(), -1);
    EXPECT_TRUE(device.Cursor().IsNone());
    const TComPort& port = static_cast<const TComPortTransport&>(device.Transport()).Port();
    EXPECT_EQ(port.DataBits(), dbEight);
    EXPECT_EQ(port.BaudRate(), brCustom);
    device.SetProgramDelay(0x12);
    device.SetFixDataWriteError(false);
    device.SetFixFusesWriteError(false);
    EXPECT_EQ(device.ProgramDelay(), 0x12);
    EXPECT_FALSE(device.FixDataWriteError());
    EXPECT_FALSE(device.FixFusesWriteError());
    EXPECT_EQ(ProgrammerBaudRates[0], 9600);
    EXPECT_EQ(ProgrammerBaudRates[4], 115200);
}

} // namespace
} // namespace vesk::test
