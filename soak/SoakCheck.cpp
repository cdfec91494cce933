// The checks after an operation: its message, the port, the fault's effect, and the
// target memory against what the operation had to leave there.
#include "SoakWorkerParts.h"

#include "MessageCheck.h"

#include "chipdef/ChipDefinition.h"
#include "driver/DeviceVESK1Failures.h"

#include <algorithm>

namespace vesk::soak {

TMemory TSoakWorker::Erased(const TMemory& before) const {
    TMemory memory;
    for (int32_t address : Addresses())
        memory[address] = address >= DataStart ? DataDefault : CodeDefault;
    // The kept bits are put back, the other bits of a kept word stay erased.
    memory[CalibrationAddress] = KeptWord(before, CalibrationAddress);
    memory[FusesAddress] = KeptWord(before, FusesAddress);
    return memory;
}

int32_t TSoakWorker::KeptWord(const TMemory& before, int32_t address) const {
    // Both kept words lie in regions whose blank word is CodeDefault.
    const auto pending = FPendingBefore.find(address);
    if (before.at(address) == CodeDefault && pending != FPendingBefore.end()) return pending->second;
    const TChipRegion& region = FChip.RegionByAddress(address);
    for (const AddressAndMask_t& entry : region.Preserve)
        if (entry.Address == address) return region.RestoredWord(entry, before.at(address));
    return before.at(address);
}

namespace {

// The first word of `expected` that the target does not hold, as a violation.
void CompareMemory(const TMemory& after, const TMemory& expected, const std::string& what,
                   std::vector<std::string>& v) {
    for (const auto& [address, word] : expected) {
        if (after.at(address) != word) {
            v.push_back(what + ": target word 0x" + Hex(address, 6) + " = 0x" + Hex(after.at(address), 4) +
                        ", expected 0x" + Hex(word, 4));
            return;
        }
    }
}

} // namespace

struct TSoakWorker::TFaultEffect {
    bool Reached = true, MustFail = false;
    std::vector<TFailureKind> Kinds;
};

void TSoakWorker::CheckOutcome(const TOutcome& o, const TPlan& plan, const TMemory& before,
                               const TImage* image, std::vector<std::string>& v) {
    if (!o.Escaped.empty()) v.push_back("an exception not derived from Exception escaped: " + o.Escaped);
    if (o.PortOpen || o.Handle >= 0) v.push_back("the port is still open after Close");
    if (!o.CloseError.empty()) v.push_back("Close after the error raised: " + o.CloseError);
    CheckFailure(o, v);
    // What the fault must do to the operation. A time-out is accepted in place of the
    // fault's own kind: on a loaded machine any answer may come too late.
    const TFaultEffect e = FaultEffect(o, plan);
    if (!e.Reached)
        ++Stats.Faults[plan.Fault].NotReached;
    else if (plan.Fault != TFaultKind::None)
        ++Stats.FaultsTookEffect;
    if (e.MustFail && o.Ok) v.push_back("the fault took effect but the operation reported success");
    if (e.MustFail && !o.Ok && o.Escaped.empty()) {
        const bool fits = o.Kind == TFailureKind::NoAnswer ||
                          std::find(e.Kinds.begin(), e.Kinds.end(), o.Kind) != e.Kinds.end();
        if (!fits)
            v.push_back("a failure of kind \"" + std::string(KindName(o.Kind)) + "\" does not fit the fault");
    }
    if (plan.Fault == TFaultKind::NeverAnswer || plan.Fault == TFaultKind::SyncZero)
        if (!o.Ok && o.FirstLine != failed::Wakeup)
            v.push_back("a programmer that does not synchronise failed the step of \"" + o.FirstLine + "\"");
    CheckTargetState(o, plan, before, image, v);
}

void TSoakWorker::CheckFailure(const TOutcome& o, std::vector<std::string>& v) {
    if (o.Ok || !o.Escaped.empty()) return;
    for (const std::string& problem : CheckMessage(o.Message, o.Kind, o.FirstLine, o.PrefixOnly))
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

TSoakWorker::TFaultEffect TSoakWorker::FaultEffect(const TOutcome& o, const TPlan& plan) {
    TFaultEffect e;
    const size_t received = o.Received.size();
    switch (plan.Fault) {
    case TFaultKind::None:
        break;
    case TFaultKind::NeverAnswer:
        e.MustFail = true;
        break;
    case TFaultKind::SyncZero:
        e.MustFail = true;
        e.Kinds = {TFailureKind::WrongEcho};
        break;
    case TFaultKind::WrongEcho:
        e.Reached = received >= size_t(plan.Position);
        if (e.Reached) {
            const unsigned char byte = o.Received[size_t(plan.Position - 1)];
            // Reply characters are data and the synchronisation is retried: neither is compared.
            e.MustFail = byte != 'n' && byte != 0xFF;
        }
        e.Kinds = {TFailureKind::WrongEcho};
        break;
    case TFaultKind::BadRead:
        e.Reached = o.Received.find('r') != std::string::npos;
        e.MustFail = e.Reached && (o.Op == TOpKind::Read || o.Op == TOpKind::Erase || o.Op == TOpKind::Write);
        e.Kinds = {TFailureKind::UnreadableWord, TFailureKind::UnknownTarget};
        break;
    case TFaultKind::StopAfter:
        e.Reached = received > size_t(plan.Position);
        e.MustFail = e.Reached;
        break;
    case TFaultKind::LateWithin:
        e.Reached = o.Trace > plan.Position;
        // Counted, not judged: a loaded machine may add enough to pass the time-out.
        // Other failures are those a fault-free operation may have (a verify of a
        // target that an earlier faulted write left half-written).
        if (e.Reached && !o.Ok && o.Kind == TFailureKind::NoAnswer) ++Stats.LateWithinFailed;
        break;
    case TFaultKind::LateBeyond:
        e.Reached = o.Trace > plan.Position;
        e.MustFail = e.Reached;
        break;
    case TFaultKind::DropLine:
        e.Reached = o.Dropped;
        e.MustFail = e.Reached;
        e.Kinds = {TFailureKind::PortFailure, TFailureKind::NotOpened};
        break;
    case TFaultKind::UnknownTarget:
        e.Reached = o.Detected;
        e.MustFail = e.Reached;
        e.Kinds = {TFailureKind::UnknownTarget};
        break;
    }
    return e;
}

void TSoakWorker::CheckTargetState(const TOutcome& o, const TPlan& plan, const TMemory& before,
                                   const TImage* image, std::vector<std::string>& v) {
    const TMemory after = Snapshot();
    const bool changes = o.Op == TOpKind::Write || o.Op == TOpKind::Erase;
    if (!changes)
        CompareMemory(after, before,
                      o.Ok ? "unchanged by a successful operation" : "unchanged by a failed operation", v);
    if (o.Ok) {
        CheckSuccess(o, plan, before, after, image, v);
    } else if (changes && o.ErasePassed) {
        // The erase succeeded before a later step failed: the kept words are back.
        if (after.at(CalibrationAddress) != KeptWord(before, CalibrationAddress))
            v.push_back("the erase of a failed write left the calibration word 0x" +
                        Hex(after.at(CalibrationAddress), 4) + ", expected 0x" +
                        Hex(KeptWord(before, CalibrationAddress), 4));
    } else if (changes && o.FirstLine == failed::Erase) {
        CheckFailedErase(o, before, after, v);
    } else if (changes && after.at(CalibrationAddress) != before.at(CalibrationAddress)) {
        v.push_back("the calibration word was changed by a failure outside the erase");
    }

    CheckCalibration(o, before, after, v);
}

void TSoakWorker::CheckSuccess(const TOutcome& o, const TPlan& plan, const TMemory& before,
                               const TMemory& after, const TImage* image, std::vector<std::string>& v) {
    switch (o.Op) {
    case TOpKind::Erase:
        CompareMemory(after, Erased(before), "after a successful erase", v);
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
        CompareMemory(after, expected, "after a successful write", v);
        break;
    }
    case TOpKind::Read:
    case TOpKind::Verify:
        for (const TChipRegion& region : FChip.Regions) {
            for (int32_t i = 0; i < region.Size; ++i) {
                const int32_t address = region.Start + i;
                const int32_t buffer = Dev.Session()->Words(region)[size_t(i)];
                const bool checked = o.Op == TOpKind::Read || buffer != region.Default;
                // A verify compares only the bits the chip does not keep for itself: a
                // calibration word read earlier may be gone from a chip a failed erase
                // left without it, and the verify still rightly succeeds.
                const int32_t compared = o.Op == TOpKind::Read ? -1 : region.VerifiedBits(address);
                if (checked && ((after.at(address) ^ buffer) & compared) != 0) {
                    v.push_back(std::string(Name(o.Op)) + " succeeded but buffer word 0x" + Hex(address, 6) +
                                " = 0x" + Hex(buffer, 4) + " differs from the target's 0x" +
                                Hex(after.at(address), 4));
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
}

void TSoakWorker::CheckCalibration(const TOutcome& o, const TMemory& before, const TMemory& after,
                                   std::vector<std::string>& v) {
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
        const TMemory pending = Dev.PendingPreserved(FChip.Name);
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
    // Every kept word the erase took is named. A word the failure left as it was (the
    // erase command may not have reached the chip) was not taken.
    for (int32_t address : {CalibrationAddress, FusesAddress}) {
        const int32_t expected = KeptWord(before, address);
        const bool untouched = after.at(address) == before.at(address) && before.at(address) != CodeDefault;
        if (after.at(address) == expected || untouched) continue;
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
    if (Dev.PendingPreserved(FChip.Name) != named)
        v.push_back("the driver holds other preserved words than its message names");
}

} // namespace vesk::soak
