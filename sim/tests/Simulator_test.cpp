// The simulator on real pseudo-terminals: exchanges, reconnection, the baud-rate switch
// and the wake-up, pass-through to a target, faults, wire time, logs and dumps.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "PtyHost.h"
#include "PtySimulator.h"
#include "TestChip.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WaitFor.h"

namespace vesk::sim {
namespace {

using test::TPtyHost;
using TClock = std::chrono::steady_clock;

using vesk::test::WaitFor;

class SimulatorTest : public ::testing::Test {
  protected:
    void StartWith(const TOptions& options = {}) {
        Sim = std::make_unique<TPtySimulator>(test::Demo16(), options);
        Sim->Start();
    }
    void SetUp() override { StartWith(); }

    std::unique_ptr<TPtySimulator> Sim;
};

TEST_F(SimulatorTest, AnswersOverThePseudoTerminal) {
    TPtyHost host(Sim->SlavePath());
    ASSERT_TRUE(host.IsOpen());
    EXPECT_EQ(host.Exchange("\xff"), "?");
    EXPECT_EQ(host.Exchange("0000h"), "0000H");
    EXPECT_EQ(host.Exchange("tnnnnnnn"), "T VESK1 ");
    EXPECT_EQ(host.Exchange("230cx0ABCl"), "230CX0ABCL");
    EXPECT_EQ(Sim->Word(0), 0x0ABC);
    EXPECT_EQ(Sim->Received(), "\xff"
                               "0000htnnnnnnn230cx0ABCl");
    EXPECT_EQ(Sim->Sent(), "?0000HT VESK1 230CX0ABCL");
    Sim->ClearReceived();
    EXPECT_EQ(Sim->Received(), "");
}

TEST_F(SimulatorTest, KeepsServingWhenTheHostReopensThePort) {
    {
        TPtyHost host(Sim->SlavePath());
        EXPECT_EQ(host.Exchange("\xff"), "?");
    }
    ASSERT_TRUE(WaitFor([&] { return Sim->HostClosed(); }));
    TPtyHost host(Sim->SlavePath());
    EXPECT_EQ(host.Exchange("\xff"
                            "0000h"),
              "?0000H");
    EXPECT_TRUE(WaitFor([&] { return Sim->Connections() == 1 && !Sim->HostClosed(); }));
}

TEST_F(SimulatorTest, BaudRateSwitchAndWakeupFollowTheHostsSpeed) {
    TPtyHost host(Sim->SlavePath(), 19200);
    EXPECT_EQ(host.Exchange("\xff"
                            "0044p"),
              "?0044P");
    EXPECT_EQ(Sim->BaudRate(), 115200);
    host.SetBaud(115200);
    EXPECT_EQ(host.Exchange("\xff"
                            "0000h"),
              "?0000H");
    EXPECT_EQ(Sim->BaudRate(), 115200);
    host.Close();
    // The next connection starts with a wake-up at 19200.
    TPtyHost again(Sim->SlavePath(), 19200);
    EXPECT_EQ(again.Exchange("\xff"), "?");
    EXPECT_EQ(Sim->BaudRate(), 19200);
}

TEST_F(SimulatorTest, StrictSpeedIgnoresAHostAtTheWrongSpeed) {
    TOptions o;
    o.StrictSpeed = true;
    StartWith(o);
    TPtyHost host(Sim->SlavePath(), 9600);
    EXPECT_EQ(host.Exchange("0", 200), "");
    host.SetBaud(19200);
    EXPECT_EQ(host.Exchange("0"), "0");
}

TEST_F(SimulatorTest, PassThroughConnectsHostAndTarget) {
    TPtyHost host(Sim->SlavePath());
    TPtyHost target(Sim->TargetSlavePath(), 9600);
    ASSERT_TRUE(target.IsOpen());
    EXPECT_EQ(host.Exchange("\xff"
                            "0003"),
              "?0003");
    host.Write("p"); // not answered
    ASSERT_TRUE(Sim->WaitPassThrough(true, 5000));
    EXPECT_EQ(Sim->PassThroughFlags(), 3);
    host.SetBaud(9600);
    host.Write("hello\xff");
    EXPECT_EQ(target.Read(6), "hello\xff");
    target.Write("world\r\n");
    EXPECT_EQ(host.Read(7), "world\r\n");
    EXPECT_EQ(Sim->TargetReceived(), "hello\xff");
    // The wake-up: purge, then the synchronisation byte at 19200.
    host.SetBaud(19200);
    host.Purge();
    EXPECT_EQ(host.Exchange("\xff"), "?");
    EXPECT_FALSE(Sim->InPassThrough());
    EXPECT_EQ(host.Exchange("0000h"), "0000H");
    EXPECT_EQ(target.Read(1, 100), "");
}

TEST_F(SimulatorTest, PassThroughSurvivesTheHostReopeningThePort) {
    {
        TPtyHost host(Sim->SlavePath());
        host.Exchange("\xff"
                      "0000");
        host.Write("p");
        ASSERT_TRUE(Sim->WaitPassThrough(true, 5000));
    }
    TPtyHost terminal(Sim->SlavePath(), 9600);
    TPtyHost target(Sim->TargetSlavePath(), 9600);
    terminal.Write("x");
    EXPECT_EQ(target.Read(1), "x");
    EXPECT_TRUE(Sim->InPassThrough());
    terminal.Close();
    // Leaving: a new connection whose first byte is the synchronisation byte.
    TPtyHost driver(Sim->SlavePath(), 19200);
    driver.Purge();
    EXPECT_EQ(driver.Exchange("\xff"), "?");
    EXPECT_FALSE(Sim->InPassThrough());
}

TEST_F(SimulatorTest, ThePassThroughLetterCountsWhenThePortClosesRightAfterIt) {
    {
        TPtyHost host(Sim->SlavePath());
        host.Exchange("\xff"
                      "0001");
        host.Write("p");
    }
    EXPECT_TRUE(Sim->WaitPassThrough(true, 5000));
    EXPECT_EQ(Sim->PassThroughFlags(), 1);
}

TEST_F(SimulatorTest, ScriptedTargetGreetsAndAnswersInUpperCase) {
    TOptions o;
    o.TargetEcho = true;
    o.TargetBanner = "DEMO target";
    StartWith(o);
    TPtyHost host(Sim->SlavePath());
    host.Exchange("\xff"
                  "0000");
    host.Write("p");
    EXPECT_EQ(host.Read(13), "DEMO target\r\n");
    host.Write("ab1\r");
    EXPECT_EQ(host.Read(5), "AB1\r\n");
}

TEST_F(SimulatorTest, FaultNeverAnswer) {
    TFaults f;
    f.NeverAnswer = true;
    Sim->SetFaults(f);
    TPtyHost host(Sim->SlavePath());
    EXPECT_EQ(host.Exchange("\xff", 200), "");
    EXPECT_TRUE(Sim->WaitReceived(1, 5000));
    EXPECT_EQ(Sim->Faults().NeverAnswer, true);
}

TEST_F(SimulatorTest, FaultWrongEchoAndSyncZeroOverTheLine) {
    TPtyHost host(Sim->SlavePath());
    TFaults f;
    f.WrongEchoAt = 2;
    f.SyncAnswerZero = true;
    Sim->SetFaults(f);
    EXPECT_EQ(host.Exchange("\xff"
                            "000"),
              std::string("\0#00", 4));
}

TEST_F(SimulatorTest, FaultAnswersLate) {
    TFaults f;
    f.AnswerDelayMs = 100;
    Sim->SetFaults(f);
    TPtyHost host(Sim->SlavePath());
    EXPECT_EQ(host.Exchange("\xff"), "?");
    const auto times = Sim->AnswerTimes();
    ASSERT_EQ(times.size(), 1u);
    EXPECT_EQ(times[0].Delivered - times[0].Arrived, std::chrono::milliseconds(100));
}

TEST_F(SimulatorTest, FaultDropsTheLineAfterNBytes) {
    TFaults f;
    f.DropLineAfter = 3;
    Sim->SetFaults(f);
    TPtyHost host(Sim->SlavePath());
    EXPECT_EQ(host.Exchange("000"), "000");
    EXPECT_FALSE(Sim->LineDropped());
    EXPECT_EQ(host.Exchange("0", 200), "");
    ASSERT_TRUE(WaitFor([&] { return Sim->LineDropped(); }));
    // The adapter is gone: the port reports a hang-up and no more answers.
    pollfd p{host.Fd, POLLIN, 0};
    poll(&p, 1, 1000);
    EXPECT_TRUE(p.revents & (POLLHUP | POLLERR));
    EXPECT_EQ(host.Exchange("0", 100), "");
}

TEST_F(SimulatorTest, WireTimePacesEveryByte) {
    TOptions o;
    o.WireTime = true;
    StartWith(o);
    TPtyHost host(Sim->SlavePath(), 9600);
    host.Exchange("\xff"
                  "0004p"); // the simulator now runs at 9600
    ASSERT_EQ(Sim->BaudRate(), 9600);
    Sim->ClearReceived();
    EXPECT_EQ(host.Exchange(std::string(50, '0')), std::string(50, '0'));
    // On the simulator's schedule: each answer takes 10 bit times of 1/9600 s on the
    // line after its byte has arrived, and the next byte, written after that answer,
    // takes as long to arrive.
    const auto byteTime = std::chrono::nanoseconds(10'000'000'000LL / 9600);
    const auto times = Sim->AnswerTimes();
    ASSERT_EQ(times.size(), 50u);
    for (size_t i = 0; i < times.size(); ++i) {
        EXPECT_GE(times[i].Delivered - times[i].Arrived, byteTime) << "answer " << i;
        if (i > 0) {
            EXPECT_GE(times[i].Arrived - times[i - 1].Delivered, byteTime) << "byte " << i;
        }
    }
}

TEST_F(SimulatorTest, LogsTrafficBothWays) {
    const vesk::test::TTempFolder dir;
    const std::string log = dir.Path() + "traffic.log";
    TOptions o;
    o.LogFile = log;
    StartWith(o);
    {
        TPtyHost host(Sim->SlavePath());
        host.Exchange("\xff"
                      "230cx");
    }
    Sim->Stop();
    const std::string text = vesk::test::ReadText(log);
    EXPECT_NE(text.find("> FF"), std::string::npos);
    EXPECT_NE(text.find("< 3F ?"), std::string::npos);
    EXPECT_NE(text.find("program mode 'c'"), std::string::npos);
}

TEST_F(SimulatorTest, DumpsAndLoadsMemory) {
    TPtyHost host(Sim->SlavePath());
    host.Exchange("230dx0042l");
    const vesk::test::TTempFolder dir;
    const std::string hex = dir.Path() + "mem.hex", txt = dir.Path() + "mem.txt";
    Sim->DumpMemory(hex);
    Sim->DumpMemory(txt);
    EXPECT_NE(vesk::test::ReadText(txt).find("002100 0042"), std::string::npos);
    TPtySimulator other(test::Demo16());
    other.LoadImage(hex);
    EXPECT_EQ(other.Word(0x2100), 0x42);
    EXPECT_EQ(other.Word(0), 0x3FFF);
    other.SetDeviceId(0x1234);
    EXPECT_EQ(other.Word(0x2006), 0x1234);
}

TEST_F(SimulatorTest, StopAndStartAgain) {
    Sim->Stop();
    Sim->Stop();
    Sim->Start();
    TPtyHost host(Sim->SlavePath());
    EXPECT_EQ(host.Exchange("\xff"), "?");
}

} // namespace
} // namespace vesk::sim
