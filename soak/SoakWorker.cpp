// A soak worker: its simulated programmer, the operations it runs and the record of
// each.
#include "SoakWorker.h"
#include "SoakWorkerParts.h"

#include "MessageCheck.h"

#include "VESK_Exception.h"
#include "chipdef/ChipDefinition.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace vesk::soak {

std::function<void(const std::string&)> TSoakWorker::Print;

namespace {

// The root cause with its variable part cut, as a key of the outcome counts.

} // namespace

std::vector<int32_t> Addresses() {
    std::vector<int32_t> all;
    for (int32_t a = 0; a < CodeSize; ++a)
        all.push_back(a);
    for (int32_t a = DataStart; a < DataStart + DataSize; ++a)
        all.push_back(a);
    all.push_back(FusesAddress);
    return all;
}

TSoakWorker::TSoakWorker(const TChipCatalogue& chips, int number, const TSoakConfig& config)
    : FNumber(number), FConfig(config), FRng(config.Seed + 0x9E3779B97F4A7C15ULL * uint64_t(number + 1)),
      FChip(SoakChip(chips, 0)), FCalibration(0x3400 | ((number * 37) & 0xFF)) {
    Dev.SetComReadTimeout(config.TimeoutMs);
    Dev.SetCatalogue(&chips);
    Dev.SetTarget(&FChip);
    // Fault positions are drawn up to these byte counts until an operation of the
    // kind has been measured.
    FBytes = {{TOpKind::Write, 200}, {TOpKind::Read, 520},        {TOpKind::Verify, 150},
              {TOpKind::Erase, 80},  {TOpKind::DetectTarget, 30}, {TOpKind::DetectProgrammer, 20}};
    StartSimulator(nullptr);
}

TSoakWorker::~TSoakWorker() {
    try {
        Dev.Close();
    } catch (const Exception&) {
    }
    StopSimulator();
}

void TSoakWorker::StopSimulator() {
    if (FSim) FSim->Stop();
    FSim.reset();
}

void TSoakWorker::StartSimulator(const TMemory* memory) {
    FSim = std::make_unique<sim::TPtySimulator>(FChip);
    if (memory)
        for (const auto& [address, word] : *memory)
            FSim->SetWord(address, word);
    else
        FSim->SetWord(CalibrationAddress, FCalibration);
    FSim->Start();
    Dev.SetComPort(FSim->SlavePath());
}

TMemory TSoakWorker::Snapshot() const {
    TMemory memory;
    for (int32_t address : Addresses())
        memory[address] = FSim->Word(address);
    return memory;
}

std::string TSoakWorker::Describe() const {
    std::lock_guard lock(FRunningMutex);
    return FRunning;
}

bool TSoakWorker::Record(const TOutcome& o, const TPlan& plan, std::vector<std::string>& v) {
    ++Stats.Operations[o.Op];
    auto& count = Stats.Faults[plan.Fault];
    ++count.Runs;
    if (!o.Ok) ++count.Failed;
    ++Stats.Outcomes[o.Ok ? std::string("ok") : std::string(KindName(o.Kind))];
    if (plan.Fault == TFaultKind::None)
        ++Stats.CleanOps;
    else
        ++Stats.FaultedOps;
    if (o.Ok && (plan.Fault == TFaultKind::None || plan.Fault == TFaultKind::LateWithin))
        FBytes[o.Op] = std::max<int64_t>(FBytes[o.Op], int64_t(o.Received.size()));
    const std::string what = Describe() + " -> " + (o.Ok ? std::string("ok") : "failed") + " in " +
                             std::to_string(int(o.Ms)) + " ms, " + std::to_string(o.Received.size()) +
                             " bytes";
    if (FConfig.Verbose && Print)
        Print(what +
              (o.Ok ? "" : "\n    " + o.Message.substr(0, o.Message.find('\n')) + " / " + KindName(o.Kind)));
    if (v.empty()) {
        ++Stats.Passed;
        return true;
    }
    ++Stats.Failed;
    std::string report = "VIOLATION " + what;
    for (const std::string& problem : v)
        report += "\n    " + problem;
    if (!o.Message.empty()) {
        report += "\n    message:";
        for (const std::string& line : SplitLines(o.Message))
            report += "\n      " + line;
    }
    if (Print) Print(report);
    if (Stats.Violations.size() < 20) Stats.Violations.push_back(report);
    return false;
}

