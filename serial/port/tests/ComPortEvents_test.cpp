// Links and the delivery of received data on the owner's thread.
#include "ComPort.h"
#include "tests/support/PseudoTerminal.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace vesk;
using vesk::test::TPseudoTerminal;
using Clock = std::chrono::steady_clock;

namespace {

int CodeOf(auto body) {
    try {
        body();
    } catch (const EComPort& e) {
        return e.Code();
    }
    return 0;
}

struct Receiving : ::testing::Test {
    TPseudoTerminal pty;
    TComPort port;
    void SetUp() override { port.SetPort(pty.SlavePath()); }
    void Arrive(const std::string& bytes) {
        pty.Send(bytes);
        const auto until = Clock::now() + std::chrono::seconds(5);
        while (port.InputCount() < int(bytes.size()) && Clock::now() < until)
            port.WaitForInput(Clock::now() + std::chrono::milliseconds(20));
    }
};

} // namespace

TEST(ComLinks, RegisteringTwiceOrRemovingAStrangerFails) {
    TComPort port;
    TComLink a, b;
    port.RegisterLink(&a);
    EXPECT_EQ(CodeOf([&] { port.RegisterLink(&a); }), ErrLinkRegistration);
    EXPECT_EQ(CodeOf([&] { port.UnRegisterLink(&b); }), ErrLinkRegistration);
    EXPECT_EQ(CodeOf([&] { port.RegisterLink(nullptr); }), ErrLinkRegistration);
    port.UnRegisterLink(&a);
    EXPECT_EQ(CodeOf([&] { port.UnRegisterLink(&a); }), ErrLinkRegistration);
    try {
        port.UnRegisterLink(&a);
    } catch (const EComPort& e) {
        EXPECT_STREQ(e.what(), "Link (un)registration failed");
        EXPECT_EQ(e.WinCode(), -1);
    }
}

TEST(ComLinks, TriggersOnRxCharIsLockedWhileAReceivingLinkIsAttached) {
    TComPort port;
    TComLink plain, receiving;
    receiving.RxBuf = [](const char*, int) {};
    port.RegisterLink(&plain);
    EXPECT_NO_THROW(port.SetTriggersOnRxChar(false));
    port.RegisterLink(&receiving);
    EXPECT_EQ(CodeOf([&] { port.SetTriggersOnRxChar(true); }), ErrRxBufLinked);
    port.UnRegisterLink(&receiving);
    EXPECT_NO_THROW(port.SetTriggersOnRxChar(true));
}

TEST_F(Receiving, LinkWithRxBufGetsEveryByteOnce) {
    TComLink link;
    std::string linkGot, handlerGot;
    int notified = 0;
    link.RxBuf = [&](const char* b, int n) { linkGot.append(b, size_t(n)); };
    link.RxNotify = [&](int n) { notified = n; };
    port.OnRxBuf = [&](const char* b, int n) { handlerGot.append(b, size_t(n)); };
    port.OnRxChar = [&](int) { ADD_FAILURE() << "OnRxChar must not run"; };
    port.RegisterLink(&link);
    port.Open();
    Arrive("hello");
    port.ProcessReceived();
    EXPECT_EQ(notified, 5);
    EXPECT_EQ(handlerGot, "hello");
    EXPECT_EQ(linkGot, "hello");
    EXPECT_EQ(port.InputCount(), 0);
    port.ProcessReceived(); // nothing waiting: nothing delivered
    EXPECT_EQ(linkGot, "hello");
    port.UnRegisterLink(&link); // the port keeps a plain pointer
}

TEST_F(Receiving, WithoutReceivingLinkOnRxCharOnlyCounts) {
    int counted = 0;
    port.OnRxChar = [&](int n) { counted = n; };
    port.Open();
    Arrive("abc");
    port.ProcessReceived();
    EXPECT_EQ(counted, 3);
    EXPECT_EQ(port.InputCount(), 3); // still there for Read
    std::string got;
    EXPECT_EQ(port.ReadStr(got, 3), 3);
    EXPECT_EQ(got, "abc");
}

TEST_F(Receiving, TriggersOnRxCharOffReadsIntoOnRxBuf) {
    std::string got;
    port.SetTriggersOnRxChar(false);
    port.OnRxBuf = [&](const char* b, int n) { got.append(b, size_t(n)); };
    port.Open();
    Arrive("xy");
    port.ProcessReceived();
    EXPECT_EQ(got, "xy");
    EXPECT_EQ(port.InputCount(), 0);
}

TEST_F(Receiving, NoDeliveryWithoutTheRxCharEventOrWhenClosed) {
    TComLink link;
    std::string got;
    link.RxBuf = [&](const char* b, int n) { got.append(b, size_t(n)); };
    port.RegisterLink(&link);
    port.ProcessReceived(); // closed: nothing, no error
    port.SetEvents({evTxEmpty});
    port.Open();
    Arrive("q");
    port.ProcessReceived();
    EXPECT_EQ(got, "");
    port.DoEvents({evRxChar}); // the dispatcher itself runs what it is given
    EXPECT_EQ(got, "q");
    port.UnRegisterLink(&link);
}

TEST_F(Receiving, LinksHearOpenAndClose) {
    TComLink link;
    std::string log;
    link.Conn = [&](bool on) { log += on ? "+" : "-"; };
    port.RegisterLink(&link);
    port.Open();
    port.Close();
    EXPECT_EQ(log, "+-");
    port.UnRegisterLink(&link);
}

TEST_F(Receiving, ALinkMayDetachItselfWhileReceiving) {
    TComLink link;
    int calls = 0;
    link.RxBuf = [&](const char*, int) {
        ++calls;
        port.UnRegisterLink(&link);
    };
    port.RegisterLink(&link);
    port.Open();
    Arrive("1");
    port.ProcessReceived();
    Arrive("2");
    port.ProcessReceived();
    EXPECT_EQ(calls, 1);
}
