// The VESK programmer driver `TDeviceVESK1`.
//
// Layers, from the wire up:
//  * the byte transport (serial/port/Transport.h): the serial port, or a simulated
//    programmer in the same process; the driver owns it and knows it only by its
//    interface;
//  * the VBUS command link `TVbusLink` (VbusLink.h): every byte is written and its
//    echo awaited and compared; failures become chained `VESK_Exception` messages;
//  * program mode, addressing and word access `TDeviceVESK1Words`
//    (DeviceVESK1Words.h), with the address cursor `TDeviceVESK1Address`;
//  * the connection and target control (DeviceVESK1Connection.cpp);
//  * the region operations: load, erase, write, read, verify (DeviceVESK1Regions.cpp).
// The driver's own face is the connection and region operations below; the layers
// beneath are its private parts.
//
// Everything runs on the caller's thread and blocks until the programmer answers.
// The driver never knows about a window: the owner hooks in through `OnProgress`,
// `OnProcessMessages` and `OnTrace`. Only `Abort` may be called from elsewhere
// (another thread or a signal-safe context): it only sets a flag.
#pragma once

#include "VESK_Exception.h"
#include "chipdef/ChipSession.h"
#include "driver/DeviceVESK1Words.h"
#include "driver/VbusLink.h"
#include "serial/port/Transport.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vesk {

class TChipCatalogue;
class TChipDefinition;
class TChipRegion;
class TIntelHexFile;
struct TCalibration_t;

// Programmer speeds in bit/s, indexed 0 to 4 (the main window's `VeskBaudRate`).
inline constexpr std::array<int32_t, 5> ProgrammerBaudRates = {9600, 19200, 38400, 57600, 115200};

// Progress: a negative value -n announces n steps; each following value of zero or
// more (the address being processed) is one step.
using TProgressEvent = std::function<void(int)>;

// A calibration word of the target: its region, the form a valid one has, and the
// word as read (before an erase: the one the erase is to write back, which is the word
// held from a failed erase where the chip reads blank).
struct TCalibrationRead_t {
    const TChipRegion& Region;
    const TCalibration_t& Calibration;
    int32_t Word;
};

class TDeviceVESK1 {
  public:
    // On the serial port (`TComPortTransport`).
    TDeviceVESK1();
    // On `transport`, which the driver owns from then on.
    explicit TDeviceVESK1(std::unique_ptr<TTransport> transport);
    ~TDeviceVESK1();
    TDeviceVESK1(const TDeviceVESK1&) = delete;
    TDeviceVESK1& operator=(const TDeviceVESK1&) = delete;

    // --- Published properties ------------------------------------------------------
    const std::string& ComPort() const { return FComPort; } // default "COM1"
    void SetComPort(const std::string& value) { FComPort = value; }
    int32_t ComBaudRate() const { return FComBaudRate; } // default 19200
    void SetComBaudRate(int32_t value) { FComBaudRate = value; }
    int32_t ComReadTimeout() const { return FLink.ReadTimeoutMs(); } // ms, default 500
    void SetComReadTimeout(int32_t value) { FLink.SetReadTimeoutMs(value); }
    int32_t ProgramDelay() const { return FWords.ProgramDelay(); } // default 35
    void SetProgramDelay(int32_t value) { FWords.SetProgramDelay(value); }
    const std::string& DeviceID() const { return FDeviceID; } // default "0000"
    void SetDeviceID(const std::string& value) { FDeviceID = value; }
    bool FixDataWriteError() const { return FFixDataWriteError; } // kept, not consulted
    void SetFixDataWriteError(bool value) { FFixDataWriteError = value; }
    bool FixFusesWriteError() const { return FFixFusesWriteError; } // kept, not consulted
    void SetFixFusesWriteError(bool value) { FFixFusesWriteError = value; }
    // Experimental, off by default, never used by the window: the argument characters
    // of a command go out back to back, and so do the fetches of a read's reply; every
    // echo is still checked, and the command letter goes out only after every earlier
    // echo came back right. Same bytes on the wire; it needs firmware that takes a
    // command's characters back to back.
    bool Pipelined() const { return FLink.Pipelined(); }
    void SetPipelined(bool value) { FLink.SetPipelined(value); }

