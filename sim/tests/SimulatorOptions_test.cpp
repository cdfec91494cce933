// The command line of vesk-sim.
#include <gtest/gtest.h>

#include "SimulatorOptions.h"
#include "VESK_Exception.h"

namespace vesk::sim {
namespace {

TEST(SimulatorOptionsTest, EveryOptionReachesItsField) {
    auto c = ParseCommandLine({"--chip",
                               "c.ini",
                               "--link",
                               "/tmp/l",
                               "--target-link=/tmp/t",
                               "--target-echo",
                               "--banner",
                               "hi",
                               "--load",
                               "a.hex",
                               "--dump",
                               "d.hex",
                               "--log",
                               "x.log",
                               "--wire-time",
                               "--strict-speed",
                               "--type",
                               "VESK2",
                               "--version",
                               "3.0",
                               "--device-id",
                               "F01",
                               "--never-answer",
                               "--wrong-echo-at",
                               "5",
                               "--sync-zero",
                               "--bad-read",
                               "--stop-after",
                               "7",
                               "--delay",
                               "20",
                               "--drop-after",
                               "9",
                               "--target-id",
                               "1234",
                               "--real-chip",
                               "--own-family",
                               "--set",
                               "3FF=3480",
                               "--set=2007=1FFF"});
    EXPECT_EQ(c.Chip, "c.ini");
    EXPECT_TRUE(c.Options.RealChip);
    EXPECT_TRUE(c.Options.OwnFamilyOnly);
    EXPECT_EQ(c.Set, (std::vector<std::pair<int32_t, int32_t>>{{0x3FF, 0x3480}, {0x2007, 0x1FFF}}));
    EXPECT_EQ(c.Link, "/tmp/l");
    EXPECT_EQ(c.TargetLink, "/tmp/t");
    EXPECT_TRUE(c.Options.TargetEcho);
    EXPECT_EQ(c.Options.TargetBanner, "hi");
    EXPECT_EQ(c.Load, "a.hex");
    EXPECT_EQ(c.Dump, "d.hex");
    EXPECT_EQ(c.Options.LogFile, "x.log");
    EXPECT_TRUE(c.Options.WireTime);
    EXPECT_TRUE(c.Options.StrictSpeed);
    EXPECT_EQ(c.Options.Type, "VESK2");
    EXPECT_EQ(c.Options.Version, "3.0");
    EXPECT_EQ(c.DeviceId, 0xF01);
    EXPECT_TRUE(c.Faults.NeverAnswer);
    EXPECT_EQ(c.Faults.WrongEchoAt, 5);
    EXPECT_TRUE(c.Faults.SyncAnswerZero);
    EXPECT_TRUE(c.Faults.BadReadReply);
    EXPECT_EQ(c.Faults.StopAfter, 7);
    EXPECT_EQ(c.Faults.AnswerDelayMs, 20);
    EXPECT_EQ(c.Faults.DropLineAfter, 9);
    EXPECT_EQ(c.Faults.TargetId, 0x1234);
    EXPECT_FALSE(c.Help);
}

TEST(SimulatorOptionsTest, BadCommandLinesAreRefused) {
    EXPECT_THROW(ParseCommandLine({"--bogus"}), Exception);
    EXPECT_THROW(ParseCommandLine({"--chip"}), Exception);
    EXPECT_THROW(ParseCommandLine({"--stop-after", "x"}), Exception);
    EXPECT_THROW(ParseCommandLine({"--delay", "-1"}), Exception);
    EXPECT_THROW(ParseCommandLine({"--wire-time=1"}), Exception);
    EXPECT_THROW(ParseCommandLine({"--set", "3FF"}), Exception);
    EXPECT_THROW(ParseCommandLine({"--set", "3FF=zz"}), Exception);
    EXPECT_TRUE(ParseCommandLine({"--help"}).Help);
    EXPECT_FALSE(Usage().empty());
}

TEST(SimulatorOptionsTest, FusesClearOnlyIsAnOptionOfItsOwn) {
    EXPECT_TRUE(ParseCommandLine({"--fuses-clear-only"}).Options.FusesClearOnly);
    EXPECT_FALSE(ParseCommandLine({"--real-chip"}).Options.FusesClearOnly);
    EXPECT_NE(Usage().find("--fuses-clear-only"), std::string::npos);
}

} // namespace
} // namespace vesk::sim
