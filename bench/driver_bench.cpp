// Speed of the programmer driver.
//
//  1. On a bare pseudo-terminal whose other end echoes at once: round-trip time of
//     one echoed byte (median and 99th percentile) and the host's CPU time per byte.
//  2. Against the simulated programmer pacing every byte at the line speed: erase,
//     write all and verify of a full PIC16F877A image at 19200 and 115200 bit/s,
//     compared with the wire limit (every byte exchanged costs 10 bit times out and
//     10 bit times back for its echo), and the host's CPU load meanwhile.
//
//  3. The same erase + write + verify against the simulated programmer in this process,
//     on a simulated line: the time the line's model gives for each of the runs above
//     (simulated: it costs no wall time, so even the 16 ms adapter takes seconds), and
//     the host's CPU time per byte of the driver and the simulator together.
//
// The echo end and the simulator of 1 and 2 run in a child process, so the CPU figures
// there are the driver's own. Usage: driver_bench [code-words [latency-ms]] (default:
// the whole Code region, both adapter latencies).
#include "driver/DeviceVESK1.h"

#include "chipdef/ChipDefinition.h"
#include "chipdef/ChipDefinitions.h"
#include "common/Text.h"
#include "sim/PtySimulator.h"
#include "sim/SimulatedLine.h"
#include "tests/support/PseudoTerminal.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace vesk;
using Clock = std::chrono::steady_clock;

namespace {

// A helper process serving the other end of a line.
struct TChild {
    pid_t Pid = -1;
    int Control = -1; // closing it tells the child to finish
    std::string Path; // the line's device path
};

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
           usage.ru_stime.tv_usec / 1e6;
}

// Runs `serve(info, control)` in a child; it writes the line's path and a newline to
// `info`, then serves until `control` reaches its end.
template <class Serve> TChild Spawn(Serve serve) {
    int info[2], control[2];
    if (pipe(info) != 0 || pipe(control) != 0) {
        std::perror("pipe");
        std::exit(1);
    }
    const pid_t pid = fork();
    if (pid == 0) {
        // The far end paces bytes by sleeping; the default timer slack (50 us) would
        // add its own delay to every byte and be counted against the driver. Threads
        // started from here on inherit the setting.
        prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
        close(info[0]);
        close(control[1]);
        serve(info[1], control[0]);
        _exit(0);
    }
    close(info[1]);
    close(control[0]);
    TChild child{pid, control[1], {}};
    char c;
    while (read(info[0], &c, 1) == 1 && c != '\n')
        child.Path += c;
    close(info[0]);
    return child;
}

void Finish(TChild& child) {
    close(child.Control);
    waitpid(child.Pid, nullptr, 0);
}

void SendPath(int info, const std::string& path) {
    const std::string line = path + "\n";
    if (write(info, line.data(), line.size()) != ssize_t(line.size())) _exit(1);
    close(info);
}

// A bare echo on a pseudo-terminal: every byte back at once, letters in upper case.
TChild SpawnEcho() {
    return Spawn([](int info, int control) {
        std::unique_ptr<vesk::test::TPseudoTerminal> line;
        try {
            line = std::make_unique<vesk::test::TPseudoTerminal>();
        } catch (const std::exception&) {
            _exit(1);
        }
        const int master = line->Master();
        SendPath(info, line->SlavePath());
        char buffer[256];
        for (;;) {
            pollfd fds[2] = {{master, POLLIN, 0}, {control, POLLIN, 0}};
            poll(fds, 2, -1);
            if (fds[1].revents != 0) return;
            const ssize_t n = read(master, buffer, sizeof buffer);
            if (n <= 0) { // no host has the line open yet, or it closed it
                usleep(1000);
                continue;
            }
            for (ssize_t i = 0; i < n; ++i)
                buffer[i] = UpperCase(buffer[i]);
            if (write(master, buffer, size_t(n)) != n) return;
        }
    });
}

