// The serial device on Windows: the communications API on a handle opened for
// overlapped I/O without sharing. Every transfer has its own overlapped block and
// event, created and closed per call, and completes inside the call.
//
// Received bytes are waited for by polling the receive queue (ClearCommError)
// against the caller's deadline; std::chrono::steady_clock runs on the
// performance counter (QueryPerformanceCounter) with this runtime, so the
// deadline is as fine as the driver's echo timing needs. No thread is started
// (see ComPort.h).
#include "ComPortDevice.h"

#include "common/Text.h"

#include <windows.h>

#include <mmsystem.h> // timeBeginPeriod; needs windows.h first

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <set>

namespace vesk {

int LastOsError() {
    return int(::GetLastError());
}

int InvalidHandleError() {
    return ERROR_INVALID_HANDLE;
}

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void Fail(int code) {
    throw EComPort(code, LastOsError());
}

// One overlapped transfer: the OS block with its own manual-reset event.
class TAsync {
  public:
    explicit TAsync(int code) {
        FOverlapped.hEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        if (!FOverlapped.hEvent) Fail(code);
    }
    ~TAsync() { ::CloseHandle(FOverlapped.hEvent); }
    TAsync(const TAsync&) = delete;
    TAsync& operator=(const TAsync&) = delete;
    OVERLAPPED* Get() { return &FOverlapped; }
    HANDLE Event() const { return FOverlapped.hEvent; }

  private:
    OVERLAPPED FOverlapped{};
};

// Milliseconds from now to `deadline`, rounded up so that a wait never ends
// before it; 0 when it has passed.
DWORD MillisecondsUntil(Clock::time_point deadline) {
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero()) return 0;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return DWORD(std::min<int64_t>(ms, INFINITE - 1));
}

// The devices this process has open, by upper-case path. Windows opens a
// communications device for one opener only; Wine lets a second CreateFileA on
// the same port succeed, so the process keeps that rule itself as well (the
// driver and the terminal use the same port, never at once).
class TOpenDevices {
  public:
    static bool Add(const std::string& path) {
        std::lock_guard lock(Mutex());
        return Paths().insert(Key(path)).second;
    }
    static void Remove(const std::string& path) {
        std::lock_guard lock(Mutex());
        Paths().erase(Key(path));
    }

  private:
    static std::string Key(std::string path) { return UpperCase(path); }
    static std::mutex& Mutex() {
        static std::mutex mutex;
        return mutex;
    }
    static std::set<std::string>& Paths() {
        static std::set<std::string> paths;
        return paths;
    }
};

class TWinComDevice final : public TComDevice {
  public:
    TWinComDevice(HANDLE handle, std::string path) : FHandle(handle), FPath(std::move(path)) {
        // Sleep() and timed waits then run on a 1 ms tick while the port is open,
        // for the driver's short pauses and echo deadlines.
        FTimerPeriod = ::timeBeginPeriod(1) == TIMERR_NOERROR;
    }
    ~TWinComDevice() override {
        // Drops what is still queued and frees the device for the next opener.
        ::PurgeComm(FHandle, PURGE_TXABORT | PURGE_RXABORT);
        ::CloseHandle(FHandle);
        TOpenDevices::Remove(FPath);
        if (FTimerPeriod) ::timeEndPeriod(1);
    }

    // The handle value as an integer (Windows handles fit in 32 bits).
    int Handle() const override { return int(reinterpret_cast<intptr_t>(FHandle)); }

    void ApplyLine(const TLineSettings& line) override {
        if (line.Speed <= 0) {
            ::SetLastError(ERROR_INVALID_PARAMETER);
            Fail(ErrLineSettings);
        }
        const TComFlowControl& f = line.FlowControl;
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        dcb.BaudRate = DWORD(line.Speed);
        dcb.fBinary = TRUE; // raw transfer; Windows supports no other mode
        dcb.fParity = line.Parity.Check;
        dcb.fOutxCtsFlow = f.OutCTSFlow;
        dcb.fOutxDsrFlow = f.OutDSRFlow;
        dcb.fDtrControl = DWORD(f.ControlDTR); // disable, enable, handshake: 0, 1, 2
        dcb.fDsrSensitivity = f.DSRSensitivity;
        dcb.fTXContinueOnXoff = f.TxContinueOnXoff;
        dcb.fOutX = f.XonXoffOut;
        dcb.fInX = f.XonXoffIn;
        dcb.fErrorChar = line.Parity.Check && line.Parity.Replace;
        dcb.fNull = line.DiscardNull;
        dcb.fRtsControl = DWORD(f.ControlRTS); // disable, enable, handshake, toggle: 0 to 3
        dcb.XonLim = WORD(line.InputSize / 4);
        dcb.XoffLim = WORD(line.InputSize / 4);
        dcb.ByteSize = BYTE(5 + int(line.DataBits));
        dcb.Parity = BYTE(line.Parity.Bits); // none, odd, even, mark, space: 0 to 4
        dcb.StopBits = BYTE(line.StopBits);  // 1, 1.5, 2: 0, 1, 2
        dcb.XonChar = f.XonChar;
        dcb.XoffChar = f.XoffChar;
        dcb.ErrorChar = line.Parity.ReplaceChar;
        dcb.EvtChar = line.EventChar;
        if (!::SetCommState(FHandle, &dcb)) Fail(ErrLineSettings);
    }

    void ApplyTimeouts(const TComTimeouts& t) override {
        COMMTIMEOUTS ct{};
        ct.ReadIntervalTimeout = DWORD(t.ReadInterval);
        ct.ReadTotalTimeoutMultiplier = DWORD(t.ReadTotalMultiplier);
        ct.ReadTotalTimeoutConstant = DWORD(t.ReadTotalConstant);
        ct.WriteTotalTimeoutMultiplier = DWORD(t.WriteTotalMultiplier);
        ct.WriteTotalTimeoutConstant = DWORD(t.WriteTotalConstant);
        if (!::SetCommTimeouts(FHandle, &ct)) Fail(ErrTimeouts);
        FTimeouts = t;
    }

