// The fault of one operation: what the simulated programmer does wrong, and from
// which byte on.
#include "SoakWorkerParts.h"

#include <algorithm>

namespace vesk::soak {

std::string TSoakWorker::TPlan::Text() const {
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

} // namespace vesk::soak
