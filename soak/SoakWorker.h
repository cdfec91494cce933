// One soak worker: a driver that is never recreated, a simulated programmer with its
// own chip (recreated only when the line was dropped, as the user replugs the
// adapter), and a stream of operations with random faults, each checked afterwards.
#pragma once

#include "SoakChip.h"
#include "SoakStats.h"
#include "SoakTypes.h"

#include "driver/DeviceVESK1.h"
#include "ops/Operations.h"
#include "serial/port/ComPortTransport.h"
#include "sim/PtySimulator.h"

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

namespace vesk::soak {

struct TSoakConfig {
    uint64_t Seed = 0;
    // Operations with a fault injected, all workers together; some end before their
    // fault takes effect (about one in six), so 2600 make well over 2000 that meet it.
    int64_t FaultedOps = 2600;
    double Seconds = 120; // no operation is started after this much wall time
    int Workers = 10;
    int TimeoutMs = 30;        // the driver's ComReadTimeout during faulted operations
    int CheckTimeoutMs = 1000; // ... during the fault-free memory checks
    int CheckEvery = 10;       // a memory check after this many faulted operations
    bool Verbose = false;      // print every operation
};

// Target memory as the soak's chip lays it out: address -> word.
using TMemory = std::map<int32_t, int32_t>;

class TSoakWorker {
  public:
    // Worker `number` on soak chip 0 of `chips`, which it detects against; its driver
    // holds the worker's own session of that chip.
    TSoakWorker(const TChipCatalogue& chips, int number, const TSoakConfig& config);
    ~TSoakWorker();

    // One operation with a random fault; false when it broke a rule.
    bool RunFaulted();
    // Write a fresh image fault-free, verify it, read it back, compare; false on a rule broken.
    bool RunMemoryCheck();

    // Nanoseconds (steady clock) since the running operation started; 0 when idle.
    std::atomic<int64_t> OpStartedNs{0};
    std::string Describe() const; // the running or last operation, for a hang report

    TSoakStats Stats;
    TDeviceVESK1& Device() { return Dev; }
    // The driver's serial port: the soak runs the program's own road.
    TComPort& Port() { return static_cast<TComPortTransport&>(Dev.Transport()).Port(); }
    void StopSimulator(); // for the closing descriptor count

    // Called (under a lock) to print a violation or a verbose line.
    static std::function<void(const std::string&)> Print;

  private:
    struct TOutcome;
    struct TPlan;

    TPlan PlanFault(TOpKind op);
    TOutcome Execute(TOpKind op, const TPlan& plan, const TImage* image, bool verifyAfterWrite);
    static ops::THooks OutcomeHooks(TOutcome& outcome, int8_t baudIndex, const TIntelHexFile* file);
    std::function<void(uint8_t, int)> TraceCounter(const TPlan& plan, int64_t& trace, int64_t& unanswered);
    void RunOperation(TOpKind op, const ops::TRequest& request, const ops::THooks& hooks);

    void CheckOutcome(const TOutcome& outcome, const TPlan& plan, const TMemory& before, const TImage* image,
                      std::vector<std::string>& violations);
    // Failures: the message's chain, the bytes left unanswered, the time taken.
    void CheckFailure(const TOutcome& outcome, std::vector<std::string>& violations);
    // Whether the fault took effect, whether the operation then had to fail, and the
    // root causes that fit it.
    struct TFaultEffect;
    TFaultEffect FaultEffect(const TOutcome& outcome, const TPlan& plan);
    void CheckTargetState(const TOutcome& outcome, const TPlan& plan, const TMemory& before,
                          const TImage* image, std::vector<std::string>& violations);
    // The target after a successful operation.
    void CheckSuccess(const TOutcome& outcome, const TPlan& plan, const TMemory& before, const TMemory& after,
                      const TImage* image, std::vector<std::string>& violations);
    // The calibration word: put back by an erase that passed, else still held by the driver.
    void CheckCalibration(const TOutcome& outcome, const TMemory& before, const TMemory& after,
                          std::vector<std::string>& violations);
    bool Record(const TOutcome& outcome, const TPlan& plan, std::vector<std::string>& violations);
    void StartSimulator(const TMemory* memory);
    TMemory Snapshot() const;
    // The target after a successful erase of `before`: blank, with the kept words.
    TMemory Erased(const TMemory& before) const;
    // The kept word an erase of `before` must put back at `address`: the target's kept
    // bits with the others erased, or, where the target reads blank, the word the
    // driver holds from a failed erase.
    int32_t KeptWord(const TMemory& before, int32_t address) const;
    // The kept words a failed erase took: named in its message, still held by the driver.
    void CheckFailedErase(const TOutcome& outcome, const TMemory& before, const TMemory& after,
                          std::vector<std::string>& violations);

    int FNumber;
    TSoakConfig FConfig;
    std::mt19937_64 FRng;
    TDeviceVESK1 Dev{std::make_unique<TComPortTransport>()};
    const TChipDefinition& FChip;
    std::unique_ptr<sim::TPtySimulator> FSim;
    int32_t FCalibration;
    // The words the driver held pending for this chip when the running operation
    // started (address -> word), from a failed erase before it.
    TMemory FPendingBefore;
    // Bytes a fault-free operation of each kind took, the range fault positions are drawn from.
    std::map<TOpKind, int64_t> FBytes;
    mutable std::mutex FRunningMutex;
    std::string FRunning;
    int64_t FOpIndex = 0;
};

} // namespace vesk::soak
