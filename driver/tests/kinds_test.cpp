// Every failure the driver raises says what went wrong by its kind, whatever layers
// chained their lines above the cause: the callers decide by the kind alone.
#include "DriverFixture.h"

#include <functional>

namespace vesk::test {
namespace {

class FailureKinds;

struct TKindCase {
    const char* Name;
    TFailureKind Kind;
    // Prepares the line and the programmer, and makes the call that fails.
    std::function<void(FailureKinds&)> Fail;
};

class FailureKinds : public DriverTest, public ::testing::WithParamInterface<TKindCase> {
  public:
    // A connection to a simulated T16.
    void Plugged() {
        StartSim("T16");
        Connect();
    }
    // A connection with `chip` selected, its buffer holding words the blank chip has not.
    void Select(const std::string& chip) {
        StartSim(chip);
        Connect();
        Dev.SetTarget(&Chip(chip));
        Dev.LoadBuffer(HexImage({{0x000, 0x1234}, {0x001, 0x2345}}));
    }
    using DriverTest::Dev;
    using DriverTest::Faults;
    using DriverTest::StartSim;
};

TEST_P(FailureKinds, AreSetWhereTheFailureIsRaised) {
    try {
        GetParam().Fail(*this);
        ADD_FAILURE() << "no failure";
    } catch (const Exception& e) {
        EXPECT_EQ(KindName(e.Kind()), std::string(KindName(GetParam().Kind))) << e.Message();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FailureKinds,
    ::testing::Values(TKindCase{"MissingPort", TFailureKind::NotOpened,
                                [](FailureKinds& f) {
                                    f.Dev.SetComPort("/dev/vesk-no-such-port");
                                    f.Dev.Open();
                                }},
                      TKindCase{"SilentProgrammer", TFailureKind::NoAnswer,
                                [](FailureKinds& f) {
                                    f.Plugged();
                                    f.Faults({.NeverAnswer = true});
                                    f.Dev.GetType();
                                }},
                      TKindCase{"WrongEcho", TFailureKind::WrongEcho,
                                [](FailureKinds& f) {
                                    f.Plugged();
                                    f.Faults({.WrongEchoAt = 3});
                                    f.Dev.Activate();
                                }},
                      TKindCase{"SyncAnsweredZero", TFailureKind::WrongEcho,
                                [](FailureKinds& f) {
                                    f.StartSim("T16");
                                    f.Dev.Open();
                                    f.Faults({.SyncAnswerZero = true});
                                    f.Dev.Wakeup();
                                }},
                      TKindCase{"PortNotOpen", TFailureKind::PortFailure,
                                [](FailureKinds& f) {
                                    f.StartSim("T16");
                                    f.Dev.GetType();
                                }},
                      TKindCase{"BaudIndex", TFailureKind::BadArgument,
                                [](FailureKinds& f) {
                                    f.Plugged();
                                    f.Dev.SetBaudRate(5);
                                }},
                      TKindCase{"UnknownId", TFailureKind::UnknownTarget,
                                [](FailureKinds& f) {
                                    f.Plugged();
                                    f.Faults({.TargetId = 0x0F01});
                                    f.Dev.DetectTarget();
                                }},
                      TKindCase{"UnreadableIdWithoutTarget", TFailureKind::UnknownTarget,
                                [](FailureKinds& f) {
                                    f.Plugged();
                                    f.Faults({.BadReadReply = true});
                                    f.Dev.DetectTarget();
                                }},
                      TKindCase{"NoTarget", TFailureKind::NoTarget,
                                [](FailureKinds& f) {
                                    f.Plugged();
                                    f.Dev.WriteRegions(AllRegions);
                                }},
                      TKindCase{"UnreadableWord", TFailureKind::UnreadableWord,
                                [](FailureKinds& f) {
                                    f.Select("T16");
                                    f.Faults({.BadReadReply = true});
                                    f.Dev.ReadRegions(AllRegions);
                                }},
                      TKindCase{"VerifyDifference", TFailureKind::VerifyDifference,
                                [](FailureKinds& f) {
                                    f.Select("T16");
                                    f.Dev.VerifyRegions(AllRegions);
                                }},
                      TKindCase{"Aborted", TFailureKind::Aborted,
                                [](FailureKinds& f) {
                                    f.Select("T16");
                                    f.Dev.Abort();
                                    f.Dev.WriteRegions(AllRegions);
                                }},
                      // The line naming the words an erase took keeps the cause's kind.
                      TKindCase{"EraseThatLostWords", TFailureKind::NoAnswer,
                                [](FailureKinds& f) {
                                    f.Select("CAL16");
                                    f.Faults({.StopAfter = 39}); // the programmer erases, then falls silent
                                    f.Dev.EraseChip();
                                }}),
    [](const ::testing::TestParamInfo<TKindCase>& info) { return std::string(info.param.Name); });

} // namespace
} // namespace vesk::test
