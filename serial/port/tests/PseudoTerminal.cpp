#include "PseudoTerminal.h"

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace vesk::test {

PseudoTerminal::PseudoTerminal() {
    FMaster = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (FMaster < 0 || ::grantpt(FMaster) != 0 || ::unlockpt(FMaster) != 0)
        throw std::runtime_error("no pseudo-terminal");
    const char* name = ::ptsname(FMaster);
    if (!name) throw std::runtime_error("no pseudo-terminal name");
    FSlavePath = name;
}

PseudoTerminal::~PseudoTerminal() {
    if (FMaster >= 0) ::close(FMaster);
}

void PseudoTerminal::CloseMaster() {
    if (FMaster >= 0) ::close(FMaster);
    FMaster = -1;
}

void PseudoTerminal::Send(const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(FMaster, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw std::runtime_error("pty write failed");
        done += size_t(n);
    }
}

std::string PseudoTerminal::Receive(int waitMs) {
    std::string out;
    int timeout = waitMs;
    for (;;) {
        pollfd p{FMaster, POLLIN, 0};
        if (::poll(&p, 1, timeout) <= 0 || !(p.revents & POLLIN)) return out;
        char buf[4096];
        const ssize_t n = ::read(FMaster, buf, sizeof buf);
        if (n <= 0) return out;
        out.append(buf, size_t(n));
        timeout = 50; // gather what follows closely
    }
}

} // namespace vesk::test
