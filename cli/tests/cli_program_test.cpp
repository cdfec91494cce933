// `vesk` against the programmer simulator: every command, its output, its exit status
// and what it did to the target's memory - run in this process on a simulated line,
// and a few of them end to end, the built program on a pseudo-terminal.
#include "ProgramFixture.h"

#include "chipdef/ChipDefinition.h"
#include "chipdef/tests/RealImages.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

namespace vesk::cli::test {
namespace {

// --- write and verify ---------------------------------------------------------------------------

TEST_F(ProgramTest, PipelinedWriteAndVerifyThroughAnAdapterPutTheSameBytesOnTheWire) {
    const std::string image = WriteImage("tiny.hex", TinyImage());
    sim::TOptions adapter;
    adapter.AdapterLatencyMs = 1;
    std::string wire[2];
    for (bool pipelined : {false, true}) {
        StartTinySim(adapter);
        std::vector<std::string> args = {"--chip", "TINY16", "write", image, "--verify"};
        if (pipelined) args.push_back("--pipeline");
        const TRunResult r = RunOnSim(args);
        EXPECT_EQ(r.Status, 0) << r.Err;
        ExpectTinyImageIn(*Sim);
        wire[pipelined] = Sim->Received();
    }
    EXPECT_EQ(wire[0], wire[1]);
    EXPECT_NE(Run({"--help"}).Out.find("--pipeline"), std::string::npos);
    EXPECT_NE(Run({"--help"}).Out.find("EXPERIMENTAL"), std::string::npos);
}

TEST_F(ProgramTest, WriteOfOneRegionDoesNotErase) {
    StartTinySim();
    Sim->SetWord(0x2105, 0x55);
    const std::string image = WriteImage("tiny.hex", TinyImage());
    const TRunResult r = RunOnSim({"write", image, "--region", "code", "--verify"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_FALSE(Has(Modes(*Sim), 'e'));
    EXPECT_EQ(Sim->Word(2), 0x1234);
    EXPECT_EQ(Sim->Word(0x2100), 0xFF); // Data not written
    EXPECT_EQ(Sim->Word(0x2105), 0x55); // nor erased
}

TEST_F(ProgramTest, VerifyOfACorruptedTargetWordFailsWithTheDriversMessage) {
    StartTinySim();
    const std::string image = WriteImage("tiny.hex", TinyImage());
    ASSERT_EQ(RunOnSim({"write", image}).Status, 0);
    Sim->SetWord(2, 0x1235);
    const TRunResult r = RunOnSim({"verify", image});
    EXPECT_EQ(r.Status, 3);
    EXPECT_EQ(r.Err, "Target region verify failed: 0x01 (Code)\n"
                     "Data verify error: [0x000002] = 0x001235, buffer[] = 0x001234\n");
    EXPECT_EQ(r.Out, "");
}

TEST_F(ProgramTest, WriteWithVerifyFindsAWordTheTargetDidNotKeep) {
    StartTinySim();
    // The code words are 14 bits wide: the target keeps 0x0001 of 0x4001.
    const std::string image =
        WriteImage("wide.hex", HexRecord(0, 0x0006, {0x01, 0x40}) + HexRecord(1, 0, {}));
    const TRunResult r = RunOnSim({"write", image, "--verify"});
    EXPECT_EQ(r.Status, 3);
    EXPECT_EQ(r.Err, "vesk: warning: the image leaves out configuration word 0x002007: the chip will keep "
                     "its erased value 0x3FFF\n"
                     "Target region verify failed: 0x01 (Code)\n"
                     "Data verify error: [0x000003] = 0x000001, buffer[] = 0x004001\n");
}

// Images in the forms real compilers write, on every shipped chip behaving like its
// silicon: found by its ID whatever its revision, written and verified in one run.
TEST_F(ProgramTest, RealImagesWriteAndVerifyOnEveryShippedChip) {
    for (const vesk::test::RealImage_t& row : vesk::test::RealImages()) {
        SCOPED_TRACE(row.Chip);
        TChipDefinition chip;
        chip.LoadFromFile(BuildBinDir() + "ChipDef_" + row.Chip + ".ini");
        sim::TOptions options;
        options.RealChip = true;
        StartSim(chip, options);
        Sim->SetDeviceId(chip.Id | row.Revision);
        for (const auto& [address, word] : row.Factory)
            Sim->SetWord(address, word);
        const std::string image = WriteImage(row.Chip + ".hex", row.Hex);
        const TRunResult r = RunOnSim({"--chipdefs", BuildBinDir(), "write", image, "--verify"});
        EXPECT_EQ(r.Status, 0) << r.Err;
        for (const auto& [address, word] : row.Expected)
            EXPECT_EQ(Sim->Word(address), word) << "at 0x" << std::hex << address;
    }
}

TEST_F(ProgramTest, AMissingImageIsStatusSixAndNothingIsWritten) {
    StartTinySim();
    const std::string missing = Dir.Path() + "missing.hex";
    const TRunResult r = RunOnSim({"write", missing});
    EXPECT_EQ(r.Status, 6);
    EXPECT_EQ(r.Err.rfind("File read error: " + missing + "\nError on line 0\n", 0), 0u) << r.Err;
    EXPECT_FALSE(Has(Modes(*Sim), 'c'));
    EXPECT_FALSE(Has(Modes(*Sim), 'e'));

    const std::string bad = WriteImage("bad.hex", ":10000000\n");
    EXPECT_EQ(RunOnSim({"verify", bad}).Status, 6);
}

// --- read ------------------------------------------------------------------------------------

TEST_F(ProgramTest, ReadToAFileThenVerifyOfThatFilePasses) {
    StartTinySim();
    Sim->SetWord(1, 0x2000);
    Sim->SetWord(9, 0x0041);
    Sim->SetWord(0x2007, 0x3F72);
    Sim->SetWord(0x210F, 0x00A5);
    const std::string out = Dir.Path() + "back.hex";
    TRunResult r = RunOnSim({"read", "--output", out});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(ReadText(out), ":020002000020DC\r\n"
                             ":020012004100AB\r\n"
                             ":02400E00723FFF\r\n"
                             ":02421E00A500F9\r\n"
                             ":00000001FF\r\n");
    r = RunOnSim({"verify", out});
    EXPECT_EQ(r.Status, 0) << r.Err;
    Sim->SetWord(0x210F, 0x00A4);
    r = RunOnSim({"verify", out, "--region", "data"});
    EXPECT_EQ(r.Status, 3);
    EXPECT_EQ(r.Err, "Target region verify failed: 0x02 (Data)\n"
                     "Data verify error: [0x00210F] = 0x0000A4, buffer[] = 0x0000A5\n");
}

TEST_F(ProgramTest, ReadPrintsTheBufferView) {
    StartTinySim();
    Sim->SetWord(0x2100, 0x0048);
    Sim->SetWord(0x2101, 0x0069);
    const TRunResult r = RunOnSim({"read", "--region", "data"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, "002100: 0048 0069 00FF 00FF 00FF 00FF 00FF 00FF  Hi......\n"
                     "002108: 00FF 00FF 00FF 00FF 00FF 00FF 00FF 00FF  ........\n");
}

TEST_F(ProgramTest, AFailedReadLeavesNoFile) {
    StartTinySim();
    const std::string out = Dir.Path() + "back.hex";
    WriteText(out, "earlier");
    sim::TFaults faults;
    faults.StopAfter = 80; // past the connection, inside the Code region
    Sim->SetFaults(faults);
    // Time enough for the 80 answers on a loaded machine; only the 81st is awaited in vain.
    const TRunResult r = RunOnSim({"--chip", "TINY16", "--timeout", "1000", "read", "--output", out});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Err.rfind("Target read failed\nTarget region read failed: 0x01 (Code)\n", 0), 0u) << r.Err;
    EXPECT_EQ(ReadText(out), "earlier");
    EXPECT_EQ(
        std::distance(std::filesystem::directory_iterator(Dir.Path()), std::filesystem::directory_iterator()),
        1);
}

// --- identification ------------------------------------------------------------------------------

TEST_F(ProgramTest, IdentifyFindsTheShippedChipByItsId) {
    TChipDefinition chip;
    chip.LoadFromFile(BuildBinDir() + "ChipDef_PIC12F675.ini");
    StartSim(chip);
    const TRunResult r = RunOnSim({"--chipdefs", BuildBinDir(), "identify"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, "PIC12F675\n");
    EXPECT_TRUE(Sim->TargetRunning());
}

// The PIC16F84 has no device ID: it is never identified, but chosen by name it is
// written and verified as any other chip is.
TEST_F(ProgramTest, AChipWithoutADeviceIdIsChosenByName) {
    TChipDefinition chip;
    chip.LoadFromFile(BuildBinDir() + "ChipDef_PIC16F84.ini");
    sim::TOptions options;
    options.RealChip = true;
    StartSim(chip, options);
    TRunResult r = RunOnSim({"--chipdefs", BuildBinDir(), "identify"});
    EXPECT_EQ(r.Status, 5);
    EXPECT_EQ(r.Err, "Target detect failed\nVESK target detect failed\nUnknown target: Id = 0x003FFF\n");
    const std::string image =
        WriteImage("f84.hex", ":0600000001308A00002817\n:02400E00F23F7F\n:00000001FF\n");
    r = RunOnSim({"--chipdefs", BuildBinDir(), "--chip", "PIC16F84", "write", image, "--verify"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(Sim->Word(2), 0x2800);
    EXPECT_EQ(Sim->Word(0x2007), 0x3FF2);
    r = Run({"--chipdefs", BuildBinDir(), "chips"});
    EXPECT_NE(r.Out.find("\nPIC16F84    none    PIC16   Code 0x0000 1024, "), std::string::npos) << r.Out;
}

TEST_F(ProgramTest, AnIdMatchingNoDefinitionIsStatusFive) {
    StartTinySim();
    Sim->SetDeviceId(0x1234);
    TRunResult r = RunOnSim({"--chip", "TINY16", "identify"});
    EXPECT_EQ(r.Status, 5);
    EXPECT_EQ(r.Err, "Target detect failed\nVESK target detect failed\nUnknown target: Id = 0x001234\n");
    EXPECT_EQ(r.Out, "");
    // Without a chip named, a write cannot start either.
    r = RunOnSim({"erase"});
    EXPECT_EQ(r.Status, 5);
    EXPECT_EQ(r.Err, "Target detect failed\nVESK target detect failed\nUnknown target: Id = 0x001234\n");
}

TEST_F(ProgramTest, AnUnknownChipNameIsAUsageErrorListingTheKnownOnes) {
    StartTinySim();
    const TRunResult r = RunOnSim({"--chip", "PIC99", "erase"});
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Err, "vesk: unknown chip type: PIC99\nKnown chip types: TINY16\n"
                     "Run 'vesk --help' for the commands and options.\n");
    EXPECT_EQ(Sim->Received(), "");
}

// --- the programmer ----------------------------------------------------------------------------

TEST_F(ProgramTest, DetectPrintsTypeAndVersion) {
    StartTinySim();
    const TRunResult r = RunOnSim({"detect"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, "VESK1 version 2.10\n");
}

TEST_F(ProgramTest, DetectWithoutATypeIsUnknownAndStatusFour) {
    sim::TOptions options;
    options.Type = "";
    StartTinySim(options);
    const TRunResult r = RunOnSim({"detect"});
    EXPECT_EQ(r.Status, 4);
    EXPECT_EQ(r.Out, "Unknown\n");
}

TEST_F(ProgramTest, AnUnknownPortIsStatusFourWithTheChainedOpenMessage) {
    const TRunResult r = Run({"-p", Dir.Path() + "no-such-port", "--chip", "TINY16", "erase"});
    EXPECT_EQ(r.Status, 4);
    EXPECT_EQ(r.Err.rfind("VESK device open failed\n", 0), 0u) << r.Err;
    EXPECT_GE(std::count(r.Err.begin(), r.Err.end(), '\n'), 2);
}

TEST_F(ProgramTest, NoAnswerToTheWakeupIsStatusFour) {
    StartTinySim();
    sim::TFaults faults;
    faults.NeverAnswer = true;
    Sim->SetFaults(faults);
    const TRunResult r = RunOnSim({"--timeout", "50", "--chip", "TINY16", "write", "x.hex"});
    EXPECT_EQ(r.Status, 4);
    EXPECT_EQ(r.Err.rfind("VESK wakeup failed\n", 0), 0u) << r.Err;
}

TEST_F(ProgramTest, AWrongBaudRateIsAUsageError) {
    StartTinySim();
    const TRunResult r = RunOnSim({"-b", "1234", "detect"});
    EXPECT_EQ(r.Status, 2);
    EXPECT_NE(r.Err.find("--baud"), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("Run 'vesk --help'"), std::string::npos);
    EXPECT_EQ(Sim->Received(), "");
}

TEST_F(ProgramTest, AMalformedChipDefinitionIsStatusSixAndThePortIsNeverTouched) {
    StartTinySim();
    TTempFolder defs;
    WriteText(defs.Path() + "ChipDef_A.ini", TinyChipText());
    WriteText(defs.Path() + "ChipDef_B.ini", "[Chip]\nName=BROKEN\nId=oops\n");
    const TRunResult r = RunOnSim({"--chipdefs", defs.Path(), "write", "x.hex"});
    EXPECT_EQ(r.Status, 6);
    EXPECT_EQ(r.Err.rfind("Error loading chip definitions\n", 0), 0u) << r.Err;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(Sim->Received(), "");
    EXPECT_EQ(Sim->Connections(), 0);
}

// --- erase, run, pass-through, show ------------------------------------------------------------

TEST_F(ProgramTest, EraseKeepsThePreservedBits) {
    StartTinySim();
    Sim->SetWord(5, 0x0000);
    Sim->SetWord(0x2100, 0x12);
    Sim->SetWord(0x2007, 0x0FF4); // bits 13:12 clear: they are the target's own
    const TRunResult r = RunOnSim({"erase"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(Sim->Word(5), 0x3FFF);
    EXPECT_EQ(Sim->Word(0x2100), 0xFF);
    EXPECT_EQ(Sim->Word(0x2007), 0x0FFF); // the other bits erased
}

TEST_F(ProgramTest, RunStopsAndReleasesTheTarget) {
    StartTinySim();
    const TRunResult r = RunOnSim({"run"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_TRUE(Has(Modes(*Sim), 'f')); // stopped by entering program mode
    EXPECT_TRUE(Sim->TargetRunning());
    EXPECT_EQ(Sim->LastActivationId(), "");
}

TEST_F(ProgramTest, PassThroughWithDefaultsAndWithOptions) {
    StartTinySim();
    TRunResult r = RunOnSim({"passthrough"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_TRUE(Sim->WaitPassThrough(true, 5000));
    EXPECT_EQ(Sim->PassThroughFlags(), 3); // lines 7,8 and TTL

    r = RunOnSim({"passthrough", "--lines", "34", "--polarity", "RS232"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_TRUE(Sim->WaitPassThrough(true, 5000));
    EXPECT_EQ(Sim->PassThroughFlags(), 0);
}

TEST_F(ProgramTest, ShowPrintsTheImageOfflineInTheChipsBuffer) {
    const std::string image = WriteImage("tiny.hex", TinyImage());
    TRunResult r = Run({"--chip", "tiny16", "show", image});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out.rfind("000000: 3041 0000 1234 2803 3FFF 3FFF 3FFF 3FFF  A.4.....\n", 0), 0u) << r.Out;
    EXPECT_NE(r.Out.find("\n\n002000:                                    31C4         .\n\n"
                         "002100: 0011 0022 00FF"),
              std::string::npos)
        << r.Out;
    // The image must fit the chip.
    const std::string outside = WriteImage("outside.hex", HexRecord(0, 0x0100, {1, 2}) + HexRecord(1, 0, {}));
    r = Run({"--chip", "TINY16", "show", outside});
    EXPECT_EQ(r.Status, 6);
    EXPECT_EQ(r.Err, "Target buffer load failed\nChip TINY16 has no region with address 0x000080\n");
}

// The user's own folder is read after the program's, and each chip names its file.
TEST_F(ProgramTest, ChipsAndPortsList) {
    const std::string user = Dir.Path() + "data/";
    std::filesystem::create_directories(user + "vesk/chips");
    std::string own = TinyChipText();
    own.replace(own.find("TINY16"), 6, "MINE16");
    WriteText(user + "vesk/chips/ChipDef_MINE16.ini", own);
    ::setenv("XDG_DATA_HOME", user.c_str(), 1);
    TRunResult r = Run({"chips"});
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, "TINY16      0x1230  PIC16   Code 0x0000 64, Data 0x2100 16, Fuses 0x2007 1  " +
                         BinDir() +
                         "ChipDef_TINY16.ini\n"
                         "MINE16      0x1230  PIC16   Code 0x0000 64, Data 0x2100 16, Fuses 0x2007 1  " +
                         user + "vesk/chips/ChipDef_MINE16.ini\n");
    r = Run({"ports"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    for (size_t at = 0; at < r.Out.size(); at = r.Out.find('\n', at) + 1)
        EXPECT_EQ(r.Out.compare(at, 5, "/dev/"), 0) << r.Out;
}

// A USB adapter and a built-in UART, as the kernel shows them; --long tells them apart.
TEST_F(ProgramTest, PortsLongDescribesEachPort) {
    namespace fs = std::filesystem;
    const fs::path root = Dir.Path() + "system";
    const fs::path usb = root / "sys/devices/pci0000:00/usb1/1-2";
    fs::create_directories(usb / "1-2:1.0/ttyUSB0");
    WriteText((usb / "idVendor").string(), "0403\n");
    WriteText((usb / "manufacturer").string(), "FTDI\n");
    WriteText((usb / "product").string(), "FT232R USB UART\n");
    WriteText((usb / "serial").string(), "A50285BI\n");
    fs::create_directories(root / "sys/class/tty/ttyUSB0");
    fs::create_directory_symlink(usb / "1-2:1.0/ttyUSB0", root / "sys/class/tty/ttyUSB0/device");
    fs::create_directories(root / "sys/class/tty/ttyS0/device");
    fs::create_directories(root / "sys/bus/pnp/drivers/serial");
    fs::create_directory_symlink(root / "sys/bus/pnp/drivers/serial",
                                 root / "sys/class/tty/ttyS0/device/driver");
    WriteText((root / "sys/class/tty/ttyS0/type").string(), "4\n");
    fs::create_directories(root / "dev/serial/by-id");
    const fs::path byId = root / "dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    fs::create_symlink("../../ttyUSB0", byId);

    TRunResult r = Run({"ports", "--system-root", root.string()});
    EXPECT_EQ(r.Out, "/dev/ttyS0\n/dev/ttyUSB0\n") << r.Err;
    r = Run({"ports", "-l", "--system-root", root.string()});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, "/dev/ttyS0  serial\n/dev/ttyUSB0  FTDI FT232R USB UART, serial A50285BI, " +
                         byId.string() + "\n");
}

TEST_F(ProgramTest, VerboseTracesEveryByteAndItsEcho) {
    StartTinySim();
    const TRunResult r = RunOnSim({"-v", "detect"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Err.find("VBUS > FF      < 3F '?'\n"), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("VBUS > 74 't'  < 54 'T'\n"), std::string::npos) << r.Err;
}

TEST_F(ProgramTest, SettingsComeFromWinVeskIniAndOptionsOverrideThem) {
    StartTinySim();
    const std::string ini = BinDir() + "WinVESK.ini";
    const std::string text =
        "[DIRUD]\nComPort=/dev/ttyVESK-set\nDeviceID=ABCD\nVeskBaudRate=0\nProgramDelay=18\n\n";
    WriteText(ini, text);
    TRunResult r = Run({"--chip", "TINY16", "erase"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(LineOpenedOn, "/dev/ttyVESK-set");
    EXPECT_EQ(Sim->LastActivationId(), "ABCD");
    EXPECT_EQ(Sim->BaudRate(), 9600);
    ASSERT_TRUE(Sim->LastProgramMode('e').has_value());
    EXPECT_EQ(Sim->LastProgramMode('e')->Delay, 18);

    r = Run({"--chip", "TINY16", "--device-id", "1111", "-b", "38400", "--delay", "7", "erase"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(Sim->LastActivationId(), "1111");
    EXPECT_EQ(Sim->BaudRate(), 38400);
    EXPECT_EQ(Sim->LastProgramMode('e')->Delay, 7);
    EXPECT_EQ(ReadText(ini), text); // never written
    std::filesystem::remove(ini);
}

} // namespace
} // namespace vesk::cli::test
