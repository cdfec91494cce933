#include "ops/Operations.h"

#include "VESK_Exception.h"
#include "driver/DeviceVESK1.h"
#include "driver/DeviceVESK1Failures.h"

namespace vesk::ops {

namespace {

const TChipRegion* RegionAt(const TChipDefinition* chip, int32_t address) {
    if (chip != nullptr)
        for (const TChipRegion& region : chip->Regions)
            if (region.Contains(address)) return &region;
    return nullptr;
}

// One operation under way: its steps run through the caller's hooks, and the driver's
// progress goes to the caller with the running step's name while it lasts.
class TRun {
  public:
    TRun(TDeviceVESK1& device, const THooks& hooks, const TRequest& request)
        : FDevice(device), FHooks(hooks), FRequest(request) {
        FSavedRead = std::move(FDevice.OnCalibrationRead);
        FSavedRestore = std::move(FDevice.OnCalibrationRestore);
        FDevice.OnCalibrationRead = [this](const TCalibrationRead_t& read) { Remember(read); };
        FDevice.OnCalibrationRestore = [this](const TCalibrationRead_t& read) { return Restore(read); };
        if (!FHooks.Progress) return;
        FSavedProgress = std::move(FDevice.OnProgress);
        FDevice.OnProgress = [this](int value) { Progress(value); };
    }
    ~TRun() {
        FDevice.OnCalibrationRead = std::move(FSavedRead);
        FDevice.OnCalibrationRestore = std::move(FSavedRestore);
        if (FHooks.Progress) FDevice.OnProgress = std::move(FSavedProgress);
    }
    TRun(const TRun&) = delete;
    TRun& operator=(const TRun&) = delete;

    void Step(TStepId id, int16_t regions = AllRegions, std::string* text = nullptr);
    void Call(const std::function<void()>& hook) const {
        if (hook) hook();
    }
    // Runs `sequence`; on a failure the caller hears of it, the port is closed and the
    // error goes on.
    void Guarded(const std::function<void()>& sequence);
    // Open, Wakeup, Activate, SetBaudRate and the target detected when none is chosen.
    void Connect();

    TDeviceVESK1& Device() { return FDevice; }
    const TRequest& Request() const { return FRequest; }

  private:
    void Progress(int value);
    void CloseAfterFailure();
    // A valid calibration word read, into the memory.
    void Remember(const TCalibrationRead_t& read);
    // The word an erase writes back for a calibration word: the user's own, else the
    // caller's answer when the word read is none; a stop otherwise.
    std::optional<int32_t> Restore(const TCalibrationRead_t& read);

