// A simulated VESK programmer: the programmer's command interpreter with a target
// memory laid out from a chip definition, the faults it can be made to show, and the
// record of the traffic, for tests and demonstrations without hardware. It answers
// exactly as the programmer answers on its serial line: every byte echoed, replies
// fetched one character per 'n', program mode, the address pointer and word reads and
// writes, the baud-rate switch and pass-through to a target.
//
// A host reaches it over a line:
//  - `TSimulatedLine` (SimulatedLine.h): the driver's transport in the same process, on
//    simulated time - a test that talks through it never sleeps and never waits for a
//    thread, and a time-out costs no wall time;
//  - `TPtySimulator` (PtySimulator.h, POSIX): a pseudo-terminal served by a thread of
//    its own in real time, which any program opens as its serial port (`vesk-sim`).
// Both may reach one simulator at once; it is the same programmer.
//
// How a wake-up shows: a 0xFF in command mode always synchronises; when it arrives
// while the host's line runs at 19200 bit/s the programmer also goes back to 19200, as
// after a break. In pass-through a 0xFF ends pass-through when it follows a purge of
// the host's buffers, a new connection (the host closed and reopened its port) or a
// break - exactly what a wake-up does before its synchronisation byte. (A pseudo-
// terminal carries no break, so this is all the programmer can go by there.) With
// `StrictSpeed` a byte that the host sends at another speed than the programmer's is
// not answered, as on a real line where it would arrive garbled.
//
// Choices where the programmer's contract is silent:
//  - 'n' with nothing (more) to fetch answers 'N', its plain echo.
//  - The "p" that starts pass-through is not answered: the line is the target's from then on.
//  - "i", "m", "r", "l" and "w" act only in program mode; a write reaches only the memory
//    of its program mode (Code for "c", Data for "d", Fuses and Id for "f") and never the
//    device ID word. Other commands and malformed arguments are echoed and ignored.
//  - "g" releases the target and ends program mode; "x" holds the target.
//  - Command arguments are upper-case hexadecimal; lower-case hex digits are malformed.
//
// All public members are thread-safe.
#pragma once

#include "sim/LineModel.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vesk {
class TChipDefinition;
}

namespace vesk::sim {

// Faults to inject. Byte counts are 1-based and count the bytes received from the
// host since the last `SetFaults` (or since the start); 0 switches a count off.
struct TFaults {
    bool NeverAnswer = false;    // receive everything, answer nothing
    int64_t WrongEchoAt = 0;     // answer byte N with '#' instead of its echo
    bool SyncAnswerZero = false; // answer the synchronisation byte 0xFF with 0x00
    bool BadReadReply = false;   // reply "ZZZZ" to every "r"
    int64_t StopAfter = 0;       // answer bytes 1..N, then nothing more
    int AnswerDelayMs = 0;       // hold back every answer by this many milliseconds
    int64_t DropLineAfter = 0;   // answer bytes 1..N; byte N+1 finds the line closed (unplugged)
    int32_t TargetId = -1;       // ID word read at 0x2006 instead of the device ID; -1 = none
};

// One program-mode command as received.
struct TProgramMode {
    char Region = 0;   // 'e', 'c', 'd' or 'f'
    int Delay = 0;     // program delay (2 hex digits)
    int Algorithm = 0; // algorithm code (1 hex digit)
};

// When the answer to one host byte went out, on the clock of the line it came over (the
// steady clock on a pseudo-terminal, a simulated line's own): `Arrived` is when the
// byte had reached the programmer (with wire time, the end of its stop bit),
// `Delivered` when the answer was handed to the host's line (with wire time, the end
// of its last byte on the line; with a delay fault, after the delay).
struct TAnswerTime {
    std::chrono::steady_clock::time_point Arrived;
    std::chrono::steady_clock::time_point Delivered;
};

// The line's timing (wire time, a USB adapter, the programmer's receive buffer) comes
// from `TLineTiming`.
struct TOptions : TLineTiming {
    std::string Type = "VESK1";   // token answered to "t"
    std::string Version = "2.10"; // token answered to "v"
    bool StrictSpeed = false;     // ignore bytes the host sends at another speed
    bool TargetEcho = false;      // scripted target: banner line, echoes in upper case
    std::string TargetBanner = "VESK demo target ready";
    std::string LogFile; // traffic log, both ways; empty = none
    // Target memory behaves like the real chip where its definition file says so (word
    // widths, missing bits, read protection); off: every bit up to the width is stored.
    bool RealChip = false;
    // The target understands only its own family's programming: a PIC18 the PIC18
    // algorithm, a mid-range part the others. In a program mode entered with the other
    // family's algorithm it answers nothing, so reads give the all-ones word of that
    // algorithm (3FFF mid-range, FFFF PIC18) and writes and erases change nothing - the
    // ID word at 0x2006 included, as on silicon.
    bool OwnFamilyOnly = false;
    // Programming a Fuses word only clears bits, as the configuration word's flash cell
    // does on the silicon: only an erase sets them again.
    bool FusesClearOnly = false;
};

class TSimulator {
  public:
    // Target memory laid out from the chip's regions, every word at its region's
    // Default; the device ID is the chip's Id.
    explicit TSimulator(const vesk::TChipDefinition& chip, const TOptions& options = {});
    virtual ~TSimulator();
    TSimulator(const TSimulator&) = delete;
    TSimulator& operator=(const TSimulator&) = delete;

