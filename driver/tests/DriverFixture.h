// Common ground of the driver tests: chip definition files written to a temporary
// folder and loaded into `ChipDefinitions`, a simulated programmer on a real
// pseudo-terminal, and a driver connected to it.
#pragma once

#include "driver/DeviceVESK1.h"

#include "chipdef/ChipDefinition.h"
#include "chipdef/ChipDefinitions.h"
#include "hexfile/IntelHexFile.h"
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

    // A simulator for `chip`, started, and the driver's port set to it.
    void StartSim(const std::string& chip, const sim::TOptions& options = {});
    // Open and Wakeup, then forget the bytes sent so far.
    void Connect();
    // Bytes the host sent since the last ClearSent.
    std::string Sent() const { return Sim->Received(); }
    void ClearSent() { Sim->ClearReceived(); }
    // New faults; the time-out that `SilentAfter` shortened is ample again.
    void Faults(const sim::TFaults& faults);
    // The programmer answers `count` bytes, then nothing more. The driver waits ample
    // time for those answers (a loaded machine must not turn one into a failure) and
    // only ShortTimeoutMs for the first answer withheld.
    void SilentAfter(int64_t count);

    static constexpr int AmpleTimeoutMs = 5000;
    static constexpr int ShortTimeoutMs = 50;

    TDeviceVESK1 Dev;
    std::unique_ptr<sim::TSimulator> Sim;

  private:
    bool FShortened = false;
};

} // namespace vesk::test
