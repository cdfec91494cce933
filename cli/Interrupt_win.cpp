// Ctrl-C on Windows: the console's control handler runs on a thread of its own,
// which only sets the driver's abort flag (an atomic) and the seen flag.
#include "cli/Interrupt.h"

#include "driver/DeviceVESK1.h"

#include <windows.h>

#include <atomic>

namespace vesk::cli {

namespace {

std::atomic<TDeviceVESK1*> Driver{nullptr};
std::atomic<bool> InterruptSeen{false};

BOOL WINAPI OnControl(DWORD type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
    // A second Ctrl-C ends the program the default way.
    if (InterruptSeen.exchange(true)) return FALSE;
    if (TDeviceVESK1* driver = Driver.load()) driver->Abort();
    return TRUE;
}

// The handler is in the console's list at most once: a second entry would see the
// first Ctrl-C as the second one.
void Register(bool on) {
    static bool registered = false;
    if (on == registered) return;
    ::SetConsoleCtrlHandler(OnControl, on ? TRUE : FALSE);
    registered = on;
}

} // namespace

void InstallInterruptHandler(TDeviceVESK1* driver) {
    Driver = driver;
    Register(driver != nullptr);
}

void CatchInterrupt() {
    // While no command runs the handler only notes the Ctrl-C.
    Driver = nullptr;
    Register(true);
}

bool Interrupted() {
    return InterruptSeen.load();
}

} // namespace vesk::cli
