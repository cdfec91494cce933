// The simulator's serving thread: reads what the host sends on the pseudo-terminal,
// feeds the protocol engine, paces and writes its answers, and connects the target's
// line in pass-through.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <thread>
#include <unistd.h>

#include "SimulatorImpl.h"
#include "VESK_Exception.h"
#include "common/Text.h"

namespace vesk::sim {

namespace {

using TClock = TSimulator::TImpl::TClock;
using TTime = TSimulator::TImpl::TTime;

// A closed port is looked at again after this long; a pseudo-terminal master without a
// slave reports a hang-up on every poll.
constexpr auto HangupRetry = std::chrono::milliseconds(10);
// The target's banner waits until the host's terminal has opened and purged the port.
constexpr auto BannerDelay = std::chrono::milliseconds(300);
constexpr auto WriteTimeout = std::chrono::milliseconds(200);
// In wire-time mode, a byte read this soon after the last answer went out is taken as
// written the moment that answer arrived.
constexpr auto PtyLatencyAllowance = std::chrono::milliseconds(2);

// The schedule keeps the first answers after a ClearReceived only: a simulator that
// serves for hours must not grow without bound.
constexpr size_t MaxAnswerTimes = 65536;

// Waits until the moment with the precision a line's timing needs: a plain sleep may
// overshoot by tens of microseconds, a large part of a byte time at 115200 bit/s, so the
// last stretch is spent reading the clock.
void WaitPrecisely(TTime until) {
    constexpr auto SpinStretch = std::chrono::microseconds(100);
    if (until - TClock::now() > SpinStretch) std::this_thread::sleep_until(until - SpinStretch);
    while (TClock::now() < until) {
    }
}

std::string HexBytes(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes)
        out += (out.empty() ? "" : " ") + Hex(c, 2);
    return out;
}

std::string Visible(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes)
        out += (c >= 0x20 && c < 0x7F) ? char(c) : '.';
    return out;
}

} // namespace

TSimulator::TImpl::TImpl(const vesk::TChipDefinition& chip, const TOptions& options)
    : Options(options), Memory(chip, options.RealChip, options.FusesClearOnly), Engine(Memory, options),
      Scripted(options.TargetBanner), Host(true), Target(false), Epoch(TClock::now()), Line(options, Epoch) {
    StopFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (StopFd < 0) throw Exception("Simulator: eventfd failed");
    if (!options.LogFile.empty()) {
        LogFile = std::fopen(options.LogFile.c_str(), "w");
        if (!LogFile) throw Exception("Simulator: cannot write log file " + options.LogFile);
    }
    if (LogFile) Engine.Log = [this](const std::string& text) { Log("  # " + text); };
}

TSimulator::TImpl::~TImpl() {
    Stop();
    ::close(StopFd);
    if (LogFile) std::fclose(LogFile);
}

void TSimulator::TImpl::Start() {
    std::lock_guard lock(M);
    if (Thread.joinable()) return;
    uint64_t value;
    while (read(StopFd, &value, sizeof value) > 0) {
    }
    Thread = std::thread([this] { Serve(); });
}

void TSimulator::TImpl::Stop() {
    {
        std::lock_guard lock(M);
        if (!Thread.joinable()) return;
    }
    uint64_t one = 1;
    (void)!write(StopFd, &one, sizeof one);
    Thread.join();
    Thread = std::thread();
}

void TSimulator::TImpl::Log(const std::string& line) {
    std::lock_guard lock(LogMutex);
    if (!LogFile) return;
    double t = std::chrono::duration<double>(TClock::now() - Epoch).count();
    std::fprintf(LogFile, "%10.6f %s\n", t, line.c_str());
    std::fflush(LogFile);
}

void TSimulator::TImpl::ScheduleBanner() {
    BannerAt = TClock::now() + BannerDelay;
}

void TSimulator::TImpl::Serve() {
    // Timer slack of 1 ns: wake-ups as exact as the kernel can make them.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    Log("serving " + Host.SlavePath() + ", target " + Target.SlavePath());
    for (;;) {
        short host = 0, target = 0;
        bool pollHost = false, pollTarget = false;
        if (!WaitForEvents(host, target, pollHost, pollTarget)) break;
        if (pollHost) HostEvents(host);
        if (pollTarget) TargetEvents(target);
        SendBannerWhenDue();
    }
    Log("stopped");
}

