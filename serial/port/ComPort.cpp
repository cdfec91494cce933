// The platform-independent part of the serial port component: settings, the
// open/close sequence and the transfers (links and event dispatch: ComPortEvents.cpp).
#include "ComPort.h"
#include "ComPortDevice.h"

#include "common/Text.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace vesk {

// ---------------------------------------------------------------------------
// EComPort

std::string EComPort::Text(int code) {
    // Indexed by the codes of ComErrors.h.
    static const char* const texts[] = {
        "",
        "Unable to open com port",
        "WriteFile function failed",
        "ReadFile function failed",
        "Invalid Async parameter",
        "PurgeComm function failed",
        "Unable to get async status",
        "SetCommState function failed",
        "SetCommTimeouts failed",
        "SetupComm function failed",
        "ClearCommError function failed",
        "GetCommModemStatus function failed",
        "EscapeCommFunction function failed",
        "TransmitCommChar function failed",
        "Cannot set property while connected",
        "EnumPorts function failed",
        "Failed to store settings",
        "Failed to load settings",
        "Link (un)registration failed",
        "Cannot change led state if ComPort is selected",
        "Cannot wait for event if event thread is created",
        "WaitForEvent method failed",
        "A component is linked to OnRxBuf event",
        "Registry error",
    };
    if (code < 1 || code >= int(std::size(texts))) return "";
    return texts[code];
}

namespace {

bool HasNoOsError(int code) {
    return code == ErrAsyncParameter || code == ErrConnected || code == ErrLinkRegistration ||
           code == ErrEventThread || code == ErrRxBufLinked;
}

std::string ComErrorMessage(int code, int osError, const std::string& device) {
    std::string text = EComPort::Text(code);
    if (HasNoOsError(code)) return text;
    return text + ComOsErrorText(code, osError, device);
}

} // namespace

EComPort::EComPort(int code, int winCode, const std::string& device)
    : Exception(ComErrorMessage(code, winCode, device), KindOf(code)), FCode(code), FWinCode(winCode) {}

EComPort::EComPort(int code) : EComPort(code, -1) {}

EComPort::EComPort(int code, int osError, const std::string& device, const std::string& detail)
    : Exception(EComPort::Text(code) + " " + device + ": " + detail, KindOf(code)), FCode(code),
      FWinCode(osError) {}

// ---------------------------------------------------------------------------
// Free helpers

int BaudRateToInt(TBaudRate rate) {
    static const int speeds[] = {0,     110,   300,   600,   1200,  2400,   4800,   9600,
                                 14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};
    const int i = int(rate);
    return i >= 0 && i < int(std::size(speeds)) ? speeds[i] : 0;
}

TComEvents AllComEvents() {
    return {evRxChar, evTxEmpty, evRxFlag, evRing, evBreak, evCTS, evDSR, evError, evRLSD, evRx80Full};
}

void EnumComPorts(std::vector<std::string>& list) {
    EnumComPorts(list, DefaultComDeviceRoot());
}

void EnumComPorts(std::vector<std::string>& list, const std::string& root) {
    std::vector<std::string> found = ListComDevices(root);
    // Case-insensitive text order, so ttyS10 comes before ttyS2.
    std::sort(found.begin(), found.end(),
              [](const std::string& a, const std::string& b) { return LessNoCase(a, b); });
    list = std::move(found);
}

std::string SoleUsbComPort() {
    return SoleUsbComPort(DefaultComDeviceRoot());
}

std::string SoleUsbComPort(const std::string& root) {
    std::vector<std::string> ports;
    EnumComPorts(ports, root);
    std::string sole;
    for (const std::string& port : ports) {
        if (!ComPortInfo(port, root, "").Usb) continue;
        if (!sole.empty()) return "";
        sole = port;
    }
    return sole;
}

std::string ComPortDescription(const TComPortInfo& info) {
    std::string text = info.Maker;
    if (!info.Product.empty()) text += (text.empty() ? "" : " ") + info.Product;
    if (!info.Serial.empty()) text += (text.empty() ? "serial " : ", serial ") + info.Serial;
    if (!info.ById.empty()) text += (text.empty() ? "" : ", ") + info.ById;
    if (text.empty() && !info.Driver.empty()) text = info.Driver;
    return text;
}

