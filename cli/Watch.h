// `vesk write FILE --watch`: the edit-build-program loop on the command line. The image
// is written at once and then again each time it has changed and settled as a whole
// image (hexfile/ImageFileWatch.h), until Ctrl-C.
#pragma once

#include "cli/Commands.h"
#include "cli/Options.h"

#include <iosfwd>
#include <string>

namespace vesk::cli {

// Runs the write of `options` at once and after every change of its file. Each run is
// one command as `vesk write` runs it (with its own `--log` record) followed by one line
// on `out`: the time, the result and the seconds it took. A change to a file that is not
// a whole image is told on `err` and not written. Ctrl-C while waiting ends the watch;
// Ctrl-C during a run stops that run ("Aborted by user") and then the watch. Returns the
// exit status of the last run. Every run takes its folder and line from `environment`.
int WatchAndWrite(const TOptions& options, std::ostream& out, std::ostream& err, bool errIsTerminal,
                  const TEnvironment& environment = {});

// "12:03:41  ok  3.2 s" or "12:03:41  failed (4)  0.6 s".
std::string WatchRunLine(const std::string& time, int status, double seconds);

} // namespace vesk::cli
