// The serial device on POSIX: a tty opened non-blocking and exclusively, set to
// raw mode; non-standard speeds go through ComPortLinux.cpp.
#include "ComPortDevice.h"
#include "ComPortLinux.h"

#include <cerrno>
#include <cstdint>
#include <ctime>
#include <string>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace vesk {

int LastOsError() {
    return errno;
}

int InvalidHandleError() {
    return EBADF;
}

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void Fail(int code) {
    throw EComPort(code, LastOsError());
}

// termios speed constant of a standard rate; 0 when the rate has none and must
// go through the custom-speed interface.
speed_t StandardSpeed(int32_t speed) {
    static const struct {
        int32_t Rate;
        speed_t Code;
    } table[] = {{50, B50},       {75, B75},         {110, B110},      {134, B134},     {150, B150},
                 {200, B200},     {300, B300},       {600, B600},      {1200, B1200},   {1800, B1800},
                 {2400, B2400},   {4800, B4800},     {9600, B9600},    {19200, B19200}, {38400, B38400},
                 {57600, B57600}, {115200, B115200}, {230400, B230400}};
    for (const auto& entry : table)
        if (entry.Rate == speed) return entry.Code;
    return 0;
}

// Deadline of an operation given `ms` milliseconds; `limited` false means no limit.
struct TDeadline {
    bool Limited = false;
    Clock::time_point At{};
    static TDeadline After(int64_t ms, bool limited) {
        return {limited, Clock::now() + std::chrono::milliseconds(ms)};
    }
};

// Waits until `fd` is ready for `events` or the deadline passes. Returns the
// revents seen (0 at the deadline); raises `code` on a failed wait.
short WaitFd(int fd, short events, const TDeadline& deadline, int code) {
    for (;;) {
        timespec ts{};
        timespec* timeout = nullptr;
        if (deadline.Limited) {
            auto left = deadline.At - Clock::now();
            if (left < Clock::duration::zero()) left = Clock::duration::zero();
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            ts.tv_sec = static_cast<time_t>(ns / 1000000000);
            ts.tv_nsec = static_cast<long>(ns % 1000000000);
            timeout = &ts;
        }
        pollfd p{fd, events, 0};
        const int r = ::ppoll(&p, 1, timeout, nullptr);
        if (r < 0) {
            if (errno == EINTR) continue;
            Fail(code);
        }
        if (r > 0) return p.revents;
        if (!deadline.Limited || Clock::now() >= deadline.At) return 0;
        // Woken early (timer slack): wait out the rest.
    }
}

class TPosixComDevice final : public TComDevice {
  public:
    TPosixComDevice(int fd, std::string path, bool lowLatency)
        : FFd(fd), FPath(std::move(path)), FLowLatency(lowLatency) {}
    ~TPosixComDevice() override {
        // The adapter's latency setting outlives this descriptor: leave it as found.
        if (FLowLatency) EndLowLatency(FFd);
        // Exclusive mode belongs to the tty, which outlives this descriptor (a
        // pseudo-terminal lives as long as its master); give it back.
        (void)::ioctl(FFd, TIOCNXCL);
        ::close(FFd); // also drops the flock
    }

    int Handle() const override { return FFd; }

