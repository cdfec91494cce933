// The soak's settings from the environment and the command line (the arguments win).
#pragma once

#include "SoakWorker.h"

namespace vesk::soak {

// Reads VESK_SOAK_OPS, _SEED, _SECONDS, _WORKERS, then --ops, --seed, --seconds,
// --workers, --timeout and --verbose into `config`. Returns -1 when they are sound,
// else the exit status, with the message printed.
int ReadConfig(int argc, char** argv, TSoakConfig& config);

} // namespace vesk::soak
