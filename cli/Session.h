// The exit status of a failed step.
//
// Every driver call goes through `Step`, which decides the exit status of a failure by
// the step that failed - not by the wording of the message:
//   Open, Wakeup                         -> 4 (programmer not opened / no answer)
//   reading the image, LoadBuffer        -> 6 (image missing or malformed)
//   DetectTarget                         -> 5 when the root cause is an unknown target
//                                           ("Unknown target..."), else 1
//   VerifyRegions                        -> 3 when the root cause is a difference
//                                           ("Data verify error..."), else 1
//   every other step                     -> 1
// For the last two the driver raises one error type for every cause, so the step alone
// cannot tell a time-out from the finding; the root cause (the last line of the chained
// message) settles it. After Ctrl-C every failure, and the next step, ends with 1.
#pragma once

#include "cli/ExitStatus.h"
#include "cli/Interrupt.h"

#include "VESK_Exception.h"

#include <string>
#include <utility>

namespace vesk::cli {

enum class TStep { Connect, Image, Detect, Verify, Other };

// The exit status of a failure in `step` with the chained `message`.
int ClassifyFailure(TStep step, const std::string& message);

// Runs one step; an `Exception` it raises becomes an `ECommand` with the message as
// raised and the status of `ClassifyFailure`.
template <class Body> decltype(auto) Step(TStep step, Body&& body) {
    if (Interrupted()) throw ECommand(ExitFailed, "Aborted by user");
    try {
        return std::forward<Body>(body)();
    } catch (const Exception& e) {
        throw ECommand(ClassifyFailure(step, e.Message()), e.Message());
    }
}

} // namespace vesk::cli
