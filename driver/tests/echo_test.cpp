// The echo rule on a bare pseudo-terminal whose other end answers every byte with a
// byte of the test's choosing: only the upper-case form of a letter is accepted.
#include "DriverFixture.h"

#include <atomic>
#include <functional>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

namespace vesk::test {
namespace {

// The master side of a pseudo-terminal, answering each byte with `Answer(byte)`.
class TRawLine {
  public:
    explicit TRawLine(std::function<char(char)> answer) : FAnswer(std::move(answer)) {
        FMaster = posix_openpt(O_RDWR | O_NOCTTY);
        grantpt(FMaster);
        unlockpt(FMaster);
        FPath = ptsname(FMaster);
        FThread = std::thread([this] { Serve(); });
    }
    ~TRawLine() {
        FStop = true;
        FThread.join();
        close(FMaster);
    }
    const std::string& Path() const { return FPath; }

  private:
    void Serve() {
        while (!FStop) {
            pollfd fd{FMaster, POLLIN, 0};
            if (poll(&fd, 1, 10) <= 0 || (fd.revents & POLLIN) == 0) {
                if (fd.revents & POLLHUP) // no host has the line open
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            char c;
            if (read(FMaster, &c, 1) != 1) continue;
            const char a = FAnswer(c);
            if (write(FMaster, &a, 1) != 1) return;
        }
    }

    std::function<char(char)> FAnswer;
    int FMaster = -1;
    std::string FPath;
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
