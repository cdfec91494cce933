#include "PseudoTerminal.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace vesk::test {

TPseudoTerminal::TPseudoTerminal() {
    FMaster = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (FMaster < 0 || ::grantpt(FMaster) != 0 || ::unlockpt(FMaster) != 0) {
        CloseMaster();
        throw std::runtime_error("no pseudo-terminal");
    }
    const char* name = ::ptsname(FMaster);
    if (name == nullptr) {
        CloseMaster();
        throw std::runtime_error("no pseudo-terminal name");
    }
    FSlavePath = name;
}

TPseudoTerminal::~TPseudoTerminal() {
    CloseMaster();
}

void TPseudoTerminal::CloseMaster() {
    if (FMaster >= 0) ::close(FMaster);
    FMaster = -1;
}

void TPseudoTerminal::Send(const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(FMaster, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw std::runtime_error("write to the pseudo-terminal failed");
        done += size_t(n);
    }
}

std::string TPseudoTerminal::Receive(int waitMs) {
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

std::string TPseudoTerminal::ReceiveCount(std::size_t count, int waitMs,
                                          const std::function<void()>& meanwhile) {
    using Clock = std::chrono::steady_clock;
    std::string got;
    const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    while (got.size() < count && Clock::now() < deadline) {
        pollfd p{FMaster, POLLIN, 0};
        if (::poll(&p, 1, 20) > 0 && (p.revents & POLLIN)) {
            char buf[256];
            const ssize_t n = ::read(FMaster, buf, sizeof buf);
            if (n > 0) got.append(buf, size_t(n));
        }
        if (meanwhile) meanwhile();
    }
    return got;
}

} // namespace vesk::test