TChild SpawnSimulator(const TChipDefinition& chip, int adapterLatencyMs) {
    return Spawn([&](int info, int control) {
        sim::TOptions options;
        options.WireTime = true;
        options.AdapterLatencyMs = adapterLatencyMs;
        sim::TPtySimulator simulator(chip, options);
        simulator.Start();
        SendPath(info, simulator.SlavePath());
        char c;
        while (read(control, &c, 1) > 0) {
        }
        simulator.Stop();
    });
}

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, size_t(p * double(values.size())));
    return values[index];
}

void RoundTrip() {
    TChild echo = SpawnEcho();
    TDeviceVESK1 device;
    device.SetComPort(echo.Path);
    device.SetComReadTimeout(1000);
    device.Open();
    // The link on the driver's port: one byte and its echo.
    TVbusLink link(device.Transport());
    link.SetReadTimeoutMs(1000);
    for (int i = 0; i < 1000; ++i) // warm up
        link.SendByte('0');
    const int count = 20000;
    std::vector<double> micros;
    micros.reserve(count);
    const double cpu0 = CpuSeconds();
    for (int i = 0; i < count; ++i) {
        const auto t0 = Clock::now();
        link.SendByte(uint8_t('a' + i % 26));
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    const double cpu = CpuSeconds() - cpu0;
    device.Close();
    Finish(echo);
    std::printf("Echoed byte on a bare pseudo-terminal (%d bytes):\n", count);
    std::printf("  round trip   median %.1f us, 99th percentile %.1f us\n", Percentile(micros, 0.5),
                Percentile(micros, 0.99));
    std::printf("  host CPU     %.1f us per byte\n\n", cpu * 1e6 / count);
}

// Fills the buffer with a program that differs from the blank value everywhere.
void FillImage(TChipDefinition& chip, int codeWords) {
    chip.ResetImage();
    for (TChipRegion& region : chip.Regions) {
        if (region.Code < 1 || region.Code > 3) continue;
        const int words = region.Code == 1 ? std::min(codeWords, region.Size) : region.Size;
        for (int i = 0; i < words; ++i) {
            int32_t word = (i * 0x1F + 0x155) & region.Default;
            if (word == region.Default) word = 0;
            region.Data[i] = word;
        }
    }
}

// `adapterLatencyMs` > 0: through the modelled USB adapter with that latency timer.
void WriteAndVerify(TChipDefinition& chip, int8_t rateIndex, int codeWords, int adapterLatencyMs = 0,
                    bool pipelined = false) {
    const int baud = ProgrammerBaudRates[rateIndex];
    FillImage(chip, codeWords);
    TChild simulator = SpawnSimulator(chip, adapterLatencyMs);
    TDeviceVESK1 device;
    device.SetPipelined(pipelined);
    device.SetComPort(simulator.Path);
    device.SetTarget(&chip);
    device.Open();
    device.Wakeup();
    device.Activate();
    device.SetBaudRate(rateIndex);
    long bytes = 0;
    device.OnTrace = [&](uint8_t, int) { ++bytes; };
    const double cpu0 = CpuSeconds();
    const auto t0 = Clock::now();
    device.EraseChip();
    device.WriteRegions(AllRegions);
    device.VerifyRegions(AllRegions);
    const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    const double cpu = CpuSeconds() - cpu0;
    device.RunTarget();
    device.Close();
    Finish(simulator);
    const double limit = double(bytes) * 20.0 / baud;
    std::printf("%s erase + write all + verify at %d bit/s", chip.Name.c_str(), baud);
    if (adapterLatencyMs > 0)
        std::printf(" through a USB adapter, latency %d ms, %s", adapterLatencyMs,
                    pipelined ? "pipelined" : "stop-and-wait");
    std::printf(":\n  %ld bytes exchanged, %.2f s measured, wire limit %.2f s, ratio %.3f\n", bytes, seconds,
                limit, seconds / limit);
    if (adapterLatencyMs > 0) {
        // The echo protocol's own bound: every byte two byte times and one adapter round
        // trip (the next 1 ms frame out, the latency timer back).
        const double bound = double(bytes) * (20.0 / baud + (1 + adapterLatencyMs) / 1000.0);
        std::printf("  echo protocol bound %.2f s, ratio %.3f\n\n", bound, seconds / bound);
        return;
    }
    std::printf("  %.1f us per byte above the wire time (compare the bare round trip above)\n",
                (seconds - limit) * 1e6 / double(bytes));
    std::printf("  host CPU %.2f s, %.2f %% of one core\n\n", cpu, 100.0 * cpu / seconds);
}

// Part 3: the run of WriteAndVerify on a simulated line in this process.
void WriteAndVerifySimulated(TChipDefinition& chip, int8_t rateIndex, int codeWords, int adapterLatencyMs,
                             bool pipelined) {
    FillImage(chip, codeWords);
    sim::TOptions options;
    options.WireTime = true;
    options.AdapterLatencyMs = adapterLatencyMs;
    sim::TSimulator simulator(chip, options);
    auto owned = std::make_unique<sim::TSimulatedLine>(simulator);
    sim::TSimulatedLine& line = *owned;
    TDeviceVESK1 device(std::move(owned));
    device.SetPipelined(pipelined);
    device.SetTarget(&chip);
    device.Open();
    device.Wakeup();
    device.Activate();
    device.SetBaudRate(rateIndex);
    long bytes = 0;
    device.OnTrace = [&](uint8_t, int) { ++bytes; };
    const double cpu0 = CpuSeconds();
    const auto t0 = line.Now();
    device.EraseChip();
    device.WriteRegions(AllRegions);
    device.VerifyRegions(AllRegions);
    const double seconds = std::chrono::duration<double>(line.Now() - t0).count();
    const double cpu = CpuSeconds() - cpu0;
    device.RunTarget();
    device.Close();
    std::printf("  %d bit/s, adapter %d ms, %-13s %ld bytes, modelled %.2f s, host CPU %.2f us per byte\n",
                ProgrammerBaudRates[rateIndex], adapterLatencyMs,
                pipelined ? "pipelined:" : "stop-and-wait:", bytes, seconds, cpu * 1e6 / double(bytes));
}

} // namespace

