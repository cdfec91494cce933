// Writing, reading, counting, waiting and purging through a pseudo-terminal.
#include "ComPort.h"
#include "LineSpeed.h"
#include "tests/support/PseudoTerminal.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <ctime>
#include <thread>
#include <vector>

using namespace vesk;
using vesk::test::TPseudoTerminal;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

struct OpenPort : ::testing::Test {
    TPseudoTerminal pty;
    TComPort port;
    void SetUp() override {
        port.SetPort(pty.SlavePath());
        port.SetBaudRate(brCustom);
        port.SetCustomBaudRate(19200);
        port.Open();
    }
    // Waits until `n` bytes are queued at the port (the pty hands them over
    // asynchronously).
    void AwaitQueued(int n) {
        const auto until = Clock::now() + std::chrono::seconds(5);
        while (port.InputCount() < n && Clock::now() < until)
            port.WaitForInput(Clock::now() + milliseconds(20));
    }
};

int CodeOf(auto body) {
    try {
        body();
    } catch (const EComPort& e) {
        return e.Code();
    }
    return 0;
}

} // namespace

TEST_F(OpenPort, WriteAndReadRoundTrip) {
    EXPECT_EQ(port.WriteStr("0000h"), 5);
    EXPECT_EQ(pty.Receive(), "0000h");
    const std::string all(256, '\0');
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes += char(i);
    pty.Send(bytes);
    AwaitQueued(256);
    EXPECT_EQ(port.InputCount(), 256); // counting consumes nothing
    EXPECT_EQ(port.InputCount(), 256);
    std::string got;
    EXPECT_EQ(port.ReadStr(got, 300), 256);
    EXPECT_EQ(got, bytes); // raw: every byte value comes through unchanged
    EXPECT_EQ(port.InputCount(), 0);
}

TEST_F(OpenPort, ReadWithNothingReceivedReturnsZero) {
    char c = 'x';
    EXPECT_EQ(port.Read(&c, 1), 0);
    EXPECT_EQ(c, 'x');
    EXPECT_EQ(port.InputCount(), 0);
    EXPECT_EQ(port.WriteStr(""), 0);
}

TEST_F(OpenPort, ReadTakesAtMostWhatIsAsked) {
    pty.Send("abc");
    AwaitQueued(3);
    char c = 0;
    EXPECT_EQ(port.Read(&c, 1), 1);
    EXPECT_EQ(c, 'a');
    EXPECT_EQ(port.InputCount(), 2);
}

TEST_F(OpenPort, WaitForInputWakesWhenAByteArrives) {
    std::thread sender([&] {
        std::this_thread::sleep_for(milliseconds(100));
        pty.Send("?");
    });
    const bool got = port.WaitForInput(Clock::now() + std::chrono::seconds(30));
    sender.join();
    EXPECT_TRUE(got);
    EXPECT_EQ(port.InputCount(), 1);
    // A byte already waiting: true at once, even with the deadline passed.
    EXPECT_TRUE(port.WaitForInput(Clock::now() - milliseconds(1)));
}

TEST_F(OpenPort, WaitForInputGivesUpAtTheDeadline) {
    const auto start = Clock::now();
    EXPECT_FALSE(port.WaitForInput(start + milliseconds(120)));
    EXPECT_GE(Clock::now() - start, milliseconds(120));
    // A deadline in the past with nothing waiting ends at once.
    EXPECT_FALSE(port.WaitForInput(Clock::now() - milliseconds(5)));
}

TEST_F(OpenPort, ClearBufferDiscardsReceivedBytes) {
    pty.Send("junk");
    AwaitQueued(4);
    port.ClearBuffer(true, true);
    EXPECT_EQ(port.InputCount(), 0);
    port.ClearBuffer(false, false);
}

TEST_F(OpenPort, BreakOnAndOff) {
    EXPECT_NO_THROW(port.SetBreak(true));
    EXPECT_NO_THROW(port.SetBreak(false));
}

TEST_F(OpenPort, DiscardNullDropsNulBytes) {
    port.SetDiscardNull(true);
    pty.Send(std::string("a\0b\0", 4));
    AwaitQueued(4);
    std::string got;
    EXPECT_EQ(port.ReadStr(got, 4), 2);
    EXPECT_EQ(got, "ab");
}

TEST_F(OpenPort, WriteEndsAtItsTimeOut) {
    // Nobody drains the master: the pty's queues fill and the write must give up
    // after its time-out, reporting how much went out.
    TComTimeouts t;
    t.WriteTotalMultiplier = 0;
    t.WriteTotalConstant = 200;
    port.SetTimeouts(t);
    std::vector<char> big(4 << 20, 'x');
    const auto start = Clock::now();
    const int written = port.Write(big.data(), int(big.size()));
    EXPECT_GE(Clock::now() - start, milliseconds(200));
    EXPECT_GT(written, 0);
    EXPECT_LT(written, int(big.size()));
}

TEST_F(OpenPort, WriteReachesLinksTxBuf) {
    TComLink link;
    std::string sent;
    link.TxBuf = [&](const char* b, int n) { sent.append(b, size_t(n)); };
    port.RegisterLink(&link);
    port.WriteStr("xyz");
    EXPECT_EQ(sent, "xyz");
    port.UnRegisterLink(&link);
}

