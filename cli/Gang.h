// Several programmers in one command: `--port` given more than once runs the command on
// every port at once.
//
// Each port gets a vesk of its own: this program starts a copy of itself per port, with
// that one --port and the hidden --gang-child, and waits for them. One process per port
// keeps the chip definitions' design, in which a chip's regions are its image buffer and
// exist once per process: every port detects and fills its own target's buffer, and a
// port that fails or hangs cannot touch the others. The copies report their progress and
// target as lines on standard error ("@@progress ...", "@@target NAME"); everything else
// they write is shown with the port's name in front.
#pragma once

#include "cli/Options.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace vesk::cli {

inline constexpr const char* GangTargetPrefix = "@@target ";

// The arguments of one port's copy: `argv` without its program name and its port options
// (-p X, -pX, --port X, --port=X), then "--port", `port`, "--gang-child".
std::vector<std::string> GangChildArguments(int argc, const char* const* argv, const std::string& port);

// The exit status of the whole run from each port's: 0 when every port succeeded, else
// the failing ports' status when they share it, else 1.
int GangStatus(const std::vector<int>& statuses);

// One port's row of the table at the end.
struct TGangRow_t {
    std::string Port;
    std::string Target; // empty: not known
    int Status = 0;
    double Seconds = 0;
};
// "port  target  result  time" and one line per port.
std::string GangTable(const std::vector<TGangRow_t>& rows);

// Runs `options.Command` on every port of `options.Ports` at once: one progress line per
// port on a terminal standard error (not with -q), messages with the port in front, the
// table on `out`. Ctrl-C is passed to every port, and every port's end is awaited.
int RunGang(int argc, const char* const* argv, const TOptions& options, std::ostream& out, std::ostream& err,
            bool errIsTerminal);

} // namespace vesk::cli