int main(int argc, char** argv) {
    signal(SIGPIPE, SIG_IGN);
    try {
        LoadChipDefinitions();
        TChipDefinition* chip = nullptr;
        for (auto& c : ChipDefinitions)
            if (c->Name == "PIC16F877A") chip = c.get();
        if (chip == nullptr) {
            std::fprintf(stderr, "ChipDef_PIC16F877A.ini not found beside the program\n");
            return 1;
        }
        const int codeWords = argc > 1 ? std::atoi(argv[1]) : chip->RegionByCode(1).Size;
        // Other work on the machine delays every wake-up and so every byte: run ahead
        // of it where allowed (the children inherit the priority).
        const bool raised = setpriority(PRIO_PROCESS, 0, -10) == 0;
        double load[3] = {0, 0, 0};
        if (getloadavg(load, 3) > 0)
            std::printf("Load average at start: %.2f, priority %s (figures hold only on an idle machine)\n\n",
                        load[0], raised ? "raised to nice -10" : "normal");
        RoundTrip();
        WriteAndVerify(*chip, 1, codeWords);
        WriteAndVerify(*chip, 4, codeWords);
        // Through the modelled USB adapter (slow: 16 ms per echo without pipelining;
        // the first argument gives the Code words, a second one gives the latency, 1 or
        // 16 ms, or 0 to leave this out; without it both).
        const int onlyLatency = argc > 2 ? std::atoi(argv[2]) : -1;
        for (int latency : {1, 16})
            if (onlyLatency < 0 || onlyLatency == latency)
                for (bool pipelined : {false, true})
                    WriteAndVerify(*chip, 4, codeWords, latency, pipelined);
        std::printf("%s erase + write all + verify on a simulated line in this process:\n",
                    chip->Name.c_str());
        for (const int8_t rate : {int8_t(1), int8_t(4)})
            WriteAndVerifySimulated(*chip, rate, codeWords, 0, false);
        for (int latency : {1, 16})
            for (bool pipelined : {false, true})
                WriteAndVerifySimulated(*chip, 4, codeWords, latency, pipelined);
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.Message().c_str());
        return 1;
    }
    return 0;
}