TEST(ClosedPort, EveryOperationRaisesItsOwnCode) {
    TComPort port;
    char c = 0;
    EXPECT_EQ(CodeOf([&] { port.Write("x", 1); }), ErrWrite);
    EXPECT_EQ(CodeOf([&] { port.Read(&c, 1); }), ErrRead);
    EXPECT_EQ(CodeOf([&] { port.InputCount(); }), ErrQueueStatus);
    EXPECT_EQ(CodeOf([&] { port.OutputCount(); }), ErrQueueStatus);
    EXPECT_EQ(CodeOf([&] { port.WaitForInput(Clock::now()); }), ErrQueueStatus);
    EXPECT_EQ(CodeOf([&] { port.ClearBuffer(true, true); }), ErrPurge);
    EXPECT_EQ(CodeOf([&] { port.SetBreak(true); }), ErrLineControl);
    EXPECT_EQ(CodeOf([&] { port.TransmitChar('a'); }), ErrTransmitChar);
    EXPECT_EQ(CodeOf([&] { port.Signals(); }), ErrModemStatus);
    try {
        port.WriteStr("x");
        FAIL();
    } catch (const EComPort& e) {
        EXPECT_STREQ(e.what(), "WriteFile function failed: Bad file descriptor (error 9)");
    }
}

TEST(PortReopen, ReadAgainAfterCloseAndOpen) {
    TPseudoTerminal pty;
    TComPort port;
    port.SetPort(pty.SlavePath());
    port.Open();
    port.Close();
    port.Open();
    pty.Send("k");
    ASSERT_TRUE(port.WaitForInput(Clock::now() + std::chrono::seconds(30)));
    std::string got;
    EXPECT_EQ(port.ReadStr(got, 1), 1);
    EXPECT_EQ(got, "k");
}

TEST_F(OpenPort, WaitingForInputCostsNoProcessorTime) {
    timespec before{}, after{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &before);
    EXPECT_FALSE(port.WaitForInput(Clock::now() + milliseconds(300)));
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &after);
    const double cpuMs = (after.tv_sec - before.tv_sec) * 1e3 + (after.tv_nsec - before.tv_nsec) / 1e6;
    EXPECT_LT(cpuMs, 100.0); // a spinning wait would burn all 300 ms
}

TEST_F(OpenPort, ReadWithTotalTimeOutWaitsForTheRest) {
    TComTimeouts t;
    t.ReadInterval = 0;
    t.ReadTotalConstant = 150;
    port.SetTimeouts(t);
    pty.Send("ab");
    AwaitQueued(2);
    std::string got;
    const auto start = Clock::now();
    EXPECT_EQ(port.ReadStr(got, 4), 2); // the rest never comes
    EXPECT_GE(Clock::now() - start, milliseconds(150));
    EXPECT_EQ(got, "ab");
    // Bytes that come within the time-out complete the read.
    t.ReadTotalConstant = 30000;
    port.SetTimeouts(t);
    std::thread sender([&] {
        std::this_thread::sleep_for(milliseconds(50));
        pty.Send("cd");
    });
    EXPECT_EQ(port.ReadStr(got, 2), 2);
    sender.join();
    EXPECT_EQ(got, "cd");
}

TEST_F(OpenPort, SettingsHeldDuringAnUpdateAreAppliedAtItsEnd) {
    port.BeginUpdate();
    port.SetCustomBaudRate(31250);
    EXPECT_EQ(vesk::test::LineOutputSpeed(pty.Master()), 19200u);
    port.EndUpdate();
    EXPECT_EQ(vesk::test::LineOutputSpeed(pty.Master()), 31250u);
}

TEST(PortNames, ShortNamesAreLookedUpUnderDev) {
    TComPort port;
    port.SetPort("ttyvesk-no-such-port");
    try {
        port.Open();
        FAIL() << "opened";
    } catch (const EComPort& e) {
        EXPECT_STREQ(
            e.what(),
            "Unable to open com port /dev/ttyvesk-no-such-port: No such file or directory (error 2)");
    }
    EXPECT_FALSE(port.Connected());
}

TEST_F(OpenPort, HangUpEndsTheWaitAndFailsTheRead) {
    pty.CloseMaster();
    EXPECT_FALSE(port.WaitForInput(Clock::now() + std::chrono::seconds(60)));
    char c = 0;
    EXPECT_EQ(CodeOf([&] { port.Read(&c, 1); }), ErrRead);
    EXPECT_NO_THROW(port.Close());
}

TEST_F(OpenPort, ByteByByteEchoExchange) {
    // The driver's pattern: one byte out, wait for its echo, read it.
    const std::string command = "0000h230cx002007m3fffl";
    std::thread echo([&] {
        size_t echoed = 0;
        while (echoed < command.size()) {
            std::string b = pty.Receive(5000);
            if (b.empty()) return;
            for (char& c : b)
                c = char(std::toupper((unsigned char)c));
            pty.Send(b);
            echoed += b.size();
        }
    });
    std::string echoes;
    for (char c : command) {
        char e = 0;
        if (port.Write(&c, 1) != 1 || !port.WaitForInput(Clock::now() + std::chrono::seconds(30)) ||
            port.Read(&e, 1) != 1)
            break; // the comparison below reports it; the echo thread still ends
        echoes += e;
    }
    echo.join();
    EXPECT_EQ(echoes, "0000H230CX002007M3FFFL");
}