    void ApplyLine(const TLineSettings& line) override {
        if (line.Speed <= 0) {
            errno = EINVAL;
            Fail(ErrLineSettings);
        }
        termios t{};
        if (::tcgetattr(FFd, &t) != 0) Fail(ErrLineSettings);
        ::cfmakeraw(&t);
        t.c_cflag |= CREAD | CLOCAL | HUPCL;
        t.c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS);
        static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
        t.c_cflag |= sizes[line.DataBits];
        // Two stop bits; with five data bits the UART sends one and a half.
        if (line.StopBits != sbOneStopBit) t.c_cflag |= CSTOPB;
        switch (line.Parity.Bits) {
        case prNone:
            break;
        case prOdd:
            t.c_cflag |= PARENB | PARODD;
            break;
        case prEven:
            t.c_cflag |= PARENB;
            break;
        case prMark:
            t.c_cflag |= PARENB | CMSPAR | PARODD;
            break;
        case prSpace:
            t.c_cflag |= PARENB | CMSPAR;
            break;
        }
        t.c_iflag &= ~(INPCK | IGNPAR | PARMRK | ISTRIP | IXON | IXOFF | IXANY);
        // With checking on, a byte with a parity error is read as NUL.
        if (line.Parity.Check) t.c_iflag |= INPCK;
        const TComFlowControl& f = line.FlowControl;
        if (f.XonXoffOut) t.c_iflag |= IXON;
        if (f.XonXoffIn) t.c_iflag |= IXOFF;
        if (f.OutCTSFlow || f.ControlRTS == rtsHandshake) t.c_cflag |= CRTSCTS;
        t.c_cc[VSTART] = static_cast<cc_t>(f.XonChar);
        t.c_cc[VSTOP] = static_cast<cc_t>(f.XoffChar);
        // Reads return at once with what is there; poll reports one byte as ready.
        t.c_cc[VMIN] = 0;
        t.c_cc[VTIME] = 0;

        const speed_t standard = StandardSpeed(line.Speed);
        const speed_t base = standard ? standard : B38400;
        ::cfsetispeed(&t, base);
        ::cfsetospeed(&t, base);
        if (::tcsetattr(FFd, TCSANOW, &t) != 0) Fail(ErrLineSettings);
        if (!standard && !SetCustomLineSpeed(FFd, line.Speed)) Fail(ErrLineSettings);
        // The driver may have rounded the speed to one it can run.
        CheckSpeedGiven(FPath, line.Speed, LineSpeedGiven(FFd));

