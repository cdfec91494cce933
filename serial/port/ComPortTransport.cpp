#include "ComPortTransport.h"

#include <thread>

namespace vesk {

TComPortTransport::TComPortTransport() {
    // The port name and speed are applied again by every Open.
    FPort.SetConnected(false);
    FPort.BeginUpdate();
    FPort.SetBaudRate(brCustom);
    FPort.SetDataBits(dbEight);
    FPort.SetParity(TComParity{});
    FPort.SetStopBits(sbOneStopBit);
    FPort.SetFlowControl(TComFlowControl{});
    FPort.EndUpdate();
}

void TComPortTransport::Open(const std::string& port, int32_t speed) {
    FPort.SetPort(port);
    FPort.SetCustomBaudRate(speed);
    FPort.SetConnected(true);
}

void TComPortTransport::Close() {
    FPort.SetConnected(false);
}

int TComPortTransport::Read(void* bytes, int count, TTime deadline) {
    // A deadline already passed still takes what is waiting.
    if (FPort.WaitForInput(deadline) || FPort.InputCount() > 0) return FPort.Read(bytes, count);
    return 0;
}

void TComPortTransport::Sleep(TClock::duration duration) {
    std::this_thread::sleep_for(duration);
}

} // namespace vesk
