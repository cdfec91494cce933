// The serial port component: `TCustomComPort` / `TComPort`, its error type
// `EComPort`, the attachable callback record `TComLink` and the port list
// `EnumComPorts`.
//
// One interface for every platform; the operating-system work lives in one file
// per platform behind the private `TComDevice` (ComPortDevice.h).
//
// Port names: on Windows a name is used as given and opened as "\\.\<name>"
// ("COM3"). On POSIX a name containing "/" is a device path and is opened as it
// stands; "COMn" (n >= 1) means the n-th legacy serial port, "/dev/ttyS<n-1>"; any
// other name is taken under "/dev/" ("ttyUSB0" -> "/dev/ttyUSB0").
//
// Receiving, and how the owner is told that bytes arrived
// --------------------------------------------------------
// The port starts no thread. `Read` never blocks (it returns at once with what is
// already received, possibly nothing) and `InputCount` tells how many bytes wait.
//
//  * A caller that waits for an answer (the programmer driver) calls
//    `WaitForInput(deadline)`, which sleeps in the OS until a byte is waiting or the
//    deadline passes, then `Read`.
//  * An owner that wants received-data events (the terminal) watches `Handle()` for
//    readability in its own event loop (a Qt program uses a QSocketNotifier on it)
//    and calls `ProcessReceived()` on its own thread whenever it is readable.
//    `ProcessReceived` runs `CallRxChar`: it takes the count of waiting bytes and
//    tells the links that data arrived; then, when a link with an `RxBuf` callback
//    is attached or `TriggersOnRxChar` is false, it reads those bytes once into a
//    buffer and hands the same buffer to `OnRxBuf` and to every link's `RxBuf`;
//    otherwise it calls `OnRxChar(count)`, which reads nothing (the bytes stay
//    queued, so a level-triggered watcher fires again until somebody reads them).
//    Watch the handle only while `Events` contains `evRxChar`; re-arm the watcher
//    after `Open` (the handle changes on every open, also when `Port` changes).
//    A line that hangs up stays readable and `ProcessReceived` then raises
//    `EComPort` (ErrQueueStatus): close the port on that error.
//
// Settings are stored at once; line settings reach an open port at once and a
// closed one at its next `Open` (`BeginUpdate`/`EndUpdate` hold them back).
// Settings the OS cannot honour are kept and applied where they mean something
// (`DiscardNull` drops NUL bytes in `Read`; buffer sizes are only kept).
#pragma once

#include "ComErrors.h"
#include "VESK_Exception.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace vesk {

class TComDevice; // the open OS device; one implementation per platform

enum TBaudRate {
    brCustom,
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000
};
enum TDataBits { dbFive, dbSix, dbSeven, dbEight };
enum TStopBits { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };
enum TParityBits { prNone, prOdd, prEven, prMark, prSpace };
enum TDTRFlowControl { dtrDisable, dtrEnable, dtrHandshake };
enum TRTSFlowControl { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };
enum TComEvent { evRxChar, evTxEmpty, evRxFlag, evRing, evBreak, evCTS, evDSR, evError, evRLSD, evRx80Full };
using TComEvents = std::set<TComEvent>;
enum TSyncMethod { smThreadSync, smWindowSync, smNone };

// Modem line states returned by `Signals`.
enum TComSignal { csCTS, csDSR, csRing, csRLSD };
using TComSignals = std::set<TComSignal>;

// Speed in bit/s of a symbolic rate; 0 for brCustom.
int BaudRateToInt(TBaudRate rate);
// All ten events, the default of `Events`.
TComEvents AllComEvents();

struct TComTimeouts {
    int32_t ReadInterval = -1; // all bits set: a read returns at once with what is there
    int32_t ReadTotalMultiplier = 0;
    int32_t ReadTotalConstant = 0;
    int32_t WriteTotalMultiplier = 100; // a write of n bytes is given 100*n + 1000 ms
    int32_t WriteTotalConstant = 1000;
    bool operator==(const TComTimeouts&) const = default;
};

