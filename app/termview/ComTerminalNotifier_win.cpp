// Received-data notification on Windows. The event loop cannot wait on a
// communications handle (QSocketNotifier takes sockets only), and the port offers
// no event object to hand to a QWinEventNotifier: it starts no thread, and a
// pending WaitCommEvent is not reliable everywhere (Wine completes it at once with
// no event). So a timer calls every few milliseconds while the port is open; the
// port's ProcessReceived asks the driver for the receive queue's length
// (ClearCommError) and reads only when bytes wait. A device that went away fails
// that call, which reports the lost line (ErrQueueStatus) like a hang-up on POSIX.
#include "ComTerminalNotifier.h"

#include <QTimer>

#include <windows.h>

namespace vesk {

namespace {

// Between two looks at the receive queue: short against a person's typing and
// far below the time a 1024-byte input buffer takes to fill at 115200 bit/s.
constexpr int PollIntervalMs = 5;

class TWinNotifier final : public TComTerminalNotifier {
  public:
    TWinNotifier(std::function<void()> received, QObject* parent)
        : TComTerminalNotifier(parent), FTimer(new QTimer(this)) {
        FTimer->setInterval(PollIntervalMs);
        connect(FTimer, &QTimer::timeout, this, [received = std::move(received)] { received(); });
        FTimer->start();
    }

    void Stop() override { FTimer->stop(); }

  private:
    QTimer* FTimer;
};

} // namespace

TComTerminalNotifier* TComTerminalNotifier::Create(TComPort& port, std::function<void()> received,
                                                   QObject* parent) {
    if (!port.Connected()) return nullptr;
    return new TWinNotifier(std::move(received), parent);
}

void TComTerminalNotifier::CheckLine(TComPort&) {
    // Nothing to add: a vanished device already fails the receive-queue query
    // that every call of ProcessReceived makes.
}

int TComTerminalNotifier::WriteTimedOutError() {
    return ERROR_TIMEOUT;
}

} // namespace vesk