    // --- Hooks -----------------------------------------------------------------------
    // Progress of the region operations, called only when assigned.
    TProgressEvent OnProgress;
    // Pending window messages are processed here while `SetBaudRate` lets the new
    // speed settle (ten calls, 1 ms apart); a Stop button reaches `Abort` this way.
    std::function<void()> OnProcessMessages;
    // Every byte exchanged: the byte sent and the byte that answered it, or -1 when
    // nothing answered in time or the byte is sent without waiting for an answer.
    TTraceEvent OnTrace;
    // Every valid calibration word read from the target: before an erase, and by a
    // read of its region. The owner keeps them (the memory of calibration values).
    std::function<void(const TCalibrationRead_t&)> OnCalibrationRead;
    // Before an erase, for each calibration word of the target once it is read, valid
    // or not: the word to write back after the erase in its place (the user's own), or
    // nothing to keep the word read. A word given must be a valid calibration. A word
    // read that is none, with nothing given, stops the erase before anything is erased
    // (`failed::CalibrationNotValid`); the hook may raise its own message instead.
    std::function<std::optional<int32_t>(const TCalibrationRead_t&)> OnCalibrationRestore;

    // --- Target ----------------------------------------------------------------------
    // The selected chip (of the owner's catalogue), or null.
    const TChipDefinition* Target() const { return FWords.Target(); }
    // Selects a chip or none; its algorithm is in force from then on. Never raises.
    // The chip's session (its image buffer) is the one it had when this driver last
    // selected it: choosing another chip and back keeps the words; a chip never
    // selected has none.
    void SetTarget(const TChipDefinition* chip);
    // The selected chip's session; null when no chip is selected.
    TChipSession* Session() { return FSession; }
    const TChipSession* Session() const { return FSession; }
    // Selects no chip and drops every session, before the chips they use go away.
    void ForgetSessions();
    // The chips `DetectTarget` matches the target's ID against; the owner keeps the
    // catalogue alive as long as the driver has it. None: every ID is unknown.
    void SetCatalogue(const TChipCatalogue* catalogue) { FCatalogue = catalogue; }

    // --- Connection and target control ------------------------------------------------
    void Open();                    // "VESK device open failed"
    void Close();                   // "VESK device close failed"
    void Wakeup();                  // "VESK wakeup failed"
    void Activate();                // "VESK activation failed"
    void SetBaudRate(int8_t index); // "VESK Baudrate setting failed: <rate>"
    std::string GetType();          // "VESK Get type failed"; empty when no token
    std::string GetVersion();       // "VESK Get version failed"
    void RunTarget();               // "Target run failed"
    void StopTarget();              // "Target stop failed"
    // lines: 1 = lines 7,8, else 3,4; polarity: 1 = TTL, else RS232.
    void EnterPassThrough(uint8_t lines, uint8_t polarity); // "Passthrough enter failed"
    std::string GetTargetID();                              // "VESK Get target ID failed"; >= 4 hex digits
    // The catalogue's first chip whose ID matches the ID word read as `GetTargetID` reads
    // it; when none does and that read was not the PIC18's, the word read once more with
    // the PIC18 algorithm (`ReadTargetIdAsPIC18`) names the first PIC18 that matches it.
    // Raises "Unknown target: Id = 0x<first word>" when neither does.
    // "VESK target detect failed"; null when unreadable.
    const TChipDefinition* FindTarget(const TChipCatalogue& catalogue);
    void DetectTarget(); // "Target detect failed"; matches against the catalogue set
    // Requests the running region loop to stop after its current word. The request
    // is withdrawn by the next `Open`.
    void Abort() { FAbort = true; }
    bool AbortRequested() const { return FAbort; }

