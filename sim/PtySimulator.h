// The simulated programmer on a pseudo-terminal: a thread of its own serves the
// master side in real time, and the host opens `SlavePath()` as its serial port, as
// `vesk-sim` offers it to any program. The line's timing (wire time, a USB adapter,
// the programmer's receive buffer) is kept on the steady clock; pass-through reaches a
// second pseudo-terminal, the target's line (or the scripted target).
//
// POSIX only. Everything else of `TSimulator` works as on any line; a simulated line
// (SimulatedLine.h) may reach the same programmer at the same time.
#pragma once

#include "sim/Simulator.h"

#include <memory>
#include <string>

namespace vesk::sim {

class TPtySimulator : public TSimulator {
  public:
    // The pseudo-terminals are created here; serving starts with `Start`.
    explicit TPtySimulator(const vesk::TChipDefinition& chip, const TOptions& options = {});
    ~TPtySimulator() override; // stops serving

    std::string SlavePath() const;       // the host's serial port
    std::string TargetSlavePath() const; // the target's serial line in pass-through

    void Start(); // serve on a background thread
    void Stop();  // idempotent

    class TServer;

  private:
    std::unique_ptr<TServer> FServer;
};

} // namespace vesk::sim
