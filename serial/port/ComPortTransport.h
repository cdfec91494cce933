// The serial port as the programmer driver's transport: a `TComPort` set up for the
// programmer's line (8 data bits, no parity, one stop bit, no flow control, DTR and
// RTS inactive), on the steady clock.
#pragma once

#include "ComPort.h"
#include "Transport.h"

namespace vesk {

class TComPortTransport : public TTransport {
  public:
    TComPortTransport();

    // The port component itself, for what only a serial port has (its OS handle, its
    // hooks).
    TComPort& Port() { return FPort; }
    const TComPort& Port() const { return FPort; }

    // Sets the port name and speed, then connects; a different name reopens an open
    // port on it.
    void Open(const std::string& port, int32_t speed) override;
    void Close() override;
    bool IsOpen() const override { return FPort.Connected(); }
    void SetSpeed(int32_t speed) override { FPort.SetCustomBaudRate(speed); }
    int Write(const void* bytes, int count) override { return FPort.Write(bytes, count); }
    // Sleeps in the OS until a byte waits or the deadline passes, so that an answer is
    // taken the moment it arrives and nothing spins meanwhile.
    int Read(void* bytes, int count, TTime deadline) override;
    void Purge(bool input, bool output) override { FPort.ClearBuffer(input, output); }
    void SetBreak(bool on) override { FPort.SetBreak(on); }

    TTime Now() override { return TClock::now(); }
    void Sleep(TClock::duration duration) override;

  private:
    TComPort FPort;
};

} // namespace vesk