bool TSimulator::TImpl::WaitForEvents(short& host, short& target, bool& pollHost, bool& pollTarget) {
    const TTime now = TClock::now();
    pollfd fds[3] = {{StopFd, POLLIN, 0}, {-1, POLLIN, 0}, {-1, POLLIN, 0}};
    pollHost = Host.Master() >= 0 && (!HostHungUp || now >= HostRetryAt);
    pollTarget = Target.Master() >= 0 && (!TargetHungUp || now >= TargetRetryAt);
    if (pollHost) fds[1].fd = Host.Master();
    if (pollTarget) fds[2].fd = Target.Master();
    int timeout = -1;
    auto limit = [&](TTime at) {
        int ms = int(std::max<int64_t>(
            0, std::chrono::duration_cast<std::chrono::milliseconds>(at - now).count() + 1));
        timeout = timeout < 0 ? ms : std::min(timeout, ms);
    };
    if (HostHungUp && Host.Master() >= 0) limit(pollHost ? now + HangupRetry : HostRetryAt);
    if (TargetHungUp) limit(pollTarget ? now + HangupRetry : TargetRetryAt);
    if (BannerAt) limit(*BannerAt);
    if (poll(fds, 3, timeout) < 0 && errno != EINTR) return false;
    if (fds[0].revents) return false;
    host = fds[1].revents;
    target = fds[2].revents;
    return true;
}

void TSimulator::TImpl::HostEvents(short revents) {
    if (revents & POLLIN) ReadHost();
    if (Host.Master() < 0) return;
    if (revents & POLLHUP) {
        if (!HostHungUp) {
            Log("host closed the port");
            std::lock_guard lock(M);
            Closed = true;
            Cv.notify_all();
        }
        HostHungUp = true;
        HostRetryAt = TClock::now() + HangupRetry;
    } else if (HostHungUp) {
        HostHungUp = false;
        AfterReset = true;
        Line.Reset();
        Log("host opened the port");
        std::lock_guard lock(M);
        ++ConnectionCount;
        Closed = false;
        if (Engine.InPassThrough() && Options.TargetEcho) ScheduleBanner();
        Cv.notify_all();
    }
}

void TSimulator::TImpl::TargetEvents(short revents) {
    if (revents & POLLIN) ReadTarget();
    if (revents & POLLHUP) {
        TargetHungUp = true;
        TargetRetryAt = TClock::now() + HangupRetry;
    } else {
        TargetHungUp = false;
    }
}

void TSimulator::TImpl::SendBannerWhenDue() {
    if (!BannerAt || TClock::now() < *BannerAt) return;
    BannerAt.reset();
    int baud = Host.SlaveBaudRate();
    bool pass;
    {
        std::lock_guard lock(M);
        pass = Engine.InPassThrough();
        if (!baud) baud = Engine.BaudRate();
    }
    if (pass) SendToHost(Scripted.Banner(), baud, TClock::now());
}

void TSimulator::TImpl::ReadHost() {
    unsigned char buf[4096];
    for (;;) {
        if (Host.Master() < 0) return;
        ssize_t n = read(Host.Master(), buf, sizeof buf);
        if (n <= 0) return; // EAGAIN: all read; EIO: the host closed the port
        // Packet mode: a leading status byte; non-zero means a notice without data.
        if (buf[0] != TIOCPKT_DATA) {
            if (buf[0] & (TIOCPKT_FLUSHREAD | TIOCPKT_FLUSHWRITE)) {
                Log("host purged its buffers");
                AfterReset = true;
                Line.Reset();
                std::lock_guard lock(M);
                if (Engine.InPassThrough() && Options.TargetEcho) ScheduleBanner();
            }
            continue;
        }
        // The bytes of one read were written together.
        const TTime readAt = TClock::now();
        std::string bytes(reinterpret_cast<const char*>(buf) + 1, size_t(n - 1));
        if (Options.AdapterLatencyMs > 0) CollectFrame(readAt, bytes);
        const int hostBaud = Host.SlaveBaudRate();
        for (size_t i = 0; i < bytes.size() && Host.Master() >= 0; ++i)
            HandleHostByte(uint8_t(bytes[i]), hostBaud, readAt);
    }
}

void TSimulator::TImpl::CollectFrame(TTime readAt, std::string& bytes) {
    // The adapter sends what the host wrote before the next 1 ms USB frame in that
    // frame: bytes the pseudo-terminal hands over in pieces travel together.
    WaitPrecisely(Line.FrameAfter(readAt));
    unsigned char buf[4096];
    ssize_t n;
    while (Host.Master() >= 0 && (n = read(Host.Master(), buf, sizeof buf)) > 1 && buf[0] == TIOCPKT_DATA)
        bytes.append(reinterpret_cast<const char*>(buf) + 1, size_t(n - 1));
}

