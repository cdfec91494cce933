// One step of a programming operation: a single driver call (or the image loaded into
// the buffer), named for the caller's display and error handling.
#pragma once

#include "chipdef/ChipDefinition.h"

#include <cstdint>
#include <functional>
#include <string>

namespace vesk {
class TDeviceVESK1;
class TIntelHexFile;
} // namespace vesk

namespace vesk::ops {

enum class TStepId {
    Open,
    Wakeup,
    Activate,
    SetBaudRate,
    DetectTarget,
    GetType,
    GetVersion,
    LoadImage, // the caller's image read and loaded into the target's buffer
    Erase,
    Write,
    Verify,
    Read,
    GetTargetId,
    StopTarget,
    RunTarget,
    PassThrough,
    Close,
};

struct TStep {
    TStepId Id = TStepId::Open;
    int16_t Regions = AllRegions; // Write, Verify, Read
};

// The step's name as a user reads it: "Erase", "Write Code", "Verify Data", "Read";
// a step over all regions carries no region name.
std::string StepName(const TStep& step);

// Progress of the running step, as the user sees it: the step's name (a step over
// all regions adds the name of the region whose word is in progress: "Write Code"),
// the words done and the words it has in all. Each step starts at 0 of its total.
struct TProgress {
    std::string Step;
    int Done = 0;
    int Total = 0;
};

// What a step needs besides the driver.
struct TStepArgs {
    int8_t BaudIndex = 1;                        // SetBaudRate
    uint8_t Lines = 0, Polarity = 0;             // PassThrough
    std::function<const TIntelHexFile&()> Image; // LoadImage
    std::string* Text = nullptr;                 // GetType, GetVersion, GetTargetId: the answer
};

// The first line of the message a failure of the step starts with: the driver's
// context line of its call. A verify has none of its own: its line only begins with
// this one, which the failing region's code completes.
std::string FailureLine(const TStep& step, int8_t baudIndex);

// The driver call of one step.
void Perform(TDeviceVESK1& device, const TStep& step, const TStepArgs& args);

} // namespace vesk::ops
