// One operation through the operation layer, with its fault in force, and what it
// left behind.
#include "SoakWorkerParts.h"

#include "VESK_Exception.h"
#include "driver/DeviceVESK1Failures.h"
#include "hexfile/IntelHexFile.h"
#include "ops/Operations.h"

#include <chrono>

namespace vesk::soak {

namespace {

using TClock = std::chrono::steady_clock;

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(TClock::now().time_since_epoch()).count();
}

} // namespace

// The hooks through which an operation tells its outcome: the step running (the
// first line its failure must have), whether the target was detected and the erase
// passed, the programmer's answers, the image written, a failing Close.
ops::THooks TSoakWorker::OutcomeHooks(TOutcome& o, int8_t baudIndex, const TIntelHexFile* file) {
    ops::THooks hooks;
    hooks.RunStep = [&o, baudIndex](const ops::TStep& step, const std::function<void()>& body) {
        o.StepLine = ops::FailureLine(step, baudIndex);
        o.StepPrefixOnly = step.Id == ops::TStepId::Verify;
        if (step.Id == ops::TStepId::DetectTarget) o.Detected = true;
        body();
        if (step.Id == ops::TStepId::Erase) o.ErasePassed = true;
    };
    hooks.Detected = [&o](const std::string& type, const std::string& version) {
        o.Type = type;
        o.Version = version;
    };
    if (file) hooks.Image = [file]() -> const TIntelHexFile& { return *file; };
    hooks.CloseFailed = [&o] {
        try {
            throw;
        } catch (const Exception& e) {
            o.CloseError = e.Message();
        } catch (const std::exception& e) {
            o.CloseError = e.what();
        }
    };
    return hooks;
}

// Late answers start (and for LateWithin end again) at a byte of the operation.
std::function<void(uint8_t, int)> TSoakWorker::TraceCounter(const TPlan& plan, int64_t& trace,
                                                            int64_t& unanswered) {
    return [this, &plan, &trace, &unanswered](uint8_t, int answer) {
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
}

void TSoakWorker::RunOperation(TOpKind op, const ops::TRequest& request, const ops::THooks& hooks) {
    switch (op) {
    case TOpKind::Write:
        return ops::Write(Dev, request, hooks);
    case TOpKind::Read:
        return ops::Read(Dev, request, hooks);
    case TOpKind::Verify:
        return ops::Verify(Dev, request, hooks);
    case TOpKind::Erase:
        return ops::Erase(Dev, request, hooks);
    case TOpKind::DetectTarget:
        return ops::DetectTarget(Dev, hooks);
    case TOpKind::DetectProgrammer:
        return ops::DetectDevice(Dev, hooks);
    }
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
    if (image) file.LoadFromText(HexText(*image), "soak.hex");
    if (plan.ClearTarget) Dev.SetTarget(nullptr);
    FSim->SetFaults(plan.Faults);
    FSim->ClearReceived();
    int64_t trace = 0, unanswered = 0;
    Dev.OnTrace = TraceCounter(plan, trace, unanswered);
    ops::TRequest request;
    request.Verify = verifyAfterWrite;
    request.BaudIndex = plan.BaudIndex;
    const auto start = TClock::now();
    OpStartedNs = NowNs();
    try {
        RunOperation(op, request, OutcomeHooks(o, plan.BaudIndex, image ? &file : nullptr));
        o.Ok = true;
    } catch (const Exception& e) {
        o.Message = e.Message();
        o.Kind = e.Kind();
        o.FirstLine = o.StepLine;
        o.PrefixOnly = o.StepPrefixOnly;
    } catch (const std::exception& e) {
        o.Escaped = std::string(e.what()) + " (in the step of \"" + o.StepLine + "\")";
    }
    o.Ms = std::chrono::duration<double, std::milli>(TClock::now() - start).count();
    OpStartedNs = 0;
    Dev.OnTrace = nullptr;
    o.PortOpen = Port().Connected();
    o.Handle = Port().Handle();
    o.Trace = trace;
    o.Unanswered = unanswered;
    // The programmer has handled every byte before its memory is looked at, and before
    // the line counts as kept: the byte that drops it may still be on its way when the
    // driver has given up waiting for its answer (a loaded machine), and a drop found
    // only later would leave the simulator without its port, one descriptor short.
    FSim->WaitHandled(size_t(trace), 5000);
    o.Dropped = FSim->LineDropped();
    o.Received = FSim->Received();
    FSim->SetFaults({});
    return o;
}

} // namespace vesk::soak
