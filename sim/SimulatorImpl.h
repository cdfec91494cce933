// The inside of `TSimulator`: the programmer's state shared by the public members
// (SimulatorAccess.cpp) and the lines that reach it - a simulated line in the caller's
// thread (SimulatedLine.cpp), a pseudo-terminal's serving thread (PtySimulator.cpp) -
// and what a host byte does to it (SimulatorHost.cpp). Everything here is under `M`.
#pragma once

#include "LineModel.h"
#include "ProgrammerEngine.h"
#include "ScriptedTarget.h"
#include "Simulator.h"
#include "TargetMemory.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vesk::sim {

class TSimulator::TImpl {
  public:
    using TClock = std::chrono::steady_clock;
    using TTime = TClock::time_point;

    TImpl(const vesk::TChipDefinition& chip, const TOptions& options);
    ~TImpl();

    std::unique_lock<std::mutex> Lock() const { return std::unique_lock(M); }
    // A line of the traffic log, with the seconds since the start (nothing without a log).
    void Log(const std::string& line);
    bool Logging() const { return LogFile != nullptr; }

    // What one byte from the host did.
    struct THostByte {
        bool Dropped = false;           // the line was unplugged: the byte went nowhere
        std::optional<TTime> Ready;     // when the programmer may answer; none: lost to an overrun
        TProgrammerEngine::TResult Out; // the answer and the bytes for the target
        int Baud = 0;                   // the speed the answer goes out at
        bool PassBefore = false, PassAfter = false;
        std::chrono::milliseconds Delay{0}; // a delay fault's hold-back of the answer
    };
    // When a line schedules a byte: given the speed the byte travels at and whether it
    // passes through to the target, when the programmer may answer it (none: lost).
    using TSchedule = std::function<std::optional<TTime>(int baud, bool passThrough)>;
    // One byte from the host's line at `hostBaud` bit/s (0: unknown); `afterReset`: it
    // follows a purge, a break or a new connection. `unplug` runs (under the lock) when
    // the DropLineAfter fault unplugs the line with this byte.
    THostByte HostByte(uint8_t byte, int hostBaud, bool afterReset, const TSchedule& schedule,
                       const std::function<void()>& unplug);
    // Bytes the programmer passes through to the target: recorded, and the scripted
    // target's answer (when it is on) returned.
    std::string ToTarget(const std::string& bytes);
    // Bytes handed to the host: recorded, with the schedule of an answer (`answerTo`:
    // when the host byte it answers arrived; none for the banner and target bytes).
    void Sent(const std::string& bytes, std::optional<TTime> answerTo, TTime delivered);
    // The host opened its port, or closed it.
    void HostOpened();
    void HostClosedPort();

    mutable std::mutex M;
    mutable std::condition_variable Cv;
    TOptions Options;
    TTargetMemory Memory;
    TProgrammerEngine Engine;
    TScriptedTarget Scripted;
    std::string ReceivedBytes, SentBytes, TargetBytes;
    std::vector<TAnswerTime> Answers;
    int ConnectionCount = 0;
    bool Closed = false; // the host's port as last seen: closed after a hang-up
    bool Dropped = false;

  private:
    std::mutex LogMutex;
    std::FILE* LogFile = nullptr;
    TTime Epoch;
};

// "3F 0A" and "?." forms of bytes, for the traffic log.
std::string HexBytes(const std::string& bytes);
std::string Visible(const std::string& bytes);

} // namespace vesk::sim
