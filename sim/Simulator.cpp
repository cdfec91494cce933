// The simulator's serving thread: reads what the host sends on the pseudo-terminal,
// feeds the protocol engine, paces and writes its answers, and connects the target's
// line in pass-through.
#include "Simulator.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <thread>
#include <unistd.h>

#include "ProgrammerEngine.h"
#include "PseudoTerminal.h"
#include "ScriptedTarget.h"
#include "TargetMemory.h"
#include "VESK_Exception.h"

namespace vesk::sim {

namespace {

using TClock = std::chrono::steady_clock;
using TTime = TClock::time_point;

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

// Ten bit times (start, 8 data, stop) at the rate.
TClock::duration ByteTime(int baud) {
    if (baud <= 0) return TClock::duration::zero();
    return std::chrono::duration_cast<TClock::duration>(std::chrono::nanoseconds(10'000'000'000LL / baud));
}

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
    char buf[8];
    for (unsigned char c : bytes) {
        std::snprintf(buf, sizeof buf, out.empty() ? "%02X" : " %02X", c);
        out += buf;
    }
    return out;
}

std::string Visible(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes)
        out += (c >= 0x20 && c < 0x7F) ? char(c) : '.';
    return out;
}

} // namespace

class TSimulator::TImpl {
  public:
    TImpl(const vesk::TChipDefinition& chip, const TOptions& options)
        : Options(options), Memory(chip, options.RealChip), Engine(Memory, options),
          Scripted(options.TargetBanner), Host(true), Target(false), Epoch(TClock::now()) {
        StopFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (StopFd < 0) throw Exception("Simulator: eventfd failed");
        if (!options.LogFile.empty()) {
            LogFile = std::fopen(options.LogFile.c_str(), "w");
            if (!LogFile) throw Exception("Simulator: cannot write log file " + options.LogFile);
        }
        if (LogFile) Engine.Log = [this](const std::string& text) { Log("  # " + text); };
    }

    std::unique_lock<std::mutex> Lock() const { return std::unique_lock(M); }

    ~TImpl() {
        Stop();
        ::close(StopFd);
        if (LogFile) std::fclose(LogFile);
    }

    void Start() {
        std::lock_guard lock(M);
        if (Thread.joinable()) return;
        uint64_t value;
        while (read(StopFd, &value, sizeof value) > 0) {
        }
        Thread = std::thread([this] { Serve(); });
    }

    void Stop() {
        {
            std::lock_guard lock(M);
            if (!Thread.joinable()) return;
        }
        uint64_t one = 1;
        (void)!write(StopFd, &one, sizeof one);
        Thread.join();
        Thread = std::thread();
    }

    void Log(const std::string& line) {
        std::lock_guard lock(LogMutex);
        if (!LogFile) return;
        double t = std::chrono::duration<double>(TClock::now() - Epoch).count();
        std::fprintf(LogFile, "%10.6f %s\n", t, line.c_str());
        std::fflush(LogFile);
    }

    // Shared with the public members, under M.
    mutable std::mutex M;
    mutable std::condition_variable Cv;
    TOptions Options;
    TTargetMemory Memory;
    TProgrammerEngine Engine;
    TScriptedTarget Scripted;
    TPseudoTerminal Host;
    TPseudoTerminal Target;
    std::string ReceivedBytes, SentBytes, TargetBytes;
    std::vector<TAnswerTime> Answers;
    int ConnectionCount = 0;
    bool Closed = false; // the host's port as last seen: closed after a hang-up
    bool Dropped = false;

  private:
    void Serve();
    void ReadHost();
    void ReadTarget();
    void HandleHostByte(uint8_t byte, int hostBaud);
    // `answerTo`: when the host byte that these bytes answer arrived (none for the
    // banner and the target's bytes).
    void SendToHost(const std::string& bytes, int baud, TTime ready, std::optional<TTime> answerTo = {});
    void ToTarget(const std::string& bytes, int baud, TTime ready);
    bool WriteAll(int fd, const std::string& bytes);
    void ScheduleBanner() { BannerAt = TClock::now() + BannerDelay; }

    std::thread Thread;
    int StopFd = -1;
    std::mutex LogMutex;
    std::FILE* LogFile = nullptr;
    TTime Epoch;

