// Reads the kernel's termios2 record; kept apart from <termios.h>, whose struct
// termios clashes with the kernel header.
#include "LineSpeed.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace vesk::test {

unsigned LineOutputSpeed(int fd) {
    struct termios2 t;
    if (ioctl(fd, TCGETS2, &t) != 0) return 0;
    return t.c_ospeed;
}

} // namespace vesk::test
