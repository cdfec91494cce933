#include "cli/Session.h"

namespace vesk::cli {

namespace {

std::string RootCause(const std::string& message) {
    const size_t lastBreak = message.find_last_of('\n');
    return lastBreak == std::string::npos ? message : message.substr(lastBreak + 1);
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

int ClassifyFailure(TStep step, const std::string& message) {
    if (Interrupted()) return ExitFailed;
    switch (step) {
    case TStep::Connect:
        return ExitProgrammer;
    case TStep::Image:
        return ExitFile;
    case TStep::Detect:
        return StartsWith(RootCause(message), "Unknown target") ? ExitTarget : ExitFailed;
    case TStep::Verify:
        return StartsWith(RootCause(message), "Data verify error") ? ExitVerify : ExitFailed;
    case TStep::Other:
        break;
    }
    return ExitFailed;
}

} // namespace vesk::cli
