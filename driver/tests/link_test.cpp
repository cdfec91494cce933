// The VBUS command link against the simulated programmer: echoes, time-outs,
// synchronisation and reply tokens, through the driver's operations and on the link
// itself.
#include "DriverFixture.h"

#include <chrono>
#include <vector>

namespace vesk::test {
namespace {

class LinkTest : public DriverTest {};

TEST_F(LinkTest, ActivateSendsDeviceIdAndLetterAndAcceptsUpperCaseEcho) {
    StartSim("T16");
    Connect();
    Dev.Activate();
    EXPECT_EQ(Sent(), "0000h");
    Dev.SetDeviceID("12AB");
    Dev.Activate();
    EXPECT_EQ(Sent(), "0000h12ABh");
    EXPECT_EQ(Sim->LastActivationId(), "12AB");
}

TEST_F(LinkTest, TraceSeesEveryByteAndItsAnswer) {
    StartSim("T16");
    Connect();
    std::vector<std::pair<int, int>> trace;
    Dev.OnTrace = [&](uint8_t sent, int answer) { trace.emplace_back(sent, answer); };
    Dev.Activate();
    const std::vector<std::pair<int, int>> expected = {
        {'0', '0'}, {'0', '0'}, {'0', '0'}, {'0', '0'}, {'h', 'H'}};
    EXPECT_EQ(trace, expected);
}

TEST_F(LinkTest, SilentProgrammerTimesOutUnderEveryLayer) {
    StartSim("T16");
    Connect();
    Dev.SetComReadTimeout(50);
    Faults({.NeverAnswer = true});
    EXPECT_EQ(ErrorOf([&] { Dev.Activate(); }),
              "VESK activation failed\nVBUS command '0000h' failed\nVBUS write failed\nVBUS Echo timeout");
    EXPECT_EQ(Sent(), "0"); // nothing more after the first unanswered byte
}

TEST_F(LinkTest, ZeroReadTimeoutEndsAtOnceWhenNothingWaits) {
    StartSim("T16");
    Connect();
    Link.SetReadTimeoutMs(0);
    Faults({.NeverAnswer = true});
    int answer = 0;
    Dev.OnTrace = [&](uint8_t, int a) { answer = a; };
    const auto before = Line().Now();
    EXPECT_EQ(ErrorOf([&] { Link.SendByte('i'); }), "VBUS write failed\nVBUS Echo timeout");
    EXPECT_EQ(Line().Now(), before);
    EXPECT_EQ(answer, -1);
}

TEST_F(LinkTest, WrongThirdEchoStopsTheCommandThere) {
    StartSim("T16");
    Connect();
    Faults({.WrongEchoAt = 3});
    EXPECT_EQ(ErrorOf([&] { Dev.Activate(); }),
              "VESK activation failed\nVBUS command '0000h' failed\nGot echo: '00#'");
    EXPECT_TRUE(Sim->WaitReceived(3, 1000));
    EXPECT_EQ(Sent(), "000");
}

TEST_F(LinkTest, SyncAnsweredWithZeroIsTriedThreeTimes) {
    StartSim("T16");
    Dev.Open();
    Faults({.SyncAnswerZero = true});
    ClearSent();
    EXPECT_EQ(ErrorOf([&] { Dev.Wakeup(); }),
              "VESK wakeup failed\nVESK device is not echoing\nExpecting echo '?', got: 0x00");
    EXPECT_EQ(Sent(), "\xFF\xFF\xFF");
}

TEST_F(LinkTest, SilentSyncFailsAfterTheFirstTimeOut) {
    StartSim("T16");
    Dev.SetComReadTimeout(50);
    Dev.Open();
    Faults({.NeverAnswer = true});
    ClearSent();
    EXPECT_EQ(ErrorOf([&] { Dev.Wakeup(); }),
              "VESK wakeup failed\nVESK device is not echoing\nVBUS write failed\nVBUS Echo timeout");
    EXPECT_TRUE(Sim->WaitReceived(1, 1000));
    EXPECT_EQ(Sent(), "\xFF");
}

TEST_F(LinkTest, TokenNotOpenedBySpaceIsEmptyAfterOneFetch) {
    StartSim("T16");
    Connect();
    Link.SendCommand("230fx");
    Link.SendCommand("r"); // the reply is the word's hex digits, no space
    ClearSent();
    EXPECT_EQ(Link.ReadToken(), "");
    EXPECT_EQ(Sent(), "n");
}

TEST_F(LinkTest, TokenHoldsAtMostOneHundredCharacters) {
    sim::TOptions options;
    options.Type = std::string(100, 'A') + "BC";
    StartSim("T16", options);
    Connect();
    EXPECT_EQ(Dev.GetType(), std::string(100, 'A'));
    // "t", the opening space, 100 characters kept and the 101st dropped.
    EXPECT_EQ(Sent(), "t" + std::string(102, 'n'));
}

TEST_F(LinkTest, LateAnswerWithinTheTimeOutIsTaken) {
    StartSim("T16");
    Connect();
    Faults({.AnswerDelayMs = 20});
    Dev.SetComReadTimeout(1000);
    Dev.Activate();
    EXPECT_EQ(Sent(), "0000h");
}

TEST_F(LinkTest, AnswerAfterTheTimeOutIsATimeOut) {
    StartSim("T16");
    Connect();
    Faults({.AnswerDelayMs = 500});
    Link.SetReadTimeoutMs(20);
    const auto before = Line().Now();
    EXPECT_EQ(ErrorOf([&] { Link.SendByte('0'); }), "VBUS write failed\nVBUS Echo timeout");
    EXPECT_EQ(Line().Now() - before, std::chrono::milliseconds(20));
}

TEST_F(LinkTest, UnpluggedLineFailsUnderTheWriteWrapper) {
    StartSim("T16");
    Connect();
    Faults({.DropLineAfter = 2});
    const std::string message = ErrorOf([&] { Dev.Activate(); });
    EXPECT_EQ(message.rfind("VESK activation failed\nVBUS command '0000h' failed\nVBUS write failed\n", 0),
              0u)
        << message;
}

TEST_F(LinkTest, ClosedPortErrorArrivesUnderTheWriteWrapper) {
    StartSim("T16");
    const std::string message = ErrorOf([&] { Link.SendByte('i'); });
    EXPECT_EQ(message.rfind("VBUS write failed\n", 0), 0u) << message;
}

} // namespace
} // namespace vesk::test
