#include "SoakWorker.h"

#include "MessageCheck.h"

#include "VESK_Exception.h"
#include "chipdef/ChipDefinition.h"
#include "driver/VbusFormat.h"
#include "hexfile/IntelHexFile.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace vesk::soak {

std::function<void(const std::string&)> TSoakWorker::Print;

namespace {

using TClock = std::chrono::steady_clock;

// The image reader keeps the extended address of the file being parsed in a module
// variable, so images are parsed one at a time.
std::mutex HexMutex;

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(TClock::now().time_since_epoch()).count();
}

bool IsRegionOp(TOpKind op) {
    return op == TOpKind::Write || op == TOpKind::Read || op == TOpKind::Verify || op == TOpKind::Erase;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The root cause with its variable part cut, as a key of the outcome counts.
std::string OutcomeKey(const std::string& root) {
    for (const char* prefix : {"Got echo: '", "Unknown target: Id = 0x", "Data verify error: [0x"})
        if (root.rfind(prefix, 0) == 0) return std::string(prefix) + "...";
    return root;
}

std::vector<int32_t> Addresses() {
    std::vector<int32_t> all;
    for (int32_t a = 0; a < CodeSize; ++a)
        all.push_back(a);
    for (int32_t a = DataStart; a < DataStart + DataSize; ++a)
        all.push_back(a);
    all.push_back(FusesAddress);
    return all;
}

std::string Hex(int32_t value, int width) {
    return vbus::Hex(value, width);
}

} // namespace

struct TSoakWorker::TPlan {
    TFaultKind Fault = TFaultKind::None;
    sim::TFaults Faults;      // in force from the operation's first byte
    int64_t Position = 0;     // byte N of WrongEcho, StopAfter, DropLine; first late byte K
    int LateMs = 0;           // answer delay from byte K on
    int64_t LateUntil = 0;    // LateWithin: answers on time again after this byte
    bool ClearTarget = false; // no target selected: the workflow detects it
    int8_t BaudIndex = 1;

    std::string Text() const {
        std::string text = Name(Fault);
        switch (Fault) {
        case TFaultKind::WrongEcho:
        case TFaultKind::StopAfter:
        case TFaultKind::DropLine:
            text += " at byte " + std::to_string(Position);
            break;
        case TFaultKind::LateWithin:
        case TFaultKind::LateBeyond:
            text += " (" + std::to_string(LateMs) + " ms from byte " + std::to_string(Position) + ")";
            break;
        case TFaultKind::UnknownTarget:
            text += " 0x" + Hex(Faults.TargetId, 4);
            break;
        default:
            break;
        }
        if (ClearTarget) text += ", no target selected";
        return text;
    }
};

struct TSoakWorker::TOutcome {
    TOpKind Op = TOpKind::Write;
    bool Ok = false;
    std::string Message;
    std::string FirstLine; // wrapper of the step that failed
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

    // The last line, or the port error above the line that says what to do about it.
    std::string Root() const {
        std::string rest = Message;
        auto pos = rest.rfind('\n');
        if (pos != std::string::npos && IsPortHint(rest.substr(pos + 1))) {
            rest.erase(pos);
            pos = rest.rfind('\n');
        }
        return pos == std::string::npos ? rest : rest.substr(pos + 1);
    }
};

