// vesk_soak: thousands of programmer operations against simulated programmers that
// misbehave at random - silent, late, wrong echoes, unreadable words, unknown
// targets, an adapter unplugged in the middle of an operation - each followed by
// checks of the message, the port, the time it took and the target memory.
//
//   vesk_soak [--ops N] [--seed S] [--seconds T] [--workers W] [--timeout MS] [--verbose]
//
// Environment: VESK_SOAK_OPS, VESK_SOAK_SEED, VESK_SOAK_SECONDS, VESK_SOAK_WORKERS
// (the arguments win). Exit status 0 when every operation kept every rule.
#include "SoakChip.h"
#include "SoakWorker.h"

#include "chipdef/ChipDefinitions.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

using namespace vesk;
using namespace vesk::soak;

namespace {

using TClock = std::chrono::steady_clock;

std::mutex PrintMutex;

void PrintLine(const std::string& text) {
    std::lock_guard lock(PrintMutex);
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

int CountDescriptors() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

// Workers stop between two operations while the descriptors are counted.
class TQuietPoint {
  public:
    explicit TQuietPoint(int workers) : FActive(workers) {}

    // Called by a worker between operations.
    void Pass() {
        std::unique_lock lock(FMutex);
        if (!FRequested) return;
        ++FWaiting;
        FCv.notify_all();
        FCv.wait(lock, [&] { return !FRequested; });
        --FWaiting;
    }
    void Leave() {
        std::lock_guard lock(FMutex);
        --FActive;
        FCv.notify_all();
    }
    // Runs `body` while every active worker waits; false when they did not come to
    // rest in time (an operation is still running).
    template <class Body> bool Run(Body&& body, std::chrono::milliseconds limit) {
        std::unique_lock lock(FMutex);
        FRequested = true;
        const bool quiet = FCv.wait_for(lock, limit, [&] { return FWaiting == FActive; });
        if (quiet) body();
        FRequested = false;
        FCv.notify_all();
        return quiet;
    }

  private:
    std::mutex FMutex;
    std::condition_variable FCv;
    bool FRequested = false;
    int FWaiting = 0;
    int FActive;
};

bool ReadNumber(const char* text, double& out) {
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || value < 0) return false;
    out = value;
    return true;
}

int Usage() {
    std::fprintf(stderr, "usage: vesk_soak [--ops N] [--seed S] [--seconds T] [--workers W] [--timeout MS] "
                         "[--verbose]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    TSoakConfig config;
    config.Seed = std::random_device{}();
    config.Seed = (config.Seed << 32) ^ uint64_t(std::chrono::system_clock::now().time_since_epoch().count());
    config.Seed &= 0xFFFFFFFFFFFFULL;
    struct TSetting {
        const char* Option;
        const char* Env;
    };
    auto apply = [&](const std::string& name, const char* text) -> bool {
        double value = 0;
        if (name == "seed") {
            char* end = nullptr;
            config.Seed = std::strtoull(text, &end, 0);
            return end != text && *end == '\0';
        }
        if (!ReadNumber(text, value)) return false;
        if (name == "ops")
            config.FaultedOps = int64_t(value);
        else if (name == "seconds")
            config.Seconds = value;
        else if (name == "workers")
            config.Workers = std::max(1, int(value));
        else if (name == "timeout")
            config.TimeoutMs = std::max(1, int(value));
        return true;
    };
    for (const char* name : {"ops", "seed", "seconds", "workers"}) {
        std::string env = std::string("VESK_SOAK_") + name;
        for (char& c : env)
            c = char(std::toupper(static_cast<unsigned char>(c)));
        if (const char* text = std::getenv(env.c_str()); text && *text && !apply(name, text)) {
            std::fprintf(stderr, "vesk_soak: bad %s: %s\n", env.c_str(), text);
            return 2;
        }
    }
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--verbose") {
            config.Verbose = true;
        } else if (arg.rfind("--", 0) == 0 && i + 1 < argc &&
                   (arg == "--ops" || arg == "--seed" || arg == "--seconds" || arg == "--workers" ||
                    arg == "--timeout")) {
            if (!apply(arg.substr(2), argv[++i])) {
                std::fprintf(stderr, "vesk_soak: bad value for %s: %s\n", arg.c_str(), argv[i]);
                return 2;
            }
        } else {
            return Usage();
        }
    }

    std::printf("vesk_soak: seed %llu (VESK_SOAK_SEED or --seed to repeat), %lld faulted operations, "
                "at most %.0f s, %d workers, time-out %d ms per byte\n",
                static_cast<unsigned long long>(config.Seed), static_cast<long long>(config.FaultedOps),
                config.Seconds, config.Workers, config.TimeoutMs);
    std::fflush(stdout);

    TSoakWorker::Print = PrintLine;
    try {
        LoadSoakChips(config.Workers);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vesk_soak: %s\n", e.what());
        return 2;
    }

    const int fdsBefore = CountDescriptors();
    std::vector<std::unique_ptr<TSoakWorker>> workers;
    for (int i = 0; i < config.Workers; ++i)
        workers.push_back(std::make_unique<TSoakWorker>(i, config));
    const int fdsRunning = CountDescriptors();

    std::atomic<int64_t> claimed{0};
    std::atomic<bool> stop{false};
    TQuietPoint quiet(config.Workers);
    const auto start = TClock::now();
    auto elapsed = [&] { return std::chrono::duration<double>(TClock::now() - start).count(); };

