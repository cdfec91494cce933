// The serial port component's links and the dispatch of line events: what the event
// thread reports reaches the port's handlers and every registered link here.
#include "ComPort.h"
#include "ComPortDevice.h"

#include <algorithm>

namespace vesk {

// ---------------------------------------------------------------------------
// Links and events

void TCustomComPort::ForEachLink(const std::function<void(TComLink&)>& call) {
    // A callback may attach or detach links: walk a copy and skip the links that
    // were detached meanwhile.
    const std::vector<TComLink*> links = FLinks;
    for (TComLink* link : links)
        if (std::find(FLinks.begin(), FLinks.end(), link) != FLinks.end()) call(*link);
}

void TCustomComPort::UpdateHasLink() {
    FHasLink =
        std::any_of(FLinks.begin(), FLinks.end(), [](const TComLink* link) { return bool(link->RxBuf); });
}

void TCustomComPort::RegisterLink(TComLink* link) {
    if (!link || std::find(FLinks.begin(), FLinks.end(), link) != FLinks.end())
        throw EComPort(ErrLinkRegistration);
    FLinks.push_back(link);
    UpdateHasLink();
}

void TCustomComPort::UnRegisterLink(TComLink* link) {
    auto it = std::find(FLinks.begin(), FLinks.end(), link);
    if (!link || it == FLinks.end()) throw EComPort(ErrLinkRegistration);
    FLinks.erase(it);
    UpdateHasLink();
}

void TCustomComPort::ProcessReceived() {
    if (FConnected && FEvents.count(evRxChar)) CallRxChar();
}

void TCustomComPort::DoEvents(const TComEvents& events) {
    if (!FConnected) return;
    using Call = void (TCustomComPort::*)();
    static const std::pair<TComEvent, Call> order[] = {
        {evError, &TCustomComPort::CallError},     {evRxChar, &TCustomComPort::CallRxChar},
        {evTxEmpty, &TCustomComPort::CallTxEmpty}, {evBreak, &TCustomComPort::CallBreak},
        {evRing, &TCustomComPort::CallRing},       {evCTS, &TCustomComPort::CallCTSChange},
        {evDSR, &TCustomComPort::CallDSRChange},   {evRxFlag, &TCustomComPort::CallRxFlag},
        {evRLSD, &TCustomComPort::CallRLSDChange}, {evRx80Full, &TCustomComPort::CallRx80Full},
    };
    for (const auto& [event, call] : order)
        if (events.count(event) && FConnected) // a handler may have closed the port
            (this->*call)();
}

void TCustomComPort::CallRxChar() {
    int count = InputCount();
    if (count <= 0) return;
    ForEachLink([&](TComLink& link) {
        if (link.RxNotify) link.RxNotify(count);
    });
    if (!FConnected) return; // closed by a link
    if (!FTriggersOnRxChar || FHasLink) {
        std::vector<char> buffer(size_t(count), '\0');
        count = Read(buffer.data(), count);
        if (count > 0) {
            if (OnRxBuf) OnRxBuf(buffer.data(), count);
            ForEachLink([&](TComLink& link) {
                if (link.RxBuf) link.RxBuf(buffer.data(), count);
            });
        }
        count = 0;
    }
    if (count > 0 && OnRxChar) OnRxChar(count);
}

void TCustomComPort::CallTxEmpty() {
    if (OnTxEmpty) OnTxEmpty();
    ForEachLink([&](TComLink& link) {
        if (link.TxEmpty) link.TxEmpty();
    });
}

void TCustomComPort::CallBreak() {
    if (OnBreak) OnBreak();
    ForEachLink([&](TComLink& link) {
        if (link.Break) link.Break();
    });
}

void TCustomComPort::CallRing() {
    if (OnRing) OnRing();
    ForEachLink([&](TComLink& link) {
        if (link.Ring) link.Ring();
    });
}

void TCustomComPort::CallCTSChange() {
    const bool on = Signals().count(csCTS) != 0;
    if (OnCTSChange) OnCTSChange(on);
    ForEachLink([&](TComLink& link) {
        if (link.CTSChange) link.CTSChange(on);
    });
}

void TCustomComPort::CallDSRChange() {
    const bool on = Signals().count(csDSR) != 0;
    if (OnDSRChange) OnDSRChange(on);
    ForEachLink([&](TComLink& link) {
        if (link.DSRChange) link.DSRChange(on);
    });
}

void TCustomComPort::CallRLSDChange() {
    const bool on = Signals().count(csRLSD) != 0;
    if (OnRLSDChange) OnRLSDChange(on);
    ForEachLink([&](TComLink& link) {
        if (link.RLSDChange) link.RLSDChange(on);
    });
}

void TCustomComPort::CallRxFlag() {
    if (OnRxFlag) OnRxFlag();
}

void TCustomComPort::CallError() {
    if (OnError) OnError();
}

void TCustomComPort::CallRx80Full() {
    if (OnRx80Full) OnRx80Full();
}

} // namespace vesk
