// The echo rule on a bare pseudo-terminal whose other end answers every byte with a
// byte of the test's choosing: only the upper-case form of a letter is accepted.
#include "DriverFixture.h"

#include "tests/support/PseudoTerminal.h"

#include <atomic>
#include <functional>
#include <thread>

#include <poll.h>
#include <unistd.h>

namespace vesk::test {
namespace {

// The master side of a pseudo-terminal, answering each byte with `Answer(byte)`.
class TRawLine {
  public:
    explicit TRawLine(std::function<char(char)> answer) : FAnswer(std::move(answer)) {
        FThread = std::thread([this] { Serve(); });
    }
    ~TRawLine() {
        FStop = true;
        FThread.join();
    }
    const std::string& Path() const { return FLine.SlavePath(); }

  private:
    void Serve() {
        const int master = FLine.Master();
        while (!FStop) {
            pollfd fd{master, POLLIN, 0};
            if (poll(&fd, 1, 10) <= 0 || (fd.revents & POLLIN) == 0) {
                if (fd.revents & POLLHUP) // no host has the line open
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            char c;
            if (read(master, &c, 1) != 1) continue;
            const char a = FAnswer(c);
            if (write(master, &a, 1) != 1) return;
        }
    }

    TPseudoTerminal FLine;
    std::function<char(char)> FAnswer;
    std::atomic<bool> FStop = false;
    std::thread FThread;
};

TEST(EchoRule, LetterEchoedInLowerCaseFails) {
    TRawLine line([](char c) { return c; });
    TDeviceVESK1 device;
    device.SetComPort(line.Path());
    device.SetComReadTimeout(300);
    device.Open();
    EXPECT_EQ(ErrorOf([&] { device.Activate(); }),
              "VESK activation failed\nVBUS command '0000h' failed\nGot echo: '0000h'");
    // Bytes other than 'a' to 'z' must come back unchanged.
    EXPECT_EQ(device.SendByte('#'), '#');
    device.Close();
}

TEST(EchoRule, UpperCaseLetterEchoIsAccepted) {
    TRawLine line([](char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; });
    TDeviceVESK1 device;
    device.SetComPort(line.Path());
    device.Open();
    device.Activate();
    device.SendCommand("3FFFl");
    device.Close();
}

} // namespace
} // namespace vesk::test