    // The DropLineAfter fault has unplugged the line: the host's port is gone, and a
    // line to this simulator cannot be opened again.
    bool LineDropped() const;

    // Target memory. Word widths: a write is masked to its region's width (the smallest
    // 2^k-1 that covers the region's Default, at least 0xFF); addresses outside every
    // region read 0 and ignore writes. 0x2006 reads the device ID.
    int32_t Word(int32_t address) const;
    void SetWord(int32_t address, int32_t value); // stored unmasked, for test set-up
    void EraseAll();                              // every word to its region's Default
    void SetDeviceId(int32_t id);
    int32_t DeviceId() const;
    // Text ("<address> <word>" lines, hex) or Intel HEX when the name ends in ".hex".
    void DumpMemory(const std::string& path) const;
    // Intel HEX image into target memory (words outside every region are skipped).
    void LoadImage(const std::string& hexPath);

    void SetFaults(const TFaults& faults); // restarts the fault byte count
    TFaults Faults() const;

    // Every byte the host sent, raw, in order; and every byte sent to the host.
    std::string Received() const;
    std::string Sent() const;
    // The schedule of the answers to host bytes, in order (banner and target bytes are
    // no answers); the first 65536 since the last ClearReceived.
    std::vector<TAnswerTime> AnswerTimes() const;
    void ClearReceived(); // clears these three

    // Programmer state.
    int BaudRate() const; // 19200 after a wake-up
    bool InPassThrough() const;
    int PassThroughFlags() const;         // 2 = lines 7,8; 1 = TTL
    bool TargetRunning() const;           // false while held by program mode, true after "g"
    char ProgramRegion() const;           // 'e', 'c', 'd', 'f', or 0 outside program mode
    int32_t Address() const;              // the address pointer
    std::string LastActivationId() const; // argument of the last "h"
    std::optional<TProgramMode> LastProgramMode(char region) const;
    std::vector<TProgramMode> ProgramModes() const; // every program-mode command, in order
    // Times the host reopened its port after closing it, and whether it has closed it and
    // not reopened it yet (with two lines, as the line that opened or closed last tells).
    int Connections() const;
    bool HostClosed() const;
    std::string TargetReceived() const; // bytes passed through to the target

    // Waits (up to timeoutMs) until the host has sent at least `count` bytes in total
    // since the last ClearReceived and the simulator has handled them.
    bool WaitReceived(size_t count, int timeoutMs) const;
    // The same, or until the line was dropped, which takes no more bytes: only then does
    // `LineDropped` tell for certain whether the bytes sent dropped it.
    bool WaitHandled(size_t count, int timeoutMs) const;
    bool WaitPassThrough(bool on, int timeoutMs) const;

    class TImpl;

  protected:
    // Shared with the lines that reach the simulator, which may outlive it.
    std::shared_ptr<TImpl> FImpl;

  private:
    friend class TSimulatedLine;
};

} // namespace vesk::sim