    // Serving thread only.
    bool HostHungUp = false;
    bool TargetHungUp = false;
    TTime HostRetryAt{}, TargetRetryAt{};
    bool AfterReset = false; // the next host byte follows a purge or a reconnection
    std::optional<TTime> BannerAt;
    TTime RxFree{}, TxFree{}; // when each direction of the line is next free (wire time)
};

void TSimulator::TImpl::Serve() {
    // Timer slack of 1 ns: wake-ups as exact as the kernel can make them.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    Log("serving " + Host.SlavePath() + ", target " + Target.SlavePath());
    for (;;) {
        const TTime now = TClock::now();
        pollfd fds[3] = {{StopFd, POLLIN, 0}, {-1, POLLIN, 0}, {-1, POLLIN, 0}};
        const bool pollHost = Host.Master() >= 0 && (!HostHungUp || now >= HostRetryAt);
        const bool pollTarget = Target.Master() >= 0 && (!TargetHungUp || now >= TargetRetryAt);
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
        if (poll(fds, 3, timeout) < 0 && errno != EINTR) break;
        if (fds[0].revents) break;
        if (pollHost) {
            if (fds[1].revents & POLLIN) ReadHost();
            if (Host.Master() >= 0) {
                if (fds[1].revents & POLLHUP) {
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
                    Log("host opened the port");
                    std::lock_guard lock(M);
                    ++ConnectionCount;
                    Closed = false;
                    if (Engine.InPassThrough() && Options.TargetEcho) ScheduleBanner();
                    Cv.notify_all();
                }
            }
        }
        if (pollTarget) {
            if (fds[2].revents & POLLIN) ReadTarget();
            if (fds[2].revents & POLLHUP) {
                TargetHungUp = true;
                TargetRetryAt = TClock::now() + HangupRetry;
            } else {
                TargetHungUp = false;
            }
        }
        if (BannerAt && TClock::now() >= *BannerAt) {
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
    }
    Log("stopped");
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
                std::lock_guard lock(M);
                if (Engine.InPassThrough() && Options.TargetEcho) ScheduleBanner();
            }
            continue;
        }
        const int hostBaud = Host.SlaveBaudRate();
        for (ssize_t i = 1; i < n && Host.Master() >= 0; ++i)
            HandleHostByte(buf[i], hostBaud);
    }
}

