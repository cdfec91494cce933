// The exit status of a failed step.
//
// Every driver call goes through `Step`, which decides the exit status of a failure by
// the step that failed - not by the wording of the message:
//   Open, Wakeup                         -> 4 (programmer not opened / no answer)
//   reading the image, LoadBuffer        -> 6 (image missing or malformed)
//   DetectTarget                         -> 5 when the failure's kind is an unknown
//                                           target, else 1
//   VerifyRegions                        -> 3 when the failure's kind is a verify
//                                           difference, else 1
//   every other step                     -> 1
// For the last two the step alone cannot tell a time-out from the finding; the kind
// the driver raised the failure with settles it. After Ctrl-C every failure, and the
// next step, ends with 1.
#pragma once

#include "cli/ExitStatus.h"
#include "cli/Interrupt.h"

#include "VESK_Exception.h"

#include <string>
#include <utility>

namespace vesk::cli {

enum class TStep { Connect, Image, Detect, Verify, Other };

// The exit status of a failure of `kind` in `step`.
int ClassifyFailure(TStep step, TFailureKind kind);

// Runs one step; an `Exception` it raises becomes an `ECommand` with the message as
// raised and the status of `ClassifyFailure`.
template <class Body> decltype(auto) Step(TStep step, Body&& body) {
    if (Interrupted()) throw ECommand(ExitFailed, "Aborted by user");
    try {
        return std::forward<Body>(body)();
    } catch (const Exception& e) {
        throw ECommand(ClassifyFailure(step, e.Kind()), e.Message());
    }
}

} // namespace vesk::cli
