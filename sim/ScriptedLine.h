// A line whose far end is a script: every byte written is answered at once with what
// the script returns for it. For tests and fuzzing of the driver against a programmer
// that misbehaves in ways the simulator does not offer (a lower-case echo, arbitrary
// answers). Time is simulated as on `TSimulatedLine`: a byte the script leaves
// unanswered costs the wait up to the deadline on the line's clock, and no wall time.
#pragma once

#include "serial/port/Transport.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>

namespace vesk::sim {

class TScriptedLine : public TTransport {
  public:
    static constexpr int NoAnswer = -1; // the byte is not answered
    static constexpr int HangUp = -2;   // the line goes away with the byte, as an unplugged adapter
    // The answer to one byte: 0 to 255, NoAnswer or HangUp.
    using TScript = std::function<int(uint8_t byte)>;

    explicit TScriptedLine(TScript script) : FScript(std::move(script)) {}

    // Opens anything but a line that hung up ("Unable to open com port").
    void Open(const std::string& port, int32_t speed) override;
    void Close() override;
    bool IsOpen() const override { return FOpen; }
    void SetSpeed(int32_t) override {}
    int Write(const void* bytes, int count) override;
    int Read(void* bytes, int count, TTime deadline) override;
    void Purge(bool input, bool output) override;
    void SetBreak(bool) override {}
    TTime Now() override { return FNow; }
    void Sleep(TClock::duration duration) override { FNow += duration; }

    bool HungUp() const { return FHungUp; }

  private:
    TScript FScript;
    TTime FNow{};
    bool FOpen = false;
    bool FHungUp = false;
    std::string FPort;
    std::deque<uint8_t> FInbox;
};

} // namespace vesk::sim