    void ApplyBuffer(int inputSize, int outputSize) override {
        if (!::SetupComm(FHandle, DWORD(inputSize), DWORD(outputSize))) Fail(ErrBufferSizes);
    }

    // The OS write time-outs bound the wait; a timed-out write returns the
    // bytes that went out.
    int Write(const char* buffer, int count) override {
        TAsync async(2);
        if (!::WriteFile(FHandle, buffer, DWORD(count), nullptr, async.Get()) &&
            ::GetLastError() != ERROR_IO_PENDING)
            Fail(ErrWrite);
        return Complete(async, 2);
    }

    // With the default time-outs the read completes at once with what is queued.
    // Under those time-outs the read is limited to the queued bytes beforehand,
    // and nothing queued returns 0 without a ReadFile: Wine's serial layer on a
    // pseudo-terminal (the simulator in the tests) blocks such a read until a
    // byte arrives instead of returning at once. Windows gives the same result.
    int Read(char* buffer, int count) override {
        if (ReturnsAtOnce()) {
            DWORD errors = 0;
            COMSTAT status{};
            if (!::ClearCommError(FHandle, &errors, &status)) Fail(ErrRead);
            count = std::min(count, int(status.cbInQue));
            if (count == 0) return 0;
        }
        TAsync async(3);
        if (!::ReadFile(FHandle, buffer, DWORD(count), nullptr, async.Get()) &&
            ::GetLastError() != ERROR_IO_PENDING)
            Fail(ErrRead);
        return Complete(async, 3);
    }

    int InputCount() override { return int(Status().cbInQue); }
    int OutputCount() override { return int(Status().cbOutQue); }

    // Polls the receive queue against the deadline, 1 ms apart (the timer runs
    // on a 1 ms tick while the port is open). A wait on WaitCommEvent would sleep
    // in the OS instead, but Wine's serial layer on a pseudo-terminal (the
    // simulator in the tests) completes WaitCommEvent at once with no event, so
    // such a wait would spin there; polling behaves the same everywhere.
    bool WaitForInput(Clock::time_point deadline) override {
        for (;;) {
            DWORD errors = 0;
            COMSTAT status{};
            // A line that is gone ends the wait; the next call on the port
            // reports it with its own code.
            if (!::ClearCommError(FHandle, &errors, &status)) return false;
            if (status.cbInQue > 0) return true;
            if (MillisecondsUntil(deadline) == 0) return false;
            ::Sleep(1);
        }
    }

    void Purge(bool input, bool output) override {
        const DWORD flags = (input ? PURGE_RXCLEAR : 0) | (output ? PURGE_TXCLEAR : 0);
        if (flags != 0 && !::PurgeComm(FHandle, flags)) Fail(ErrPurge);
    }

    void SetBreak(bool on) override { Escape(on ? SETBREAK : CLRBREAK); }
    void SetDTR(bool on) override { Escape(on ? SETDTR : CLRDTR); }
    void SetRTS(bool on) override { Escape(on ? SETRTS : CLRRTS); }
    void SetXonXoff(bool on) override { Escape(on ? SETXON : SETXOFF); }

    void TransmitChar(char ch) override {
        if (!::TransmitCommChar(FHandle, ch)) Fail(ErrTransmitChar);
    }

    TComSignals Signals() override {
        DWORD bits = 0;
        if (!::GetCommModemStatus(FHandle, &bits)) Fail(ErrModemStatus);
        TComSignals s;
        if (bits & MS_CTS_ON) s.insert(csCTS);
        if (bits & MS_DSR_ON) s.insert(csDSR);
        if (bits & MS_RING_ON) s.insert(csRing);
        if (bits & MS_RLSD_ON) s.insert(csRLSD);
        return s;
    }

  private:
    // ReadInterval with all bits set and no totals: a read returns at once.
    bool ReturnsAtOnce() const {
        return FTimeouts.ReadInterval == -1 && FTimeouts.ReadTotalMultiplier == 0 &&
               FTimeouts.ReadTotalConstant == 0;
    }

    COMSTAT Status() {
        DWORD errors = 0;
        COMSTAT status{};
        if (!::ClearCommError(FHandle, &errors, &status)) Fail(ErrQueueStatus);
        return status;
    }

    // Waits for the transfer's end; the count of bytes moved.
    int Complete(TAsync& async, int code) {
        DWORD done = 0;
        if (!::GetOverlappedResult(FHandle, async.Get(), &done, TRUE)) Fail(code);
        return int(done);
    }

    void Escape(DWORD function) {
        if (!::EscapeCommFunction(FHandle, function)) Fail(ErrLineControl);
    }

    HANDLE FHandle;
    std::string FPath;
    TComTimeouts FTimeouts;
    bool FTimerPeriod = false;
};

} // namespace

std::unique_ptr<TComDevice> TComDevice::Open(const std::string& path) {
    // Read and write, no sharing (a second opener is refused), overlapped I/O.
    const HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) Fail(ErrOpen);
    auto refuse = [handle] {
        const int error = LastOsError();
        ::CloseHandle(handle);
        throw EComPort(ErrOpen, error);
    };
    // Only a communications device answers GetCommState; a file or another
    // device under the name is refused.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(handle, &dcb)) refuse();
    if (!TOpenDevices::Add(path)) {
        ::SetLastError(ERROR_ACCESS_DENIED); // what Windows answers a second opener
        refuse();
    }
    return std::make_unique<TWinComDevice>(handle, path);
}

} // namespace vesk
