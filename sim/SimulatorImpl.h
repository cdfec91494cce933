// The inside of `TSimulator`: the state shared between the serving thread
// (Simulator.cpp) and the public members (SimulatorAccess.cpp).
#pragma once

#include "LineModel.h"
#include "ProgrammerEngine.h"
#include "PseudoTerminal.h"
#include "ScriptedTarget.h"
#include "Simulator.h"
#include "TargetMemory.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace vesk::sim {

class TSimulator::TImpl {
  public:
    using TClock = std::chrono::steady_clock;
    using TTime = TClock::time_point;

    TImpl(const vesk::TChipDefinition& chip, const TOptions& options);
    ~TImpl();

    std::unique_lock<std::mutex> Lock() const { return std::unique_lock(M); }
    void Start();
    void Stop();
    void Log(const std::string& line);

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
    // lost to an overrun of its receive buffer. Under M.
    std::optional<TTime> Schedule(TTime readAt, int baud, bool passThrough);
    // `answerTo`: when the host byte that these bytes answer arrived (none for the
    // banner and the target's bytes).
    void SendToHost(const std::string& bytes, int baud, TTime ready, std::optional<TTime> answerTo = {});
    void ToTarget(const std::string& bytes, int baud, TTime ready);
    bool WriteAll(int fd, const std::string& bytes);
    void ScheduleBanner();

    std::thread Thread;
    int StopFd = -1;
    std::mutex LogMutex;
    std::FILE* LogFile = nullptr;
    TTime Epoch;
    TLineModel Line; // serving thread only

    // Serving thread only.
    bool HostHungUp = false;
    bool TargetHungUp = false;
    TTime HostRetryAt{}, TargetRetryAt{};
    bool AfterReset = false; // the next host byte follows a purge or a reconnection
    std::optional<TTime> BannerAt;
};

} // namespace vesk::sim