    std::vector<std::thread> threads;
    for (auto& worker : workers) {
        threads.emplace_back([&, w = worker.get()] {
            // Every worker starts from a checked target memory.
            w->RunMemoryCheck();
            int sinceCheck = 0;
            while (!stop) {
                quiet.Pass();
                if (elapsed() >= config.Seconds || claimed.fetch_add(1) >= config.FaultedOps) break;
                const int64_t replugs = w->Stats.Replugs;
                w->RunFaulted();
                // The driver must work on the replugged adapter at once.
                if (++sinceCheck >= config.CheckEvery || w->Stats.Replugs != replugs) {
                    w->RunMemoryCheck();
                    sinceCheck = 0;
                }
            }
            quiet.Leave();
        });
    }

    // Watch for hangs, and count descriptors at quiet points now and then.
    constexpr double HangSeconds = 60;
    int fdChecks = 0, fdMismatches = 0;
    int lastFdCount = fdsRunning;
    auto nextQuiet = TClock::now() + std::chrono::seconds(10);
    std::atomic<int> running{config.Workers};
    std::thread joiner([&] {
        for (auto& t : threads)
            t.join();
        running = 0;
    });
    while (running > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        for (auto& worker : workers) {
            const int64_t started = worker->OpStartedNs;
            const double seconds =
                started
                    ? (std::chrono::duration_cast<std::chrono::nanoseconds>(TClock::now().time_since_epoch())
                           .count() -
                       started) /
                          1e9
                    : 0;
            if (seconds > HangSeconds) {
                PrintLine("VIOLATION hang: " + worker->Describe() + " has run for " +
                          std::to_string(int(seconds)) + " s\nsoak: 0 passed, 1 failed");
                std::_Exit(1);
            }
        }
        if (TClock::now() >= nextQuiet) {
            quiet.Run(
                [&] {
                    ++fdChecks;
                    lastFdCount = CountDescriptors();
                    if (lastFdCount != fdsRunning) {
                        ++fdMismatches;
                        PrintLine("VIOLATION descriptors at a quiet point: " + std::to_string(lastFdCount) +
                                  ", expected " + std::to_string(fdsRunning));
                    }
                },
                std::chrono::seconds(20));
            nextQuiet = TClock::now() + std::chrono::seconds(10);
        }
    }
    joiner.join();
    const double seconds = elapsed();

    TSoakStats total;
    for (auto& worker : workers)
        total.Add(worker->Stats);
    const int fdsWithSims = CountDescriptors();
    for (auto& worker : workers)
        worker->StopSimulator();
    const int fdsAfter = CountDescriptors();
    // Every port closed: the drivers themselves hold nothing open any more.
    bool portsOpen = false;
    for (auto& worker : workers)
        portsOpen = portsOpen || worker->Device().Port().Connected();
    workers.clear();

    std::printf("\nFaults (operations run / failed / fault not reached before the operation ended):\n");
    for (const auto& [kind, count] : total.Faults)
        std::printf("  %-24s %6lld / %6lld / %6lld\n", Name(kind), static_cast<long long>(count.Runs),
                    static_cast<long long>(count.Failed), static_cast<long long>(count.NotReached));
    std::printf("Operations:\n");
    for (const auto& [kind, count] : total.Operations)
        std::printf("  %-24s %6lld\n", Name(kind), static_cast<long long>(count));
    std::printf("Outcomes (root cause of failed operations):\n");
    for (const auto& [root, count] : total.Outcomes)
        std::printf("  %-40s %6lld\n", root.c_str(), static_cast<long long>(count));
    std::printf("Faulted operations: %lld (%lld met their fault); fault-free: %lld (%lld memory checks); "
                "adapter replugged %lld times\n",
                static_cast<long long>(total.FaultedOps), static_cast<long long>(total.FaultsTookEffect),
                static_cast<long long>(total.CleanOps), static_cast<long long>(total.MemoryChecks),
                static_cast<long long>(total.Replugs));
    std::printf("Late answers within the time-out that still timed out (load): %lld\n",
                static_cast<long long>(total.LateWithinFailed));
    std::printf("Calibration word lost by a failed erase: %lld named in the message, %lld not named; "
                "put back by a later erase: %lld\n",
                static_cast<long long>(total.CalibrationLost),
                static_cast<long long>(total.CalibrationLostUnnamed),
                static_cast<long long>(total.CalibrationRestored));
    std::printf("Longest failed operation: %.0f ms (its bound %.0f ms); largest share of the bound: %.0f%%\n",
                total.MaxFailedMs, total.MaxFailedBoundMs, total.MaxBoundShare * 100);
    std::printf(
        "Descriptors: %d before, %d with the simulators running, %d after (%d checks at quiet points, "
        "%d off)\n",
        fdsBefore, fdsRunning, fdsAfter, fdChecks, fdMismatches);
    std::printf("Wall time: %.1f s\n", seconds);

    int64_t failed = total.Failed;
    if (fdsAfter != fdsBefore || fdsWithSims != fdsRunning) {
        std::printf("VIOLATION descriptor leak: %d before, %d after; %d at start, %d at the end with the "
                    "simulators\n",
                    fdsBefore, fdsAfter, fdsRunning, fdsWithSims);
        ++failed;
    }
    failed += fdMismatches;
    if (portsOpen) {
        std::printf("VIOLATION a driver's port is still open at the end\n");
        ++failed;
    }
    if (total.FaultedOps < config.FaultedOps)
        std::printf("note: the time bound of %.0f s ended the run after %lld of %lld faulted operations\n",
                    config.Seconds, static_cast<long long>(total.FaultedOps),
                    static_cast<long long>(config.FaultedOps));
    if (!total.Violations.empty())
        std::printf("%zu violation(s) shown above; seed %llu\n", total.Violations.size(),
                    static_cast<unsigned long long>(config.Seed));
    std::printf("soak: %lld passed, %lld failed\n", static_cast<long long>(total.Passed),
                static_cast<long long>(failed));
    ChipDefinitions.clear();
    return failed == 0 ? 0 : 1;
}
