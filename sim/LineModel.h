// The timing of the line between the host and the programmer, as the simulator
// schedules it: the serial line's byte times in both directions, an optional USB
// serial adapter between host and line, and the programmer firmware's receive buffer
// and its time per byte. Pure arithmetic on time points: the serving thread asks it
// when a byte arrives and when an answer reaches the host, and waits for that moment.
#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <optional>

namespace vesk::sim {

struct TLineTiming {
    // Pace every byte at the line speed (10 bit times).
    bool WireTime = false;
    // A USB serial adapter with this latency timer (ms) between host and line; 0: none.
    // Host bytes reach the line at the next 1 ms USB frame; the answers the adapter
    // receives reach the host when its latency timer, started by the first of them,
    // runs out. An adapter paces the line as WireTime does.
    int AdapterLatencyMs = 0;
    // The programmer's receive buffer in bytes (0: unlimited) and its firmware's time
    // per byte (µs) before it answers and takes the next byte from the buffer. A byte
    // that finds the buffer full is an overrun: the receiver stops, and every byte is
    // lost until the host purges or reopens its port (as before a wake-up).
    int RxBufferBytes = 0;
    int ByteHandlingUs = 0;
};

class TLineModel {
  public:
    using TClock = std::chrono::steady_clock;
    using TTime = TClock::time_point;

    // `epoch` is where the adapter's 1 ms frames start.
    TLineModel(const TLineTiming& timing, TTime epoch);

    bool Paced() const { return FTiming.WireTime || FTiming.AdapterLatencyMs > 0; }
    // Any timing modelled: pacing, or the firmware's buffer or time per byte.
    bool Modelled() const { return Paced() || FTiming.RxBufferBytes > 0 || FTiming.ByteHandlingUs > 0; }

    // A host byte handed to the host's port at `written`: when the programmer's firmware
    // has taken it and may answer, or none when the byte is lost to an overrun.
    // `throughFirmware` false: the byte passes the receive buffer by (pass-through).
    std::optional<TTime> HostByte(TTime written, int baud, bool throughFirmware = true);
    // When the programmer had the byte that `HostByte` last accepted: the end of its stop
    // bit on the line (without pacing, the moment it was written).
    TTime LastArrival() const { return FLastArrival; }
    // `count` answer bytes the programmer hands to the line at `ready`: when the host
    // can read the last of them (without pacing, `ready`).
    TTime ToHost(TTime ready, int baud, size_t count);
    // The host purged or reopened its port: the receiver runs again after an overrun.
    void Reset();
    bool Overrun() const { return FOverrun; }
    // When the last answer reached the host (pacing only).
    TTime LastDelivery() const { return FLastDelivery; }

    // The start of the adapter's next 1 ms USB frame after `t`.
    TTime FrameAfter(TTime t) const { return NextFrame(t); }
    // Ten bit times (start, 8 data, stop) at the rate.
    static TClock::duration ByteTime(int baud);

  private:
    TTime NextFrame(TTime t) const;

    TLineTiming FTiming;
    TTime FEpoch;
    TTime FRxFree{}, FTxFree{}; // when each direction of the line is next free
    TTime FLastArrival{}, FLastDelivery{};
    std::optional<TTime> FFlushAt; // when the adapter's open batch of answers goes to the host
    TTime FHandledUntil{};         // when the firmware is done with the bytes it has
    std::deque<TTime> FWaiting;    // bytes in the receive buffer: when the firmware takes each
    bool FOverrun = false;
};

} // namespace vesk::sim