void TSimulator::TImpl::HandleHostByte(uint8_t byte, int hostBaud) {
    if (Host.Master() < 0) return;
    const TTime now = TClock::now();
    TProgrammerEngine::TResult result;
    int rateBefore;
    bool passBefore, passAfter;
    TFaults faults;
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
        rateBefore = Engine.BaudRate();
        passBefore = Engine.InPassThrough();
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

    // In pass-through the line runs at whatever speed host and target agreed on.
    const int baud = passBefore && hostBaud > 0 ? hostBaud : rateBefore;
    TTime arrival = now;
    if (Options.WireTime) {
        // A host that writes as soon as it has the last answer started this byte when
        // that answer was delivered; the time the pseudo-terminal took on top is no part
        // of a line's timing.
        TTime written = now;
        if (now >= TxFree && now - TxFree < PtyLatencyAllowance) written = TxFree;
        arrival = std::max(written, RxFree) + ByteTime(baud);
        RxFree = arrival;
    }
    if (!result.ToHost.empty())
        SendToHost(result.ToHost, baud, arrival + std::chrono::milliseconds(faults.AnswerDelayMs), arrival);
    if (!result.ToTarget.empty()) ToTarget(result.ToTarget, baud, arrival);
    std::lock_guard lock(M);
    Cv.notify_all();
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
    if (Options.WireTime) {
        TTime start = std::max(ready, TxFree);
        TTime done = start + ByteTime(baud) * int(bytes.size());
        TxFree = done;
        ready = done;
    }
    if (Options.WireTime)
        WaitPrecisely(ready);
    else if (ready > TClock::now())
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

// ---- public members ----

TSimulator::TSimulator(const vesk::TChipDefinition& chip, const TOptions& options)
    : FImpl(std::make_unique<TImpl>(chip, options)) {}

TSimulator::~TSimulator() = default;

std::string TSimulator::SlavePath() const {
    return FImpl->Host.SlavePath();
}
std::string TSimulator::TargetSlavePath() const {
    return FImpl->Target.SlavePath();
}
void TSimulator::Start() {
    FImpl->Start();
}
void TSimulator::Stop() {
    FImpl->Stop();
}

bool TSimulator::LineDropped() const {
    auto lock = FImpl->Lock();
    return FImpl->Dropped;
}
int32_t TSimulator::Word(int32_t address) const {
    auto lock = FImpl->Lock();
    return FImpl->Memory.Word(address);
}
void TSimulator::SetWord(int32_t address, int32_t value) {
    auto lock = FImpl->Lock();
    FImpl->Memory.SetWord(address, value);
}
void TSimulator::EraseAll() {
    auto lock = FImpl->Lock();
    FImpl->Memory.EraseAll();
}
void TSimulator::SetDeviceId(int32_t id) {
    auto lock = FImpl->Lock();
    FImpl->Memory.SetDeviceId(id);
}
int32_t TSimulator::DeviceId() const {
    auto lock = FImpl->Lock();
    return FImpl->Memory.DeviceId();
}
void TSimulator::SetFaults(const TFaults& faults) {
    auto lock = FImpl->Lock();
    FImpl->Engine.SetFaults(faults);
}
TFaults TSimulator::Faults() const {
    auto lock = FImpl->Lock();
    return FImpl->Engine.Faults();
}
std::string TSimulator::Received() const {
    auto lock = FImpl->Lock();
    return FImpl->ReceivedBytes;
}
std::string TSimulator::Sent() const {
    auto lock = FImpl->Lock();
    return FImpl->SentBytes;
}
int TSimulator::BaudRate() const {
    auto lock = FImpl->Lock();
    return FImpl->Engine.BaudRate();
}
bool TSimulator::InPassThrough() const {
    auto lock = FImpl->Lock();
    return FImpl->Engine.InPassThrough();
}
int TSimulator::PassThroughFlags() const {
    auto lock = FImpl->Lock();
    return FImpl->Engine.PassThroughFlags();
}
bool TSimulator::TargetRunning() const {
    auto lock = FImpl->Lock();
    return FImpl->Engine.TargetRunning();
}
char TSimulator::ProgramRegion() const {
    auto lock = FImpl->Lock();
    return FImpl->Engine.ProgramRegion();
}
int32_t TSimulator::Address() const {
    auto lock = FImpl->Lock();
    return FImpl->Engine.Address();
}
std::string TSimulator::LastActivationId() const {
    auto lock = FImpl->Lock();
    return FImpl->Engine.LastActivationId();
}
std::vector<TProgramMode> TSimulator::ProgramModes() const {
    auto lock = FImpl->Lock();
    return FImpl->Engine.ProgramModes();
}
int TSimulator::Connections() const {
    auto lock = FImpl->Lock();
    return FImpl->ConnectionCount;
}
bool TSimulator::HostClosed() const {
    auto lock = FImpl->Lock();
    return FImpl->Closed;
}
std::vector<TAnswerTime> TSimulator::AnswerTimes() const {
    auto lock = FImpl->Lock();
    return FImpl->Answers;
}
std::string TSimulator::TargetReceived() const {
    auto lock = FImpl->Lock();
    return FImpl->TargetBytes;
}

std::optional<TProgramMode> TSimulator::LastProgramMode(char region) const {
    auto lock = FImpl->Lock();
    return FImpl->Engine.LastProgramMode(region);
}

void TSimulator::ClearReceived() {
    auto lock = FImpl->Lock();
    FImpl->ReceivedBytes.clear();
    FImpl->SentBytes.clear();
    FImpl->TargetBytes.clear();
    FImpl->Answers.clear();
}

void TSimulator::DumpMemory(const std::string& path) const {
    std::string text;
    {
        auto lock = FImpl->Lock();
        const bool hex = path.size() >= 4 && (path.compare(path.size() - 4, 4, ".hex") == 0 ||
                                              path.compare(path.size() - 4, 4, ".HEX") == 0);
        text = hex ? FImpl->Memory.DumpIntelHex() : FImpl->Memory.DumpText();
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.flush();
    if (!out) throw Exception("Cannot write memory dump " + path);
}

void TSimulator::LoadImage(const std::string& hexPath) {
    auto lock = FImpl->Lock();
    int skipped = FImpl->Memory.LoadIntelHexFile(hexPath);
    if (skipped)
        FImpl->Log("  # image " + hexPath + ": " + std::to_string(skipped) +
                   " words outside the target's memory");
}

bool TSimulator::WaitReceived(size_t count, int timeoutMs) const {
    std::unique_lock lock(FImpl->M);
    return FImpl->Cv.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return FImpl->ReceivedBytes.size() >= count; });
}

bool TSimulator::WaitPassThrough(bool on, int timeoutMs) const {
    std::unique_lock lock(FImpl->M);
    return FImpl->Cv.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return FImpl->Engine.InPassThrough() == on; });
}

} // namespace vesk::sim
