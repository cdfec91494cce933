// The OS part of a port error on Windows: the error number as the system gives it.
#include "ComPortDevice.h"

#include <cstdio>

namespace vesk {

std::string ComOsErrorText(int, int osError, const std::string&) {
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, " (win error code: %d)", osError);
    return suffix;
}

} // namespace vesk
