// Port names on POSIX: "COMn" is the n-th legacy serial port, a name with "/" a
// device path, anything else a name under "/dev/".
#include "ComPort.h"

#include "common/Text.h"

#include <algorithm>
#include <cctype>

namespace vesk {

std::string ComPortDevicePath(const std::string& port) {
    if (port.find('/') != std::string::npos) return port;
    // "COMn": the n-th legacy serial port, numbered from ttyS0.
    if (port.size() > 3 && StartsWithNoCase(port, "COM") &&
        std::all_of(port.begin() + 3, port.end(), [](char c) { return std::isdigit((unsigned char)c); }) &&
        port.size() <= 12) {
        const long n = std::stol(port.substr(3));
        if (n >= 1) return "/dev/ttyS" + std::to_string(n - 1);
    }
    return "/dev/" + port;
}

} // namespace vesk
