#include "PseudoTerminal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "VESK_Exception.h"

namespace vesk::sim {

namespace {

[[noreturn]] void Fail(const char* what) {
    throw Exception(std::string("Pseudo-terminal: ") + what + ": " + std::strerror(errno));
}

} // namespace

TPseudoTerminal::TPseudoTerminal(bool packet) : FPacket(packet) {
    FMaster = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (FMaster < 0) Fail("posix_openpt");
    char name[128];
    if (grantpt(FMaster) != 0 || unlockpt(FMaster) != 0 || ptsname_r(FMaster, name, sizeof name) != 0) {
        int e = errno;
        ::close(FMaster);
        errno = e;
        Fail("slave");
    }
    FSlavePath = name;
    // Line settings of the pair are the slave's; set through the master they hold until
    // the slave's user changes them.
    termios t{};
    if (tcgetattr(FMaster, &t) == 0) {
        cfmakeraw(&t);
        t.c_cflag |= CLOCAL | CREAD;
        cfsetispeed(&t, B19200);
        cfsetospeed(&t, B19200);
        tcsetattr(FMaster, TCSANOW, &t);
    }
    int flags = fcntl(FMaster, F_GETFL);
    fcntl(FMaster, F_SETFL, flags | O_NONBLOCK);
    if (packet) {
        int one = 1;
        if (ioctl(FMaster, TIOCPKT, &one) != 0) Fail("packet mode");
    }
}

TPseudoTerminal::~TPseudoTerminal() {
    Close();
}

void TPseudoTerminal::Close() {
    if (FMaster >= 0) ::close(FMaster);
    FMaster = -1;
}

int TPseudoTerminal::SlaveBaudRate() const {
    return FMaster >= 0 ? ReadLineSpeed(FMaster) : 0;
}

} // namespace vesk::sim
