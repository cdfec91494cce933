// Several ports at once are not offered on Windows yet.
#include "cli/ExitStatus.h"
#include "cli/Gang.h"

#include <ostream>

namespace vesk::cli {

int RunGang(int, const char* const*, const TOptions&, std::ostream&, std::ostream& err, bool) {
    err << "vesk: several --port at once are not available on this system\n";
    return ExitUsage;
}

} // namespace vesk::cli
