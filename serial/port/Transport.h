// The byte transport below the programmer driver's VBUS link: what the link needs of a
// line to the programmer, and nothing more. The serial port (`TComPortTransport`) is
// one transport; the simulated programmer in the same process (`sim::TSimulatedLine`)
// is another.
//
// Time: every transport has a clock of its own, and the link measures its deadlines
// and pauses on it (`Now`, `Sleep`, the deadline of `Read`). For the serial port it is
// the steady clock and `Sleep` sleeps; a simulated line keeps simulated time, so a
// time-out or a pause costs no wall time there. Only differences of two `Now` values,
// and comparisons with them, mean anything.
//
// Failures raise the port's error `EComPort` (or another `Exception`) with the code
// of the operation that failed, as the serial port does.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace vesk {

class TTransport {
  public:
    using TClock = std::chrono::steady_clock;
    using TTime = TClock::time_point;

    TTransport() = default;
    virtual ~TTransport() = default;
    TTransport(const TTransport&) = delete;
    TTransport& operator=(const TTransport&) = delete;

    // Opens the line to the device named `port` at `speed` bit/s (8 data bits, no
    // parity, one stop bit, no flow control). Nothing if already open on that name.
    virtual void Open(const std::string& port, int32_t speed) = 0;
    // Nothing if not open.
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // The line's speed in bit/s, in force for the next byte.
    virtual void SetSpeed(int32_t speed) = 0;
    // Sends `count` bytes; returns how many went out.
    virtual int Write(const void* bytes, int count) = 0;
    // Waits until at least one byte has arrived or `deadline` (on this transport's
    // clock) has passed, then takes at most `count` of the bytes that have arrived.
    // Returns how many were taken, 0 when none arrived in time.
    virtual int Read(void* bytes, int count, TTime deadline) = 0;
    // Discards the bytes received (`input`) and those not yet sent (`output`).
    virtual void Purge(bool input, bool output) = 0;
    // Holds the line in the break condition (true) or releases it (false).
    virtual void SetBreak(bool on) = 0;

    // The transport's clock.
    virtual TTime Now() = 0;
    virtual void Sleep(TClock::duration duration) = 0;
};

} // namespace vesk
