// The far end of a line for the terminal tests: the master side of a
// pseudo-terminal, whose slave a real TComPort opens by its path.
#pragma once

#include <QtTest>

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <stdlib.h>
#include <string>
#include <unistd.h>

namespace vesk::test {

class PtyMaster {
  public:
    PtyMaster() {
        FMaster = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (FMaster < 0 || ::grantpt(FMaster) != 0 || ::unlockpt(FMaster) != 0)
            throw std::runtime_error("no pseudo-terminal");
        FSlavePath = ::ptsname(FMaster);
    }
    ~PtyMaster() { CloseMaster(); }
    PtyMaster(const PtyMaster&) = delete;
    PtyMaster& operator=(const PtyMaster&) = delete;

    const std::string& SlavePath() const { return FSlavePath; }

    void Send(const std::string& bytes) {
        size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(FMaster, bytes.data() + done, bytes.size() - done);
            if (n <= 0) throw std::runtime_error("write to the pseudo-terminal failed");
            done += size_t(n);
        }
    }

    // Reads until `count` bytes came or `waitMs` passed, processing Qt events
    // meanwhile; returns what came.
    std::string Receive(size_t count, int waitMs = 20000) {
        std::string got;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
        while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
            pollfd p{FMaster, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0 && (p.revents & POLLIN)) {
                char buf[256];
                const ssize_t n = ::read(FMaster, buf, sizeof buf);
                if (n > 0) got.append(buf, size_t(n));
            }
            QCoreApplication::processEvents();
        }
        return got;
    }

    // Whatever arrives within `waitMs` (for checking that nothing is sent).
    std::string ReceiveAll(int waitMs) { return Receive(size_t(-1), waitMs); }

    // Hangs the line up.
    void CloseMaster() {
        if (FMaster >= 0) ::close(FMaster);
        FMaster = -1;
    }

  private:
    int FMaster = -1;
    std::string FSlavePath;
};

} // namespace vesk::test
