// The programmer's command interpreter: consumes the bytes the host sends and produces
// the bytes the programmer answers, with no serial line involved. The simulator puts
// it on a pseudo-terminal; tests drive it directly.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Simulator.h"
#include "TargetMemory.h"

namespace vesk::sim {

// The baud rates the "p" command selects with the values i * 16 + 4, i = 0..4.
inline constexpr int SimulatorBaudRates[5] = {9600, 19200, 38400, 57600, 115200};
// The rate the programmer listens at after a wake-up.
inline constexpr int WakeupBaudRate = 19200;

class TProgrammerEngine {
  public:
    // What one received byte causes.
    struct TResult {
        std::string ToHost;   // the answer (empty when nothing is answered)
        std::string ToTarget; // bytes passed through to the target
    };

    TProgrammerEngine(TTargetMemory& memory, const TOptions& options);

    // One byte from the host. `hostBaud` is the host's line speed, 0 when unknown.
    // `afterReset` tells that the byte follows a purge of the host's buffers or opens a
    // new connection, which is how a wake-up shows on a pseudo-terminal.
    TResult Receive(uint8_t byte, int hostBaud = 0, bool afterReset = false);
    std::string Receive(const std::string& bytes); // test helper: the answers joined

    void SetFaults(const TFaults& faults);
    const TFaults& Faults() const { return FFaults; }
    int64_t FaultByteCount() const { return FFaultCount; }

    int BaudRate() const { return FBaudRate; }
    bool InPassThrough() const { return FPassThrough; }
    int PassThroughFlags() const { return FPassThroughFlags; }
    bool TargetRunning() const { return FTargetRunning; }
    char ProgramRegion() const { return FProgramRegion; }
    int32_t Address() const { return FAddress; }
    bool Activated() const { return FActivated; }
    const std::string& LastActivationId() const { return FActivationId; }
    std::optional<TProgramMode> LastProgramMode(char region) const;
    const std::vector<TProgramMode>& ProgramModes() const { return FProgramModes; }

    // Notes on what the programmer did or refused, for the traffic log.
    std::function<void(const std::string&)> Log;

  private:
    using THandler = void (TProgrammerEngine::*)(TResult&);
    static const std::map<char, THandler>& Commands();

    TResult Interpret(uint8_t byte, int hostBaud, bool afterReset);
    void Note(const std::string& text);
    bool NeedProgramMode(char letter);
    void Malformed(char letter);

    void CmdActivate(TResult&);
    void CmdRun(TResult&);
    void CmdType(TResult&);
    void CmdVersion(TResult&);
    void CmdPort(TResult&);
    void CmdProgramMode(TResult&);
    void CmdIncrement(TResult&);
    void CmdMove(TResult&);
    void CmdRead(TResult&);
    void CmdWrite(TResult&);

    TTargetMemory& FMemory;
    TOptions FOptions;
    TFaults FFaults;
    int64_t FFaultCount = 0;

    std::string FArgument; // characters received since the last command letter
    std::string FReply;    // reply of the last command, fetched by 'n'
    size_t FReplyPos = 0;
    int FBaudRate = WakeupBaudRate;
    int FPendingBaudRate = 0; // switched to after the echo has gone out
    bool FPassThrough = false;
    int FPassThroughFlags = 0;
    bool FTargetRunning = true;
    char FProgramRegion = 0;
    int32_t FAddress = 0;
    // The program mode in force was entered with the other family's algorithm (only
    // with `OwnFamilyOnly`), and whether that algorithm was the PIC18's.
    bool FForeignFamily = false;
    bool FForeignPic18 = false;
    bool FActivated = false;
    std::string FActivationId;
    std::vector<TProgramMode> FProgramModes;
};

} // namespace vesk::sim
