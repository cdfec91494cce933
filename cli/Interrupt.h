// Ctrl-C while a command runs: the driver's region loop is asked to stop through
// `Abort`, which only sets a flag, so the command ends the usual way - "Aborted by user",
// port closed, exit status 1.
#pragma once

namespace vesk {
class TDeviceVESK1;
}

namespace vesk::cli {

// Installs the SIGINT handler for `driver` (null: uninstalls it). A second Ctrl-C ends
// the program at once.
void InstallInterruptHandler(TDeviceVESK1* driver);
// Ctrl-C while no command runs (`write --watch` waiting for a change): it is only
// noted, for `Interrupted`. A second Ctrl-C ends the program at once.
void CatchInterrupt();
// True once Ctrl-C was pressed.
bool Interrupted();

} // namespace vesk::cli
