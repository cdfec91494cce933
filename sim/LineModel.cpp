#include "LineModel.h"

#include <algorithm>

namespace vesk::sim {

namespace {

constexpr auto UsbFrame = std::chrono::milliseconds(1);

} // namespace

TLineModel::TLineModel(const TLineTiming& timing, TTime epoch) : FTiming(timing), FEpoch(epoch) {}

TLineModel::TClock::duration TLineModel::ByteTime(int baud) {
    if (baud <= 0) return TClock::duration::zero();
    return std::chrono::duration_cast<TClock::duration>(std::chrono::nanoseconds(10'000'000'000LL / baud));
}

TLineModel::TTime TLineModel::NextFrame(TTime t) const {
    const auto frames = (t - FEpoch) / UsbFrame;
    return FEpoch + (frames + 1) * UsbFrame;
}

std::optional<TLineModel::TTime> TLineModel::HostByte(TTime written, int baud, bool throughFirmware) {
    TTime arrival = written;
    if (Paced()) {
        const TTime onLine = FTiming.AdapterLatencyMs > 0 ? NextFrame(written) : written;
        arrival = std::max(onLine, FRxFree) + ByteTime(baud);
        FRxFree = arrival;
    }
    if (!throughFirmware || (FTiming.RxBufferBytes <= 0 && FTiming.ByteHandlingUs <= 0)) {
        FLastArrival = arrival;
        return arrival;
    }
    // The bytes the firmware has taken by now have left the buffer.
    while (!FWaiting.empty() && FWaiting.front() <= arrival)
        FWaiting.pop_front();
    if (FOverrun || (FTiming.RxBufferBytes > 0 && int(FWaiting.size()) >= FTiming.RxBufferBytes)) {
        FOverrun = true;
        return std::nullopt;
    }
    const TTime start = std::max(arrival, FHandledUntil);
    if (start > arrival) FWaiting.push_back(start);
    FHandledUntil = start + std::chrono::microseconds(FTiming.ByteHandlingUs);
    FLastArrival = arrival;
    return FHandledUntil;
}

TLineModel::TTime TLineModel::ToHost(TTime ready, int baud, size_t count) {
    if (!Paced()) return ready;
    const TTime start = std::max(ready, FTxFree);
    const TTime done = start + ByteTime(baud) * int(count);
    FTxFree = done;
    TTime delivered = done;
    if (FTiming.AdapterLatencyMs > 0) {
        // The first byte into an empty adapter starts its latency timer; what arrives
        // before the timer runs out goes to the host with it.
        const TTime first = start + ByteTime(baud);
        if (!FFlushAt || first > *FFlushAt)
            FFlushAt = first + std::chrono::milliseconds(FTiming.AdapterLatencyMs);
        delivered = std::max(*FFlushAt, done);
    }
    FLastDelivery = delivered;
    return delivered;
}

void TLineModel::Reset() {
    FOverrun = false;
    FWaiting.clear();
}

} // namespace vesk::sim
