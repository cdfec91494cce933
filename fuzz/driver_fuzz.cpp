// Programmer driver: the line answers every byte the driver sends with the next byte
// of the input (the first input byte is the control byte of DriverSequence.h), and
// with nothing once the input is used up - or, if chosen, the line goes away then, as
// an unplugged adapter. Every failure must be a `vesk::Exception`; the port must be
// closed at the end and progress must never pass the steps announced.
#include "FuzzSupport.h"

#include "DriverSequence.h"
#include "sim/PseudoTerminal.h"

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <poll.h>
#include <thread>
#include <unistd.h>

namespace {

// The programmer's side of the line, on its own thread.
class TScriptedLine {
  public:
    TScriptedLine(const uint8_t* answers, std::size_t count, bool hangUp)
        : FTerminal(false), FAnswers(answers), FCount(count), FHangUp(hangUp) {
        FThread = std::thread([this] { Serve(); });
    }
    ~TScriptedLine() {
        FStop = true;
        FThread.join();
    }
    TScriptedLine(const TScriptedLine&) = delete;
    TScriptedLine& operator=(const TScriptedLine&) = delete;

    const std::string& SlavePath() const { return FTerminal.SlavePath(); }
    // A byte arrived that found no answer left.
    bool Exhausted() const { return FExhausted; }

  private:
    void Serve() {
        while (!FStop) {
            pollfd p{FTerminal.Master(), POLLIN, 0};
            if (::poll(&p, 1, 1) <= 0 || !(p.revents & POLLIN)) {
                // Nothing yet, or no one holds the slave open: the master reports a
                // hang-up until the driver opens its port.
                if (p.revents & POLLHUP) ::usleep(100);
                continue;
            }
            uint8_t received[256];
            const ssize_t n = ::read(FTerminal.Master(), received, sizeof received);
            for (ssize_t i = 0; i < n; ++i) {
                if (FNext < FCount) {
                    const uint8_t answer = FAnswers[FNext++];
                    if (::write(FTerminal.Master(), &answer, 1) != 1) return;
                } else {
                    FExhausted = true;
                    if (FHangUp) {
                        FTerminal.Close();
                        return;
                    }
                }
            }
        }
    }

    vesk::sim::TPseudoTerminal FTerminal;
    const uint8_t* FAnswers;
    std::size_t FCount;
    std::size_t FNext = 0;
    bool FHangUp;
    std::atomic<bool> FExhausted = false;
    std::atomic<bool> FStop = false;
    std::thread FThread;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const uint8_t control = data[0];
    TScriptedLine line(data + 1, size - 1, control & vesk::fuzz::HangUp);

    vesk::TDeviceVESK1 dev;
    dev.SetComPort(line.SlavePath());
    dev.SetComReadTimeout(5);
    int announced = 0;
    int steps = 0;
    dev.OnProgress = [&](int value) {
        if (value < 0) {
            announced = -value;
            steps = 0;
        } else {
            ++steps;
            VESK_FUZZ_CHECK(steps <= announced);
        }
    };
    try {
        dev.Open();
    } catch (const vesk::Exception& e) {
        std::fprintf(stderr, "cannot open the pseudo-terminal: %s\n", e.Message().c_str());
        std::abort();
    }
    // VESK_FUZZ_VERBOSE=1 shows the failures, to see how far an input gets.
    static const bool verbose = std::getenv("VESK_FUZZ_VERBOSE") != nullptr;
    vesk::fuzz::RunSequence(
        dev, control, [&] { return line.Exhausted(); },
        [](const std::string& message) {
            if (verbose) std::fprintf(stderr, "-- %s\n", message.c_str());
        });
    try {
        dev.Close();
    } catch (const vesk::Exception&) {
    }
    VESK_FUZZ_CHECK(!dev.Port().Connected());
    if (dev.Target() != nullptr)
        for (const auto& region : dev.Target()->Regions)
            VESK_FUZZ_CHECK(region.Data.size() == static_cast<std::size_t>(region.Size));
    return 0;
}
