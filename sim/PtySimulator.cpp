// The simulator's serving thread on a pseudo-terminal: reads what the host sends,
// feeds the programmer, paces and writes its answers, and connects the target's line in
// pass-through.
#include "PtySimulator.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <thread>
#include <unistd.h>

#include "PseudoTerminal.h"
#include "SimulatorImpl.h"
#include "VESK_Exception.h"

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

// Waits until the moment with the precision a line's timing needs: a plain sleep may
// overshoot by tens of microseconds, a large part of a byte time at 115200 bit/s, so the
// last stretch is spent reading the clock.
void WaitPrecisely(TTime until) {
    constexpr auto SpinStretch = std::chrono::microseconds(100);
    if (until - TClock::now() > SpinStretch) std::this_thread::sleep_until(until - SpinStretch);
    while (TClock::now() < until) {
    }
}

} // namespace

// The serving thread and what only it touches.
class TPtySimulator::TServer {
  public:
    TServer(TSimulator::TImpl& sim);
    ~TServer();

    void Start();
    void Stop();

    TPseudoTerminal Host;
    TPseudoTerminal Target;

  private:
    void Serve();
    // Waits for the next event and returns the revents of the host's and the target's
    // line (0 for a line not polled); false when the simulator is to stop.
    bool WaitForEvents(short& host, short& target, bool& pollHost, bool& pollTarget);
    void HostEvents(short revents);
    void TargetEvents(short revents);
    void SendBannerWhenDue();
    void ReadHost();
    void ReadTarget();
    // Adds the host bytes that reach the adapter in the same USB frame as those read at
    // `readAt`.
    void CollectFrame(TTime readAt, std::string& bytes);
    // `readAt`: when the read that brought the byte returned.
    void HandleHostByte(uint8_t byte, int hostBaud, TTime readAt);
    // When the programmer can answer a host byte read at `readAt`; none when the byte is
    // lost to an overrun of its receive buffer. Under the simulator's lock.
    std::optional<TTime> Schedule(TTime readAt, int baud, bool passThrough);
    // `answerTo`: when the host byte that these bytes answer arrived (none for the
    // banner and the target's bytes).
    void SendToHost(const std::string& bytes, int baud, TTime ready, std::optional<TTime> answerTo = {});
    void ToTarget(const std::string& bytes, int baud, TTime ready);
    bool WriteAll(int fd, const std::string& bytes);
    void ScheduleBanner();
    bool PassThroughWithScriptedTarget() const;
    // The speed the target's line runs at (the host's, else the programmer's) and
    // whether the programmer is in pass-through.
    int TargetBaud(bool& passThrough) const;

    TSimulator::TImpl& Sim;
    std::mutex StartMutex;
    std::thread Thread;
    int StopFd = -1;
    TLineModel Line;

    bool HostHungUp = false;
    bool TargetHungUp = false;
    TTime HostRetryAt{}, TargetRetryAt{};
    bool AfterReset = false; // the next host byte follows a purge or a reconnection
    std::optional<TTime> BannerAt;
};

TPtySimulator::TPtySimulator(const vesk::TChipDefinition& chip, const TOptions& options)
    : TSimulator(chip, options), FServer(std::make_unique<TServer>(*FImpl)) {}

TPtySimulator::~TPtySimulator() {
    FServer->Stop();
}

std::string TPtySimulator::SlavePath() const {
    return FServer->Host.SlavePath();
}
std::string TPtySimulator::TargetSlavePath() const {
    return FServer->Target.SlavePath();
}
void TPtySimulator::Start() {
    FServer->Start();
}
void TPtySimulator::Stop() {
    FServer->Stop();
}

TPtySimulator::TServer::TServer(TSimulator::TImpl& sim)
    : Host(true), Target(false), Sim(sim), Line(sim.Options, TClock::now()) {
    StopFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (StopFd < 0) throw Exception("Simulator: eventfd failed");
}

