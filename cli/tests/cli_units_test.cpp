// The tool's pieces in process: the Intel HEX writer, the buffer print, the progress
// line, the failure classification, the settings file and the command line.
#include <gtest/gtest.h>

#include "CliTestSupport.h"

#include "cli/BufferPrint.h"
#include "cli/CommandLine.h"
#include "cli/ExitStatus.h"
#include "cli/ProgressBar.h"
#include "cli/Session.h"
#include "cli/Settings.h"

#include "chipdef/BufferHex.h"
#include "chipdef/ChipSession.h"
#include "driver/DeviceVESK1.h"
#include "hexfile/IntelHexFile.h"
#include "storage/SafeFile.h"

#include <filesystem>
#include <sstream>
#include <tuple>

namespace vesk::cli {
namespace {

using test::HexRecord;

TChipDefinition TinyChip() {
    TChipDefinition chip;
    chip.LoadFromText(test::TinyChipText());
    return chip;
}

// --- Intel HEX writer ------------------------------------------------------------------

TEST(HexWriter, WritesNonDefaultWordsInRecordsOfAtMost16AlignedBytes) {
    const TChipDefinition chip = TinyChip();
    TChipSession session(chip);
    // Words 6..9 cross the 16-byte boundary at byte 0x10; word 12 stands alone.
    for (int a : {6, 7, 8, 9})
        session.SetWord(a, 0x100 + a);
    session.SetWord(12, 0x0000);
    session.SetWord(0x2101, 0x00AB);
    session.SetWord(0x2007, 0x31C4);
    // In byte address order, whatever the region.
    const std::string expected = ":04000C0006010701E1\r\n" // byte 0x0C: words 6, 7
                                 ":0400100008010901D9\r\n" // byte 0x10: words 8, 9
                                 ":020018000000E6\r\n"     // word 12
                                 ":02400E00C431BB\r\n"     // Fuses 0x2007
                                 ":02420200AB000F\r\n"     // Data word 0x2101
                                 ":00000001FF\r\n";
    EXPECT_EQ(BufferToIntelHex(session), expected);
}

TEST(HexWriter, AnEmptyBufferGivesOnlyTheEndRecord) {
    const TChipDefinition chip = TinyChip();
    EXPECT_EQ(BufferToIntelHex(TChipSession(chip)), ":00000001FF\r\n");
}

TEST(HexWriter, HighAddressesGetExtendedLinearAddressRecordsAndLoadBack) {
    TChipDefinition chip;
    chip.LoadFromText("[Chip]\nName=HIGH\nId=0x0420\nAlgorithm=PIC18\n\n"
                      "[Region1]\nName=Code\nBase=0x0\nStart=0x0\nSize=16\nDefault=0xFFFF\n\n"
                      "[Region2]\nName=Data\nBase=0x780000\nStart=0x780000\nSize=8\nDefault=0xFF\n\n"
                      "[Region3]\nName=Fuses\nBase=0x180000\nStart=0x180000\nSize=7\nDefault=0xFFFF\n\n");
    TChipSession session(chip);
    session.SetWord(0x0, 0x1234);
    session.SetWord(0x180003, 0x0E1F);
    session.SetWord(0x780001, 0x0042);
    const std::string text = BufferToIntelHex(session);
    EXPECT_EQ(text, ":020000003412B8\r\n"
                    ":020000040030CA\r\n" // upper 0x0030: byte 0x300006
                    ":020006001F0ECB\r\n"
                    ":0200000400F00A\r\n" // upper 0x00F0: byte 0xF00002
                    ":020002004200BA\r\n"
                    ":00000001FF\r\n");
    TIntelHexFile file;
    ASSERT_TRUE(file.LoadFromText(text, "high.hex"));
    TChipSession back(chip);
    ASSERT_TRUE(back.LoadImage(file));
    for (const TChipRegion& region : chip.Regions)
        EXPECT_EQ(back.Words(region), session.Words(region)) << region.Name;
}

TEST(HexWriter, WritesAtomicallyAndLeavesNoTemporaryFile) {
    test::TTempFolder dir;
    const std::string path = dir.Path() + "out.hex";
    test::WriteText(path, "old");
    WriteFileAtomically(path, "new text");
    EXPECT_EQ(test::ReadText(path), "new text");
    EXPECT_EQ(
        std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()),
        1);
    // A folder that does not exist: an error, and nothing written.
    EXPECT_THROW(WriteFileAtomically(dir.Path() + "missing/out.hex", "x"), Exception);
    EXPECT_FALSE(test::FileExists(dir.Path() + "missing"));
}

// --- Buffer print ------------------------------------------------------------------------

TEST(BufferPrint, CodeThenFusesThenDataEightWordsPerRow) {
    const TChipDefinition chip = TinyChip();
    TChipSession session(chip);
    session.SetWord(0, 0x3F41); // 'A'
    session.SetWord(9, 0x0020); // ' '
    session.SetWord(0x2100, 0x007E);
    session.SetWord(0x2007, 0x31C4);
    std::ostringstream out;
    PrintBuffer(session, AllRegions, out);
    const std::string text = out.str();
    const std::string blank8 = " 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF  ........\n";
    std::string expected = "000000: 3F41 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF  A.......\n"
                           "000008: 3FFF 0020 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF  . ......\n";
    for (int row = 0x10; row < 0x40; row += 8) {
        char address[8];
        std::snprintf(address, sizeof address, "%06X:", row);
        expected += address + blank8;
    }
    expected += "\n002000:                                    31C4         .\n\n";
    expected += "002100: 007E 00FF 00FF 00FF 00FF 00FF 00FF 00FF  ~.......\n"
                "002108: 00FF 00FF 00FF 00FF 00FF 00FF 00FF 00FF  ........\n";
    EXPECT_EQ(text, expected);
}

TEST(BufferPrint, OneRegionOnly) {
    const TChipDefinition chip = TinyChip();
    std::ostringstream out;
    PrintBuffer(TChipSession(chip), RegionCodeData, out);
    EXPECT_EQ(out.str(), "002100: 00FF 00FF 00FF 00FF 00FF 00FF 00FF 00FF  ........\n"
                         "002108: 00FF 00FF 00FF 00FF 00FF 00FF 00FF 00FF  ........\n");
}

// --- Progress line -------------------------------------------------------------------------

TEST(ProgressBar, LineShowsBarPercentageWordsTimeAndRate) {
    EXPECT_EQ(TProgressBar::Line(100, 400, 2.0),
              "[#######-----------------------]  25%  100/400 words  2.0 s  50 words/s");
    EXPECT_EQ(TProgressBar::Line(0, 0, 0.0),
              "[##############################] 100%  0/0 words  0.0 s  0 words/s");
}

TEST(ProgressBar, EndsTheBarWithALineBreak) {
    std::ostringstream out;
    {
        TProgressBar bar(out);
        bar.Show({"Write", 0, 2});
        bar.Show({"Write", 1, 2});
        bar.Show({"Write", 2, 2});
    }
    const std::string text = out.str();
    EXPECT_NE(text.find(" 100%  2/2 words"), std::string::npos) << text;
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
}

// --- Failure classification -----------------------------------------------------------------

// The step that failed, and for detection and verification the kind: an unknown
// target or a difference is the finding, a link fault is not.
TEST(Classify, ByTheStepAndKindThatFailed) {
    using K = TFailureKind;
    const struct {
        TStep Step;
        TFailureKind Kind;
        int Status;
    } cases[] = {
        {TStep::Connect, K::NotOpened, ExitProgrammer},  {TStep::Connect, K::NoAnswer, ExitProgrammer},
        {TStep::Image, K::BadImage, ExitFile},           {TStep::Other, K::NoAnswer, ExitFailed},
        {TStep::Other, K::VerifyDifference, ExitFailed}, {TStep::Detect, K::UnknownTarget, ExitTarget},
        {TStep::Detect, K::NoAnswer, ExitFailed},        {TStep::Verify, K::VerifyDifference, ExitVerify},
        {TStep::Verify, K::UnreadableWord, ExitFailed}};
    for (const auto& c : cases)
        EXPECT_EQ(ClassifyFailure(c.Step, c.Kind), c.Status) << int(c.Step) << " " << KindName(c.Kind);
}

TEST(Classify, StepTurnsAnExceptionIntoACommandError) {
    try {
        Step(TStep::Image, [] { throw VESK_Exception("outer\ninner"); });
        FAIL() << "no error";
    } catch (const ECommand& e) {
        EXPECT_EQ(e.Status(), ExitFile);
        EXPECT_EQ(e.Message(), "outer\ninner");
    }
    EXPECT_EQ(Step(TStep::Other, [] { return 7; }), 7);
}

// --- Settings -----------------------------------------------------------------------------------

// Without a file the table's defaults, which are also the driver's own.
TEST(Settings, DriverDefaultsWithoutFile) {
    test::TTempFolder dir;
    const TDeviceVESK1 driver;
    const TSettings s = ReadSettings(dir.Path());
    EXPECT_EQ(s.ComPort, "COM1");
    EXPECT_EQ(s.ComReadTimeout, 500);
    EXPECT_EQ(s.ProgramDelay, 35);
    EXPECT_EQ(s.DeviceID, "0000");
    EXPECT_EQ(s.VeskBaudRate, 1);
    EXPECT_EQ(
        std::make_tuple(s.ComPort, s.ComReadTimeout, s.ProgramDelay, s.DeviceID),
        std::make_tuple(driver.ComPort(), driver.ComReadTimeout(), driver.ProgramDelay(), driver.DeviceID()));
}

TEST(Settings, ValuesFromWinVeskIniSectionDirudAndTheFileIsNotWritten) {
    test::TTempFolder dir;
    const std::string text = "[Other]\nComPort=/dev/wrong\n\n"
                             "[DIRUD]\nImageFileName=/tmp/x.hex\ncomport= /dev/ttyUSB3 \n"
                             "ComReadTimeout=0x40\nProgramDelay=300\nDeviceID=ABCD\n"
                             "VeskBaudRate=4\nRecentFiles=0\n\n";
    test::WriteText(dir.Path() + "WinVESK.ini", text);
    const TSettings s = ReadSettings(dir.Path());
    EXPECT_EQ(s.ComPort, "/dev/ttyUSB3");
    EXPECT_EQ(s.ComReadTimeout, 64);
    EXPECT_EQ(s.ProgramDelay, 300 & 0xFF);
    EXPECT_EQ(s.DeviceID, "ABCD");
    EXPECT_EQ(s.VeskBaudRate, 4);
    EXPECT_EQ(test::ReadText(dir.Path() + "WinVESK.ini"), text);
}

TEST(Settings, BadNumbersKeepTheDefaults) {
    test::TTempFolder dir;
    test::WriteText(dir.Path() + "WinVESK.ini", "[DIRUD]\nComReadTimeout=soon\nVeskBaudRate=\n");
    const TSettings s = ReadSettings(dir.Path());
    EXPECT_EQ(s.ComReadTimeout, 500);
    EXPECT_EQ(s.VeskBaudRate, 1);
}

// --- Command line -------------------------------------------------------------------------------

int Parse(std::vector<std::string> args, TOptions& o, std::string* out = nullptr,
          std::string* err = nullptr) {
    args.insert(args.begin(), "vesk");
    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    std::ostringstream o1, o2;
    const int status = ParseCommandLine(int(argv.size()), argv.data(), o, o1, o2);
    if (out) *out = o1.str();
    if (err) *err = o2.str();
    return status;
}

TEST(CommandLine, CommandsOptionsAndRegions) {
    TOptions o;
    ASSERT_EQ(Parse({"-p", "/dev/x", "write", "a.hex", "--region", "Data", "--verify", "-b", "57600",
                     "--delay", "0", "--timeout", "50", "--device-id", "12AB"},
                    o),
              -1);
    EXPECT_EQ(o.Command, "write");
    EXPECT_EQ(o.File, "a.hex");
    EXPECT_EQ(o.Regions, 2);
    EXPECT_TRUE(o.Verify);
    EXPECT_EQ(o.Port, "/dev/x");
    EXPECT_EQ(o.Baud, 57600);
    EXPECT_EQ(o.Delay, 0);
    EXPECT_EQ(o.Timeout, 50);
    EXPECT_EQ(o.DeviceId, "12AB");
    EXPECT_FALSE(o.Quiet);

    TOptions p;
    ASSERT_EQ(Parse({"passthrough", "--lines", "34", "--polarity", "rs232"}, p), -1);
    EXPECT_EQ(p.Lines, 34);
    EXPECT_EQ(p.Polarity, "rs232");
    EXPECT_EQ(p.Regions, AllRegions);
    EXPECT_FALSE(p.Port.has_value());

    TOptions g;
    ASSERT_EQ(Parse({"-p", "/dev/a", "--port", "/dev/b", "write", "a.hex", "--port=/dev/c", "--log", "l.json",
                     "--serial", "0x2100", "--serial-counter", "n.txt", "--serial-bytes", "2"},
                    g),
              -1);
    EXPECT_EQ(g.Ports, (std::vector<std::string>{"/dev/a", "/dev/b", "/dev/c"}));
    EXPECT_EQ(g.Port, "/dev/a");
    EXPECT_EQ(g.Log, "l.json");
    EXPECT_EQ(g.Serial, 0x2100);
    EXPECT_EQ(g.SerialCounter, "n.txt");
    EXPECT_EQ(g.SerialBytes, 2);
}

TEST(CommandLine, UsageErrorsGiveStatusTwoAndAHint) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {},
             {"-b", "1200", "detect"},
             {"frobnicate"},
             {"write"},
             {"read", "--region", "eeprom"},
             {"--delay", "256", "erase"},
             {"passthrough", "--lines", "12"},
             {"show", "a.hex"},
             {"write", "a.hex", "--serial", "0x10"},
             {"write", "a.hex", "--serial-counter", "n"},
             {"write", "a.hex", "--serial", "1", "--serial-counter", "n", "--serial-bytes", "9"},
             {"-p", "a", "-p", "b", "read"}}) {
        TOptions o;
        std::string err;
        EXPECT_EQ(Parse(args, o, nullptr, &err), ExitUsage) << ::testing::PrintToString(args);
        EXPECT_NE(err.find(UsageHint), std::string::npos) << err;
    }
}

TEST(CommandLine, HelpListsTheExitStatusesAndVersionPrints) {
    TOptions o;
    std::string out;
    EXPECT_EQ(Parse({"--help"}, o, &out), ExitSuccess);
    EXPECT_NE(out.find(ExitStatusTable), std::string::npos) << out;
    EXPECT_NE(out.find("passthrough"), std::string::npos);
    EXPECT_EQ(Parse({"--version"}, o, &out), ExitSuccess);
    EXPECT_EQ(out.rfind("vesk ", 0), 0u) << out;
}

} // namespace
} // namespace vesk::cli