    // --- Region operations -------------------------------------------------------------
    bool LoadBuffer(const TIntelHexFile& image); // "Target buffer load failed"
    void EraseChip();                            // "Erase chip failed"
    void WriteRegions(int16_t regions);          // "Target write failed"
    void ReadRegions(int16_t regions);           // "Target read failed"
    // One write or verify of a write operation, in the order `WriteSteps` gives.
    struct WriteStep_t {
        bool Verify = false;
        int16_t Regions = 0;
    };
    // The writes and verifies after the erase of a write: `WriteRegions (regions)`,
    // then `VerifyRegions (regions)` when `verify` is on. When all regions are written
    // and verified and the target's buffer turns read protection on, the protected
    // memory reads 0 once the Fuses are written, so Code and Data are verified first:
    // write Code, write Data, verify Code, verify Data, write Fuses, verify Fuses.
    std::vector<WriteStep_t> WriteSteps(int16_t regions, bool verify) const;
    // `WriteSteps` run in order.
    void WriteAndVerifyRegions(int16_t regions, bool verify);
    void VerifyRegions(int16_t regions); // no wrapper of its own
    // Preserved words of the chip named `chip` that an erase took from the target and
    // that were not written back because the erase failed: address -> the word to put
    // back. The next erase of that chip writes them back (while the target still reads
    // blank there).
    std::map<int32_t, int32_t> PendingPreserved(const std::string& chip) const;

    // --- State, for the owner's display and for tests -----------------------------------
    int Region() const { return FWords.Region(); }           // program mode in force, -1 none
    int32_t Algorithm() const { return FWords.Algorithm(); } // Target's algorithm, 0 when none
    const TDeviceVESK1Address& Cursor() const { return FWords.Cursor(); }
    // The line to the programmer.
    TTransport& Transport() { return *FTransport; }
    const TTransport& Transport() const { return *FTransport; }

  private:
    void WriteRegion(const TChipRegion& region);
    void ReadRegion(const TChipRegion& region);
    void VerifyRegion(const TChipRegion& region);
    void SavePreserved();
    // After `SavePreserved`, before the erase: every calibration word saved is a valid
    // one, or is replaced by `OnCalibrationRestore`; raises otherwise.
    void CheckCalibration();
    void RestorePreserved();
    // The abort test after every word of a region loop.
    void CheckAbort();
    // `OnCalibrationRead` when the word read at the address is a valid calibration.
    void ReportCalibration(const TChipRegion& region, int32_t address, int32_t word);
    // The three regions Code, Data, Fuses of the target, looked up by code.
    std::array<const TChipRegion*, 3> StandardRegions() const;
    void RequireTarget() const;
    // The ID word as a chosen PIC18 reads it (program mode with the PIC18 algorithm,
    // the jump to 0x2006), whatever is chosen; -1 when unreadable. The selection and its
    // algorithm stay; the position is forgotten.
    int32_t ReadTargetIdAsPIC18();
    // "Preserved words not restored: [0x<address>] = 0x<word>, ..." for the selected
    // target's pending words in write-back order; empty when none is pending.
    std::string PendingPreservedText() const;

    std::unique_ptr<TTransport> FTransport;
    TVbusLink FLink{*FTransport, &OnTrace};
    TDeviceVESK1Words FWords{FLink};
    std::string FComPort = "COM1";
    int32_t FComBaudRate = 19200;
    std::string FDeviceID = "0000";
    bool FFixDataWriteError = true;
    bool FFixFusesWriteError = true;

    const TChipCatalogue* FCatalogue = nullptr;
    // The session of every chip selected so far, by name; `FSession` is the selected
    // chip's, or null.
    std::map<std::string, TChipSession> FSessions;
    TChipSession* FSession = nullptr;
    std::atomic<bool> FAbort = false;
    // Preserved words taken by an erase and not yet written back, keyed by chip name
    // and address, whatever chip is selected now: a name stays valid whatever becomes
    // of the chip's definition.
    std::map<std::pair<std::string, int32_t>, int32_t> FPendingPreserved;
};

} // namespace vesk