TPtySimulator::TServer::~TServer() {
    Stop();
    ::close(StopFd);
}

void TPtySimulator::TServer::Start() {
    std::lock_guard lock(StartMutex);
    if (Thread.joinable()) return;
    uint64_t value;
    while (read(StopFd, &value, sizeof value) > 0) {
    }
    Thread = std::thread([this] { Serve(); });
}

void TPtySimulator::TServer::Stop() {
    {
        std::lock_guard lock(StartMutex);
        if (!Thread.joinable()) return;
    }
    uint64_t one = 1;
    (void)!write(StopFd, &one, sizeof one);
    Thread.join();
    Thread = std::thread();
}

void TPtySimulator::TServer::ScheduleBanner() {
    BannerAt = TClock::now() + BannerDelay;
}

void TPtySimulator::TServer::Serve() {
    // Timer slack of 1 ns: wake-ups as exact as the kernel can make them.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    Sim.Log("serving " + Host.SlavePath() + ", target " + Target.SlavePath());
    for (;;) {
        short host = 0, target = 0;
        bool pollHost = false, pollTarget = false;
        if (!WaitForEvents(host, target, pollHost, pollTarget)) break;
        if (pollHost) HostEvents(host);
        if (pollTarget) TargetEvents(target);
        SendBannerWhenDue();
    }
    Sim.Log("stopped");
}

