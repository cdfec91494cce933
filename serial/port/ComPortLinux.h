// Linux-only line features, kept in their own translation unit because the
// kernel's termios2 header clashes with <termios.h>.
#pragma once

#include <cstdint>

namespace vesk {

// Sets input and output speed of the tty `fd` to any rate in bit/s through the
// kernel's custom-speed interface. Returns false with errno set on failure.
bool SetCustomLineSpeed(int fd, int32_t speed);

// Asks the serial driver of `fd` to pass received bytes on at once instead of
// holding them for its latency timer (USB-serial adapters). Silently does nothing
// where the device does not support it (pseudo-terminals, for one).
// Returns true when it turned the setting on (so that closing turns it off again).
bool RequestLowLatency(int fd);
// Turns the low-latency setting of `fd` off again.
void EndLowLatency(int fd);

// The output speed in bit/s the driver of `fd` really set (USB adapters round a
// speed they cannot run to one they can); 0 when it cannot be told.
int32_t LineSpeedGiven(int fd);

} // namespace vesk
