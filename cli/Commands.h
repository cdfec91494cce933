// The commands of `vesk`.
#pragma once

#include "cli/Options.h"

#include <iosfwd>

namespace vesk::cli {

// The whole tool: parses the arguments and runs the command. Results go to `out`,
// progress, trace and error messages to `err`; the progress bar only when
// `errIsTerminal`. Returns the exit status.
int RunVesk(int argc, const char* const* argv, std::ostream& out, std::ostream& err, bool errIsTerminal);

// Runs one parsed command.
int RunCommand(const TOptions& options, std::ostream& out, std::ostream& err, bool errIsTerminal);

} // namespace vesk::cli
