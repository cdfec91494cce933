// The commands of `vesk`.
#pragma once

#include "cli/Options.h"

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>

namespace vesk {
class TTransport;
}

namespace vesk::cli {

// Where a run of the tool finds its files and its programmer. The program itself runs
// with the defaults; a test gives its own folder and a line to a simulated programmer.
struct TEnvironment {
    // The folder of the chip definitions and "WinVESK.ini"; empty: the program's own.
    std::string ProgramFolder;
    // The driver's line to the programmer; empty: the serial port.
    std::function<std::unique_ptr<TTransport>()> Transport;
};

// The whole tool: parses the arguments and runs the command. Results go to `out`,
// progress, trace and error messages to `err`; the progress bar only when
// `errIsTerminal`. Returns the exit status.
int RunVesk(int argc, const char* const* argv, std::ostream& out, std::ostream& err, bool errIsTerminal,
            const TEnvironment& environment = {});

// Runs one parsed command.
int RunCommand(const TOptions& options, std::ostream& out, std::ostream& err, bool errIsTerminal,
               const TEnvironment& environment = {});

} // namespace vesk::cli