TSoakWorker::TSoakWorker(int number, const TSoakConfig& config)
    : FNumber(number), FConfig(config), FRng(config.Seed + 0x9E3779B97F4A7C15ULL * uint64_t(number + 1)),
      FChip(SoakChip(number)), FCalibration(0x3400 | ((number * 37) & 0xFF)) {
    Dev.SetComReadTimeout(config.TimeoutMs);
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
    FSim = std::make_unique<sim::TSimulator>(FChip);
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

TMemory TSoakWorker::Erased(const TMemory& before) const {
    TMemory memory;
    for (int32_t address : Addresses())
        memory[address] = address >= DataStart ? DataDefault : CodeDefault;
    // The kept words are put back whole.
    memory[CalibrationAddress] = KeptWord(before, CalibrationAddress);
    memory[FusesAddress] = KeptWord(before, FusesAddress);
    return memory;
}

int32_t TSoakWorker::KeptWord(const TMemory& before, int32_t address) const {
    // Both kept words lie in regions whose blank word is CodeDefault.
    const auto pending = FPendingBefore.find(address);
    if (before.at(address) == CodeDefault && pending != FPendingBefore.end()) return pending->second;
    return before.at(address);
}

std::string TSoakWorker::Describe() const {
    std::lock_guard lock(FRunningMutex);
    return FRunning;
}

TSoakWorker::TPlan TSoakWorker::PlanFault(TOpKind op) {
    TPlan plan;
    std::uniform_int_distribution<size_t> pick(0, InjectedFaults.size() - 1);
    plan.Fault = InjectedFaults[pick(FRng)];
    plan.BaudIndex = static_cast<int8_t>(std::uniform_int_distribution<int>(0, 4)(FRng));
    plan.ClearTarget = IsRegionOp(op) && std::uniform_int_distribution<int>(0, 4)(FRng) == 0;
    const int64_t bytes = std::max<int64_t>(1, FBytes[op]);
    auto position = [&] { return std::uniform_int_distribution<int64_t>(1, bytes)(FRng); };
    const int t = FConfig.TimeoutMs;
    switch (plan.Fault) {
    case TFaultKind::None:
        break;
    case TFaultKind::NeverAnswer:
        plan.Faults.NeverAnswer = true;
        break;
    case TFaultKind::WrongEcho:
        plan.Faults.WrongEchoAt = plan.Position = position();
        break;
    case TFaultKind::SyncZero:
        plan.Faults.SyncAnswerZero = true;
        break;
    case TFaultKind::BadRead:
        plan.Faults.BadReadReply = true;
        break;
    case TFaultKind::StopAfter:
        plan.Faults.StopAfter = plan.Position = position();
        break;
    case TFaultKind::LateWithin:
        plan.Position = position();
        plan.LateMs = std::uniform_int_distribution<int>(std::max(1, t / 4), std::max(1, t / 2))(FRng);
        plan.LateUntil = plan.Position + std::uniform_int_distribution<int64_t>(1, 20)(FRng);
        break;
    case TFaultKind::LateBeyond:
        plan.Position = position();
        plan.LateMs = std::uniform_int_distribution<int>(t + 10, 3 * t)(FRng);
        break;
    case TFaultKind::DropLine:
        plan.Faults.DropLineAfter = plan.Position = position();
        break;
    case TFaultKind::UnknownTarget:
        // Outside the block of the soak chips' IDs.
        plan.Faults.TargetId = std::uniform_int_distribution<int32_t>(0x1000, 0x3FFF)(FRng);
        if (IsRegionOp(op)) plan.ClearTarget = true;
        break;
    }
    return plan;
}

TSoakWorker::TOutcome TSoakWorker::Execute(TOpKind op, const TPlan& plan, const TImage* image,
                                           bool verifyAfterWrite) {
    TOutcome o;
    o.Op = op;
    o.TimeoutMs = Dev.ComReadTimeout();
    {
        std::lock_guard lock(FRunningMutex);
        FRunning = "worker " + std::to_string(FNumber) + " operation " + std::to_string(FOpIndex) + ": " +
                   Name(op) + ", fault: " + plan.Text();
    }
    TIntelHexFile file;
    if (image) {
        std::lock_guard lock(HexMutex);
        file.LoadFromText(HexText(*image), "soak.hex");
    }
    if (plan.ClearTarget) Dev.SetTarget(nullptr);
    FSim->SetFaults(plan.Faults);
    FSim->ClearReceived();
    int64_t trace = 0, unanswered = 0;
    // Late answers start (and for LateWithin end again) at a byte of the operation.
    Dev.OnTrace = [&](uint8_t, int answer) {
        ++trace;
        if (answer < 0) ++unanswered;
        if (plan.LateMs <= 0) return;
        if (trace == plan.Position) {
            sim::TFaults late;
            late.AnswerDelayMs = plan.LateMs;
            FSim->SetFaults(late);
        } else if (trace == plan.LateUntil) {
            FSim->SetFaults({});
        }
    };

    std::string wrapper;
    bool prefix = false;
    auto step = [&](const std::string& text, bool prefixOnly, auto&& body) {
        wrapper = text;
        prefix = prefixOnly;
        return body();
    };
    auto closeAfterError = [&] {
        try {
            Dev.Close();
        } catch (const Exception& e) {
            o.CloseError = e.Message();
        } catch (const std::exception& e) {
            o.CloseError = e.what();
        }
    };
    const auto start = TClock::now();
    OpStartedNs = NowNs();
    try {
        step("VESK device open failed", false, [&] { Dev.Open(); });
        step("VESK wakeup failed", false, [&] { Dev.Wakeup(); });
        if (IsRegionOp(op)) {
            step("VESK activation failed", false, [&] { Dev.Activate(); });
            step("VESK Baudrate setting failed: " + std::to_string(ProgrammerBaudRates[plan.BaudIndex]),
                 false, [&] { Dev.SetBaudRate(plan.BaudIndex); });
            if (Dev.Target() == nullptr)
                step("Target detect failed", false, [&] {
                    o.Detected = true;
                    Dev.DetectTarget();
                });
        }
        switch (op) {
        case TOpKind::Write:
            step("Target buffer load failed", false, [&] { Dev.LoadBuffer(file); });
            step("Erase chip failed", false, [&] { Dev.EraseChip(); });
            o.ErasePassed = true;
            step("Target write failed", false, [&] { Dev.WriteRegions(AllRegions); });
            if (verifyAfterWrite)
                step("Target region verify failed: 0x", true, [&] { Dev.VerifyRegions(AllRegions); });
            step("Target run failed", false, [&] { Dev.RunTarget(); });
            break;
        case TOpKind::Read:
            step("Target read failed", false, [&] { Dev.ReadRegions(AllRegions); });
            step("Target run failed", false, [&] { Dev.RunTarget(); });
            break;
        case TOpKind::Verify:
            step("Target region verify failed: 0x", true, [&] { Dev.VerifyRegions(AllRegions); });
            step("Target run failed", false, [&] { Dev.RunTarget(); });
            break;
        case TOpKind::Erase:
            step("Erase chip failed", false, [&] { Dev.EraseChip(); });
            o.ErasePassed = true;
            break;
        case TOpKind::DetectTarget:
            step("Target detect failed", false, [&] {
                o.Detected = true;
                Dev.DetectTarget();
            });
            step("Target run failed", false, [&] { Dev.RunTarget(); });
            break;
        case TOpKind::DetectProgrammer:
            o.Type = step("VESK Get type failed", false, [&] { return Dev.GetType(); });
            if (!o.Type.empty())
                o.Version = step("VESK Get version failed", false, [&] { return Dev.GetVersion(); });
            break;
        }
        step("VESK device close failed", false, [&] { Dev.Close(); });
        o.Ok = true;
    } catch (const Exception& e) {
        o.Message = e.Message();
        o.FirstLine = wrapper;
        o.PrefixOnly = prefix;
        closeAfterError();
    } catch (const std::exception& e) {
        o.Escaped = std::string(e.what()) + " (in the step of \"" + wrapper + "\")";
        closeAfterError();
    }
    o.Ms = std::chrono::duration<double, std::milli>(TClock::now() - start).count();
    OpStartedNs = 0;
    Dev.OnTrace = nullptr;
    o.PortOpen = Dev.Port().Connected();
    o.Handle = Dev.Port().Handle();
    o.Trace = trace;
    o.Unanswered = unanswered;
    o.Dropped = FSim->LineDropped();
    // The programmer has handled every byte before its memory is looked at.
    if (!o.Dropped) FSim->WaitReceived(size_t(trace), 2000);
    o.Received = FSim->Received();
    FSim->SetFaults({});
    return o;
}

void TSoakWorker::CheckOutcome(const TOutcome& o, const TPlan& plan, const TMemory& before,
                               const TImage* image, std::vector<std::string>& v) {
    if (!o.Escaped.empty()) v.push_back("an exception not derived from Exception escaped: " + o.Escaped);
    if (o.PortOpen || o.Handle >= 0) v.push_back("the port is still open after Close");
    if (!o.CloseError.empty()) v.push_back("Close after the error raised: " + o.CloseError);
    const std::string root = o.Root();
    if (!o.Ok && o.Escaped.empty()) {
        for (const std::string& problem : CheckChain(o.Message, o.FirstLine, o.PrefixOnly))
            v.push_back("message: " + problem);
        // A time-out ends the operation at once: it waits in vain for one answer at
        // most, besides the pass-through letter, which is never awaited. (Counted, not
        // timed: a loaded machine stretches every wait.)
        if (o.Unanswered > 2)
            v.push_back("failed after " + std::to_string(o.Unanswered) + " bytes without an answer, of " +
                        std::to_string(o.Trace));
        // The duration against one time-out per byte, the 100 ms wake-up break, the
        // speed settling and slack, as a figure of the run.
        const int64_t bytes = std::max<int64_t>(o.Trace, int64_t(o.Received.size()));
        const double bound = double(bytes + 10) * o.TimeoutMs + 100.0 + 400.0;
        if (o.Ms > Stats.MaxFailedMs) {
            Stats.MaxFailedMs = o.Ms;
            Stats.MaxFailedBoundMs = bound;
        }
        Stats.MaxBoundShare = std::max(Stats.MaxBoundShare, o.Ms / bound);
    }

    // What the fault must do to the operation. A time-out is accepted in place of the
    // fault's own root cause: on a loaded machine any answer may come too late.
    bool reached = true, mustFail = false;
    std::vector<std::string> roots;
    const size_t received = o.Received.size();
    switch (plan.Fault) {
    case TFaultKind::None:
        break;
    case TFaultKind::NeverAnswer:
        mustFail = true;
        roots = {"VBUS Echo timeout"};
        break;
    case TFaultKind::SyncZero:
        mustFail = true;
        roots = {"Expecting echo '?', got: 0x00"};
        break;
    case TFaultKind::WrongEcho:
        reached = received >= size_t(plan.Position);
        if (reached) {
            const unsigned char byte = o.Received[size_t(plan.Position - 1)];
            // Reply characters are data and the synchronisation is retried: neither is compared.
            mustFail = byte != 'n' && byte != 0xFF;
        }
        break;
    case TFaultKind::BadRead:
        reached = o.Received.find('r') != std::string::npos;
        mustFail = reached && (o.Op == TOpKind::Read || o.Op == TOpKind::Erase || o.Op == TOpKind::Write);
        roots = {"Data read error", "Unknown target"};
        break;
    case TFaultKind::StopAfter:
        reached = received > size_t(plan.Position);
        mustFail = reached;
        roots = {"VBUS Echo timeout"};
        break;
    case TFaultKind::LateWithin:
        reached = o.Trace > plan.Position;
        // Counted, not judged: a loaded machine may add enough to pass the time-out.
        // Other failures are those a fault-free operation may have (a verify of a
        // target that an earlier faulted write left half-written).
        if (reached && !o.Ok && root == "VBUS Echo timeout") ++Stats.LateWithinFailed;
        break;
    case TFaultKind::LateBeyond:
        reached = o.Trace > plan.Position;
        mustFail = reached;
        roots = {"VBUS Echo timeout"};
        break;
    case TFaultKind::DropLine:
        reached = o.Dropped;
        mustFail = reached;
        roots = {"VBUS Echo timeout"};
        break;
    case TFaultKind::UnknownTarget:
        reached = o.Detected;
        mustFail = reached;
        roots = {"Unknown target: Id = 0x" + Hex(plan.Faults.TargetId, 6)};
        break;
    }
    if (!reached)
        ++Stats.Faults[plan.Fault].NotReached;
    else if (plan.Fault != TFaultKind::None)
        ++Stats.FaultsTookEffect;
    if (mustFail && o.Ok) v.push_back("the fault took effect but the operation reported success");
    if (mustFail && !o.Ok && o.Escaped.empty()) {
        bool fits = root == "VBUS Echo timeout";
        if (plan.Fault == TFaultKind::WrongEcho)
            fits = fits || (root.rfind("Got echo: '", 0) == 0 && EndsWith(root, "#'"));
        if (plan.Fault == TFaultKind::DropLine) fits = fits || IsPortError(root);
        for (const std::string& r : roots)
            fits = fits || root == r;
        if (!fits) v.push_back("root cause \"" + root + "\" does not fit the fault");
    }
    if (plan.Fault == TFaultKind::NeverAnswer || plan.Fault == TFaultKind::SyncZero)
        if (!o.Ok && o.FirstLine != "VESK wakeup failed")
            v.push_back("a programmer that does not synchronise failed the step of \"" + o.FirstLine + "\"");
    CheckTargetState(o, plan, before, image, v);
}

void TSoakWorker::CheckTargetState(const TOutcome& o, const TPlan& plan, const TMemory& before,
                                   const TImage* image, std::vector<std::string>& v) {
    const TMemory after = Snapshot();
    auto compare = [&](const TMemory& expected, const char* what) {
        for (const auto& [address, word] : expected) {
            if (after.at(address) != word) {
                v.push_back(std::string(what) + ": target word 0x" + Hex(address, 6) + " = 0x" +
                            Hex(after.at(address), 4) + ", expected 0x" + Hex(word, 4));
                return;
            }
        }
    };
    const bool changes = o.Op == TOpKind::Write || o.Op == TOpKind::Erase;
    if (!changes)
        compare(before, o.Ok ? "unchanged by a successful operation" : "unchanged by a failed operation");
    if (o.Ok) {
        switch (o.Op) {
        case TOpKind::Erase:
            compare(Erased(before), "after a successful erase");
            break;
        case TOpKind::Write: {
            TMemory expected = Erased(before);
            for (const auto& [address, word] : *image) {
                if (address == FusesAddress) {
                    if (word != CodeDefault)
                        expected[address] = (expected[address] & FusesKeptBits) | (word & ~FusesKeptBits);
                } else {
                    expected[address] = word;
                }
            }
            compare(expected, "after a successful write");
            break;
        }
        case TOpKind::Read:
        case TOpKind::Verify:
            for (const TChipRegion& region : FChip.Regions) {
                for (int32_t i = 0; i < region.Size; ++i) {
                    const int32_t address = region.Start + i;
                    const int32_t buffer = region.Data[size_t(i)];
                    const bool checked = o.Op == TOpKind::Read || buffer != region.Default;
                    if (checked && after.at(address) != buffer) {
                        v.push_back(std::string(Name(o.Op)) + " succeeded but buffer word 0x" +
                                    Hex(address, 6) + " = 0x" + Hex(buffer, 4) +
                                    " differs from the target's 0x" + Hex(after.at(address), 4));
                        i = region.Size;
                    }
                }
            }
            break;
        case TOpKind::DetectTarget:
            if (Dev.Target() != &FChip)
                v.push_back("detect target succeeded but selected " +
                            (Dev.Target() ? Dev.Target()->Name : std::string("nothing")));
            break;
        case TOpKind::DetectProgrammer: {
            // A wrong answer to a reply fetch is data, not an echo: it may change the texts.
            const bool replyHit = plan.Fault == TFaultKind::WrongEcho &&
                                  size_t(plan.Position) <= o.Received.size() &&
                                  o.Received[size_t(plan.Position - 1)] == 'n';
            if (!replyHit && (o.Type != "VESK1" || o.Version != "2.10"))
                v.push_back("programmer detected as \"" + o.Type + "\" \"" + o.Version + "\"");
            break;
        }
        }
    } else if (changes && o.ErasePassed) {
        // The erase succeeded before a later step failed: the kept words are back.
        if (after.at(CalibrationAddress) != KeptWord(before, CalibrationAddress))
            v.push_back("the erase of a failed write left the calibration word 0x" +
                        Hex(after.at(CalibrationAddress), 4) + ", expected 0x" +
                        Hex(KeptWord(before, CalibrationAddress), 4));
    } else if (changes && o.FirstLine == "Erase chip failed") {
        CheckFailedErase(o, before, after, v);
    } else if (changes && after.at(CalibrationAddress) != before.at(CalibrationAddress)) {
        v.push_back("the calibration word was changed by a failure outside the erase");
    }

    // The calibration word is the chip's own, never written by an image: an erase that
    // succeeded put it back, and while a failed erase has left it blank the driver
    // still holds it for the next erase. A lost word is never put back by hand, so a
    // retry that keeps the blank fails here.
    const int32_t calibration = after.at(CalibrationAddress);
    if (o.ErasePassed) {
        if (calibration != FCalibration)
            v.push_back("after a successful erase the calibration word is 0x" + Hex(calibration, 4) +
                        ", the chip's own is 0x" + Hex(FCalibration, 4));
        else if (before.at(CalibrationAddress) != FCalibration)
            ++Stats.CalibrationRestored;
    } else if (calibration != FCalibration) {
        const TMemory pending = Dev.PendingPreserved(&FChip);
        const auto held = pending.find(CalibrationAddress);
        if (calibration != CodeDefault)
            v.push_back("the calibration word became 0x" + Hex(calibration, 4));
        else if (held == pending.end() || held->second != FCalibration)
            v.push_back("the calibration word is blank and the driver does not hold 0x" +
                        Hex(FCalibration, 4) + " for the next erase");
    }
}

void TSoakWorker::CheckFailedErase(const TOutcome& o, const TMemory& before, const TMemory& after,
                                   std::vector<std::string>& v) {
    const TMemory named = NotRestoredWords(o.Message);
    if (named.empty()) {
        // Failed before the erase command went out: nothing may have changed.
        for (int32_t address : {CalibrationAddress, FusesAddress})
            if (after.at(address) != before.at(address))
                v.push_back("kept word 0x" + Hex(address, 6) + " changed to 0x" + Hex(after.at(address), 4) +
                            " by a failed erase whose message names no word");
        if (after.at(CalibrationAddress) != before.at(CalibrationAddress)) ++Stats.CalibrationLostUnnamed;
        return;
    }
    // Every word named is a kept word with the value the erase had to put back.
    for (const auto& [address, word] : named) {
        if (address != CalibrationAddress && address != FusesAddress)
            v.push_back("the message names 0x" + Hex(address, 6) + ", which is no kept word");
        else if (word != KeptWord(before, address))
            v.push_back("the message names 0x" + Hex(word, 4) + " at 0x" + Hex(address, 6) +
                        ", the word to put back is 0x" + Hex(KeptWord(before, address), 4));
    }
    // Every kept word the erase took is named.
    for (int32_t address : {CalibrationAddress, FusesAddress}) {
        const int32_t expected = KeptWord(before, address);
        if (after.at(address) == expected) continue;
        if (after.at(address) != CodeDefault)
            v.push_back("kept word 0x" + Hex(address, 6) + " is 0x" + Hex(after.at(address), 4) +
                        " after a failed erase, neither 0x" + Hex(expected, 4) + " nor blank");
        const bool isNamed = named.count(address) != 0;
        if (!isNamed)
            v.push_back("kept word 0x" + Hex(address, 6) + " = 0x" + Hex(expected, 4) +
                        " was lost by a failed erase whose message does not name it");
        if (address == CalibrationAddress) {
            ++(isNamed ? Stats.CalibrationLost : Stats.CalibrationLostUnnamed);
            if (FConfig.Verbose && Print)
                Print("    calibration word 0x" + Hex(expected, 4) + " lost" +
                      (isNamed ? ", named" : ", not named") + ":\n      " + o.Message);
        }
    }
    // The driver holds exactly the words its message names.
    if (Dev.PendingPreserved(&FChip) != named)
        v.push_back("the driver holds other preserved words than its message names");
}

bool TSoakWorker::Record(const TOutcome& o, const TPlan& plan, std::vector<std::string>& v) {
    ++Stats.Operations[o.Op];
    auto& count = Stats.Faults[plan.Fault];
    ++count.Runs;
    if (!o.Ok) ++count.Failed;
    ++Stats.Outcomes[o.Ok ? std::string("ok") : OutcomeKey(o.Root())];
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
        Print(what + (o.Ok ? "" : "\n    " + o.Message.substr(0, o.Message.find('\n')) + " / " + o.Root()));
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
    FPendingBefore = Dev.PendingPreserved(&FChip);
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
        FPendingBefore = Dev.PendingPreserved(&FChip);
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
                        expected = address == FusesAddress
                                       ? (before.at(address) & FusesKeptBits) | (it->second & ~FusesKeptBits)
                                       : it->second;
                    else if (address == FusesAddress)
                        expected = before.at(address);
                    if (region.Data[size_t(i)] != expected) {
                        v.push_back("read back 0x" + Hex(region.Data[size_t(i)], 4) + " at 0x" +
                                    Hex(address, 6) + ", the image has 0x" + Hex(expected, 4));
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
