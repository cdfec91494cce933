// The programming operations, each written once as its sequence of driver calls:
//
//   Detect device    Open, Wakeup, GetType, GetVersion (when a type came), Close
//   Detect target    Open, Wakeup, DetectTarget, RunTarget, Close
//   Write            Open, Wakeup, Activate, SetBaudRate, DetectTarget (when no chip is
//                    chosen), LoadBuffer, the caller's BufferLoaded, EraseChip (only
//                    when all regions are written), the writes and verifies of
//                    WriteSteps, RunTarget, Close
//   Read             Open, Wakeup, Activate, SetBaudRate, DetectTarget (when no chip),
//                    ReadRegions, RunTarget, Close
//   Verify           as Read, with LoadBuffer and BufferLoaded (when the caller gives
//                    an image) and VerifyRegions in place of ReadRegions
//   Erase            Open, Wakeup, Activate, SetBaudRate, DetectTarget (when no chip),
//                    EraseChip, Close
//   Run              Open, Wakeup, StopTarget, RunTarget, Close
//   Pass-through     Open, Wakeup, EnterPassThrough, Close
//   Leave it         Open, Wakeup, SetBaudRate, Close
//
// An erase checks the chip's calibration words before erasing (`THooks::Calibration`,
// `TRequest::Calibration`). A failure anywhere goes to `Failed`, then the port is
// closed, then the error goes on to the caller. What the caller does around the calls
// (its page, lamp, list, progress bar, exit status...) it hooks in through `THooks`;
// every hook may be left empty.
#pragma once

#include "ops/Calibration.h"
#include "ops/Steps.h"

#include <exception>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace vesk::ops {

struct THooks {
    // Runs one step; `body` makes its driver call. Left empty, the body just runs; a
    // caller wraps it to learn which step failed.
    std::function<void(const TStep& step, const std::function<void()>& body)> RunStep;
    // After Open: a stop request made during this operation is renewed here (Open
    // withdraws the driver's).
    std::function<void()> Opened;
    // After the wake-up of Detect device.
    std::function<void()> Awake;
    // The target is known: after the connection of a region operation, after the
    // detection of Detect target.
    std::function<void()> Connected;
    // The programmer's answers of Detect device, before the port is closed.
    std::function<void(const std::string& type, const std::string& version)> Detected;
    // The image a Write (and a Verify, when given) loads into the buffer, read once
    // the programmer is connected.
    std::function<const TIntelHexFile&()> Image;
    // After the image is in the buffer (Write, and Verify with an image), before
    // anything is erased, written or compared: the caller may change the buffer (the
    // configuration settings) and look at it (the warnings, a question). What it throws
    // ends the operation as a failing step does.
    std::function<void()> BufferLoaded;
    // The driver's progress during the operation, with the running step's name.
    std::function<void(const TProgress&)> Progress;
    // The operation failed; called before the port is closed.
    std::function<void(const std::exception&)> Failed;
    // An erase read a calibration word that no valid calibration is, and the request
    // gives none for it: the chip's own word (a valid one), or nothing to stop before
    // the erase with the chip untouched. Left empty, the erase stops.
    std::function<std::optional<int32_t>(const TCalibrationQuestion&)> Calibration;
    // The memory of calibration values: every valid calibration word the operation
    // reads goes to it, and an erase stopped for want of one quotes its last word for
    // the chip type and port. Null: none is kept.
    TCalibrationMemory* Calibrations = nullptr;
    // The Close after a failure failed too; called in its handler, so `throw;` lets
    // the close error go on in place of the first one. Left empty, the close error
    // is dropped and the first error goes on.
    std::function<void()> CloseFailed;
};

// What the operation works on.
struct TRequest {
    int16_t Regions = AllRegions;
    bool Verify = true;   // Write: verify what was written
    int8_t BaudIndex = 1; // the programmer's speed, an index of ProgrammerBaudRates
    uint8_t Lines = 0;    // pass-through: 1 = lines 7,8, else 3,4
    uint8_t Polarity = 0; // pass-through: 1 = TTL, else RS232
    // The user's calibration words, address -> word: each written back after the erase
    // whatever the chip reads there. Each must be a valid calibration word of the chip
    // (`CheckGivenCalibration`), else the erase stops first.
    std::map<int32_t, int32_t> Calibration;
};

void DetectDevice(TDeviceVESK1& device, const THooks& hooks);
void DetectTarget(TDeviceVESK1& device, const THooks& hooks);
void Write(TDeviceVESK1& device, const TRequest& request, const THooks& hooks);
void Read(TDeviceVESK1& device, const TRequest& request, const THooks& hooks);
void Verify(TDeviceVESK1& device, const TRequest& request, const THooks& hooks);
void Erase(TDeviceVESK1& device, const TRequest& request, const THooks& hooks);
void Run(TDeviceVESK1& device, const THooks& hooks);
void EnterPassThrough(TDeviceVESK1& device, const TRequest& request, const THooks& hooks);
void LeavePassThrough(TDeviceVESK1& device, const TRequest& request, const THooks& hooks);

} // namespace vesk::ops