bool TPtySimulator::TServer::WaitForEvents(short& host, short& target, bool& pollHost, bool& pollTarget) {
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

void TPtySimulator::TServer::HostEvents(short revents) {
    if (revents & POLLIN) ReadHost();
    if (Host.Master() < 0) return;
    if (revents & POLLHUP) {
        if (!HostHungUp) Sim.HostClosedPort();
        HostHungUp = true;
        HostRetryAt = TClock::now() + HangupRetry;
    } else if (HostHungUp) {
        HostHungUp = false;
        AfterReset = true;
        Line.Reset();
        Sim.HostOpened();
        if (PassThroughWithScriptedTarget()) ScheduleBanner();
    }
}

bool TPtySimulator::TServer::PassThroughWithScriptedTarget() const {
    auto lock = Sim.Lock();
    return Sim.Engine.InPassThrough() && Sim.Options.TargetEcho;
}

void TPtySimulator::TServer::TargetEvents(short revents) {
    if (revents & POLLIN) ReadTarget();
    if (revents & POLLHUP) {
        TargetHungUp = true;
        TargetRetryAt = TClock::now() + HangupRetry;
    } else {
        TargetHungUp = false;
    }
}

int TPtySimulator::TServer::TargetBaud(bool& passThrough) const {
    const int baud = Host.SlaveBaudRate();
    auto lock = Sim.Lock();
    passThrough = Sim.Engine.InPassThrough();
    return baud ? baud : Sim.Engine.BaudRate();
}

void TPtySimulator::TServer::SendBannerWhenDue() {
    if (!BannerAt || TClock::now() < *BannerAt) return;
    BannerAt.reset();
    bool pass;
    const int baud = TargetBaud(pass);
    if (pass) SendToHost(Sim.Scripted.Banner(), baud, TClock::now());
}

void TPtySimulator::TServer::ReadHost() {
    unsigned char buf[4096];
    for (;;) {
        if (Host.Master() < 0) return;
        ssize_t n = read(Host.Master(), buf, sizeof buf);
        if (n <= 0) return; // EAGAIN: all read; EIO: the host closed the port
        // Packet mode: a leading status byte; non-zero means a notice without data.
        if (buf[0] != TIOCPKT_DATA) {
            if (buf[0] & (TIOCPKT_FLUSHREAD | TIOCPKT_FLUSHWRITE)) {
                Sim.Log("host purged its buffers");
                AfterReset = true;
                Line.Reset();
                if (PassThroughWithScriptedTarget()) ScheduleBanner();
            }
            continue;
        }
        // The bytes of one read were written together.
        const TTime readAt = TClock::now();
        std::string bytes(reinterpret_cast<const char*>(buf) + 1, size_t(n - 1));
        if (Sim.Options.AdapterLatencyMs > 0) CollectFrame(readAt, bytes);
        const int hostBaud = Host.SlaveBaudRate();
        for (size_t i = 0; i < bytes.size() && Host.Master() >= 0; ++i)
            HandleHostByte(uint8_t(bytes[i]), hostBaud, readAt);
    }
}

void TPtySimulator::TServer::CollectFrame(TTime readAt, std::string& bytes) {
    // The adapter sends what the host wrote before the next 1 ms USB frame in that
    // frame: bytes the pseudo-terminal hands over in pieces travel together.
    WaitPrecisely(Line.FrameAfter(readAt));
    unsigned char buf[4096];
    ssize_t n;
    while (Host.Master() >= 0 && (n = read(Host.Master(), buf, sizeof buf)) > 1 && buf[0] == TIOCPKT_DATA)
        bytes.append(reinterpret_cast<const char*>(buf) + 1, size_t(n - 1));
}

void TPtySimulator::TServer::HandleHostByte(uint8_t byte, int hostBaud, TTime readAt) {
    if (Host.Master() < 0) return;
    const auto h = Sim.HostByte(
        byte, hostBaud, AfterReset,
        [&](int baud, bool passThrough) { return Schedule(readAt, baud, passThrough); },
        [this] { Host.Close(); });
    if (h.Dropped || !h.Ready) return;
    AfterReset = false;
    if (!h.PassBefore && h.PassAfter && Sim.Options.TargetEcho) ScheduleBanner();
    if (h.PassBefore && !h.PassAfter) BannerAt.reset();

    const TTime arrival = Line.LastArrival();
    if (!h.Out.ToHost.empty()) SendToHost(h.Out.ToHost, h.Baud, *h.Ready + h.Delay, arrival);
    if (!h.Out.ToTarget.empty()) ToTarget(h.Out.ToTarget, h.Baud, arrival);
}

std::optional<TTime> TPtySimulator::TServer::Schedule(TTime readAt, int baud, bool passThrough) {
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

void TPtySimulator::TServer::ToTarget(const std::string& bytes, int baud, TTime ready) {
    const std::string answer = Sim.ToTarget(bytes);
    if (Target.Master() >= 0 && !WriteAll(Target.Master(), bytes)) Sim.Log("target line full, bytes dropped");
    if (!answer.empty()) SendToHost(answer, baud, ready);
}

void TPtySimulator::TServer::ReadTarget() {
    char buf[4096];
    for (;;) {
        ssize_t n = read(Target.Master(), buf, sizeof buf);
        if (n <= 0) return;
        std::string bytes(buf, size_t(n));
        bool pass;
        const int baud = TargetBaud(pass);
        if (pass)
            SendToHost(bytes, baud, TClock::now());
        else
            Sim.Log("target sent " + HexBytes(bytes) + " outside pass-through, dropped");
    }
}

void TPtySimulator::TServer::SendToHost(const std::string& bytes, int baud, TTime ready,
                                        std::optional<TTime> answerTo) {
    if (Line.Paced()) {
        ready = Line.ToHost(ready, baud, bytes.size());
        WaitPrecisely(ready);
    } else if (ready > TClock::now())
        std::this_thread::sleep_until(ready);
    if (Host.Master() < 0) return;
    // Recorded before the write: a host that has read an answer must find it in
    // `Sent()` and `AnswerTimes()` too.
    Sim.Sent(bytes, answerTo, ready);
    const bool written = WriteAll(Host.Master(), bytes);
    if (Sim.Logging())
        Sim.Log("< " + HexBytes(bytes) + " " + Visible(bytes) + (written ? "" : " (not delivered)"));
}

bool TPtySimulator::TServer::WriteAll(int fd, const std::string& bytes) {
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
