// The host side of a test: opens a pseudo-terminal slave with plain termios, as a
// serial port program would, and exchanges bytes with a deadline.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace vesk::sim::test {

inline speed_t SpeedConstant(int baud) {
    switch (baud) {
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    default:
        return B115200;
    }
}

class TPtyHost {
  public:
    explicit TPtyHost(const std::string& path, int baud = 19200) {
        Fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (Fd >= 0) SetBaud(baud);
    }
    ~TPtyHost() { Close(); }
    TPtyHost(const TPtyHost&) = delete;
    TPtyHost& operator=(const TPtyHost&) = delete;

    bool IsOpen() const { return Fd >= 0; }
    void Close() {
        if (Fd >= 0) ::close(Fd);
        Fd = -1;
    }
    void SetBaud(int baud) {
        termios t{};
        tcgetattr(Fd, &t);
        cfmakeraw(&t);
        t.c_cflag |= CLOCAL | CREAD;
        cfsetispeed(&t, SpeedConstant(baud));
        cfsetospeed(&t, SpeedConstant(baud));
        tcsetattr(Fd, TCSANOW, &t);
    }
    void Purge() { tcflush(Fd, TCIOFLUSH); }
    bool Write(const std::string& bytes) {
        return ::write(Fd, bytes.data(), bytes.size()) == ssize_t(bytes.size());
    }
    // Up to `count` bytes, waiting at most timeoutMs for each.
    std::string Read(size_t count, int timeoutMs = 3000) {
        std::string out;
        while (out.size() < count) {
            pollfd p{Fd, POLLIN, 0};
            if (poll(&p, 1, timeoutMs) <= 0 || !(p.revents & POLLIN)) break;
            char buf[256];
            ssize_t n = ::read(Fd, buf, std::min(sizeof buf, count - out.size()));
            if (n <= 0) break;
            out.append(buf, size_t(n));
        }
        return out;
    }
    // Sends each byte and collects its answer, one at a time, as the driver does.
    std::string Exchange(const std::string& bytes, int timeoutMs = 3000) {
        std::string answers;
        for (char c : bytes) {
            Write(std::string(1, c));
            answers += Read(1, timeoutMs);
        }
        return answers;
    }

    int Fd = -1;
};

} // namespace vesk::sim::test
