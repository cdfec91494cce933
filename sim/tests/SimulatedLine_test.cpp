// The line to the simulator in the same process: answers at the moments the line's
// timing and the faults put them, on the line's own clock; a line that goes away;
// purges and breaks. (A close the system refuses: ops/tests/hooks_test.cpp.)
#include <gtest/gtest.h>

#include "SimulatedLine.h"
#include "TestChip.h"
#include "VESK_Exception.h"

#include <chrono>
#include <functional>
#include <memory>

namespace vesk::sim {
namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

class SimulatedLineTest : public ::testing::Test {
  protected:
    void StartWith(const TOptions& options = {}) {
        Sim = std::make_unique<TSimulator>(test::Demo16(), options);
        Line.Plug(*Sim);
        Line.Open("sim", 19200);
    }
    // Writes `bytes`, then reads one answer with a deadline of `ms` on the line's clock.
    int Exchange(const std::string& bytes, int ms = 500) {
        Line.Write(bytes.data(), int(bytes.size()));
        uint8_t answer = 0;
        return Line.Read(&answer, 1, Line.Now() + milliseconds(ms)) == 1 ? answer : -1;
    }
    std::string Message(const std::function<void()>& body) {
        try {
            body();
        } catch (const Exception& e) {
            return e.Message();
        }
        return "no exception";
    }

    TSimulatedLine Line;
    std::unique_ptr<TSimulator> Sim;
};

TEST_F(SimulatedLineTest, AnswersComeAtTheMomentTheLinesTimingPutsThem) {
    TOptions wire, adapter;
    wire.WireTime = true;
    adapter.AdapterLatencyMs = 16;
    const struct {
        const char* What;
        TOptions Options;
        TFaults Faults;
        TSimulatedLine::TClock::duration Echo; // from the write to the echo's arrival
    } rows[] = {
        {"no timing", {}, {}, {}},
        // 10 bit times out and 10 back at 19200 bit/s.
        {"wire time", wire, {}, microseconds(1041)},
        // The next 1 ms frame out, 10 bit times each way, the 16 ms latency timer back.
        {"adapter", adapter, {}, microseconds(18041)},
        {"late answer", {}, {.AnswerDelayMs = 20}, milliseconds(20)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.What);
        StartWith(row.Options);
        Sim->SetFaults(row.Faults);
        const auto before = Line.Now();
        EXPECT_EQ(Exchange("\xFF"), '?');
        const auto late = Line.Now() - before - row.Echo; // under 1 us: the nanoseconds cut off
        EXPECT_TRUE(late >= microseconds(0) && late < microseconds(1));
    }
}

TEST_F(SimulatedLineTest, SilenceCostsTheWaitOnTheLinesClockAndALateAnswerStillComes) {
    StartWith();
    Sim->SetFaults({.AnswerDelayMs = 300});
    const auto start = Line.Now();
    EXPECT_EQ(Exchange("0", 100), -1);
    EXPECT_EQ(Line.Now() - start, milliseconds(100));
    uint8_t answer = 0;
    EXPECT_EQ(Line.Read(&answer, 1, Line.Now() + milliseconds(500)), 1);
    EXPECT_EQ(answer, '0');
    EXPECT_EQ(Line.Now() - start, milliseconds(300));
}

TEST_F(SimulatedLineTest, PurgeDropsWhatArrivedAndABreakLetsTheNextSyncEndPassThrough) {
    StartWith();
    Line.Write("t", 1);
    Line.Purge(true, true);
    uint8_t answer[4] = {};
    EXPECT_EQ(Line.Read(answer, 1, Line.Now()), 0);
    Line.Write("0003", 4);
    EXPECT_EQ(Line.Read(answer, 4, Line.Now()), 4);
    Line.Write("p", 1);
    EXPECT_TRUE(Sim->InPassThrough());
    Line.SetBreak(true);
    Line.SetBreak(false);
    EXPECT_EQ(Exchange("\xFF"), '?');
    EXPECT_FALSE(Sim->InPassThrough());
}

TEST_F(SimulatedLineTest, AnUnpluggedLineIsGoneUntilAnotherProgrammerIsPluggedIn) {
    TSimulatedLine empty;
    EXPECT_EQ(Message([&] { empty.Open("sim", 19200); }).rfind("Unable to open com port", 0), 0u);
    StartWith();
    Sim->SetFaults({.DropLineAfter = 1});
    EXPECT_EQ(Exchange("0"), '0');
    // The byte that finds the line gone: no answer, at once.
    const auto before = Line.Now();
    EXPECT_EQ(Exchange("0"), -1);
    EXPECT_EQ(Line.Now(), before);
    EXPECT_TRUE(Sim->LineDropped());
    EXPECT_EQ(Message([&] { Line.Write("0", 1); }).rfind("WriteFile function failed", 0), 0u);
    Line.Close();
    EXPECT_EQ(Message([&] { Line.Open("sim", 19200); }).rfind("Unable to open com port", 0), 0u);
    StartWith();
    EXPECT_EQ(Exchange("\xFF"), '?');
}

} // namespace
} // namespace vesk::sim