struct TComBuffer {
    int InputSize = 1024;
    int OutputSize = 1024;
    bool operator==(const TComBuffer&) const = default;
};

struct TComParity {
    TParityBits Bits = prNone;
    bool Check = false;
    bool Replace = false;
    char ReplaceChar = 0;
    bool operator==(const TComParity&) const = default;
};

struct TComFlowControl {
    bool OutCTSFlow = false;
    bool OutDSRFlow = false;
    TDTRFlowControl ControlDTR = dtrDisable;
    TRTSFlowControl ControlRTS = rtsDisable;
    bool XonXoffOut = false;
    bool XonXoffIn = false;
    bool DSRSensitivity = false;
    bool TxContinueOnXoff = false;
    char XonChar = 17;
    char XoffChar = 19;
    bool operator==(const TComFlowControl&) const = default;
};

// Error of the serial port: a code, its fixed text and the OS error number
// (`errno` here; -1 when there is none).
class EComPort : public Exception {
  public:
    // Message: the code's text and the OS error, except for the codes that never
    // carry one (ErrAsyncParameter, ErrConnected, ErrLinkRegistration,
    // ErrEventThread, ErrRxBufLinked): text alone. On Windows the OS error reads
    // " (win error code: <winCode>)"; elsewhere the device (when given), the
    // system's name of the error and its number, and for a refused, busy or
    // vanished device a last line saying what to do.
    EComPort(int code, int winCode, const std::string& device = {});
    explicit EComPort(int code);
    // The code's text, the device and `detail` in place of an OS error text.
    EComPort(int code, int osError, const std::string& device, const std::string& detail);
    int Code() const noexcept { return FCode; }
    int WinCode() const noexcept { return FWinCode; }
    // Fixed text of an error code ("Unable to open com port" for ErrOpen, ...).
    static std::string Text(int code);
    // A port that cannot be opened keeps the programmer from being opened; every other
    // code is a failure of the port itself.
    static TFailureKind KindOf(int code) {
        return code == ErrOpen ? TFailureKind::NotOpened : TFailureKind::PortFailure;
    }

  private:
    int FCode;
    int FWinCode;
};

// A record of optional callbacks attached to a port with `RegisterLink`. The port
// keeps a plain pointer: the owner keeps the link alive until it is unregistered.
struct TComLink {
    std::function<void(bool opened)> Conn;                 // after open (true) / close (false)
    std::function<void(int count)> RxNotify;               // bytes arrived (count waiting)
    std::function<void(const char* buf, int count)> RxBuf; // received bytes, read once
    std::function<void(const char* buf, int count)> TxBuf; // bytes just written
    std::function<void()> TxEmpty;
    std::function<void(bool on)> CTSChange;
    std::function<void(bool on)> DSRChange;
    std::function<void(bool on)> RLSDChange;
    std::function<void()> Ring;
    std::function<void()> Break;
};

class TCustomComPort {
  public:
    TCustomComPort();
    virtual ~TCustomComPort(); // closes the port
    TCustomComPort(const TCustomComPort&) = delete;
    TCustomComPort& operator=(const TCustomComPort&) = delete;

    // --- Opening and closing ---------------------------------------------------
    // Opens the device exclusively (a second opener, in this process or another,
    // fails with ErrOpen), raw mode, and applies buffer, line settings and time-outs.
    // Nothing if already open. A failure leaves the port closed.
    void Open();
    // Nothing if not open.
    void Close();
    bool Connected() const { return FConnected; }
    void SetConnected(bool value); // true opens, false closes, when the value changes

    // OS handle of the open device (file descriptor; on Windows the HANDLE value),
    // -1 when closed.
    int Handle() const;