        SetModemLine(TIOCM_DTR, f.ControlDTR != dtrDisable);
        SetModemLine(TIOCM_RTS, f.ControlRTS != rtsDisable);
    }

    void ApplyTimeouts(const TComTimeouts& t) override { FTimeouts = t; }

    void ApplyBuffer(int, int) override {
        // The kernel sizes its own queues; the sizes are kept by the port.
    }

    int Write(const char* buffer, int count) override {
        const int64_t ms = int64_t(uint32_t(FTimeouts.WriteTotalMultiplier)) * count +
                           uint32_t(FTimeouts.WriteTotalConstant);
        const TDeadline deadline =
            TDeadline::After(ms, FTimeouts.WriteTotalMultiplier != 0 || FTimeouts.WriteTotalConstant != 0);
        int total = 0;
        while (total < count) {
            const ssize_t n = ::write(FFd, buffer + total, size_t(count - total));
            if (n > 0) {
                total += int(n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) Fail(ErrWrite);
            if (WaitFd(FFd, POLLOUT, deadline, 2) == 0) break; // time-out: report what went out
        }
        return total;
    }

    int Read(char* buffer, int count) override {
        const TComTimeouts& t = FTimeouts;
        // ReadInterval with all bits set and no totals: return at once.
        const bool immediate = t.ReadInterval == -1 && t.ReadTotalMultiplier == 0 && t.ReadTotalConstant == 0;
        const int64_t ms = int64_t(uint32_t(t.ReadTotalMultiplier)) * count + uint32_t(t.ReadTotalConstant);
        const TDeadline deadline =
            TDeadline::After(ms, t.ReadTotalMultiplier != 0 || t.ReadTotalConstant != 0);
        int total = 0;
        while (total < count) {
            const ssize_t n = ::read(FFd, buffer + total, size_t(count - total));
            if (n > 0) {
                total += int(n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) Fail(ErrRead);
            // A raw tty answers 0 (not EAGAIN) when nothing waits, and so does a
            // line that hung up (device unplugged, pty master gone): that is an
            // error, not an empty read.
            if (n == 0 && total == 0 && HungUp()) {
                errno = EIO;
                Fail(ErrRead);
            }
            if (immediate || (t.ReadInterval == -1 && total > 0)) break;
            const short r = WaitFd(FFd, POLLIN, deadline, 3);
            if (r == 0 || (r & (POLLHUP | POLLERR | POLLNVAL)) != 0) break;
        }
        return total;
    }

    int InputCount() override {
        int n = 0;
        if (::ioctl(FFd, FIONREAD, &n) != 0) Fail(ErrQueueStatus);
        return n;
    }

    int OutputCount() override {
        int n = 0;
        if (::ioctl(FFd, TIOCOUTQ, &n) != 0) Fail(ErrQueueStatus);
        return n;
    }

    bool WaitForInput(Clock::time_point deadline) override {
        const short r = WaitFd(FFd, POLLIN, {true, deadline}, 10);
        if (r == 0) return false;
        if (r & (POLLHUP | POLLERR | POLLNVAL)) {
            // The line hung up: only what is already queued counts.
            int n = 0;
            return ::ioctl(FFd, FIONREAD, &n) == 0 && n > 0;
        }
        return (r & POLLIN) != 0;
    }

    void Purge(bool input, bool output) override {
        if (!input && !output) return;
        const int which = input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH;
        if (::tcflush(FFd, which) != 0) Fail(ErrPurge);
    }

    void SetBreak(bool on) override {
        if (::ioctl(FFd, on ? TIOCSBRK : TIOCCBRK) != 0) Fail(ErrLineControl);
    }

    void SetDTR(bool on) override { ModemLine(TIOCM_DTR, on); }
    void SetRTS(bool on) override { ModemLine(TIOCM_RTS, on); }

    void SetXonXoff(bool on) override {
        if (::tcflow(FFd, on ? TCOON : TCOOFF) != 0) Fail(ErrLineControl);
    }

    void TransmitChar(char ch) override {
        for (;;) {
            const ssize_t n = ::write(FFd, &ch, 1);
            if (n == 1) return;
            if (n < 0 && errno == EINTR) continue;
            if (n == 0) errno = EAGAIN;
            Fail(ErrTransmitChar);
        }
    }

    TComSignals Signals() override {
        int bits = 0;
        if (::ioctl(FFd, TIOCMGET, &bits) != 0) Fail(ErrModemStatus);
        TComSignals s;
        if (bits & TIOCM_CTS) s.insert(csCTS);
        if (bits & TIOCM_DSR) s.insert(csDSR);
        if (bits & TIOCM_RI) s.insert(csRing);
        if (bits & TIOCM_CD) s.insert(csRLSD);
        return s;
    }

  private:
    bool HungUp() const {
        pollfd p{FFd, POLLIN, 0};
        return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
    }

    void ModemLine(int bit, bool on) {
        if (::ioctl(FFd, on ? TIOCMBIS : TIOCMBIC, &bit) != 0) Fail(ErrLineControl);
    }

    // Line state as part of the line settings: devices without modem lines
    // (pseudo-terminals) simply have none to set.
    void SetModemLine(int bit, bool on) {
        if (::ioctl(FFd, on ? TIOCMBIS : TIOCMBIC, &bit) != 0 && errno != ENOTTY && errno != EINVAL)
            Fail(ErrLineSettings);
    }

    int FFd;
    std::string FPath;
    bool FLowLatency;
    TComTimeouts FTimeouts;
};

} // namespace

std::unique_ptr<TComDevice> TComDevice::Open(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) throw EComPort(ErrOpen, errno, path);
    auto refuse = [fd, &path](int error) {
        ::close(fd);
        throw EComPort(ErrOpen, error, path);
    };
    if (!::isatty(fd)) refuse(errno);
    // flock refuses a second opener of the device, also one in this process;
    // TIOCEXCL refuses plain open() by other programs that do not lock. Either
    // way the device is busy.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) refuse(errno == EWOULDBLOCK ? EBUSY : errno);
    if (::ioctl(fd, TIOCEXCL) != 0) refuse(errno);
    const bool lowLatency = RequestLowLatency(fd);
    return std::make_unique<TPosixComDevice>(fd, path, lowLatency);
}

} // namespace vesk
