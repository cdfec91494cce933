// What a byte from the host does to the simulated programmer, whichever line brought
// it, and the record of the traffic both ways.
#include "SimulatorImpl.h"

#include "VESK_Exception.h"
#include "common/Text.h"

namespace vesk::sim {

namespace {

// The schedule keeps the first answers after a ClearReceived only: a simulator that
// serves for hours must not grow without bound.
constexpr size_t MaxAnswerTimes = 65536;

} // namespace

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

TSimulator::TImpl::TImpl(const vesk::TChipDefinition& chip, const TOptions& options)
    : Options(options), Memory(chip, options.RealChip, options.FusesClearOnly), Engine(Memory, options),
      Scripted(options.TargetBanner), Epoch(TClock::now()) {
    if (!options.LogFile.empty()) {
        LogFile = std::fopen(options.LogFile.c_str(), "w");
        if (!LogFile) throw Exception("Simulator: cannot write log file " + options.LogFile);
    }
    if (LogFile) Engine.Log = [this](const std::string& text) { Log("  # " + text); };
}

TSimulator::TImpl::~TImpl() {
    if (LogFile) std::fclose(LogFile);
}

void TSimulator::TImpl::Log(const std::string& line) {
    std::lock_guard lock(LogMutex);
    if (!LogFile) return;
    const double t = std::chrono::duration<double>(TClock::now() - Epoch).count();
    std::fprintf(LogFile, "%10.6f %s\n", t, line.c_str());
    std::fflush(LogFile);
}

TSimulator::TImpl::THostByte TSimulator::TImpl::HostByte(uint8_t byte, int hostBaud, bool afterReset,
                                                         const TSchedule& schedule,
                                                         const std::function<void()>& unplug) {
    THostByte h;
    {
        std::lock_guard lock(M);
        ReceivedBytes += char(byte);
        const TFaults& f = Engine.Faults();
        if (f.DropLineAfter > 0 && Engine.FaultByteCount() >= f.DropLineAfter) {
            // The adapter is unplugged: this byte goes nowhere and the port vanishes.
            unplug();
            Dropped = true;
            h.Dropped = true;
            Cv.notify_all();
        } else {
            h.PassBefore = Engine.InPassThrough();
            // In pass-through the line runs at whatever speed host and target agreed on.
            h.Baud = h.PassBefore && hostBaud > 0 ? hostBaud : Engine.BaudRate();
            h.Ready = schedule(h.Baud, h.PassBefore);
            if (h.Ready) {
                h.Out = Engine.Receive(byte, hostBaud, afterReset);
                h.PassAfter = Engine.InPassThrough();
                h.Delay = std::chrono::milliseconds(Engine.Faults().AnswerDelayMs);
            }
            Cv.notify_all();
        }
    }
    if (h.Dropped)
        Log("line dropped");
    else if (!h.Ready)
        Log("receive buffer overrun: byte lost");
    else if (LogFile)
        Log("> " + HexBytes(std::string(1, char(byte))) + " " + Visible(std::string(1, char(byte))) +
            (h.PassBefore ? " (to target)" : ""));
    return h;
}

std::string TSimulator::TImpl::ToTarget(const std::string& bytes) {
    std::lock_guard lock(M);
    TargetBytes += bytes;
    std::string answer;
    if (Options.TargetEcho)
        for (unsigned char c : bytes)
            answer += Scripted.Receive(c);
    return answer;
}

void TSimulator::TImpl::Sent(const std::string& bytes, std::optional<TTime> answerTo, TTime delivered) {
    std::lock_guard lock(M);
    SentBytes += bytes;
    if (answerTo && Answers.size() < MaxAnswerTimes) Answers.push_back({*answerTo, delivered});
    Cv.notify_all();
}

void TSimulator::TImpl::HostOpened() {
    Log("host opened the port");
    std::lock_guard lock(M);
    ++ConnectionCount;
    Closed = false;
    Cv.notify_all();
}

void TSimulator::TImpl::HostClosedPort() {
    Log("host closed the port");
    std::lock_guard lock(M);
    Closed = true;
    Cv.notify_all();
}

} // namespace vesk::sim
