// A line to a simulated programmer in the same process: the driver's transport for
// tests and benchmarks. Every byte written reaches the programmer at once; its answer
// arrives on the line's own simulated clock, at the moment the line's timing (wire
// time, a USB adapter, the programmer's receive buffer; `TLineTiming` of the
// simulator's options) and the faults (late answers, silence) put it. Waiting for an
// answer moves the clock to that moment, or to the deadline when none comes, and so
// does a pause: nothing sleeps, no thread runs, and a time-out costs no wall time.
//
// The line is the adapter's cable: `Plug` puts a programmer at its far end, and a line
// with nothing plugged in cannot be opened. When the simulator's DropLineAfter fault
// unplugs it, the port is gone as an unplugged adapter's is: nothing more arrives,
// writes fail, and the line opens again only with another programmer plugged in.
//
// One thread uses a line at a time (the driver's); the programmer at its end may be
// reached at the same time over a pseudo-terminal as well.
#pragma once

#include "sim/LineModel.h"
#include "sim/Simulator.h"

#include "serial/port/Transport.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>

namespace vesk::sim {

class TSimulatedLine : public TTransport {
  public:
    TSimulatedLine();
    explicit TSimulatedLine(TSimulator& simulator);
    ~TSimulatedLine() override;

    // Puts `simulator` at the end of the line (closing the line first); the simulator
    // may go before the line does.
    void Plug(TSimulator& simulator);

    // Opens the line; `port` is only remembered. "Unable to open com port" when nothing
    // is plugged in or the programmer's line was dropped.
    void Open(const std::string& port, int32_t speed) override;
    // Runs `OnBeforeClose` first.
    void Close() override;
    bool IsOpen() const override { return FOpen; }
    void SetSpeed(int32_t speed) override { FSpeed = speed; }
    int32_t Speed() const { return FSpeed; }
    int Write(const void* bytes, int count) override;
    int Read(void* bytes, int count, TTime deadline) override;
    // Discards the answers that have arrived; the programmer sees the purge (which ends
    // an overrun of its receive buffer, and lets the next 0xFF end pass-through).
    void Purge(bool input, bool output) override;
    // The programmer sees the break as a wake-up: the next 0xFF ends pass-through.
    void SetBreak(bool on) override;

    TTime Now() override { return FNow; }
    void Sleep(TClock::duration duration) override { FNow += duration; }

    // Called when an open line is about to close; what it raises the close raises, and
    // the line stays open - a port the system refuses to close.
    std::function<void()> OnBeforeClose;

  private:
    void Deliver(const std::string& bytes, int baud, TTime ready, std::optional<TTime> answerTo);
    // One byte from the host, written now.
    void Send(uint8_t byte);

    std::shared_ptr<TSimulator::TImpl> FSim;
    TTime FNow{};
    std::unique_ptr<TLineModel> FLine;
    bool FOpen = false;
    bool FHungUp = false; // the programmer's line was dropped while open
    bool FAfterReset = false;
    int32_t FSpeed = 0;
    std::string FPort;
    std::deque<std::pair<TTime, uint8_t>> FInbox; // answers with the moment each arrives
};

} // namespace vesk::sim
