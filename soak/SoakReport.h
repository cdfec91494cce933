// The soak's closing report: the counts of every worker together, the descriptor
// and port checks, and the verdict.
#pragma once

#include "SoakStats.h"
#include "SoakWorker.h"

#include <cstdint>

namespace vesk::soak {

// What the run measured besides the workers' counts.
struct TRunFigures {
    int FdsBefore = 0;                  // descriptors before the simulators started
    int FdsRunning = 0;                 // ... with them running, at the start
    int FdsWithSims = 0;                // ... with them running, at the end
    int FdsAfter = 0;                   // ... once they stopped
    int FdChecks = 0, FdMismatches = 0; // counts at quiet points, and those that were off
    bool PortsOpen = false;             // a driver's port still open at the end
    double Seconds = 0;
};

void PrintReport(const TSoakStats& total, const TRunFigures& figures);
// The violations of the run besides the operations' own, printed; returns the count of
// failures, the operations' included, after the closing line "soak: N passed, M failed".
int64_t Verdict(const TSoakStats& total, const TSoakConfig& config, const TRunFigures& figures);

} // namespace vesk::soak