bool TSoakWorker::RunFaulted() {
    ++FOpIndex;
    // Choose the fault first: a target ID needs an operation that detects the target.
    TOpKind op = AllOpKinds[std::uniform_int_distribution<size_t>(0, AllOpKinds.size() - 1)(FRng)];
    TPlan plan = PlanFault(op);
    if (plan.Fault == TFaultKind::UnknownTarget && op == TOpKind::DetectProgrammer) {
        op = TOpKind::DetectTarget;
        plan.ClearTarget = false;
    }
    TImage image = RandomImage(FRng);
    const bool verifyAfter = std::uniform_int_distribution<int>(0, 1)(FRng) == 1;
    const TMemory before = Snapshot();
    FPendingBefore = Dev.PendingPreserved(FChip.Name);
    const TOutcome o = Execute(op, plan, op == TOpKind::Write ? &image : nullptr, verifyAfter);
    std::vector<std::string> v;
    CheckOutcome(o, plan, before, op == TOpKind::Write ? &image : nullptr, v);
    const bool pass = Record(o, plan, v);
    if (plan.LateMs > 0) {
        // A late answer may still be on its way; the user reading the message gives it
        // time to arrive before the next operation's wake-up clears the line.
        std::this_thread::sleep_for(std::chrono::milliseconds(plan.LateMs + 20));
    }
    if (o.Dropped) {
        // The user plugs the adapter in again: a new port, the same target memory.
        const TMemory memory = Snapshot();
        StopSimulator();
        StartSimulator(&memory);
        ++Stats.Replugs;
    }
    return pass;
}

bool TSoakWorker::RunMemoryCheck() {
    bool pass = true;
    Dev.SetComReadTimeout(FConfig.CheckTimeoutMs);
    TPlan plan;
    plan.BaudIndex = static_cast<int8_t>(std::uniform_int_distribution<int>(0, 4)(FRng));
    const TImage image = RandomImage(FRng);
    for (TOpKind op : {TOpKind::Write, TOpKind::Read}) {
        ++FOpIndex;
        const TMemory before = Snapshot();
        FPendingBefore = Dev.PendingPreserved(FChip.Name);
        const TOutcome o = Execute(op, plan, op == TOpKind::Write ? &image : nullptr, true);
        std::vector<std::string> v;
        if (!o.Ok) v.push_back("a fault-free " + std::string(Name(op)) + " failed");
        CheckOutcome(o, plan, before, &image, v);
        if (o.Ok && op == TOpKind::Read) {
            // The buffer read back is the image, with the kept calibration word.
            for (const TChipRegion& region : FChip.Regions)
                for (int32_t i = 0; i < region.Size; ++i) {
                    const int32_t address = region.Start + i;
                    int32_t expected = address == CalibrationAddress ? FCalibration : region.Default;
                    if (auto it = image.find(address); it != image.end() && it->second != region.Default)
                        expected = address == FusesAddress ? (KeptWord(before, address) & FusesKeptBits) |
                                                                 (it->second & ~FusesKeptBits)
                                                           : it->second;
                    else if (address == FusesAddress)
                        expected = KeptWord(before, address);
                    const int32_t read = Dev.Session()->Words(region)[size_t(i)];
                    if (read != expected) {
                        v.push_back("read back 0x" + Hex(read, 4) + " at 0x" + Hex(address, 6) +
                                    ", the image has 0x" + Hex(expected, 4));
                        break;
                    }
                }
        }
        pass = Record(o, plan, v) && pass;
    }
    ++Stats.MemoryChecks;
    Dev.SetComReadTimeout(FConfig.TimeoutMs);
    return pass;
}

} // namespace vesk::soak