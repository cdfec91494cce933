#include "cli/Watch.h"

#include "cli/Commands.h"
#include "cli/Interrupt.h"
#include "cli/RunLog.h"

#include "hexfile/ImageFileWatch.h"

#include <chrono>
#include <cstdio>
#include <ostream>
#include <thread>

namespace vesk::cli {

namespace {

// How often the file is looked at: well below the settle time, so that a change is
// taken about half a second after the build tool has finished.
constexpr std::chrono::milliseconds LookEvery{100};

// The time of day of an ISO 8601 time stamp: "2026-12-09T07:24:30+01:00" -> "07:24:30".
std::string TimeOfDay() {
    return NowIso8601().substr(11, 8);
}

int RunOnce(const TOptions& options, std::ostream& out, std::ostream& err, bool errIsTerminal,
            const TEnvironment& environment) {
    const std::string time = TimeOfDay();
    const auto start = std::chrono::steady_clock::now();
    const int status = RunCommand(options, out, err, errIsTerminal, environment);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    out << WatchRunLine(time, status, seconds) << std::flush;
    // The run put Ctrl-C back to its default; while waiting it only ends the watch.
    CatchInterrupt();
    return status;
}

} // namespace

std::string WatchRunLine(const std::string& time, int status, double seconds) {
    char line[96];
    const std::string result = status == 0 ? "ok" : "failed (" + std::to_string(status) + ")";
    std::snprintf(line, sizeof line, "%s  %s  %.1f s\n", time.c_str(), result.c_str(), seconds);
    return line;
}

int WatchAndWrite(const TOptions& options, std::ostream& out, std::ostream& err, bool errIsTerminal,
                  const TEnvironment& environment) {
    TImageFileWatch watch;
    watch.Watch(options.File);
    err << "vesk: writing " << options.File << " now and whenever it changes; Ctrl-C ends\n" << std::flush;
    int status = RunOnce(options, out, err, errIsTerminal, environment);
    while (!Interrupted()) {
        std::this_thread::sleep_for(LookEvery);
        switch (watch.Check(TImageFileWatch::TClock::now())) {
        case TImageFileWatch::TResult::Ready:
            status = RunOnce(options, out, err, errIsTerminal, environment);
            break;
        case TImageFileWatch::TResult::Incomplete:
            err << TimeOfDay() << "  not a whole image, not written:\n"
                << watch.Message() << "\n"
                << std::flush;
            break;
        case TImageFileWatch::TResult::Unchanged:
            break;
        }
    }
    return status;
}

} // namespace vesk::cli
