#include "SoakReport.h"

#include <cstdio>

namespace vesk::soak {

void PrintReport(const TSoakStats& total, const TRunFigures& f) {
    std::printf("\nFaults (operations run / failed / fault not reached before the operation ended):\n");
    for (const auto& [kind, count] : total.Faults)
        std::printf("  %-24s %6lld / %6lld / %6lld\n", Name(kind), static_cast<long long>(count.Runs),
                    static_cast<long long>(count.Failed), static_cast<long long>(count.NotReached));
    std::printf("Operations:\n");
    for (const auto& [kind, count] : total.Operations)
        std::printf("  %-24s %6lld\n", Name(kind), static_cast<long long>(count));
    std::printf("Outcomes (failed operations by kind of failure):\n");
    for (const auto& [kind, count] : total.Outcomes)
        std::printf("  %-40s %6lld\n", kind.c_str(), static_cast<long long>(count));
    std::printf("Faulted operations: %lld (%lld met their fault); fault-free: %lld (%lld memory checks); "
                "adapter replugged %lld times\n",
                static_cast<long long>(total.FaultedOps), static_cast<long long>(total.FaultsTookEffect),
                static_cast<long long>(total.CleanOps), static_cast<long long>(total.MemoryChecks),
                static_cast<long long>(total.Replugs));
    std::printf("Late answers within the time-out that still timed out (load): %lld\n",
                static_cast<long long>(total.LateWithinFailed));
    std::printf("Calibration word lost by a failed erase: %lld named in the message, %lld not named; "
                "put back by a later erase: %lld\n",
                static_cast<long long>(total.CalibrationLost),
                static_cast<long long>(total.CalibrationLostUnnamed),
                static_cast<long long>(total.CalibrationRestored));
    std::printf("Longest failed operation: %.0f ms (its bound %.0f ms); largest share of the bound: %.0f%%\n",
                total.MaxFailedMs, total.MaxFailedBoundMs, total.MaxBoundShare * 100);
    std::printf(
        "Descriptors: %d before, %d with the simulators running, %d after (%d checks at quiet points, "
        "%d off)\n",
        f.FdsBefore, f.FdsRunning, f.FdsAfter, f.FdChecks, f.FdMismatches);
    std::printf("Wall time: %.1f s\n", f.Seconds);
}

int64_t Verdict(const TSoakStats& total, const TSoakConfig& config, const TRunFigures& f) {
    int64_t failed = total.Failed;
    if (f.FdsAfter != f.FdsBefore || f.FdsWithSims != f.FdsRunning) {
        std::printf("VIOLATION descriptor leak: %d before, %d after; %d at start, %d at the end with the "
                    "simulators\n",
                    f.FdsBefore, f.FdsAfter, f.FdsRunning, f.FdsWithSims);
        ++failed;
    }
    failed += f.FdMismatches;
    if (f.PortsOpen) {
        std::printf("VIOLATION a driver's port is still open at the end\n");
        ++failed;
    }
    if (total.FaultedOps < config.FaultedOps)
        std::printf("note: the time bound of %.0f s ended the run after %lld of %lld faulted operations\n",
                    config.Seconds, static_cast<long long>(total.FaultedOps),
                    static_cast<long long>(config.FaultedOps));
    if (!total.Violations.empty())
        std::printf("%zu violation(s) shown above; seed %llu\n", total.Violations.size(),
                    static_cast<unsigned long long>(config.Seed));
    std::printf("soak: %lld passed, %lld failed\n", static_cast<long long>(total.Passed),
                static_cast<long long>(failed));
    return failed;
}

} // namespace vesk::soak
