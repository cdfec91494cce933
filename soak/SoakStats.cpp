#include "SoakStats.h"

#include <algorithm>

namespace vesk::soak {

void TSoakStats::Add(const TSoakStats& other) {
    for (const auto& [kind, count] : other.Faults) {
        Faults[kind].Runs += count.Runs;
        Faults[kind].Failed += count.Failed;
        Faults[kind].NotReached += count.NotReached;
    }
    for (const auto& [kind, count] : other.Operations)
        Operations[kind] += count;
    for (const auto& [root, count] : other.Outcomes)
        Outcomes[root] += count;
    FaultedOps += other.FaultedOps;
    FaultsTookEffect += other.FaultsTookEffect;
    CleanOps += other.CleanOps;
    MemoryChecks += other.MemoryChecks;
    Passed += other.Passed;
    Failed += other.Failed;
    Replugs += other.Replugs;
    LateWithinFailed += other.LateWithinFailed;
    CalibrationLost += other.CalibrationLost;
    CalibrationLostUnnamed += other.CalibrationLostUnnamed;
    CalibrationRestored += other.CalibrationRestored;
    if (other.MaxFailedMs > MaxFailedMs) {
        MaxFailedMs = other.MaxFailedMs;
        MaxFailedBoundMs = other.MaxFailedBoundMs;
    }
    MaxBoundShare = std::max(MaxBoundShare, other.MaxBoundShare);
    for (const auto& v : other.Violations)
        if (Violations.size() < 20) Violations.push_back(v);
}

} // namespace vesk::soak
