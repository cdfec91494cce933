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
#include "SoakOptions.h"
#include "SoakReport.h"
#include "SoakWorker.h"

#include "chipdef/ChipCatalogue.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <malloc.h>
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

// Every worker starts from a checked target memory, then runs faulted operations
// until the count or the time is spent, with a memory check every CheckEvery of them
// and after every replug.
std::vector<std::thread> StartWorkers(std::vector<std::unique_ptr<TSoakWorker>>& workers,
                                      const TSoakConfig& config, TQuietPoint& quiet,
                                      const std::function<double()>& elapsed, std::atomic<int64_t>& claimed) {
    std::vector<std::thread> threads;
    for (auto& worker : workers) {
        threads.emplace_back([&config, &quiet, &claimed, elapsed, w = worker.get()] {
            w->RunMemoryCheck();
            int sinceCheck = 0;
            for (;;) {
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
    return threads;
}

// Seconds the worker's running operation has taken; 0 when idle.
double RunningSeconds(const TSoakWorker& worker) {
    const int64_t started = worker.OpStartedNs;
    if (!started) return 0;
    const int64_t now =
        std::chrono::duration_cast<std::chrono::nanoseconds>(TClock::now().time_since_epoch()).count();
    return double(now - started) / 1e9;
}

// Until every worker has ended: a hang ends the program, and the descriptors are
// counted at a quiet point every ten seconds.
void Watch(std::vector<std::unique_ptr<TSoakWorker>>& workers, std::vector<std::thread>& threads,
           TQuietPoint& quiet, TRunFigures& f) {
    constexpr double HangSeconds = 60;
    auto nextQuiet = TClock::now() + std::chrono::seconds(10);
    std::atomic<int> running{int(threads.size())};
    std::thread joiner([&] {
        for (auto& t : threads)
            t.join();
        running = 0;
    });
    while (running > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        for (auto& worker : workers) {
            const double seconds = RunningSeconds(*worker);
            if (seconds > HangSeconds) {
                PrintLine("VIOLATION hang: " + worker->Describe() + " has run for " +
                          std::to_string(int(seconds)) + " s\nsoak: 0 passed, 1 failed");
                std::_Exit(1);
            }
        }
        if (TClock::now() < nextQuiet) continue;
        quiet.Run(
            [&] {
                ++f.FdChecks;
                const int count = CountDescriptors();
                if (count != f.FdsRunning) {
                    ++f.FdMismatches;
                    PrintLine("VIOLATION descriptors at a quiet point: " + std::to_string(count) +
                              ", expected " + std::to_string(f.FdsRunning));
                }
            },
            std::chrono::seconds(20));
        nextQuiet = TClock::now() + std::chrono::seconds(10);
    }
    joiner.join();
}

uint64_t RandomSeed() {
    uint64_t seed = std::random_device{}();
    seed = (seed << 32) ^ uint64_t(std::chrono::system_clock::now().time_since_epoch().count());
    return seed & 0xFFFFFFFFFFFFULL;
}

} // namespace

int main(int argc, char** argv) {
    TSoakConfig config;
    config.Seed = RandomSeed();
    if (const int status = ReadConfig(argc, argv, config); status >= 0) return status;
    std::printf("vesk_soak: seed %llu (VESK_SOAK_SEED or --seed to repeat), %lld faulted operations, "
                "at most %.0f s, %d workers, time-out %d ms per byte\n",
                static_cast<unsigned long long>(config.Seed), static_cast<long long>(config.FaultedOps),
                config.Seconds, config.Workers, config.TimeoutMs);
    std::fflush(stdout);

    TSoakWorker::Print = PrintLine;
    TChipCatalogue chips;
    try {
        chips = LoadSoakChips(1);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vesk_soak: %s\n", e.what());
        return 2;
    }

    // The C library reads the number of processors from a file the first time a
    // thread's allocations need a new arena; in a simulator thread starting up, that
    // file was counted as the soak's own descriptor. The limit it computes there is
    // given now, so nothing is opened behind the counts.
    mallopt(M_ARENA_MAX, 8 * int(std::max(1u, std::thread::hardware_concurrency())));
    TRunFigures figures;
    figures.FdsBefore = CountDescriptors();
    std::vector<std::unique_ptr<TSoakWorker>> workers;
    for (int i = 0; i < config.Workers; ++i)
        workers.push_back(std::make_unique<TSoakWorker>(chips, i, config));
    figures.FdsRunning = CountDescriptors();

    TQuietPoint quiet(config.Workers);
    const auto start = TClock::now();
    auto elapsed = [start] { return std::chrono::duration<double>(TClock::now() - start).count(); };
    std::atomic<int64_t> claimed{0}; // faulted operations begun, all workers together
    std::vector<std::thread> threads = StartWorkers(workers, config, quiet, elapsed, claimed);
    Watch(workers, threads, quiet, figures);
    figures.Seconds = elapsed();

    TSoakStats total;
    for (auto& worker : workers)
        total.Add(worker->Stats);
    figures.FdsWithSims = CountDescriptors();
    for (auto& worker : workers)
        worker->StopSimulator();
    figures.FdsAfter = CountDescriptors();
    // Every port closed: the drivers themselves hold nothing open any more.
    for (auto& worker : workers)
        figures.PortsOpen = figures.PortsOpen || worker->Port().Connected();
    workers.clear();

    PrintReport(total, figures);
    const int64_t failed = Verdict(total, config, figures);
    return failed == 0 ? 0 : 1;
}