    // --- Settings ----------------------------------------------------------------
    TBaudRate BaudRate() const { return FBaudRate; }
    void SetBaudRate(TBaudRate value);
    int32_t CustomBaudRate() const { return FCustomBaudRate; }
    void SetCustomBaudRate(int32_t value);
    const std::string& Port() const { return FPort; }
    // A different name (exact comparison) is stored; an open port is reopened on it.
    void SetPort(const std::string& value);
    const TComParity& Parity() const { return FParity; }
    void SetParity(const TComParity& value);
    TStopBits StopBits() const { return FStopBits; }
    void SetStopBits(TStopBits value);
    TDataBits DataBits() const { return FDataBits; }
    void SetDataBits(TDataBits value);
    bool DiscardNull() const { return FDiscardNull; }
    void SetDiscardNull(bool value);
    char EventChar() const { return FEventChar; }
    void SetEventChar(char value);
    const TComEvents& Events() const { return FEvents; }
    void SetEvents(const TComEvents& value);
    const TComBuffer& Buffer() const { return FBuffer; }
    void SetBuffer(const TComBuffer& value); // odd sizes are lowered by one
    const TComTimeouts& Timeouts() const { return FTimeouts; }
    void SetTimeouts(const TComTimeouts& value);
    const TComFlowControl& FlowControl() const { return FFlowControl; }
    void SetFlowControl(const TComFlowControl& value);
    TSyncMethod SyncMethod() const { return FSyncMethod; }
    void SetSyncMethod(TSyncMethod value); // ErrConnected while open
    int EventThreadPriority() const { return FEventThreadPriority; }
    void SetEventThreadPriority(int value); // ErrConnected while open
    bool TriggersOnRxChar() const { return FTriggersOnRxChar; }
    // Code 22 while a link with an RxBuf callback is attached.
    void SetTriggersOnRxChar(bool value);

    // Hold back applying settings until the matching EndUpdate; the last EndUpdate
    // applies everything to an open port.
    void BeginUpdate();
    void EndUpdate();

    // --- Transfer ------------------------------------------------------------------
    // Writes count bytes; returns how many were written before the write time-out
    // (WriteTotalMultiplier*count + WriteTotalConstant ms; both 0: no limit). Code 2.
    int Write(const void* buffer, int count);
    int WriteStr(const std::string& text); // empty text writes nothing
    // Reads at most count bytes of what is already received; never waits with the
    // default time-outs (returns 0 when nothing waits). Code 3, also when the line
    // has hung up (device unplugged).
    int Read(void* buffer, int count);
    int ReadStr(std::string& text, int count);
    int InputCount();  // bytes waiting to be read, not consumed. Code 10.
    int OutputCount(); // bytes waiting to be sent. Code 10.
    // Blocks until at least one received byte waits or `deadline` passes, without
    // spinning; returns whether bytes wait. Returns early (false) if the line hangs
    // up. Code 10 on a closed port.
    bool WaitForInput(std::chrono::steady_clock::time_point deadline);
    void ClearBuffer(bool input, bool output); // discard queued bytes. Code 5.
    void SetBreak(bool on);                    // Code 12.
    void SetDTR(bool on);                      // Code 12.
    void SetRTS(bool on);                      // Code 12.
    void SetXonXoff(bool on);                  // on: resume sending (as after XON), off: hold. Code 12.
    void TransmitChar(char ch);                // Code 13.
    TComSignals Signals();                     // Code 11.

    // --- Events ------------------------------------------------------------------
    // Code 18 when the link is already attached / not attached (or null).
    void RegisterLink(TComLink* link);
    void UnRegisterLink(TComLink* link);

    // Runs CallRxChar when the port is open and `Events` contains evRxChar. Call it
    // on the owner's thread when Handle() is readable (see the top of this file).
    void ProcessReceived();
    // Runs the Call... routine of each event in `events`, in the fixed order error,
    // receive-char, transmit-empty, break, ring, CTS, DSR, event-char, RLSD, 80 %-full.
    void DoEvents(const TComEvents& events);

    std::function<void()> OnAfterOpen;
    std::function<void()> OnAfterClose;
    std::function<void()> OnBeforeOpen;
    std::function<void()> OnBeforeClose;
    std::function<void(int count)> OnRxChar;
    std::function<void(const char* buf, int count)> OnRxBuf;
    std::function<void()> OnTxEmpty;
    std::function<void()> OnBreak;
    std::function<void()> OnRing;
    std::function<void(bool on)> OnCTSChange;
    std::function<void(bool on)> OnDSRChange;
    std::function<void(bool on)> OnRLSDChange;
    std::function<void()> OnRxFlag;
    std::function<void()> OnError;
    std::function<void()> OnRx80Full;

