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
void RequestLowLatency(int fd);

} // namespace vesk
