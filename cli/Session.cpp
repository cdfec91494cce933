#include "cli/Session.h"

namespace vesk::cli {

int ClassifyFailure(TStep step, TFailureKind kind) {
    if (Interrupted()) return ExitFailed;
    switch (step) {
    case TStep::Connect:
        return ExitProgrammer;
    case TStep::Image:
        return ExitFile;
    case TStep::Detect:
        return kind == TFailureKind::UnknownTarget ? ExitTarget : ExitFailed;
    case TStep::Verify:
        return kind == TFailureKind::VerifyDifference ? ExitVerify : ExitFailed;
    case TStep::Other:
        break;
    }
    return ExitFailed;
}

} // namespace vesk::cli
