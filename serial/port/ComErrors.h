// The serial port's error codes, as `EComPort::Code()` gives them; each has a fixed
// text (`EComPort::Text`) and, except where noted, comes with the OS error number.
#pragma once

namespace vesk {

constexpr int ErrNone = 0;              // no error: no text
constexpr int ErrOpen = 1;              // "Unable to open com port"
constexpr int ErrWrite = 2;             // "WriteFile function failed"
constexpr int ErrRead = 3;              // "ReadFile function failed"
constexpr int ErrAsyncParameter = 4;    // "Invalid Async parameter"; no OS error
constexpr int ErrPurge = 5;             // "PurgeComm function failed"
constexpr int ErrAsyncStatus = 6;       // "Unable to get async status"
constexpr int ErrLineSettings = 7;      // "SetCommState function failed"
constexpr int ErrTimeouts = 8;          // "SetCommTimeouts failed"
constexpr int ErrBufferSizes = 9;       // "SetupComm function failed"
constexpr int ErrQueueStatus = 10;      // "ClearCommError function failed"
constexpr int ErrModemStatus = 11;      // "GetCommModemStatus function failed"
constexpr int ErrLineControl = 12;      // "EscapeCommFunction function failed"
constexpr int ErrTransmitChar = 13;     // "TransmitCommChar function failed"
constexpr int ErrConnected = 14;        // "Cannot set property while connected"; no OS error
constexpr int ErrEnumPorts = 15;        // "EnumPorts function failed"
constexpr int ErrStoreSettings = 16;    // "Failed to store settings"
constexpr int ErrLoadSettings = 17;     // "Failed to load settings"
constexpr int ErrLinkRegistration = 18; // "Link (un)registration failed"; no OS error
constexpr int ErrLedState = 19;         // "Cannot change led state if ComPort is selected"
constexpr int ErrEventThread = 20;      // "Cannot wait for event if event thread is created"; no OS error
constexpr int ErrWaitForEvent = 21;     // "WaitForEvent method failed"
constexpr int ErrRxBufLinked = 22;      // "A component is linked to OnRxBuf event"; no OS error
constexpr int ErrRegistry = 23;         // "Registry error" (the system's device list)

} // namespace vesk
