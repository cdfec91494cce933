// Counts of one soak run, kept per worker and added up at the end.
#pragma once

#include "SoakTypes.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vesk::soak {

struct TFaultCount {
    int64_t Runs = 0;
    int64_t Failed = 0;     // the operation reported an error
    int64_t NotReached = 0; // the operation ended before the fault took effect
};

struct TSoakStats {
    std::map<TFaultKind, TFaultCount> Faults;
    std::map<TOpKind, int64_t> Operations;
    // Outcome per kind of failure: "ok", or the kind's name ("no answer", ...).
    std::map<std::string, int64_t> Outcomes;
    int64_t FaultedOps = 0;
    int64_t FaultsTookEffect = 0; // faulted operations that reached their fault
    int64_t CleanOps = 0;
    int64_t MemoryChecks = 0;
    int64_t Passed = 0;                  // operations with no violation
    int64_t Failed = 0;                  // operations with at least one violation
    int64_t Replugs = 0;                 // simulators recreated after the line was dropped
    int64_t LateWithinFailed = 0;        // late answers within the time-out that still failed
    int64_t CalibrationLost = 0;         // kept word lost by a failed erase, message naming it
    int64_t CalibrationLostUnnamed = 0;  // the same, message not naming the word (a violation)
    int64_t CalibrationRestored = 0;     // a later erase put a lost calibration word back
    double MaxFailedMs = 0;              // longest failed operation
    double MaxFailedBoundMs = 0;         // its bound
    double MaxBoundShare = 0;            // largest duration / bound of a failed operation
    std::vector<std::string> Violations; // the first few, for the summary

    void Add(const TSoakStats& other);
};

} // namespace vesk::soak
