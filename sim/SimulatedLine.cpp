#include "SimulatedLine.h"

#include "SimulatorImpl.h"

#include "serial/port/ComErrors.h"
#include "serial/port/ComPort.h"

#include <algorithm>
#include <cerrno>

namespace vesk::sim {

TSimulatedLine::TSimulatedLine() = default;

TSimulatedLine::TSimulatedLine(TSimulator& simulator) {
    Plug(simulator);
}

TSimulatedLine::~TSimulatedLine() {
    OnBeforeClose = nullptr;
    Close();
}

void TSimulatedLine::Plug(TSimulator& simulator) {
    Close();
    FSim = simulator.FImpl;
    // The adapter's 1 ms frames count from when it was plugged in.
    FLine = std::make_unique<TLineModel>(FSim->Options, FNow);
    FHungUp = false;
}

void TSimulatedLine::Open(const std::string& port, int32_t speed) {
    if (FOpen && port == FPort) return;
    Close();
    bool dropped = true;
    if (FSim) {
        auto lock = FSim->Lock();
        dropped = FSim->Dropped;
    }
    if (dropped) throw EComPort(ErrOpen, ENOENT, port);
    FPort = port;
    FSpeed = speed;
    FOpen = true;
    FAfterReset = true;
    FLine->Reset();
    FSim->HostOpened();
}

void TSimulatedLine::Close() {
    if (!FOpen) return;
    if (OnBeforeClose) OnBeforeClose();
    FOpen = false;
    FHungUp = false;
    FInbox.clear();
    FSim->HostClosedPort();
}

int TSimulatedLine::Write(const void* bytes, int count) {
    if (!FOpen) throw EComPort(ErrWrite, EBADF, FPort);
    if (FHungUp) throw EComPort(ErrWrite, EIO, FPort);
    const auto* b = static_cast<const uint8_t*>(bytes);
    // The bytes go into the line's buffer; a byte the programmer never sees still went.
    for (int i = 0; i < count && !FHungUp; ++i)
        Send(b[i]);
    return count;
}

void TSimulatedLine::Send(uint8_t byte) {
    const auto h = FSim->HostByte(
        byte, FSpeed, FAfterReset,
        [this](int baud, bool passThrough) {
            // Bytes passed through to the target do not queue for the programmer's firmware.
            return FLine->HostByte(FNow, baud, !passThrough);
        },
        [this] { FHungUp = true; });
    if (h.Dropped || !h.Ready) return;
    FAfterReset = false;
    const TTime arrival = FLine->LastArrival();
    if (!h.Out.ToHost.empty()) Deliver(h.Out.ToHost, h.Baud, *h.Ready + h.Delay, arrival);
    if (!h.Out.ToTarget.empty()) {
        const std::string answer = FSim->ToTarget(h.Out.ToTarget);
        if (!answer.empty()) Deliver(answer, h.Baud, arrival, std::nullopt);
    }
}

void TSimulatedLine::Deliver(const std::string& bytes, int baud, TTime ready, std::optional<TTime> answerTo) {
    const TTime delivered = FLine->Paced() ? FLine->ToHost(ready, baud, bytes.size()) : ready;
    FSim->Sent(bytes, answerTo, delivered);
    if (FSim->Logging()) FSim->Log("< " + HexBytes(bytes) + " " + Visible(bytes));
    for (char c : bytes)
        FInbox.emplace_back(delivered, uint8_t(c));
}

int TSimulatedLine::Read(void* bytes, int count, TTime deadline) {
    if (!FOpen) throw EComPort(ErrRead, EBADF, FPort);
    if (FInbox.empty() || FInbox.front().first > std::max(FNow, deadline)) {
        // A line that hung up says so at once; otherwise the wait lasts to the deadline.
        if (!FHungUp) FNow = std::max(FNow, deadline);
        return 0;
    }
    FNow = std::max(FNow, FInbox.front().first);
    auto* out = static_cast<uint8_t*>(bytes);
    int taken = 0;
    while (taken < count && !FInbox.empty() && FInbox.front().first <= FNow) {
        out[taken++] = FInbox.front().second;
        FInbox.pop_front();
    }
    return taken;
}

void TSimulatedLine::Purge(bool input, bool output) {
    if (!FOpen) throw EComPort(ErrPurge, EBADF, FPort);
    if (input)
        while (!FInbox.empty() && FInbox.front().first <= FNow)
            FInbox.pop_front();
    (void)output; // what is written reaches the programmer at once
    FAfterReset = true;
    FLine->Reset();
    if (FSim->Logging()) FSim->Log("host purged its buffers");
}

void TSimulatedLine::SetBreak(bool on) {
    if (!FOpen) throw EComPort(ErrLineControl, EBADF, FPort);
    if (on) FAfterReset = true;
}

} // namespace vesk::sim
