// Every failure the driver raises says what went wrong by its kind, whatever layers
// chained their lines above the cause: the callers decide by the kind alone.
#include "DriverFixture.h"

#include <functional>

namespace vesk::test {
namespace {

// What is on the line before the call: nothing, a simulator on a port not opened, a
// connection, a connection with the chip selected and its buffer holding words.
enum class TLine { Empty, Unopened, Connected, Selected };

struct TKindCase {
    const char* Name;
    TFailureKind Kind;
    TLine Line;
    const char* Chip;
    sim::TFaults Faults;
    std::function<void(TDeviceVESK1&)> Call;
};

class FailureKinds : public DriverTest, public ::testing::WithParamInterface<TKindCase> {};

TEST_P(FailureKinds, AreSetWhereTheFailureIsRaised) {
    const TKindCase& c = GetParam();
    if (c.Line != TLine::Empty) StartSim(c.Chip);
    if (c.Line >= TLine::Connected) Connect();
    if (c.Line == TLine::Selected) {
        Dev.SetTarget(&Chip(c.Chip));
        Dev.LoadBuffer(HexImage({{0x000, 0x1234}, {0x001, 0x2345}}));
    }
    if (c.Line != TLine::Empty) Faults(c.Faults);
    try {
        c.Call(Dev);
        ADD_FAILURE() << "no failure";
    } catch (const Exception& e) {
        EXPECT_EQ(KindName(e.Kind()), std::string(KindName(c.Kind))) << e.Message();
    }
}

using K = TFailureKind;
using L = TLine;
using D = TDeviceVESK1;
const auto Open = [](D& d) { d.Open(); };
const auto GetType = [](D& d) { d.GetType(); };
const auto Activate = [](D& d) { d.Activate(); };
const auto Wakeup = [](D& d) { d.Open(), d.Wakeup(); };
const auto Baud5 = [](D& d) { d.SetBaudRate(5); };
const auto Detect = [](D& d) { d.DetectTarget(); };
const auto Read = [](D& d) { d.ReadRegions(AllRegions); };
const auto Verify = [](D& d) { d.VerifyRegions(AllRegions); };
const auto AbortWrite = [](D& d) { d.Abort(), d.WriteRegions(AllRegions); };
const auto Erase = [](D& d) { d.EraseChip(); };

INSTANTIATE_TEST_SUITE_P(
    Cases, FailureKinds,
    ::testing::Values(
        TKindCase{"MissingPort", K::NotOpened, L::Empty, "", {}, Open},
        TKindCase{"PortNotOpen", K::PortFailure, L::Unopened, "T16", {}, GetType},
        TKindCase{"Silent", K::NoAnswer, L::Connected, "T16", {.NeverAnswer = true}, GetType},
        TKindCase{"WrongEcho", K::WrongEcho, L::Connected, "T16", {.WrongEchoAt = 3}, Activate},
        TKindCase{"SyncZero", K::WrongEcho, L::Unopened, "T16", {.SyncAnswerZero = true}, Wakeup},
        TKindCase{"BaudIndex", K::BadArgument, L::Connected, "T16", {}, Baud5},
        TKindCase{"UnknownId", K::UnknownTarget, L::Connected, "T16", {.TargetId = 0x0F01}, Detect},
        TKindCase{"UnreadableId", K::UnknownTarget, L::Connected, "T16", {.BadReadReply = true}, Detect},
        TKindCase{"NoTarget", K::NoTarget, L::Connected, "T16", {}, Read},
        TKindCase{"UnreadableWord", K::UnreadableWord, L::Selected, "T16", {.BadReadReply = true}, Read},
        TKindCase{"VerifyDifference", K::VerifyDifference, L::Selected, "T16", {}, Verify},
        TKindCase{"Aborted", K::Aborted, L::Selected, "T16", {}, AbortWrite},
        // The programmer erases, then falls silent: the line naming the words
        // the erase took keeps the cause's kind.
        TKindCase{"EraseLostWords", K::NoAnswer, L::Selected, "CAL16", {.StopAfter = 39}, Erase}),
    [](const ::testing::TestParamInfo<TKindCase>& info) { return std::string(info.param.Name); });

} // namespace
} // namespace vesk::test