// ---------------------------------------------------------------------------
// TCustomComPort: life cycle

TCustomComPort::TCustomComPort() : FEvents(AllComEvents()) {}

TCustomComPort::~TCustomComPort() {
    try {
        Close();
    } catch (...) {
        // A destructor must not throw; the handle is released regardless.
    }
    FDevice.reset();
}

void TCustomComPort::Open() {
    if (FConnected) return;
    if (OnBeforeOpen) OnBeforeOpen();
    FDevice = TComDevice::Open(ComPortDevicePath(FPort));
    FConnected = true;
    try {
        SetupComPort();
    } catch (...) {
        FDevice.reset();
        FConnected = false;
        throw;
    }
    if (OnAfterOpen) OnAfterOpen();
    ForEachLink([&](TComLink& link) {
        if (link.Conn) link.Conn(true);
    });
}

void TCustomComPort::Close() {
    if (!FConnected) return;
    if (OnBeforeClose) OnBeforeClose();
    // Nothing is in flight between calls here (every transfer completes inside its
    // call), so there is nothing to abort; queued output is still sent by the OS.
    FDevice.reset();
    FConnected = false;
    if (OnAfterClose) OnAfterClose();
    ForEachLink([&](TComLink& link) {
        if (link.Conn) link.Conn(false);
    });
}

void TCustomComPort::SetConnected(bool value) {
    if (value == FConnected) return;
    if (value)
        Open();
    else
        Close();
}

int TCustomComPort::Handle() const {
    return FDevice ? FDevice->Handle() : -1;
}

TComDevice& TCustomComPort::Device(int errorCode) {
    if (!FDevice) throw EComPort(errorCode, InvalidHandleError());
    return *FDevice;
}

// ---------------------------------------------------------------------------
// Settings

bool TCustomComPort::CanApply() const {
    return FDevice && FUpdateCount == 0;
}

void TCustomComPort::SetupComPort() {
    ApplyBuffer();
    ApplyDCB();
    ApplyTimeouts();
}

void TCustomComPort::ApplyDCB() {
    if (!CanApply()) return;
    TLineSettings line;
    line.Speed = FBaudRate == brCustom ? FCustomBaudRate : BaudRateToInt(FBaudRate);
    line.DataBits = FDataBits;
    line.StopBits = FStopBits;
    line.Parity = FParity;
    line.FlowControl = FFlowControl;
    line.DiscardNull = FDiscardNull;
    line.EventChar = FEventChar;
    line.InputSize = FBuffer.InputSize;
    FDevice->ApplyLine(line);
}

void TCustomComPort::ApplyTimeouts() {
    if (CanApply()) FDevice->ApplyTimeouts(FTimeouts);
}

void TCustomComPort::ApplyBuffer() {
    if (CanApply()) FDevice->ApplyBuffer(FBuffer.InputSize, FBuffer.OutputSize);
}

void TCustomComPort::BeginUpdate() {
    ++FUpdateCount;
}

void TCustomComPort::EndUpdate() {
    if (FUpdateCount == 0) return;
    if (--FUpdateCount == 0 && FDevice) SetupComPort();
}

namespace {
// Stores `value` in `field` when it differs; returns whether it changed.
template <class T> bool Store(T& field, const T& value) {
    if (field == value) return false;
    field = value;
    return true;
}
} // namespace

void TCustomComPort::SetBaudRate(TBaudRate value) {
    if (Store(FBaudRate, value)) ApplyDCB();
}

void TCustomComPort::SetCustomBaudRate(int32_t value) {
    if (Store(FCustomBaudRate, value)) ApplyDCB();
}

void TCustomComPort::SetPort(const std::string& value) {
    if (!Store(FPort, value)) return;
    if (FConnected) {
        Close();
        Open();
    }
}

void TCustomComPort::SetParity(const TComParity& value) {
    if (Store(FParity, value)) ApplyDCB();
}

void TCustomComPort::SetStopBits(TStopBits value) {
    if (Store(FStopBits, value)) ApplyDCB();
}

