// Received-data notification on POSIX: the port's handle is a file descriptor,
// watched for readability by the event loop through a QSocketNotifier.
#include "ComTerminalNotifier.h"

#include <QSocketNotifier>

#include <cerrno>
#include <poll.h>

namespace vesk {

namespace {

class TPosixNotifier final : public TComTerminalNotifier {
  public:
    TPosixNotifier(int fd, std::function<void()> received, QObject* parent)
        : TComTerminalNotifier(parent),
          FNotifier(new QSocketNotifier(qintptr(fd), QSocketNotifier::Read, this)) {
        connect(FNotifier, &QSocketNotifier::activated, this,
                [received = std::move(received)] { received(); });
    }

    void Stop() override { FNotifier->setEnabled(false); }

  private:
    QSocketNotifier* FNotifier;
};

} // namespace

TComTerminalNotifier* TComTerminalNotifier::Create(TComPort& port, std::function<void()> received,
                                                   QObject* parent) {
    const int fd = port.Handle();
    if (fd < 0) return nullptr;
    return new TPosixNotifier(fd, std::move(received), parent);
}

void TComTerminalNotifier::CheckLine(TComPort& port) {
    // The device reports that the line hung up (the far end of a pseudo-terminal
    // closed, an adapter was unplugged).
    const int fd = port.Handle();
    if (fd < 0) return;
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0)
        throw EComPort(ErrQueueStatus, EIO);
}

int TComTerminalNotifier::WriteTimedOutError() {
    return ETIMEDOUT;
}

} // namespace vesk
