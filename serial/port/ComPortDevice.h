// The open OS serial device behind `TCustomComPort`. The interface is the same on
// every platform; each platform has one implementation file (ComPort_posix.cpp,
// ComPort_win.cpp).
// Every failure raises `EComPort` with the operation's code and the OS error
// number as given by `LastOsError()`.
#pragma once

#include "ComPort.h"

#include <chrono>
#include <memory>
#include <string>

namespace vesk {

// Everything the device needs to set up the line.
struct TLineSettings {
    int32_t Speed = 9600; // bit/s
    TDataBits DataBits = dbEight;
    TStopBits StopBits = sbOneStopBit;
    TComParity Parity;
    TComFlowControl FlowControl;
    bool DiscardNull = false;
    char EventChar = 0;
    int InputSize = 1024;
};

// The OS error number of the last failed system call, as reported in EComPort.
int LastOsError();
// The OS error number of an operation on a closed port (invalid handle).
int InvalidHandleError();
// Raises EComPort ErrLineSettings naming both speeds when the speed the device was given
// (bit/s) is more than 3 % away from the one asked for; 0 given means unknown.
void CheckSpeedGiven(const std::string& device, int32_t asked, int32_t given);
// What follows the code's text in an EComPort message: the OS error of `code`
// on `device` ("" when not known), in the platform's own words.
std::string ComOsErrorText(int code, int osError, const std::string& device);

class TComDevice {
  public:
    // Opens `path` for exclusive read and write access; ErrOpen on failure.
    static std::unique_ptr<TComDevice> Open(const std::string& path);
    virtual ~TComDevice() = default;

    virtual int Handle() const = 0;
    virtual void ApplyLine(const TLineSettings& line) = 0;                         // ErrLineSettings
    virtual void ApplyTimeouts(const TComTimeouts& t) = 0;                         // ErrTimeouts
    virtual void ApplyBuffer(int inputSize, int outputSize) = 0;                   // ErrBufferSizes
    virtual int Write(const char* buffer, int count) = 0;                          // ErrWrite
    virtual int Read(char* buffer, int count) = 0;                                 // ErrRead
    virtual int InputCount() = 0;                                                  // ErrQueueStatus
    virtual int OutputCount() = 0;                                                 // ErrQueueStatus
    virtual bool WaitForInput(std::chrono::steady_clock::time_point deadline) = 0; // ErrQueueStatus
    virtual void Purge(bool input, bool output) = 0;                               // ErrPurge
    virtual void SetBreak(bool on) = 0;                                            // ErrLineControl
    virtual void SetDTR(bool on) = 0;                                              // ErrLineControl
    virtual void SetRTS(bool on) = 0;                                              // ErrLineControl
    virtual void SetXonXoff(bool on) = 0;                                          // ErrLineControl
    virtual void TransmitChar(char ch) = 0;                                        // ErrTransmitChar
    virtual TComSignals Signals() = 0;                                             // ErrModemStatus
};

// The device list of the system under `root`; ErrRegistry when it cannot be read.
std::vector<std::string> ListComDevices(const std::string& root);
// Where the system keeps its device list: "/sys" (tty class folder) on Linux, the
// registry key "HARDWARE\DEVICEMAP\SERIALCOMM" on Windows.
std::string DefaultComDeviceRoot();

} // namespace vesk