    TDeviceVESK1& FDevice;
    const THooks& FHooks;
    TRequest FRequest;
    TProgressEvent FSavedProgress;
    TStep FStep;
    decltype(TDeviceVESK1::OnCalibrationRead) FSavedRead;
    decltype(TDeviceVESK1::OnCalibrationRestore) FSavedRestore;
    std::string FStepName;
    bool FAnnounced = false;
    TProgress FProgress;
};

void TRun::Step(TStepId id, int16_t regions, std::string* text) {
    const TStep step{id, regions};
    FStep = step;
    FStepName = StepName(step);
    FAnnounced = false;
    TStepArgs args{FRequest.BaudIndex, FRequest.Lines, FRequest.Polarity, FHooks.Image, text};
    const std::function<void()> body = [&] {
        // Words given for addresses that hold none, or invalid ones, stop the erase
        // before anything is read.
        if (id == TStepId::Erase && !FRequest.Calibration.empty() && FDevice.Target() != nullptr)
            WithContext(failed::Erase,
                        [&] { CheckGivenCalibration(*FDevice.Target(), FRequest.Calibration); });
        Perform(FDevice, step, args);
    };
    if (FHooks.RunStep)
        FHooks.RunStep(step, body);
    else
        body();
}

void TRun::Progress(int value) {
    // The driver announces a step's words (as -n) before the first of them, so the
    // step's first value is its total even when it has none: -0 reads as address 0.
    if (!FAnnounced) {
        FAnnounced = true;
        FProgress = {FStepName, 0, -value};
    } else {
        ++FProgress.Done;
        const TChipRegion* region = FStep.Regions == AllRegions ? RegionAt(FDevice.Target(), value) : nullptr;
        if (region != nullptr) FProgress.Step = FStepName + " " + region->Name;
    }
    FHooks.Progress(FProgress);
}

void TRun::Remember(const TCalibrationRead_t& read) {
    if (FHooks.Calibrations == nullptr || FDevice.Target() == nullptr) return;
    FHooks.Calibrations->Append(
        {"", FDevice.ComPort(), FDevice.Target()->Name, read.Calibration.Address, read.Word});
}

std::optional<int32_t> TRun::Restore(const TCalibrationRead_t& read) {
    const int32_t address = read.Calibration.Address;
    if (const auto given = FRequest.Calibration.find(address); given != FRequest.Calibration.end())
        return given->second;
    if (read.Calibration.Accepts(read.Word)) return std::nullopt;
    const TChipDefinition& chip = *FDevice.Target();
    TCalibrationQuestion question{chip.Name,
                                  FDevice.ComPort(),
                                  address,
                                  read.Word,
                                  read.Calibration,
                                  read.Calibration.FormText(read.Region.ImplementedBits(address)),
                                  GivenWordBits(read.Region, address),
                                  {}};
    if (FHooks.Calibrations != nullptr)
        question.Last = FHooks.Calibrations->Last(chip.Name, question.Port, address);
    if (FHooks.Calibration)
        if (const std::optional<int32_t> word = FHooks.Calibration(question)) return word;
    const std::string seen = LastSeenText(question);
    throw Exception(failed::CalibrationNotValid(chip, read) + (seen.empty() ? "" : "\n" + seen),
                    TFailureKind::BadCalibration);
}

void TRun::Guarded(const std::function<void()>& sequence) {
    try {
        sequence();
    } catch (const std::exception& e) {
        if (FHooks.Failed) FHooks.Failed(e);
        CloseAfterFailure();
        throw;
    } catch (...) {
        CloseAfterFailure();
        throw;
    }
}

void TRun::CloseAfterFailure() {
    // Left open, a port whose adapter was unplugged would stay "connected" on a dead
    // device, and the next Open would keep it instead of opening it afresh.
    try {
        FDevice.Close();
    } catch (...) {
        if (FHooks.CloseFailed) FHooks.CloseFailed();
    }
}

void TRun::Connect() {
    Step(TStepId::Open);
    Call(FHooks.Opened);
    Step(TStepId::Wakeup);
    Step(TStepId::Activate);
    Step(TStepId::SetBaudRate);
    if (FDevice.Target() == nullptr) Step(TStepId::DetectTarget);
    Call(FHooks.Connected);
}

} // namespace

void DetectDevice(TDeviceVESK1& device, const THooks& hooks) {
    TRun run(device, hooks, {});
    run.Guarded([&] {
        run.Step(TStepId::Open);
        run.Step(TStepId::Wakeup);
        run.Call(hooks.Awake);
        std::string type, version;
        run.Step(TStepId::GetType, AllRegions, &type);
        if (!type.empty()) run.Step(TStepId::GetVersion, AllRegions, &version);
        if (hooks.Detected) hooks.Detected(type, version);
        run.Step(TStepId::Close);
    });
}

void DetectTarget(TDeviceVESK1& device, const THooks& hooks) {
    TRun run(device, hooks, {});
    run.Guarded([&] {
        run.Step(TStepId::Open);
        run.Step(TStepId::Wakeup);
        // An ID that matches no chip fails here, also with a chip chosen (which stays
        // chosen); an unreadable ID keeps a chosen chip.
        run.Step(TStepId::DetectTarget);
        run.Call(hooks.Connected);
        run.Step(TStepId::RunTarget);
        run.Step(TStepId::Close);
    });
}

void Write(TDeviceVESK1& device, const TRequest& request, const THooks& hooks) {
    TRun run(device, hooks, request);
    run.Guarded([&] {
        run.Connect();
        run.Step(TStepId::LoadImage);
        run.Call(hooks.BufferLoaded);
        // Only a write of every region starts from an erased chip.
        if (request.Regions == AllRegions) run.Step(TStepId::Erase);
        for (const TDeviceVESK1::WriteStep_t& s : device.WriteSteps(request.Regions, request.Verify))
            run.Step(s.Verify ? TStepId::Verify : TStepId::Write, s.Regions);
        run.Step(TStepId::RunTarget);
        run.Step(TStepId::Close);
    });
}

void Read(TDeviceVESK1& device, const TRequest& request, const THooks& hooks) {
    TRun run(device, hooks, request);
    run.Guarded([&] {
        run.Connect();
        run.Step(TStepId::Read, request.Regions);
        run.Step(TStepId::RunTarget);
        run.Step(TStepId::Close);
    });
}

void Verify(TDeviceVESK1& device, const TRequest& request, const THooks& hooks) {
    TRun run(device, hooks, request);
    run.Guarded([&] {
        run.Connect();
        if (hooks.Image) {
            run.Step(TStepId::LoadImage);
            run.Call(hooks.BufferLoaded);
        }
        run.Step(TStepId::Verify, request.Regions);
        run.Step(TStepId::RunTarget);
        run.Step(TStepId::Close);
    });
}

void Erase(TDeviceVESK1& device, const TRequest& request, const THooks& hooks) {
    TRun run(device, hooks, request);
    run.Guarded([&] {
        run.Connect();
        // No region loop: a stop request does not interrupt it.
        run.Step(TStepId::Erase);
        run.Step(TStepId::Close);
    });
}

void Run(TDeviceVESK1& device, const THooks& hooks) {
    TRun run(device, hooks, {});
    run.Guarded([&] {
        run.Step(TStepId::Open);
        run.Step(TStepId::Wakeup);
        run.Step(TStepId::StopTarget);
        run.Step(TStepId::RunTarget);
        run.Step(TStepId::Close);
    });
}

void EnterPassThrough(TDeviceVESK1& device, const TRequest& request, const THooks& hooks) {
    TRun run(device, hooks, request);
    run.Guarded([&] {
        run.Step(TStepId::Open);
        run.Step(TStepId::Wakeup);
        run.Step(TStepId::PassThrough);
        run.Step(TStepId::Close);
    });
}

void LeavePassThrough(TDeviceVESK1& device, const TRequest& request, const THooks& hooks) {
    TRun run(device, hooks, request);
    run.Guarded([&] {
        // The wake-up ends pass-through; the programmer then runs at its rate.
        run.Step(TStepId::Open);
        run.Step(TStepId::Wakeup);
        run.Step(TStepId::SetBaudRate);
        run.Step(TStepId::Close);
    });
}

} // namespace vesk::ops
