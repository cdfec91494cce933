#include "cli/Interrupt.h"

#include "driver/DeviceVESK1.h"

#include <atomic>
#include <csignal>

namespace vesk::cli {

namespace {

std::atomic<TDeviceVESK1*> Driver{nullptr};
volatile std::sig_atomic_t InterruptSeen = 0;

extern "C" void OnInterrupt(int) {
    InterruptSeen = 1;
    if (TDeviceVESK1* driver = Driver.load()) driver->Abort(); // sets an atomic flag, nothing more
    // The next Ctrl-C ends the program the default way.
    std::signal(SIGINT, SIG_DFL);
}

} // namespace

void InstallInterruptHandler(TDeviceVESK1* driver) {
    Driver = driver;
    struct sigaction action {};
    action.sa_handler = driver != nullptr ? OnInterrupt : SIG_DFL;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
}

void CatchInterrupt() {
    Driver = nullptr;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
}

bool Interrupted() {
    return InterruptSeen != 0;
}

} // namespace vesk::cli
