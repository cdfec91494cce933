#include "cli/Session.h"

#include "driver/DeviceVESK1.h"

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

TConnection::TConnection(TDeviceVESK1& driver, std::string& closeError)
    : FDriver(driver), FCloseError(closeError) {
    // Open may fail half way; the destructor's Close then still runs.
    try {
        Step(TStep::Connect, [&] { FDriver.Open(); });
    } catch (...) {
        FOpen = false;
        try {
            FDriver.Close();
        } catch (...) {
            // The open error is the one to report.
        }
        throw;
    }
}

TConnection::~TConnection() {
    if (!FOpen) return;
    FOpen = false;
    try {
        FDriver.Close();
    } catch (const Exception& e) {
        FCloseError = e.Message();
    }
}

void TConnection::Close() {
    if (!FOpen) return;
    FOpen = false;
    try {
        FDriver.Close();
    } catch (const Exception& e) {
        throw ECommand(ExitFailed, e.Message());
    }
}

} // namespace vesk::cli