void TSimulator::TImpl::HandleHostByte(uint8_t byte, int hostBaud, TTime readAt) {
    if (Host.Master() < 0) return;
    TProgrammerEngine::TResult result;
    bool passBefore, passAfter;
    int baud;
    TFaults faults;
    std::optional<TTime> ready;
    {
        std::lock_guard lock(M);
        ReceivedBytes += char(byte);
        const TFaults& f = Engine.Faults();
        if (f.DropLineAfter > 0 && Engine.FaultByteCount() >= f.DropLineAfter) {
            // The adapter is unplugged: this byte goes nowhere and the port vanishes.
            Host.Close();
            Dropped = true;
            Log("line dropped");
            Cv.notify_all();
            return;
        }
        passBefore = Engine.InPassThrough();
        // In pass-through the line runs at whatever speed host and target agreed on.
        baud = passBefore && hostBaud > 0 ? hostBaud : Engine.BaudRate();
        ready = Schedule(readAt, baud, passBefore);
        if (!ready) {
            Log("receive buffer overrun: byte lost");
            Cv.notify_all();
            return;
        }
        result = Engine.Receive(byte, hostBaud, AfterReset);
        passAfter = Engine.InPassThrough();
        faults = Engine.Faults();
    }
    AfterReset = false;
    if (LogFile)
        Log("> " + HexBytes(std::string(1, char(byte))) + " " + Visible(std::string(1, char(byte))) +
            (passBefore ? " (to target)" : ""));
    if (!passBefore && passAfter && Options.TargetEcho) ScheduleBanner();
    if (passBefore && !passAfter) BannerAt.reset();

    const TTime arrival = Line.LastArrival();
    if (!result.ToHost.empty())
        SendToHost(result.ToHost, baud, *ready + std::chrono::milliseconds(faults.AnswerDelayMs), arrival);
    if (!result.ToTarget.empty()) ToTarget(result.ToTarget, baud, arrival);
    std::lock_guard lock(M);
    Cv.notify_all();
}

std::optional<TTime> TSimulator::TImpl::Schedule(TTime readAt, int baud, bool passThrough) {
    // A host that writes as soon as it has the last answer started this byte when that
    // answer was delivered; the time the pseudo-terminal took on top is no part of a
    // line's timing.
    // Without a timing model each byte counts from when it is handled, as it always did.
    TTime written = Line.Modelled() ? readAt : TClock::now();
    const TTime delivered = Line.LastDelivery();
    if (Line.Paced() && readAt >= delivered && readAt - delivered < PtyLatencyAllowance) written = delivered;
    // Bytes passed through to the target do not queue for the programmer's firmware.
    return Line.HostByte(written, baud, !passThrough);
}

void TSimulator::TImpl::ToTarget(const std::string& bytes, int baud, TTime ready) {
    {
        std::lock_guard lock(M);
        TargetBytes += bytes;
    }
    if (Target.Master() >= 0 && !WriteAll(Target.Master(), bytes)) Log("target line full, bytes dropped");
    if (Options.TargetEcho) {
        std::string answer;
        for (unsigned char c : bytes)
            answer += Scripted.Receive(c);
        SendToHost(answer, baud, ready);
    }
}

void TSimulator::TImpl::ReadTarget() {
    char buf[4096];
    for (;;) {
        ssize_t n = read(Target.Master(), buf, sizeof buf);
        if (n <= 0) return;
        std::string bytes(buf, size_t(n));
        bool pass;
        int baud = Host.SlaveBaudRate();
        {
            std::lock_guard lock(M);
            pass = Engine.InPassThrough();
            if (!baud) baud = Engine.BaudRate();
        }
        if (pass)
            SendToHost(bytes, baud, TClock::now());
        else
            Log("target sent " + HexBytes(bytes) + " outside pass-through, dropped");
    }
}

void TSimulator::TImpl::SendToHost(const std::string& bytes, int baud, TTime ready,
                                   std::optional<TTime> answerTo) {
    if (Line.Paced()) {
        ready = Line.ToHost(ready, baud, bytes.size());
        WaitPrecisely(ready);
    } else if (ready > TClock::now())
        std::this_thread::sleep_until(ready);
    if (Host.Master() < 0) return;
    {
        // Recorded before the write: a host that has read an answer must find it in
        // `Sent()` and `AnswerTimes()` too.
        std::lock_guard lock(M);
        SentBytes += bytes;
        if (answerTo && Answers.size() < MaxAnswerTimes) Answers.push_back({*answerTo, ready});
    }
    const bool written = WriteAll(Host.Master(), bytes);
    if (LogFile) Log("< " + HexBytes(bytes) + " " + Visible(bytes) + (written ? "" : " (not delivered)"));
}

bool TSimulator::TImpl::WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    const TTime deadline = TClock::now() + WriteTimeout;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += size_t(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
        if (TClock::now() >= deadline) return false;
        pollfd p{fd, POLLOUT, 0};
        poll(&p, 1, 5);
    }
    return true;
}

} // namespace vesk::sim
