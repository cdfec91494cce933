// The parts of a soak worker's operation shared by its files: the fault plan, what
// the operation left behind, and the target's addresses.
#pragma once

#include "MessageCheck.h"
#include "SoakWorker.h"

#include "common/Text.h"

#include <string>
#include <vector>

namespace vesk::soak {

inline bool IsRegionOp(TOpKind op) {
    return op == TOpKind::Write || op == TOpKind::Read || op == TOpKind::Verify || op == TOpKind::Erase;
}

// Every address of the soak chip's memory.
std::vector<int32_t> Addresses();

struct TSoakWorker::TPlan {
    TFaultKind Fault = TFaultKind::None;
    sim::TFaults Faults;      // in force from the operation's first byte
    int64_t Position = 0;     // byte N of WrongEcho, StopAfter, DropLine; first late byte K
    int LateMs = 0;           // answer delay from byte K on
    int64_t LateUntil = 0;    // LateWithin: answers on time again after this byte
    bool ClearTarget = false; // no target selected: the workflow detects it
    int8_t BaudIndex = 1;

    std::string Text() const;
};

struct TSoakWorker::TOutcome {
    TOpKind Op = TOpKind::Write;
    bool Ok = false;
    std::string Message;
    TFailureKind Kind = TFailureKind::Other;
    std::string FirstLine; // wrapper of the step that failed
    std::string StepLine;  // ... of the step running
    bool StepPrefixOnly = false;
    bool PrefixOnly = false;
    std::string CloseError;
    std::string Escaped; // an exception not derived from Exception
    bool PortOpen = false;
    int Handle = -1;
    double Ms = 0;
    int TimeoutMs = 0;
    int64_t Trace = 0;      // bytes the driver exchanged
    int64_t Unanswered = 0; // of them, bytes without an answer (time-outs, the pass-through letter)
    std::string Received;   // bytes the programmer received
    bool Dropped = false;
    bool Detected = false;    // the target detection ran
    bool ErasePassed = false; // the erase of a write or erase operation succeeded
    std::string Type, Version;
};

} // namespace vesk::soak
