// Programmer driver: the line answers every byte the driver sends with the next byte
// of the input (the first input byte is the control byte of DriverSequence.h), and
// with nothing once the input is used up - or, if chosen, the line goes away then, as
// an unplugged adapter. Every failure must be a `vesk::Exception`; the port must be
// closed at the end and progress must never pass the steps announced.
#include "FuzzSupport.h"

#include "DriverSequence.h"
#include "sim/ScriptedLine.h"

#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const uint8_t control = data[0];
    // The programmer's side of the line: the next byte of the input answers each byte.
    const uint8_t* answers = data + 1;
    const std::size_t count = size - 1;
    std::size_t next = 0;
    bool exhausted = false;
    auto owned = std::make_unique<vesk::sim::TScriptedLine>([&](uint8_t) {
        if (next < count) return int(answers[next++]);
        exhausted = true;
        return control & vesk::fuzz::HangUp ? vesk::sim::TScriptedLine::HangUp
                                            : vesk::sim::TScriptedLine::NoAnswer;
    });
    vesk::TDeviceVESK1 dev(std::move(owned));
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
        std::fprintf(stderr, "cannot open the line: %s\n", e.Message().c_str());
        std::abort();
    }
    // VESK_FUZZ_VERBOSE=1 shows the failures, to see how far an input gets.
    static const bool verbose = std::getenv("VESK_FUZZ_VERBOSE") != nullptr;
    vesk::fuzz::RunSequence(
        dev, control, [&] { return exhausted; },
        [](const std::string& message) {
            if (verbose) std::fprintf(stderr, "-- %s\n", message.c_str());
        });
    try {
        dev.Close();
    } catch (const vesk::Exception&) {
    }
    VESK_FUZZ_CHECK(!dev.Transport().IsOpen());
    if (dev.Target() != nullptr)
        for (const auto& region : dev.Target()->Regions)
            VESK_FUZZ_CHECK(region.Data.size() == static_cast<std::size_t>(region.Size));
    return 0;
}