void TCustomComPort::SetDataBits(TDataBits value) {
    if (Store(FDataBits, value)) ApplyDCB();
}

void TCustomComPort::SetDiscardNull(bool value) {
    if (Store(FDiscardNull, value)) ApplyDCB();
}

void TCustomComPort::SetEventChar(char value) {
    if (Store(FEventChar, value)) ApplyDCB();
}

void TCustomComPort::SetEvents(const TComEvents& value) {
    FEvents = value;
}

void TCustomComPort::SetBuffer(const TComBuffer& value) {
    TComBuffer even = value;
    even.InputSize -= even.InputSize % 2;
    even.OutputSize -= even.OutputSize % 2;
    if (Store(FBuffer, even)) {
        ApplyBuffer();
        ApplyDCB(); // the XON/XOFF limits follow the input size
    }
}

void TCustomComPort::SetTimeouts(const TComTimeouts& value) {
    if (Store(FTimeouts, value)) ApplyTimeouts();
}

void TCustomComPort::SetFlowControl(const TComFlowControl& value) {
    if (Store(FFlowControl, value)) ApplyDCB();
}

void TCustomComPort::SetSyncMethod(TSyncMethod value) {
    if (value == FSyncMethod) return;
    if (FConnected) throw EComPort(ErrConnected);
    FSyncMethod = value;
}

void TCustomComPort::SetEventThreadPriority(int value) {
    if (value == FEventThreadPriority) return;
    if (FConnected) throw EComPort(ErrConnected);
    FEventThreadPriority = value;
}

void TCustomComPort::SetTriggersOnRxChar(bool value) {
    if (FHasLink) throw EComPort(ErrRxBufLinked);
    FTriggersOnRxChar = value;
}

// ---------------------------------------------------------------------------
// Transfer

int TCustomComPort::Write(const void* buffer, int count) {
    TComDevice& device = Device(ErrWrite);
    if (count <= 0) return 0;
    const int written = device.Write(static_cast<const char*>(buffer), count);
    if (written > 0)
        ForEachLink([&](TComLink& link) {
            if (link.TxBuf) link.TxBuf(static_cast<const char*>(buffer), written);
        });
    return written;
}

int TCustomComPort::WriteStr(const std::string& text) {
    if (text.empty()) return 0;
    return Write(text.data(), int(text.size()));
}

int TCustomComPort::Read(void* buffer, int count) {
    TComDevice& device = Device(ErrRead);
    if (count <= 0) return 0;
    char* bytes = static_cast<char*>(buffer);
    int n = device.Read(bytes, count);
    if (FDiscardNull) n = int(std::remove(bytes, bytes + n, '\0') - bytes);
    return n;
}

int TCustomComPort::ReadStr(std::string& text, int count) {
    text.assign(std::max(count, 0), '\0');
    const int n = Read(text.data(), count);
    text.resize(std::max(n, 0));
    return n;
}

int TCustomComPort::InputCount() {
    return Device(ErrQueueStatus).InputCount();
}

int TCustomComPort::OutputCount() {
    return Device(ErrQueueStatus).OutputCount();
}

bool TCustomComPort::WaitForInput(std::chrono::steady_clock::time_point deadline) {
    return Device(ErrQueueStatus).WaitForInput(deadline);
}

void TCustomComPort::ClearBuffer(bool input, bool output) {
    Device(ErrPurge).Purge(input, output);
}

void TCustomComPort::SetBreak(bool on) {
    Device(ErrLineControl).SetBreak(on);
}

void TCustomComPort::SetDTR(bool on) {
    Device(ErrLineControl).SetDTR(on);
}

void TCustomComPort::SetRTS(bool on) {
    Device(ErrLineControl).SetRTS(on);
}

void TCustomComPort::SetXonXoff(bool on) {
    Device(ErrLineControl).SetXonXoff(on);
}

void TCustomComPort::TransmitChar(char ch) {
    Device(ErrTransmitChar).TransmitChar(ch);
}

TComSignals TCustomComPort::Signals() {
    return Device(ErrModemStatus).Signals();
}

} // namespace vesk
