#include "ops/Steps.h"

#include "driver/DeviceVESK1.h"
#include "driver/DeviceVESK1Failures.h"
#include "hexfile/IntelHexFile.h"

namespace vesk::ops {

namespace {

struct TStepText {
    TStepId Id;
    const char* Name;
    const char* FailureLine;
};

// Every step's name and the first line of its failure (SetBaudRate's carries the
// rate, a verify's the region: both are completed below).
constexpr TStepText StepTexts[] = {
    {TStepId::Open, "Open", failed::Open},
    {TStepId::Wakeup, "Wake up", failed::Wakeup},
    {TStepId::Activate, "Activate", failed::Activate},
    {TStepId::SetBaudRate, "Set baud rate", ""},
    {TStepId::DetectTarget, "Detect target", failed::DetectTarget},
    {TStepId::GetType, "Get type", failed::GetType},
    {TStepId::GetVersion, "Get version", failed::GetVersion},
    {TStepId::LoadImage, "Load image", failed::LoadBuffer},
    {TStepId::Erase, "Erase", failed::Erase},
    {TStepId::Write, "Write", failed::Write},
    {TStepId::Verify, "Verify", failed::RegionVerify},
    {TStepId::Read, "Read", failed::Read},
    {TStepId::GetTargetId, "Get target ID", failed::GetTargetId},
    {TStepId::StopTarget, "Stop target", failed::StopTarget},
    {TStepId::RunTarget, "Run target", failed::RunTarget},
    {TStepId::PassThrough, "Pass-through", failed::PassThrough},
    {TStepId::Close, "Close", failed::Close},
};

const TStepText& TextOf(TStepId id) {
    for (const TStepText& text : StepTexts)
        if (text.Id == id) return text;
    return StepTexts[0];
}

bool HasRegions(TStepId id) {
    return id == TStepId::Write || id == TStepId::Verify || id == TStepId::Read;
}

} // namespace

std::string StepName(const TStep& step) {
    std::string name = TextOf(step.Id).Name;
    if (HasRegions(step.Id) && step.Regions != AllRegions)
        for (const NameAndCode_t& region : RegionNameTable)
            if (region.Code == step.Regions) name += " " + std::string(region.Name);
    return name;
}

std::string FailureLine(const TStep& step, int8_t baudIndex) {
    if (step.Id == TStepId::SetBaudRate) return failed::SetBaudRate(baudIndex);
    if (step.Id == TStepId::Verify) return std::string(failed::RegionVerify) + "0x";
    return TextOf(step.Id).FailureLine;
}

void Perform(TDeviceVESK1& device, const TStep& step, const TStepArgs& args) {
    switch (step.Id) {
    case TStepId::Open:
        return device.Open();
    case TStepId::Wakeup:
        return device.Wakeup();
    case TStepId::Activate:
        return device.Activate();
    case TStepId::SetBaudRate:
        return device.SetBaudRate(args.BaudIndex);
    case TStepId::DetectTarget:
        return device.DetectTarget();
    case TStepId::GetType:
        *args.Text = device.GetType();
        return;
    case TStepId::GetVersion:
        *args.Text = device.GetVersion();
        return;
    case TStepId::LoadImage:
        device.LoadBuffer(args.Image());
        return;
    case TStepId::Erase:
        return device.EraseChip();
    case TStepId::Write:
        return device.WriteRegions(step.Regions);
    case TStepId::Verify:
        return device.VerifyRegions(step.Regions);
    case TStepId::Read:
        return device.ReadRegions(step.Regions);
    case TStepId::GetTargetId:
        *args.Text = device.GetTargetID();
        return;
    case TStepId::StopTarget:
        return device.StopTarget();
    case TStepId::RunTarget:
        return device.RunTarget();
    case TStepId::PassThrough:
        return device.EnterPassThrough(args.Lines, args.Polarity);
    case TStepId::Close:
        return device.Close();
    }
}

} // namespace vesk::ops
