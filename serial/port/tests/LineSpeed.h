// The line speed of a tty as the kernel holds it, for the tests of the port's speeds.
#pragma once

namespace vesk::test {

// Output speed of the tty `fd` in bit/s (any speed, not only the standard ones).
unsigned LineOutputSpeed(int fd);

} // namespace vesk::test