  protected:
    void CallRxChar();
    void CallTxEmpty();
    void CallBreak();
    void CallRing();
    void CallCTSChange();
    void CallDSRChange();
    void CallRLSDChange();
    void CallRxFlag();
    void CallError();
    void CallRx80Full();

  private:
    void SetupComPort();
    void ApplyDCB();
    void ApplyTimeouts();
    void ApplyBuffer();
    bool CanApply() const;
    TComDevice& Device(int errorCode); // the open device, or code `errorCode`
    void UpdateHasLink();
    void ForEachLink(const std::function<void(TComLink&)>& call);

    std::unique_ptr<TComDevice> FDevice;
    bool FConnected = false;
    TBaudRate FBaudRate = br9600;
    int32_t FCustomBaudRate = 9600;
    std::string FPort = "COM1";
    TComParity FParity;
    TStopBits FStopBits = sbOneStopBit;
    TDataBits FDataBits = dbEight;
    bool FDiscardNull = false;
    char FEventChar = 0;
    TComEvents FEvents;
    TComBuffer FBuffer;
    TComTimeouts FTimeouts;
    TComFlowControl FFlowControl;
    TSyncMethod FSyncMethod = smThreadSync;
    int FEventThreadPriority = 0; // normal
    bool FTriggersOnRxChar = true;
    int FUpdateCount = 0;
    std::vector<TComLink*> FLinks;
    bool FHasLink = false; // an attached link has an RxBuf callback
};

// The component as the program uses it.
class TComPort : public TCustomComPort {
  public:
    using TCustomComPort::TCustomComPort;
};

// The device path a port name opens ("COM1" -> "/dev/ttyS0", "ttyUSB0" ->
// "/dev/ttyUSB0", a name with "/" unchanged; on Windows "COM1" -> "\\.\COM1").
std::string ComPortDevicePath(const std::string& port);

// Fills `list` with the serial devices present, as full device paths (on Windows
// the port names of the registry, "COM1"), sorted case-insensitively, replacing
// its contents. Code 23 (list unchanged) when the system's device list cannot be
// read.
void EnumComPorts(std::vector<std::string>& list);
// The same, reading the tty class folder under `root` (normally "/sys"), so a test
// can point it at a tree of its own; on Windows `root` is the registry key under
// HKEY_LOCAL_MACHINE (normally "HARDWARE\\DEVICEMAP\\SERIALCOMM"), or under
// HKEY_CURRENT_USER when it starts with "HKEY_CURRENT_USER\\".
void EnumComPorts(std::vector<std::string>& list, const std::string& root);

// What the system knows of one serial port, beyond its name. Empty fields are
// not known (a built-in UART has no maker; Windows tells names only).
struct TComPortInfo {
    std::string Device;  // the name as EnumComPorts lists it
    std::string Maker;   // USB: manufacturer
    std::string Product; // USB: product
    std::string Serial;  // USB: serial number
    std::string ById;    // the stable name under /dev/serial/by-id/, the same for the same adapter
    std::string Driver;  // the kernel driver behind the port
    bool Usb = false;    // a USB serial adapter (or a board that is one)
};
// Of `device` on this system.
TComPortInfo ComPortInfo(const std::string& device);
// The same from the tree under `root` (see EnumComPorts) and the by-id folder `byId`.
TComPortInfo ComPortInfo(const std::string& device, const std::string& root, const std::string& byId);
// "maker product, serial <s>, <by-id name>" with what is known; "" when nothing is.
std::string ComPortDescription(const TComPortInfo& info);
// The port of the one USB serial adapter present; "" when there is none or more than
// one (then only the user can tell which is the programmer). Code 23 when the system's
// device list cannot be read.
std::string SoleUsbComPort();
// The same from the tree under `root` (see EnumComPorts).
std::string SoleUsbComPort(const std::string& root);

} // namespace vesk
