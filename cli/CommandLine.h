// The command line of `vesk`, parsed with CLI11.
#pragma once

#include "cli/Options.h"

#include <iosfwd>

namespace vesk::cli {

// Fills `options` from the arguments. Returns -1 when a command is to run; otherwise
// the exit status to end with: 0 after --help or --version (printed on `out`), 2 after
// a usage error (the reason and a short hint printed on `err`).
int ParseCommandLine(int argc, const char* const* argv, TOptions& options, std::ostream& out,
                     std::ostream& err);

// The usage hint that follows every usage error.
inline constexpr const char* UsageHint = "Run 'vesk --help' for the commands and options.";

} // namespace vesk::cli
