// Common ground of the driver tests: chip definition files written to a temporary
// folder and loaded into `ChipDefinitions`, a simulated programmer in the same
// process, and a driver whose line reaches it on simulated time (nothing sleeps, a
// time-out costs no wall time).
#pragma once

#include "driver/DeviceVESK1.h"

#include "VESK_Exception.h"
#include "chipdef/ChipDefinition.h"
#include "chipdef/ChipDefinitions.h"
#include "hexfile/IntelHexFile.h"
#include "sim/SimulatedLine.h"
#include "sim/Simulator.h"
#include "tests/support/HexText.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

namespace vesk::test {

// Loads the test chips once per test program (idempotent).
void LoadTestChips();
// The loaded chip of that name; fails the test when missing.
TChipDefinition& Chip(const std::string& name);

// Intel HEX text for word address -> word pairs (one record per word), loaded.
TIntelHexFile HexImage(const std::map<int32_t, int32_t>& words);

// The message of the exception `body` raises; fails when it raises none.
template <class Body> std::string ErrorOf(Body&& body) {
    try {
        body();
    } catch (const Exception& e) {
        return e.Message();
    }
    ADD_FAILURE() << "no exception raised";
    return {};
}

// `text` repeated `count` times.
std::string Repeat(const std::string& text, int count);

class DriverTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // A simulator for `chip`, plugged into the driver's line (in place of the one
    // before, as the user replugs the adapter).
    void StartSim(const std::string& chip, const sim::TOptions& options = {});
    // Open and Wakeup, then forget the bytes sent so far.
    void Connect();
    // Bytes the host sent since the last ClearSent.
    std::string Sent() const { return Sim->Received(); }
    void ClearSent() { Sim->ClearReceived(); }
    void Faults(const sim::TFaults& faults) { Sim->SetFaults(faults); }
    // The programmer answers `count` bytes, then nothing more.
    void SilentAfter(int64_t count) { Faults({.StopAfter = count}); }
    // The driver's line.
    sim::TSimulatedLine& Line() { return static_cast<sim::TSimulatedLine&>(Dev.Transport()); }

    // Time-outs on the line's clock, where every answer given comes in time.
    static constexpr int AmpleTimeoutMs = 5000;
    static constexpr int ShortTimeoutMs = 50;

    TDeviceVESK1 Dev{std::make_unique<sim::TSimulatedLine>()};
    // The driver's inner layers on the same line, for their own tests: a link (its
    // time-out apart from the driver's, the driver's trace) and the word access on it.
    TVbusLink Link{Dev.Transport(), &Dev.OnTrace};
    TDeviceVESK1Words Words{Link};
    std::unique_ptr<sim::TSimulator> Sim;
};

} // namespace vesk::test
