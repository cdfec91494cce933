// Custom line speeds and low-latency mode, through Linux ioctls. This file must
// not include <termios.h>: <asm/termbits.h> defines its own struct termios.
#include "ComPortLinux.h"

#include <asm/termbits.h>
#include <linux/serial.h>
#include <sys/ioctl.h>

#include <cerrno>

namespace vesk {

bool SetCustomLineSpeed(int fd, int32_t speed) {
    if (speed <= 0) {
        errno = EINVAL;
        return false;
    }
    struct termios2 t;
    if (ioctl(fd, TCGETS2, &t) != 0) return false;
    // BOTHER: the speed is taken from c_ospeed / c_ispeed as a plain number.
    t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    t.c_ospeed = static_cast<speed_t>(speed);
    t.c_ispeed = static_cast<speed_t>(speed);
    return ioctl(fd, TCSETS2, &t) == 0;
}

bool RequestLowLatency(int fd) {
    const int savedErrno = errno;
    bool turnedOn = false;
    struct serial_struct info;
    if (ioctl(fd, TIOCGSERIAL, &info) == 0 && !(info.flags & ASYNC_LOW_LATENCY)) {
        info.flags |= ASYNC_LOW_LATENCY;
        turnedOn = ioctl(fd, TIOCSSERIAL, &info) == 0; // refused by some drivers: no harm
    }
    errno = savedErrno;
    return turnedOn;
}

void EndLowLatency(int fd) {
    const int savedErrno = errno;
    struct serial_struct info;
    if (ioctl(fd, TIOCGSERIAL, &info) == 0 && (info.flags & ASYNC_LOW_LATENCY)) {
        info.flags &= ~ASYNC_LOW_LATENCY;
        (void)ioctl(fd, TIOCSSERIAL, &info);
    }
    errno = savedErrno;
}

int32_t LineSpeedGiven(int fd) {
    struct termios2 t;
    if (ioctl(fd, TCGETS2, &t) != 0) return 0;
    return static_cast<int32_t>(t.c_ospeed);
}

} // namespace vesk
